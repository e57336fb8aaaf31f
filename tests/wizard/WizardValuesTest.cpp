// The wizard's rules that need no window: names, sizes, audio values, lists.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "app/wizard/AudioChoice.h"
#include "app/wizard/FormatTables.h"
#include "app/wizard/OutputNames.h"
#include "app/wizard/PresentationCheck.h"
#include "app/wizard/RecordingRoom.h"
#include "app/wizard/WizardShell.h"
#include "platform/sound/CaptureDevices.h"
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
    EXPECT_TRUE(IsExistingFolder(dir.path().string()));
    EXPECT_FALSE(IsExistingFolder((dir.path() / "gone").string()));
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

namespace {

std::filesystem::path Sample() {
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    return std::filesystem::path(source ? source : ".") / "samples" / "kalvista-sample.pptx";
}

}  // namespace

// The one check of a presentation says what is wrong in the user's terms,
// and a file that only looks like one by its name is found by its contents.
TEST(WizardChecks, APresentationThatCannotBeConvertedIsToldByItsCause) {
    kvtest::TempDir dir;
    const auto path = [&](const char* name) { return (dir.path() / name).string(); };
    EXPECT_EQ(PresentationProblem("", PresentationSource::Chosen), "Please select the PowerPoint presentation File ");
    EXPECT_EQ(PresentationProblem(path("gone.pptx"), PresentationSource::Chosen).rfind("The presentation file no longer exists:", 0), 0u);
    EXPECT_EQ(PresentationProblem(path("gone.pptx"), PresentationSource::CommandLine).rfind("There is no presentation file at:", 0), 0u);
    EXPECT_EQ(PresentationProblem(dir.path().string(), PresentationSource::Picker).rfind("This is a folder", 0), 0u);

    std::ofstream(path("talk.txt")) << "PK\x03\x04";
    EXPECT_NE(PresentationProblem(path("talk.txt"), PresentationSource::Picker).find("\"talk.txt\" is not a presentation: "),
              std::string::npos);
    std::ofstream(path("notes.pptx")) << "Notes for the talk";
    EXPECT_NE(PresentationProblem(path("notes.pptx"), PresentationSource::Picker).find("although its name ends like one"),
              std::string::npos);
    std::ofstream(path("picture.odp")) << "\x89PNG\r\n\x1a\n";
    EXPECT_NE(PresentationProblem(path("picture.odp"), PresentationSource::Picker).find("holds something else"),
              std::string::npos);
    std::ofstream{path("empty.ppsx")};
    EXPECT_EQ(PresentationProblem(path("empty.ppsx"), PresentationSource::Picker).rfind("The presentation file is empty:", 0), 0u);

    // What starts as a presentation does: a zip package, an old compound file, flat XML.
    std::ofstream(path("new.PPTX")) << "PK\x03\x04 rest";
    std::ofstream(path("old.ppt")) << "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 rest";
    for (const char* good : {"new.PPTX", "old.ppt"}) EXPECT_EQ(PresentationProblem(path(good), PresentationSource::Picker), "") << good;
    EXPECT_EQ(PresentationProblem(Sample().string(), PresentationSource::CommandLine), "");

    if (::geteuid() != 0) {
        std::ofstream(path("secret.pptx")) << "PK\x03\x04";
        ::chmod(path("secret.pptx").c_str(), 0);
        EXPECT_EQ(PresentationProblem(path("secret.pptx"), PresentationSource::Picker).rfind("The presentation file cannot be read (", 0), 0u);
    }
}

// A folder is writable when a file can be made in it: the permission bits
// alone pass /proc for root.
TEST(WizardChecks, AFolderThatTakesNoFilesIsToldWhyAndAWritableOneKeepsNothing) {
    kvtest::TempDir dir;
    EXPECT_EQ(OutputFolderProblem(dir.path().string()), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "the trial file is removed";
    EXPECT_EQ(OutputFolderProblem((dir.path() / "gone").string()), "Invalid output folder. Please select the valid output folder path.");
    EXPECT_EQ(OutputFolderProblem("/proc"), "The output folder cannot be written to (it takes no new files):\n/proc\n"
                                            "Please select another output folder.");
    const auto locked = dir.path() / "locked";
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0555);
    if (::geteuid() != 0) {
        EXPECT_NE(OutputFolderProblem(locked.string()).find("(you have no permission to write there)"), std::string::npos);
    }
    ::chmod(locked.c_str(), 0755);
}

