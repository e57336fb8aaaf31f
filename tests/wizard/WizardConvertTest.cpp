// Convert: the checks and their messages, the settings written, the names,
// and the container's request.
#include <fstream>

#include "WizardFixture.h"
#include "app/core/SettingsCatalogue.h"
#include "app/wizard/FormatTables.h"

namespace kvtest {
using namespace kv::wizard;
namespace settings = kv::settings;

namespace {
// The settings file as it is before Convert, to see that nothing was stored.
std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST_F(WizardTest, ConvertWithoutAPresentationAsksForOneAndStoresNothing) {
    Hover(IDC_TAB_AUDIO);
    const std::string before = Contents(registry.file());
    Click(IDC_CONVERT);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Please select the PowerPoint presentation File "}));
    EXPECT_EQ(Wizard().State().currentPage, IDC_TAB_IO);
    EXPECT_TRUE(Button(IDC_TAB_IO)->IsHighlighted());
    EXPECT_TRUE(Wizard().isVisible()) << "the wizard stays open";
    EXPECT_EQ(Contents(registry.file()), before);
    EXPECT_TRUE(container.requests.empty());
}

TEST_F(WizardTest, ConvertRefusesAVanishedPresentationOrFolder) {
    const std::string talk = ChoosePresentation("Gone.pptx");
    std::filesystem::remove(talk);
    const std::string before = Contents(registry.file());
    Wizard().OnConvert();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "The presentation file no longer exists:\n" + talk +
                                    "\nPlease select the PowerPoint presentation File again.");

    const auto out = folder.path() / "out";
    std::filesystem::create_directories(out);
    ChoosePresentation("Talk.pptx");
    shell.folders.push_back(out.string());
    Click(IDC_ROW_ICON[1]);
    std::filesystem::remove(out);
    Wizard().OnConvert();
    EXPECT_EQ(boxes.Texts().back(), "Invalid output folder. Please select the valid output folder path.");
    EXPECT_EQ(Contents(registry.file()), before);
    EXPECT_TRUE(container.requests.empty());
    EXPECT_EQ(Wizard().State().currentPage, IDC_TAB_IO);
}

TEST_F(WizardTest, ConvertChecksTheCaptureSize) {
    ChoosePresentation("Talk.pptx");
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_RESOLUTION, "Custom...");
    const std::pair<const char*, const char*> refused[] = {{"99", "480"}, {"640", "95"}, {"", "480"}};
    for (auto [w, h] : refused) {
        Edit(IDC_CUSTOM_WIDTH)->setText(w);
        Edit(IDC_CUSTOM_HEIGHT)->setText(h);
        EXPECT_FALSE(Wizard().OnConvert()) << w << "x" << h;
        EXPECT_EQ(boxes.Texts().back(), "Minimum resolution must be 100 x 100.");
    }
    EXPECT_TRUE(container.requests.empty());
    // The files and the sound are stored before the size is checked, the rest is not.
    EXPECT_EQ(settings::PowerPointFileName.Get(), (folder.path() / "Talk.pptx").string());
    EXPECT_EQ(settings::AVIVideoFileName.Get(), (folder.path() / "Talk.avi").string());
    const std::string stored = Contents(registry.file());
    for (const char* name : {"\"CaptureSound\"", "\"SoundDevice\"", "\"AudioProperties\"", "\"BitRate\"",
                             "\"AudioChannels\""})
        EXPECT_NE(stored.find(name), std::string::npos) << name;
    for (const char* name : {"\"OutputFormat\"", "\"OutputFileName\"", "\"Resolution\"", "\"ResolutionWidth\"",
                             "\"VideoCompression\"", "\"MouseCapture\"", "\"NotesSubtitles\""})
        EXPECT_EQ(stored.find(name), std::string::npos) << name;

    Edit(IDC_CUSTOM_WIDTH)->setText("128");
    Edit(IDC_CUSTOM_HEIGHT)->setText("96");
    EXPECT_TRUE(Wizard().OnConvert());
    ASSERT_EQ(container.requests.size(), 1u);
    EXPECT_EQ(container.requests[0].width, 128);
    EXPECT_EQ(container.requests[0].height, 96);
    EXPECT_EQ(settings::Resolution.Get(), 6u);
}

