// The wizard's pages: what shows when, the lists and how they follow the
// output format, the pickers and their refusals.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "WizardFixture.h"
#include "app/core/SettingsCatalogue.h"
#include "app/wizard/FormatTables.h"
#include "controls/ColoredEdit.h"
#include "platform/core/Paths.h"
#include "platform/core/Trace.h"

namespace kvtest {
using namespace kv::wizard;

namespace {
std::vector<std::string> Entries(QComboBox* combo) { return kv::wizard::WizardControls::Entries(combo); }
}  // namespace

TEST_F(WizardTest, StartsWithNoPageAndHoveringATabShowsIt) {
    auto& wizard = Wizard();
    EXPECT_EQ(wizard.State().currentPage, 0);
    for (int tab : {1092, 1093, 1094, 1095}) EXPECT_TRUE(Button(tab)->IsHighlighted()) << tab;
    EXPECT_FALSE(Shown(IDC_CONVERT));
    EXPECT_FALSE(Shown(IDC_BANNER));
    EXPECT_FALSE(Shown(IDC_MINIMISE));
    for (int id : wizard.Controls().ValueControls()) EXPECT_FALSE(Shown(id)) << id;
    EXPECT_EQ(Button(IDC_ROW_LABEL[0])->CurrentBitmap(), 303);

    Hover(IDC_TAB_VIDEO);
    EXPECT_EQ(wizard.State().currentPage, IDC_TAB_VIDEO);
    EXPECT_TRUE(Shown(IDC_BANNER));
    EXPECT_EQ(Button(IDC_BANNER)->CurrentBitmap(), 299);
    EXPECT_TRUE(Shown(IDC_CONVERT));
    EXPECT_TRUE(Button(IDC_TAB_VIDEO)->IsHighlighted());
    EXPECT_FALSE(Button(IDC_TAB_IO)->IsHighlighted());
    for (int id : {1105, 1108, 1107, 1106, 1123}) EXPECT_TRUE(Shown(id)) << id;
    EXPECT_EQ(Button(IDC_ROW_ICON[3])->CurrentBitmap(), 206) << "AVI offers the codec row";

    Hover(IDC_TAB_AUDIO);
    EXPECT_EQ(Button(IDC_BANNER)->CurrentBitmap(), 298);
    for (int id : {1103, 1104, 1113}) EXPECT_TRUE(Shown(id)) << id;
    for (int id : {1105, 1108, 1107, 1106, 1123, 1026, 1102, 1112}) EXPECT_FALSE(Shown(id)) << id;

    // A click on a tab changes nothing more.
    Click(IDC_TAB_IO);
    EXPECT_EQ(wizard.State().currentPage, IDC_TAB_AUDIO);
}

TEST_F(WizardTest, HoveringAComboLightsItsRow) {
    Hover(IDC_TAB_VIDEO);
    const std::pair<int, int> comboRows[] = {{1201, 0}, {1206, 1}, {1205, 2}, {1204, 3}};
    for (auto [notifyId, row] : comboRows) {
        Hover(notifyId);
        for (int r = 0; r < 4; ++r) {
            EXPECT_EQ(Button(IDC_ROW_LABEL[r])->IsHighlighted(), r == row) << notifyId << " row " << r;
        }
    }
    EXPECT_EQ(Combo(IDC_OUTPUT_FORMAT)->NotifyId(), 1201);
    EXPECT_EQ(Combo(IDC_AUDIO_QUALITY)->NotifyId(), 1208);
}

// Lists are chosen from, never typed into; the paths are chosen with the
// pickers in fields that look so; only the custom size is typed, in digits.
TEST_F(WizardTest, FieldsAreTypedIntoOnlyWhereTypingCounts) {
    for (int id : {1103, 1104, 1105, 1106, 1107, 1108, 1112, 1113}) {
        EXPECT_FALSE(Combo(id)->isEditable()) << id;
        EXPECT_EQ(Combo(id)->lineEdit(), nullptr) << id;
    }
    for (int id : {IDC_PRESENTATION, IDC_OUTPUT_FOLDER}) {
        kv::CPathEdit* field = Wizard().Controls().PathEdit(id);
        ASSERT_NE(field, nullptr) << id;
        EXPECT_TRUE(field->isReadOnly()) << id;
        EXPECT_NE(field->BkColor(), QColor(100, 100, 255)) << id << ": not the colour of a field to type in";
    }
    const std::string talk = ChoosePresentation("A presentation with a long name, kept whole in the tooltip.pptx");
    auto* field = Wizard().Controls().PathEdit(IDC_PRESENTATION);
    EXPECT_EQ(field->toolTip().toStdString(), talk);
    EXPECT_TRUE(field->ShownText().startsWith(QChar(0x2026))) << field->ShownText().toStdString();
    EXPECT_TRUE(field->ShownText().endsWith("tooltip.pptx")) << "the file's name stays in view";
    // A click on the field asks for the presentation, as its row does.
    const int asked = shell.presentationQuestions;
    emit field->Clicked();
    EXPECT_EQ(shell.presentationQuestions, asked + 1);

    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_RESOLUTION, "Custom...");
    QLineEdit* width = Edit(IDC_CUSTOM_WIDTH);
    width->clear();
    for (QChar c : QString("8x0y0")) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(width, &key);
    }
    EXPECT_EQ(width->text(), "800") << "only digits are taken";
    EXPECT_EQ(width->toolTip(), "Width of the video in pixels");
    EXPECT_EQ(Edit(IDC_CUSTOM_HEIGHT)->placeholderText(), "height");
}