// The show's length for the room it needs: known only when every slide has
// the same time.
TEST(WizardChecks, TheRoomARecordingNeedsFollowsTheShowsLength) {
    RecordingPlan plan;
    plan.presentation = Sample().string();
    plan.secondsPerSlide = 5;
    plan.captureMode = 2;
    EXPECT_EQ(ExpectedShowSeconds(plan), 4 * 5.0) << "four slides of 5 s";
    plan.captureMode = 3;
    EXPECT_EQ(ExpectedShowSeconds(plan), 0.0) << "the presenter decides";
    plan.captureMode = 2;
    plan.presentation = "/no/such.pptx";
    EXPECT_EQ(ExpectedShowSeconds(plan), 0.0);

    kvtest::TempDir dir;
    plan.outputFolder = dir.path().string();
    plan.width = 640;
    plan.height = 480;
    plan.framesPerSecond = 5;
    EXPECT_EQ(RecordingRoomProblem(plan), "") << "a temporary folder has room for a short show";
}

TEST(WizardValues, ListTextsSayTheirUnitsAndTheLargestSizeThatFits) {
    const auto times = SlideTimeEntries();
    EXPECT_EQ(times.front(), "1 second");
    EXPECT_EQ(times[1], "2 seconds");
    EXPECT_EQ(times.back(), "20 seconds");
    EXPECT_EQ(StandardResolutions({1364, 704}, {1366, 768})[kScreenResolutionIndex], "1364x704 (largest that fits)");
    EXPECT_EQ(StandardResolutions({1920, 1080}, {1920, 1080})[kScreenResolutionIndex], "1920x1080");
    EXPECT_EQ(StandardResolutions({1364, 704}, {1366, 768}).back(), "Custom...");
}

// A sound device's entry starts with the device's own name; ALSA's words
// for its kind follow in a word or go to the tooltip, and no entry of one
// card starts another.
TEST(WizardValues, SoundDevicesAreNamedByTheirCardFirst) {
    EXPECT_EQ(kv::ReadableDeviceName("plughw:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nHardware device with all software conversions"),
              "HDA Intel PCH, ALC892 Analog (any format)");
    EXPECT_EQ(kv::ReadableDeviceName("dsnoop:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nDirect sample snooping device"),
              "HDA Intel PCH, ALC892 Analog (shared)");
    EXPECT_EQ(kv::ReadableDeviceName("lavrate", "Rate Converter Plugin Using Libav/FFmpeg Library"),
              "lavrate (ALSA plugin)");
    EXPECT_EQ(kv::ReadableDeviceName("upmix", "Plugin for channel upmix (4,6,8)"), "upmix (ALSA plugin)");
    EXPECT_EQ(kv::ReadableDeviceName("pulse", "PulseAudio Sound Server"), "PulseAudio Sound Server");
    EXPECT_EQ(kv::ReadableDeviceName("usbmic", ""), "usbmic");
    const std::string plug = kv::ReadableDeviceName("plughw:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nx");
    const std::string shared = kv::ReadableDeviceName("dsnoop:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nx");
    EXPECT_NE(shared.rfind(plug, 0), 0u);
    EXPECT_NE(plug.rfind(shared, 0), 0u);
}

TEST(WizardValues, HelpSaysWhyThePageDidNotOpen) {
    EXPECT_NE(kv::WhyPageDidNotOpen(false, std::nullopt).find("xdg-open"), std::string::npos);
    EXPECT_EQ(kv::WhyPageDidNotOpen(true, std::nullopt), "") << "still running: a browser is starting";
    EXPECT_EQ(kv::WhyPageDidNotOpen(true, 0), "");
    EXPECT_EQ(kv::WhyPageDidNotOpen(true, 3), "no program is set to open web pages (.htm files) on this computer");
    EXPECT_NE(kv::WhyPageDidNotOpen(true, 4).find("did not start"), std::string::npos);
    EXPECT_NE(kv::WhyPageDidNotOpen(true, 1).find("exit status 1"), std::string::npos);
}
