// The wizard's rules that need no window: names, sizes, audio values, lists.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "app/wizard/AudioChoice.h"
#include "app/wizard/FormatTables.h"
#include "app/wizard/OutputNames.h"
#include "support/TempDir.h"

using namespace kv::wizard;

TEST(WizardNames, IntermediateAndOutputNamesFollowThePresentation) {
    kvtest::TempDir dir;
    const std::string folder = dir.path().string();
    std::string avi = folder;
    ASSERT_TRUE(GetIntermediateFileName(avi, folder + "/Intro.pptx"));
    EXPECT_EQ(avi, folder + "/Intro.avi");

    std::string output = folder;
    ASSERT_TRUE(GetOutputFileName(avi, output, ExtensionOfFormat(4)));
    EXPECT_EQ(output, folder + "/Intro.mp4");
    output = folder;
    GetOutputFileName(avi, output, ExtensionOfFormat(kFormatAVI));
    EXPECT_EQ(output, avi) << "AVI output is the intermediate file itself";
    output = folder;
    GetOutputFileName(avi, output, ExtensionOfFormat(3));
    EXPECT_EQ(output, folder + "/Intro.mpg");
}

TEST(WizardNames, NamesWithSpacesQuotesAndNonAsciiStayIntact) {
    kvtest::TempDir dir;
    const auto folder = dir.path() / "Vorträge \"2026\" Q&A";
    std::filesystem::create_directories(folder);
    std::string avi = folder.string();
    ASSERT_TRUE(GetIntermediateFileName(avi, (folder / "Übersicht 'final' v2.pptx").string()));
    EXPECT_EQ(avi, (folder / "Übersicht 'final' v2.avi").string());
    std::string output = folder.string();
    GetOutputFileName(avi, output, ".3gp");
    EXPECT_EQ(output, (folder / "Übersicht 'final' v2.3gp").string());
}

TEST(WizardNames, AFolderThatIsNotADirectoryGetsNoNameAppended) {
    std::string folder = "/no/such/place/Talks";
    ASSERT_TRUE(GetIntermediateFileName(folder, "/x/Intro.pptx"));
    EXPECT_EQ(folder, "/no/such/place/Talks");
}

TEST(WizardNames, PresentationTypesAndFolderChecks) {
    for (const char* ok : {"a.ppt", "B.PPTX", "c.pps", "d.Ppsx", "e.odp", "/x y/Intro.PPT"})
        EXPECT_TRUE(IsPlayablePresentation(ok)) << ok;
    for (const char* bad : {"a.pdf", "b.pptx.txt", "noextension", "c.key", ""})
        EXPECT_FALSE(IsPlayablePresentation(bad)) << bad;

    kvtest::TempDir dir;
    EXPECT_TRUE(IsWritableFolder(dir.path().string()));
    EXPECT_FALSE(IsExistingFolder((dir.path() / "gone").string()));
    const auto locked = dir.path() / "locked";
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0555);
    if (::geteuid() != 0) {
        EXPECT_FALSE(IsWritableFolder(locked.string()));
    }
    ::chmod(locked.c_str(), 0755);
}

TEST(WizardValues, AudioPropertiesFromQualityChannelsAndFormat) {
    auto v = DeriveAudioValues(1, 0, "AVI");
    EXPECT_EQ(v.properties, "11.025 kHz, stereo, 16-bit");
    EXPECT_EQ(v.bitRate, 128u);
    EXPECT_EQ(v.channels, 1u);
    v = DeriveAudioValues(0, 1, "MP4");
    EXPECT_EQ(v.properties, "22.05 kHz, mono, 16-bit");
    EXPECT_EQ(v.bitRate, 256u);
    EXPECT_EQ(v.channels, 0u);
    v = DeriveAudioValues(0, 2, "WMV");
    EXPECT_EQ(v.properties, "44.1 kHz, mono, 16-bit");
    EXPECT_EQ(v.bitRate, 320u);
    // MPEG sound is always 44.1 kHz stereo; bit rate and channels keep the choice.
    v = DeriveAudioValues(0, 0, "mpeg2");
    EXPECT_EQ(v.properties, "44.1 kHz, stereo, 16-bit");
    EXPECT_EQ(v.bitRate, 128u);
    EXPECT_EQ(v.channels, 0u);
    v = DeriveAudioValues(0, -1, "AVI");
    EXPECT_EQ(v.properties, "44.1 kHz, stereo, 16-bit");
    EXPECT_EQ(v.bitRate, 128u);
}

TEST(WizardValues, CaptureSizesFrameRatesAndBoxes) {
    const Size screen{1920, 1080};
    EXPECT_EQ(CaptureSize(0, true, screen, {}).width, 128);
    EXPECT_EQ(CaptureSize(0, true, screen, {}).height, 96);
    EXPECT_EQ(CaptureSize(3, false, screen, {}).height, 576);
    EXPECT_EQ(CaptureSize(5, false, screen, {}).width, 1920);
    EXPECT_EQ(CaptureSize(6, false, screen, {800, 600}).height, 600);
    EXPECT_EQ(CaptureSize(-1, false, screen, {}).width, 320);
    EXPECT_EQ(CaptureSize(-1, true, screen, {}).width, 176);

    EXPECT_EQ(FrameRateOfEntry("5 FPS"), 5);
    EXPECT_EQ(FrameRateOfEntry("29.97 FPS - (NTSC)"), 29);
    EXPECT_EQ(FrameRateOfEntry("25 FPS - (PAL)"), 25);
    EXPECT_EQ(LeadingNumber("640px"), 640);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_GT(LeadingNumber("99999999999999999999"), 1000000) << "large, and no overflow";
}

TEST(WizardValues, ListSearchStartsAfterTheFirstEntryAndWraps) {
    const auto rates = StandardFrameRates();
    EXPECT_EQ(FindStringFrom(rates, 0, "5"), 0);
    EXPECT_EQ(FindStringFrom(rates, 0, "25"), 4);
    EXPECT_EQ(FindStringFrom(rates, 0, "7"), -1);
    EXPECT_EQ(FindStringFrom(MpegFrameRates(), 0, "29"), 1);
    std::vector<std::string> formats;
    for (const auto& f : OutputFormats()) formats.push_back(f.name);
    EXPECT_EQ(FindStringFrom(formats, 0, "mpeg2"), 3);
    EXPECT_EQ(FindStringFrom(formats, 0, "3gp"), 7);
    // The newer formats follow ASF, so stored indexes 0-10 keep their meaning.
    EXPECT_EQ(FindStringFrom(formats, 0, "asf"), 10);
    EXPECT_EQ(FindStringFrom(formats, 0, "webm"), 11);
    EXPECT_EQ(FindStringFrom(formats, 0, "gif"), 12);
    EXPECT_EQ(ExtensionOfFormat(11), ".webm");
    EXPECT_EQ(ExtensionOfFormat(12), ".gif");
    EXPECT_EQ(ExtensionOfFormat(13), "");
    EXPECT_EQ(FindStringFrom({}, 0, "x"), -1);
    EXPECT_EQ(SlideTimeEntries().size(), 20u);
    EXPECT_EQ(StandardResolutions(1920, 1080)[5], "1920x1080");
}