TEST_F(WizardTest, FirstRunDefaults) {
    Wizard();
    EXPECT_EQ(Combo(IDC_OUTPUT_FORMAT)->currentText(), "AVI");
    EXPECT_EQ(Combo(IDC_FRAME_RATE)->currentText(), "5 FPS");
    EXPECT_EQ(Combo(IDC_RESOLUTION)->currentIndex(), kScreenResolutionIndex);
    EXPECT_EQ(Combo(IDC_AUDIO_CHANNELS)->currentText(), "Stereo");
    EXPECT_EQ(Combo(IDC_AUDIO_QUALITY)->currentText(), "Best");
    EXPECT_EQ(Combo(IDC_SLIDE_TIME)->currentText(), "1 second");
    EXPECT_TRUE(Wizard().State().recordSound);
    EXPECT_FALSE(Wizard().State().mousePointer);
    EXPECT_FALSE(Wizard().State().manualAdvance);
    EXPECT_FALSE(Check(IDC_NOTES_SUBTITLES)->isChecked());
    EXPECT_EQ(Check(IDC_NOTES_SUBTITLES)->text(), "Speaker notes as subtitles");
    EXPECT_FALSE(Check(IDC_FAST_RENDER)->isChecked());
    EXPECT_EQ(Check(IDC_FAST_RENDER)->text(), "Render fast, with motion and sound");
    // The tip says what rendering leaves out.
    const std::string tip = Check(IDC_FAST_RENDER)->toolTip().toStdString();
    EXPECT_NE(tip.find("only what moves"), std::string::npos) << tip;
    EXPECT_NE(tip.find("sounds, narration and film sound come from its file"), std::string::npos) << tip;
    // No stored codec among the list: the first entry.
    EXPECT_EQ(Combo(IDC_VIDEO_CODEC)->currentIndex(), 0);
}

TEST_F(WizardTest, ListsFollowTheOutputFormat) {
    Hover(IDC_TAB_VIDEO);
    // Raw I420 and Xvid are left out, and so is an encoder refusing the size.
    EXPECT_EQ(Entries(Combo(IDC_VIDEO_CODEC)), (std::vector<std::string>{"Motion JPEG", "MPEG-4 part 2"}));

    ChooseText(IDC_OUTPUT_FORMAT, "MPEG2");
    EXPECT_EQ(Entries(Combo(IDC_FRAME_RATE)), MpegFrameRates());
    EXPECT_FALSE(Shown(IDC_VIDEO_CODEC));
    EXPECT_FALSE(Wizard().State().codecRow);
    EXPECT_EQ(Button(IDC_ROW_ICON[3])->CurrentBitmap(), 219);
    EXPECT_EQ(Button(IDC_ROW_LABEL[3])->CurrentBitmap(), 232);

    ChooseText(IDC_OUTPUT_FORMAT, "3GP");
    EXPECT_EQ(Entries(Combo(IDC_RESOLUTION)), MobileResolutions());
    EXPECT_EQ(Combo(IDC_RESOLUTION)->currentText(), "176x144");
    EXPECT_EQ(Entries(Combo(IDC_FRAME_RATE)), StandardFrameRates());

    ChooseText(IDC_OUTPUT_FORMAT, "AVI");
    EXPECT_TRUE(Shown(IDC_VIDEO_CODEC));
    EXPECT_EQ(Button(IDC_ROW_LABEL[3])->CurrentBitmap(), 214);
    EXPECT_EQ(Combo(IDC_RESOLUTION)->count(), 7);
    EXPECT_EQ(Combo(IDC_RESOLUTION)->itemText(6), "Custom...");
}