TEST_F(WizardTest, ConvertStoresEveryChoiceAndRunsTheContainer) {
    const auto dir = folder.path() / "Vorträge \"Q&A\" 'v2'";
    std::filesystem::create_directories(dir);
    const auto talk = dir / "Übersicht März.pptx";
    WritePackageStart(talk);
    shell.presentations.push_back(talk.string());
    Hover(IDC_TAB_IO);
    Click(IDC_ROW_ICON[0]);

    Hover(IDC_TAB_AUDIO);
    Choose(IDC_AUDIO_DEVICE, 1);
    ChooseText(IDC_AUDIO_CHANNELS, "Mono");
    ChooseText(IDC_AUDIO_QUALITY, "Good");
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_OUTPUT_FORMAT, "MPEG2");
    ChooseText(IDC_FRAME_RATE, "29.97 FPS - (NTSC)");
    ChooseText(IDC_RESOLUTION, "720x576 (PAL)");
    Check(IDC_NOTES_SUBTITLES)->click();
    Hover(IDC_TAB_CONVERTER);
    Click(IDC_ROW_ICON[0]);  // pointer on
    ChooseText(IDC_SLIDE_TIME, "20 seconds");
    Click(IDC_ROW_ICON[1]);  // manual: the slide time stays stored

    Wizard().show();
    Click(IDC_CONVERT);

    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(settings::PowerPointFileName.Get(), talk.string());
    EXPECT_EQ(settings::AVIVideoFileName.Get(), (dir / "Übersicht März.avi").string());
    EXPECT_EQ(settings::OutputFileName.Get(), (dir / "Übersicht März.mpg").string());
    EXPECT_EQ(settings::OutputFormat.Get(), "MPEG2");
    EXPECT_EQ(settings::CaptureSound.Get(), 1u);
    EXPECT_EQ(settings::SoundDevice.Get(), 1u);
    EXPECT_EQ(settings::AudioProperties.Get(), "44.1 kHz, stereo, 16-bit");
    EXPECT_EQ(settings::BitRate.Get(), 128u);
    EXPECT_EQ(settings::AudioChannels.Get(), 0u);
    EXPECT_EQ(settings::FrameRate.Get(), 29u);
    EXPECT_EQ(settings::VideoCompression.Get(), "Microsoft MPEG-4 Video Codec V1");
    EXPECT_EQ(settings::Resolution.Get(), 3u);
    EXPECT_EQ(settings::ResolutionWidth.Get(), 720u);
    EXPECT_EQ(settings::ResolutionHeight.Get(), 576u);
    EXPECT_EQ(settings::SlideShowCaptureMode.Get(), 3u);
    EXPECT_EQ(settings::TimeinSec.Get(), 19u);
    EXPECT_EQ(settings::MouseCapture.Get(), 1u);
    EXPECT_EQ(settings::NotesSubtitles.Get(), 1u);
    EXPECT_EQ(settings::FastRender.Get(), 0u);

    ASSERT_EQ(container.requests.size(), 1u);
    const auto& request = container.requests[0];
    EXPECT_FALSE(request.renderFast);
    EXPECT_EQ(request.presentationPath, talk.string());
    EXPECT_EQ(request.captureMode, 3);
    EXPECT_EQ(request.secondsPerSlide, 20);
    EXPECT_EQ(request.width, 720);
    EXPECT_EQ(request.height, 576);
    EXPECT_FALSE(request.startRecordingAtOnce);
    EXPECT_FALSE(Wizard().isVisible()) << "the wizard closes after the conversion";
    EXPECT_EQ(Wizard().result(), QDialog::Accepted);
}

TEST_F(WizardTest, ConvertByKeyboardKeepsTheWizardShownThePointerHidesIt) {
    ChoosePresentation("Talk.pptx");
    std::vector<bool> shownWhileRunning;
    container.whileRunning = [&] { shownWhileRunning.push_back(Wizard().isVisible()); };
    Wizard().show();
    Button(IDC_CONVERT)->click();  // the keyboard's press arrives as a command
    ASSERT_EQ(shownWhileRunning, std::vector<bool>{true});
    EXPECT_FALSE(Wizard().isVisible()) << "the wizard closes after the conversion";
    EXPECT_EQ(Wizard().result(), QDialog::Accepted);

    m_wizard.reset();
    ChoosePresentation("Talk.pptx");
    Wizard().show();
    Click(IDC_CONVERT);
    EXPECT_EQ(shownWhileRunning, (std::vector<bool>{true, false}));
    EXPECT_EQ(container.requests.size(), 2u);
    EXPECT_FALSE(Wizard().isVisible());
}

TEST_F(WizardTest, ConvertWithAviStoresTheChosenCodecAndAutomaticAdvance) {
    kv::settings::SlideShowCaptureMode.Set(1);  // never written by the wizard: automatic
    kv::settings::NotesSubtitles.Set(1);
    ChoosePresentation("Deck.ppsx");
    Hover(IDC_TAB_VIDEO);
    ASSERT_TRUE(Check(IDC_NOTES_SUBTITLES)->isChecked());
    Check(IDC_NOTES_SUBTITLES)->click();  // off again
    ChooseText(IDC_VIDEO_CODEC, "Motion JPEG");
    ChooseText(IDC_FRAME_RATE, "15 FPS");
    Hover(IDC_TAB_AUDIO);
    ChooseText(IDC_AUDIO_QUALITY, "Better");
    ASSERT_TRUE(Wizard().OnConvert());
    EXPECT_EQ(settings::VideoCompression.Get(), "Motion JPEG");
    EXPECT_EQ(settings::OutputFileName.Get(), (folder.path() / "Deck.avi").string());
    EXPECT_EQ(settings::OutputFileName.Get(), settings::AVIVideoFileName.Get());
    EXPECT_EQ(settings::FrameRate.Get(), 15u);
    EXPECT_EQ(settings::AudioProperties.Get(), "22.05 kHz, stereo, 16-bit");
    EXPECT_EQ(settings::BitRate.Get(), 256u);
    EXPECT_EQ(settings::SlideShowCaptureMode.Get(), 2u);
    EXPECT_EQ(settings::TimeinSec.Get(), 0u);
    EXPECT_EQ(settings::NotesSubtitles.Get(), 0u);
    ASSERT_EQ(container.requests.size(), 1u);
    EXPECT_EQ(container.requests[0].captureMode, 2);
    EXPECT_EQ(container.requests[0].secondsPerSlide, 1);
}

TEST_F(WizardTest, ConvertWithAviAndNoCodecStoresTheEmptyText) {
    sources.compressors.clear();
    ChoosePresentation("Deck.pptx");
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_OUTPUT_FORMAT, "AVI");
    ASSERT_EQ(Combo(IDC_VIDEO_CODEC)->count(), 0);
    ASSERT_TRUE(Wizard().OnConvert());
    EXPECT_EQ(settings::VideoCompression.Get(), "");
    EXPECT_NE(Contents(registry.file()).find("\"VideoCompression\"=\"\""), std::string::npos);
}

TEST_F(WizardTest, WithoutSoundDevicesNothingIsRecorded) {
    sources.devices.clear();
    ChoosePresentation("Deck.pptx");
    // The flag shows as set, but nothing is recorded without a device.
    EXPECT_TRUE(Wizard().State().recordSound);
    Hover(IDC_TAB_AUDIO);
    EXPECT_EQ(Button(IDC_ROW_ICON[0])->NormalBitmap(), 225);
    ASSERT_TRUE(Wizard().OnConvert());
    EXPECT_EQ(settings::CaptureSound.Get(), 0u);
    EXPECT_EQ(settings::SoundDevice.Get(), 0u);
    EXPECT_TRUE(sources.table.empty());
}

// `kalvista FILE`: the wizard starts with FILE chosen, as the picker would
// have chosen it; a file that is not there, or not a presentation, is refused
// with its own message (not one for a file that has gone since).
TEST_F(WizardTest, APresentationFromTheCommandLineIsChosen) {
    const auto absent = folder.path() / "Absent.pptx";
    EXPECT_FALSE(Wizard().OpenPresentation(absent.string()));
    const auto notes = folder.path() / "Notes.txt";
    std::ofstream(notes) << "text";
    EXPECT_FALSE(Wizard().OpenPresentation(notes.string()));
    EXPECT_FALSE(Wizard().OpenPresentation(folder.path().string()));
    const auto empty = folder.path() / "Empty.pptx";
    std::ofstream{empty};
    EXPECT_FALSE(Wizard().OpenPresentation(empty.string()));
    ASSERT_EQ(boxes.Texts().size(), 4u);
    EXPECT_EQ(boxes.Texts()[0], "There is no presentation file at:\n" + absent.string() +
                                    "\nPlease select the PowerPoint presentation File.");
    EXPECT_EQ(boxes.Texts()[1].substr(0, 50), "FileType Error: Invalid File Type Selected\n\"Notes.");
    EXPECT_EQ(boxes.Texts()[2], "This is a folder, not a presentation file:\n" + folder.path().string() +
                                    "\nPlease select the PowerPoint presentation File.");
    EXPECT_EQ(boxes.Texts()[3], "The presentation file is empty:\n" + empty.string() +
                                    "\nPlease select the PowerPoint presentation File.");
    EXPECT_TRUE(Wizard().State().presentationPath.empty());

    const auto talk = folder.path() / "Talk.odp";
    WritePackageStart(talk);
    ASSERT_TRUE(Wizard().OpenPresentation(talk.string()));
    EXPECT_EQ(Edit(IDC_PRESENTATION)->text().toStdString(), talk.string());
    EXPECT_EQ(Edit(IDC_OUTPUT_FOLDER)->text().toStdString(), folder.path().string());
    Wizard().OnConvert();
    ASSERT_EQ(container.requests.size(), 1u);
    EXPECT_EQ(container.requests[0].presentationPath, talk.string());
}