TEST_F(WizardTest, CustomSizeBoxesShowOnlyForCustom) {
    Hover(IDC_TAB_VIDEO);
    EXPECT_FALSE(Shown(IDC_CUSTOM_WIDTH));
    ChooseText(IDC_RESOLUTION, "Custom...");
    EXPECT_TRUE(Shown(IDC_CUSTOM_WIDTH));
    EXPECT_TRUE(Shown(IDC_CUSTOM_HEIGHT));
    Hover(IDC_TAB_AUDIO);
    Hover(IDC_TAB_VIDEO);
    EXPECT_TRUE(Shown(IDC_CUSTOM_WIDTH)) << "the page keeps showing them while Custom is chosen";
    ChooseText(IDC_RESOLUTION, "640x480");
    EXPECT_FALSE(Shown(IDC_CUSTOM_WIDTH));
}

TEST_F(WizardTest, StoredChoicesComeBack) {
    kv::settings::OutputFormat.Set("mpeg2");
    kv::settings::FrameRate.Set(29);
    kv::settings::VideoCompression.Set("mpeg-4");
    kv::settings::AudioChannels.Set(0);
    kv::settings::SoundDevice.Set(7);  // beyond the list: the first device
    kv::settings::CaptureSound.Set(0);
    kv::settings::SlideShowCaptureMode.Set(3);
    kv::settings::TimeinSec.Set(19);
    kv::settings::MouseCapture.Set(1);
    kv::settings::NotesSubtitles.Set(1);
    kv::settings::FastRender.Set(1);
    Wizard();
    EXPECT_EQ(Combo(IDC_OUTPUT_FORMAT)->currentText(), "MPEG2");
    EXPECT_EQ(Combo(IDC_FRAME_RATE)->currentText(), "29.97 FPS - (NTSC)");
    EXPECT_EQ(Combo(IDC_VIDEO_CODEC)->currentText(), "MPEG-4 part 2");
    EXPECT_EQ(Combo(IDC_AUDIO_CHANNELS)->currentText(), "Mono");
    EXPECT_EQ(Combo(IDC_AUDIO_DEVICE)->currentIndex(), 0);
    EXPECT_FALSE(Wizard().State().recordSound);
    EXPECT_TRUE(Wizard().State().manualAdvance);
    EXPECT_TRUE(Wizard().State().mousePointer);
    EXPECT_EQ(Combo(IDC_SLIDE_TIME)->currentText(), "20 seconds");
    EXPECT_TRUE(Check(IDC_NOTES_SUBTITLES)->isChecked());

    Hover(IDC_TAB_CONVERTER);
    EXPECT_FALSE(Shown(IDC_SLIDE_TIME)) << "manual advance has no slide time";
    EXPECT_TRUE(Shown(IDC_FAST_RENDER));
    EXPECT_TRUE(Check(IDC_FAST_RENDER)->isChecked());
    EXPECT_EQ(Button(IDC_ROW_LABEL[1])->CurrentBitmap(), 256);
    EXPECT_EQ(Button(IDC_ROW_ICON[0])->CurrentBitmap(), 244);
}

TEST_F(WizardTest, StoredCustomSizeFillsTheBoxesWithinTheScreen) {
    kv::settings::Resolution.Set(kCustomResolutionIndex);
    kv::settings::ResolutionWidth.Set(100000);
    kv::settings::ResolutionHeight.Set(300);
    Wizard();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(Edit(IDC_CUSTOM_WIDTH)->text().toInt(), screen.width());
    EXPECT_EQ(Edit(IDC_CUSTOM_HEIGHT)->text(), "300");
    EXPECT_EQ(Combo(IDC_RESOLUTION)->currentIndex(), kScreenResolutionIndex);
    EXPECT_EQ(Edit(IDC_CUSTOM_WIDTH)->maxLength(), static_cast<int>(std::to_string(screen.width()).size()));
}

TEST_F(WizardTest, DevicesAreListedOnceAndTheTableFollowsTheList) {
    sources.devices = {{"default", "Default", ""}, {"hw:0", "USB Mic", ""}, {"hw:1", "usb mic", ""}, {"hw:2", "Line In", ""}};
    Wizard();
    EXPECT_EQ(Entries(Combo(IDC_AUDIO_DEVICE)), (std::vector<std::string>{"Default", "USB Mic", "Line In"}));
    ASSERT_EQ(sources.table.size(), 3u);
    EXPECT_EQ(sources.table[1].device, "hw:0");
    EXPECT_EQ(sources.table[2].device, "hw:2");
}

// The advance mode shows which it is, as two choices that also switch it.
TEST_F(WizardTest, TheAdvanceModeShowsItsStateAndIsChosenByItsButtons) {
    Hover(IDC_TAB_CONVERTER);
    auto* automatic = Wizard().Controls().Radio(IDC_ADVANCE_AUTOMATIC);
    auto* manual = Wizard().Controls().Radio(IDC_ADVANCE_MANUAL);
    ASSERT_TRUE(automatic && manual);
    EXPECT_TRUE(Shown(IDC_ADVANCE_AUTOMATIC));
    EXPECT_TRUE(automatic->isChecked());
    EXPECT_FALSE(manual->isChecked());
    manual->click();
    EXPECT_TRUE(Wizard().State().manualAdvance);
    EXPECT_FALSE(Shown(IDC_SLIDE_TIME));
    EXPECT_EQ(Button(IDC_ROW_LABEL[1])->CurrentBitmap(), 255) << "the row says so too";
    Click(IDC_ROW_ICON[1]);  // the row's own toggle
    EXPECT_FALSE(Wizard().State().manualAdvance);
    EXPECT_TRUE(automatic->isChecked());
    EXPECT_FALSE(manual->isChecked());
    Hover(IDC_TAB_AUDIO);
    EXPECT_FALSE(Shown(IDC_ADVANCE_AUTOMATIC)) << "only on the Converter page";
}

// The quality list has its label; each device's entry has all the system says of it.
TEST_F(WizardTest, EveryListHasItsLabelAndEveryDeviceItsDetail) {
    sources.devices = {{"default", "Default sound input", "ALSA device: default"},
                       {"plughw:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog (any format)",
                        "HDA Intel PCH, ALC892 Analog\nHardware device with all software conversions"}};
    Hover(IDC_TAB_AUDIO);
    EXPECT_EQ(Button(IDC_ROW_LABEL[3])->NormalBitmap(), 319) << "\"Select Audio Quality\"";
    Choose(IDC_AUDIO_DEVICE, 1);
    EXPECT_EQ(Combo(IDC_AUDIO_DEVICE)->toolTip().toStdString(), sources.devices[1].detail);
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_VIDEO_CODEC, "MPEG-4 part 2");
    EXPECT_EQ(Combo(IDC_VIDEO_CODEC)->toolTip(), "MPEG-4 part 2") << "a list's field has its whole entry as tip";
}