TEST_F(WizardTest, RenderFastIsStoredAndAskedForButRefusedForThePresenter) {
    ChoosePresentation("Course.pptx");
    Hover(IDC_TAB_CONVERTER);
    Check(IDC_FAST_RENDER)->click();
    Click(IDC_ROW_ICON[1]);  // manual advance
    Hover(IDC_TAB_VIDEO);
    const std::string before = Contents(registry.file());
    EXPECT_FALSE(Wizard().OnConvert());
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Slides that the presenter advances cannot be rendered fast.\n"
                                                       "Choose automatic advance, or clear \"Render fast, with "
                                                       "motion and sound\"."}));
    EXPECT_EQ(Wizard().State().currentPage, IDC_TAB_CONVERTER) << "the page to change is shown";
    EXPECT_EQ(Contents(registry.file()), before) << "a refused Convert stores nothing";
    EXPECT_TRUE(container.requests.empty());

    Click(IDC_ROW_ICON[1]);  // automatic again
    ChooseText(IDC_SLIDE_TIME, "3 seconds");
    ASSERT_TRUE(Wizard().OnConvert());
    EXPECT_EQ(settings::FastRender.Get(), 1u);
    ASSERT_EQ(container.requests.size(), 1u);
    EXPECT_TRUE(container.requests[0].renderFast);
    EXPECT_EQ(container.requests[0].captureMode, 2);
    EXPECT_EQ(container.requests[0].secondsPerSlide, 3);

    // The choice comes back, and clearing it is stored too.
    m_wizard.reset();
    ChoosePresentation("Course.pptx");
    ASSERT_TRUE(Check(IDC_FAST_RENDER)->isChecked());
    Check(IDC_FAST_RENDER)->click();
    ASSERT_TRUE(Wizard().OnConvert());
    EXPECT_EQ(settings::FastRender.Get(), 0u);
    ASSERT_EQ(container.requests.size(), 2u);
    EXPECT_FALSE(container.requests[1].renderFast);
}

}  // namespace kvtest

namespace kvtest {
using namespace kv::wizard;
namespace settings = kv::settings;

// A show that recorded nothing (it failed to start, or ended before Play)
// brings the wizard back with every choice; only a made video ends it.
TEST_F(WizardTest, AShowThatRecordedNothingBringsTheWizardBackWithEveryChoice) {
    const std::string talk = ChoosePresentation("Talk.pptx");
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_OUTPUT_FORMAT, "MP4");
    ChooseText(IDC_FRAME_RATE, "15 FPS");
    Hover(IDC_TAB_CONVERTER);
    ChooseText(IDC_SLIDE_TIME, "7 seconds");
    container.outcome = kv::kNothingRecorded;
    std::vector<bool> shownWhileRunning;
    container.whileRunning = [&] { shownWhileRunning.push_back(Wizard().isVisible()); };
    Wizard().show();
    Click(IDC_CONVERT);
    ASSERT_EQ(container.requests.size(), 1u);
    EXPECT_EQ(shownWhileRunning, std::vector<bool>{false}) << "hidden while the show runs";
    EXPECT_TRUE(Wizard().isVisible()) << "back when nothing was recorded";
    EXPECT_EQ(Wizard().result(), 0) << "not closed";
    EXPECT_EQ(Wizard().State().presentationPath, talk);
    EXPECT_EQ(Combo(IDC_OUTPUT_FORMAT)->currentText(), "MP4");
    EXPECT_EQ(Combo(IDC_FRAME_RATE)->currentText(), "15 FPS");
    EXPECT_EQ(Combo(IDC_SLIDE_TIME)->currentText(), "7 seconds");
    EXPECT_EQ(Wizard().State().currentPage, IDC_TAB_CONVERTER) << "on the page it left";

    container.outcome = kv::kRecordingMade;
    Click(IDC_CONVERT);
    EXPECT_EQ(container.requests.size(), 2u);
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().result(), QDialog::Accepted) << "a made video ends the program";
}

// The presentation and the video's folder of the last Convert come back at
// the next start while they can still be used.
TEST_F(WizardTest, TheLastPresentationAndFolderAreOfferedAgain) {
    const auto videos = folder.path() / "Videos";
    std::filesystem::create_directories(videos);
    const auto talk = folder.path() / "Talk.pptx";
    WritePackageStart(talk);
    settings::PowerPointFileName.Set(talk.string());
    settings::OutputFileName.Set((videos / "Talk.mp4").string());
    // Once the recording is saved this names its temporary copy, not the folder chosen.
    settings::AVIVideoFileName.Set("/somewhere/Temp/Talk.avi");
    Hover(IDC_TAB_IO);
    EXPECT_EQ(Edit(IDC_PRESENTATION)->text().toStdString(), talk.string());
    EXPECT_EQ(Edit(IDC_OUTPUT_FOLDER)->text().toStdString(), videos.string());
    EXPECT_EQ(Wizard().State().aviPath, (videos / "Talk.avi").string());

    // A folder that is gone gives way to the presentation's own.
    m_wizard.reset();
    std::filesystem::remove(videos);
    EXPECT_EQ(Edit(IDC_OUTPUT_FOLDER)->text().toStdString(), folder.path().string());

    // A presentation that is gone is not offered, but the picker opens where it was.
    m_wizard.reset();
    std::filesystem::remove(talk);
    EXPECT_TRUE(Wizard().State().presentationPath.empty());
    EXPECT_TRUE(boxes.Texts().empty()) << "nothing to say at start";
    Hover(IDC_TAB_IO);
    Click(IDC_ROW_ICON[0]);
    ASSERT_EQ(shell.startFolders.size(), 1u);
    EXPECT_EQ(shell.startFolders[0], folder.path().string());
}

// The screen's entry offers the largest size the screen records beside the
// recording window's toolbar; a larger size is said to shrink at Convert.
TEST_F(WizardTest, ASizeTheScreenCannotRecordIsToldAtConvertTheOfferedOneIsNot) {
    container.room = {700, 501};
    ChoosePresentation("Talk.pptx");
    Hover(IDC_TAB_VIDEO);
    EXPECT_EQ(Combo(IDC_RESOLUTION)->itemText(kScreenResolutionIndex), "700x500 (largest that fits)")
        << "as the recorder rounds it";
    EXPECT_EQ(Combo(IDC_RESOLUTION)->currentIndex(), kScreenResolutionIndex);
    ASSERT_TRUE(Wizard().OnConvert());
    EXPECT_TRUE(boxes.Texts().empty()) << ::testing::PrintToString(boxes.Texts());
    EXPECT_EQ(container.requests.back().width, 700);
    EXPECT_EQ(container.requests.back().height, 500);

    m_wizard.reset();
    ChoosePresentation("Talk.pptx");
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_RESOLUTION, "720x576 (PAL)");
    ASSERT_TRUE(Wizard().OnConvert());
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"The video will be 700x500 instead of 720x576: the screen has no "
                                                      "room for more beside the recording window's toolbar."});
    EXPECT_EQ(container.requests.back().width, 720) << "the container fits the size itself";

    // Rendered, nothing is played on the screen: the size stays.
    m_wizard.reset();
    ChoosePresentation("Talk.pptx");
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_RESOLUTION, "720x576 (PAL)");
    Check(IDC_FAST_RENDER)->setChecked(true);
    ASSERT_TRUE(Wizard().OnConvert());
    EXPECT_EQ(boxes.Texts().size(), 1u);
}

TEST_F(WizardTest, HelpThatCannotOpenSaysWhyAndWhereThePageIs) {
    shell.helpProblem = "no program is set to open web pages (.htm files) on this computer";
    Click(IDC_HELP);
    ASSERT_EQ(shell.openedPages.size(), 1u);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "Unable to open the help page: " + shell.helpProblem + ".\nThe page is at:\n" +
                                    shell.openedPages[0] + "\nOpen it in a web browser.");
}

}  // namespace kvtest