TEST_F(WizardTest, TogglesOnTheAudioAndConverterPages) {
    Hover(IDC_TAB_AUDIO);
    EXPECT_EQ(Button(IDC_ROW_ICON[0])->CurrentBitmap(), 225);
    Click(IDC_ROW_ICON[0]);
    EXPECT_FALSE(Wizard().State().recordSound);
    EXPECT_EQ(Button(IDC_ROW_ICON[0])->CurrentBitmap(), 224) << "circle, highlighted";
    ChooseText(IDC_AUDIO_QUALITY, "Good");
    EXPECT_EQ(Button(IDC_ROW_ICON[3])->CurrentBitmap(), 282);

    EXPECT_FALSE(Shown(IDC_FAST_RENDER)) << "only on the Converter page";
    Hover(IDC_TAB_CONVERTER);
    EXPECT_TRUE(Shown(IDC_SLIDE_TIME));
    EXPECT_TRUE(Shown(IDC_FAST_RENDER));
    {
        kv::TraceCapture trace;
        Click(IDC_ROW_LABEL[0]);
        EXPECT_TRUE(trace.Contains("MouseMoveOnCombo   IDC_BTN_TEXT1"));
    }
    EXPECT_TRUE(Wizard().State().mousePointer);
    EXPECT_EQ(Button(IDC_ROW_ICON[0])->CurrentBitmap(), 243);
    Click(IDC_ROW_ICON[1]);
    EXPECT_TRUE(Wizard().State().manualAdvance);
    EXPECT_FALSE(Shown(IDC_SLIDE_TIME));
    EXPECT_EQ(Button(IDC_ROW_ICON[1])->CurrentBitmap(), 253);
    EXPECT_EQ(Button(IDC_ROW_LABEL[2])->CurrentBitmap(), 232);
    Click(IDC_ROW_LABEL[1]);
    EXPECT_FALSE(Wizard().State().manualAdvance);
    EXPECT_TRUE(Shown(IDC_SLIDE_TIME));
    EXPECT_EQ(Button(IDC_ROW_LABEL[2])->CurrentBitmap(), 263);

    // Row clicks on the Video page do nothing.
    Hover(IDC_TAB_VIDEO);
    Click(IDC_ROW_ICON[0]);
    Click(IDC_ROW_ICON[1]);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(shell.presentationQuestions + shell.folderQuestions, 0);
}

// The picker asks again after a file the wizard cannot convert, saying what
// is wrong with it: its name, or (a text renamed .pptx) its contents.
TEST_F(WizardTest, PresentationPickerRefusesWhatIsNoPresentationAndAsksAgain) {
    const auto pdf = folder.path() / "notes.pdf";
    std::ofstream(pdf) << "%PDF-1.4";
    const auto renamed = folder.path() / "notes.pptx";
    std::ofstream(renamed) << "These are my notes, not slides.";
    const auto talk = folder.path() / "Intro.PPT";
    std::ofstream(talk) << "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 an old presentation";
    shell.presentations = {pdf.string(), renamed.string(), talk.string()};
    Hover(IDC_TAB_IO);
    Click(IDC_ROW_ICON[0]);
    EXPECT_EQ(shell.presentationQuestions, 3);
    ASSERT_EQ(boxes.Texts().size(), 2u);
    EXPECT_EQ(boxes.Texts()[0], "FileType Error: Invalid File Type Selected\n\"notes.pdf\" is not a presentation: "
                                "Kalvista converts .ppt, .pptx, .pps, .ppsx and .odp files.");
    EXPECT_EQ(boxes.Texts()[1], "FileType Error: Invalid File Type Selected\n\"notes.pptx\" is not a presentation, "
                                "although its name ends like one: it holds something else (text, a picture, or a "
                                "damaged file).");
    EXPECT_EQ(Edit(IDC_PRESENTATION)->text().toStdString(), talk.string());
    EXPECT_EQ(Edit(IDC_OUTPUT_FOLDER)->text().toStdString(), folder.path().string());
    EXPECT_EQ(Wizard().State().aviPath, (folder.path() / "Intro.avi").string());

    // Cancel changes nothing.
    Click(IDC_ROW_ICON[0]);
    EXPECT_EQ(Wizard().State().presentationPath, talk.string());
}

// The picker opens in the home folder at first, then in the chosen
// presentation's folder.
TEST_F(WizardTest, ThePickerOpensInTheLastFolderElseTheHomeFolder) {
    Hover(IDC_TAB_IO);
    Click(IDC_ROW_ICON[0]);  // cancelled
    ChoosePresentation("Talk.pptx");
    ASSERT_EQ(shell.startFolders.size(), 2u);
    EXPECT_EQ(shell.startFolders[0], kv::HomeFolder().string());
    EXPECT_EQ(shell.startFolders[1], kv::HomeFolder().string());
    Click(IDC_ROW_ICON[0]);
    EXPECT_EQ(shell.startFolders.back(), folder.path().string());
}

TEST_F(WizardTest, FolderPickerRefusesMissingAndReadOnlyFolders) {
    ChoosePresentation("Intro.odp");
    const auto out = folder.path() / "out";
    const auto locked = folder.path() / "locked";
    std::filesystem::create_directories(out);
    std::filesystem::create_directories(locked);
    ::chmod(locked.c_str(), 0555);
    const bool enforced = ::access(locked.c_str(), W_OK) != 0;  // not as root
    shell.folders = {(folder.path() / "gone").string(), locked.string(), out.string()};
    Click(IDC_ROW_LABEL[1]);
    ::chmod(locked.c_str(), 0755);
    if (enforced) {
        EXPECT_EQ(shell.folderQuestions, 3);
        ASSERT_EQ(boxes.Texts().size(), 2u);
        EXPECT_EQ(boxes.Texts()[1], "The output folder cannot be written to:\n" + locked.string() +
                                        "\nPlease select another output folder.");
    }
    EXPECT_EQ(boxes.Texts()[0], "Invalid output folder. Please select the valid output folder path.");
    // As root every folder can be written to, and the locked one is taken.
    EXPECT_EQ(Wizard().State().aviPath, ((enforced ? out : locked) / "Intro.avi").string());

    // A new presentation brings its own folder back.
    ChoosePresentation("Second.pptx");
    EXPECT_EQ(Edit(IDC_OUTPUT_FOLDER)->text().toStdString(), folder.path().string());
}

TEST_F(WizardTest, HelpOpensOurPageAndEnterCloses) {
    Click(IDC_HELP);
    ASSERT_EQ(shell.openedPages.size(), 1u);
    EXPECT_TRUE(shell.openedPages[0].ends_with("/Welcome.htm"));
    EXPECT_TRUE(std::filesystem::exists(shell.openedPages[0]));

    Wizard().show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&Wizard(), &enter);
    EXPECT_EQ(Wizard().result(), QDialog::Accepted);
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_TRUE(container.requests.empty());
}

TEST_F(WizardTest, CloseAndEscapeCloseTheWizard) {
    Wizard().show();
    Click(IDC_CLOSE);
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().result(), QDialog::Accepted);

    m_wizard.reset();
    Wizard().show();
    Button(IDC_CLOSE)->click();  // the keyboard's press
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().result(), QDialog::Accepted);

    m_wizard.reset();
    Wizard().show();
    Hover(IDC_TAB_VIDEO);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&Wizard(), &escape);
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().result(), QDialog::Rejected);
    EXPECT_TRUE(container.requests.empty());
}

TEST_F(WizardTest, PointerOverTheBackgroundReturnsTheFrameButtonsToNormal) {
    Wizard().show();
    Hover(IDC_TAB_IO);
    const int buttons[] = {IDC_CLOSE, IDC_HELP, IDC_MINIMISE, IDC_CONVERT};
    for (int id : buttons) Button(id)->ShowHighlighted();
    Button(IDC_HELP)->setFocus();
    const QPointF at(20, Wizard().height() / 2);
    QMouseEvent move(QEvent::MouseMove, at, Wizard().mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&Wizard(), &move);
    for (int id : buttons) {
        EXPECT_FALSE(Button(id)->IsHighlighted()) << id;
        EXPECT_EQ(Button(id)->CurrentBitmap(), Button(id)->NormalBitmap()) << id;
    }
    EXPECT_EQ(Wizard().focusWidget(), &Wizard());
    // The tabs are not frame buttons: the page's tab stays lit.
    EXPECT_TRUE(Button(IDC_TAB_IO)->IsHighlighted());
}

TEST_F(WizardTest, AMissingFrameSaysErrorLoadingBitmapAndKeepsTheWindowPlain) {
    sources.frameFileName = "Missing frame.bmp";
    Wizard().show();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Error loading bitmap"}));
    EXPECT_TRUE(Wizard().Shape().isEmpty());
    EXPECT_TRUE(Wizard().mask().isEmpty()) << "the window keeps its rectangle";

    // The real frame gives the window its shape, without a message.
    sources.frameFileName = "IDB_DIALOG_FRAME.bmp";
    m_wizard.reset();
    Wizard().show();
    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_FALSE(Wizard().Shape().isEmpty());
}

}  // namespace kvtest
