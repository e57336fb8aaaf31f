// The Video page of CAVSettingPage.
#include <cctype>

#include "app/core/SettingsCatalogue.h"
#include "app/wizard/AVSettingPage.h"
#include "app/wizard/OutputNames.h"
#include "app/wizard/WizardLayout.h"

namespace kv::wizard {
namespace {

const RowBitmaps kCodecRow{206, 205, 214, 213};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Selects the first entry after entry 0 (round to the top) that begins with
// `text`; `fallback` when none does.
void SelectString(QComboBox* combo, const std::string& text, int fallback) {
    const int found = FindStringFrom(WizardControls::Entries(combo), 0, text);
    combo->setCurrentIndex(found >= 0 ? found : fallback);
}

int Digits(int number) { return static_cast<int>(std::to_string(number).size()); }

}  // namespace

PageView CAVSettingPage::VideoView() const {
    PageView view;
    view.banner = 299;
    view.rows[0] = {204, 203, 212, 211};
    view.rows[1] = {210, 209, 218, 217};
    view.rows[2] = {208, 207, 216, 215};
    if (m_state.codecRow) view.rows[3] = kCodecRow;
    view.valueControls = {IDC_OUTPUT_FORMAT, IDC_RESOLUTION, IDC_FRAME_RATE, IDC_NOTES_SUBTITLES};
    if (m_state.codecRow) view.valueControls.push_back(IDC_VIDEO_CODEC);
    if (IsCustomChosen()) {
        view.valueControls.push_back(IDC_CUSTOM_WIDTH);
        view.valueControls.push_back(IDC_CUSTOM_HEIGHT);
    }
    return view;
}

void CAVSettingPage::FillFormatList() {
    std::vector<std::string> names;
    for (const auto& format : OutputFormats()) names.push_back(format.name);
    WizardControls::Fill(m_controls.Combo(IDC_OUTPUT_FORMAT), names);
}

void CAVSettingPage::FillCodecList() {
    const int width = static_cast<int>(settings::ResolutionWidth.Get());
    const int height = static_cast<int>(settings::ResolutionHeight.Get());
    std::vector<std::string> descriptions;
    for (const auto& compressor : m_sources.VideoCompressors(width, height)) {
        const std::string handler = Lower(compressor.entry.handler);
        if (handler == "i420" || handler == "xvid" || handler == "iyuv") continue;
        if (descriptions.size() >= kMaxCompressors) break;
        if (!compressor.acceptsFormat) continue;
        if (FindStringFrom(descriptions, -1, compressor.entry.description) >= 0) continue;
        descriptions.push_back(compressor.entry.description);
    }
    WizardControls::Fill(m_controls.Combo(IDC_VIDEO_CODEC), descriptions);
}

void CAVSettingPage::LoadFormatAndCodec() {
    m_controls.Edit(IDC_CUSTOM_WIDTH)->setMaxLength(Digits(m_screen.width));
    m_controls.Edit(IDC_CUSTOM_HEIGHT)->setMaxLength(Digits(m_screen.height));
    auto* formats = m_controls.Combo(IDC_OUTPUT_FORMAT);
    const std::string format = settings::OutputFormat.Get();
    // An unknown stored format falls back to "AVI" rather than leaving no format chosen.
    if (EqualsNoCase(format, "AVI"))
        formats->setCurrentIndex(kFormatAVI);
    else
        SelectString(formats, format, kFormatAVI);
    SelectString(m_controls.Combo(IDC_VIDEO_CODEC), settings::VideoCompression.Get(), 0);
    m_controls.Check(IDC_NOTES_SUBTITLES)->setChecked(settings::NotesSubtitles.Get() != 0);
}

void CAVSettingPage::OnFormatChange() {
    const int index = FormatIndex();
    if (index < 0) return;
    const std::string name = FormatText();
    m_state.codecRow = index == kFormatAVI;
    m_controls.Control(IDC_VIDEO_CODEC)->setVisible(m_state.codecRow);
    m_controls.SetRow(3, m_state.codecRow ? kCodecRow : kEmptyRow);
    WizardControls::Fill(m_controls.Combo(IDC_FRAME_RATE), IsMpegFormat(name) ? MpegFrameRates() : StandardFrameRates());
    WizardControls::Fill(m_controls.Combo(IDC_RESOLUTION), IsMobileFormat(name)
                                                               ? MobileResolutions()
                                                               : StandardResolutions(m_largest, m_screen));
    SelectFrameRate();
    SelectResolution();
    m_controls.Control(IDC_FRAME_RATE)->show();
    m_controls.Control(IDC_RESOLUTION)->show();
}

void CAVSettingPage::SelectFrameRate() {
    SelectString(m_controls.Combo(IDC_FRAME_RATE), std::to_string(settings::FrameRate.Get()), 0);
}

void CAVSettingPage::SelectResolution() {
    const std::uint32_t stored = settings::Resolution.Get();
    auto* resolutions = m_controls.Combo(IDC_RESOLUTION);
    resolutions->setCurrentIndex(IsMobileFormat(FormatText()) ? kMobileResolutionIndex : kScreenResolutionIndex);
    UpdateCustomSize();
    const int custom = resolutions->findText(kCustomResolution);
    if (custom >= 0 && stored == static_cast<std::uint32_t>(custom)) {
        const auto width = std::min<std::uint32_t>(settings::ResolutionWidth.Get(), m_screen.width);
        const auto height = std::min<std::uint32_t>(settings::ResolutionHeight.Get(), m_screen.height);
        m_controls.Edit(IDC_CUSTOM_WIDTH)->setText(QString::number(width));
        m_controls.Edit(IDC_CUSTOM_HEIGHT)->setText(QString::number(height));
    }
}

bool CAVSettingPage::IsCustomChosen() const {
    return WizardControls::SelectedText(m_controls.Combo(IDC_RESOLUTION)) == kCustomResolution;
}

void CAVSettingPage::UpdateCustomSize() {
    const bool custom = IsCustomChosen();
    m_controls.Control(IDC_CUSTOM_WIDTH)->setVisible(custom);
    m_controls.Control(IDC_CUSTOM_HEIGHT)->setVisible(custom);
}

Size CAVSettingPage::CaptureSize() const {
    const Size custom{LeadingNumber(m_controls.Edit(IDC_CUSTOM_WIDTH)->text().toStdString()),
                      LeadingNumber(m_controls.Edit(IDC_CUSTOM_HEIGHT)->text().toStdString())};
    return wizard::CaptureSize(ResolutionIndex(), IsMobileFormat(FormatText()), m_largest, custom);
}

int CAVSettingPage::FormatIndex() const { return m_controls.Combo(IDC_OUTPUT_FORMAT)->currentIndex(); }

std::string CAVSettingPage::FormatText() const {
    return WizardControls::SelectedText(m_controls.Combo(IDC_OUTPUT_FORMAT));
}

int CAVSettingPage::FrameRate() const {
    return FrameRateOfEntry(WizardControls::SelectedText(m_controls.Combo(IDC_FRAME_RATE)));
}

std::string CAVSettingPage::CodecText() const {
    return WizardControls::SelectedText(m_controls.Combo(IDC_VIDEO_CODEC));
}

bool CAVSettingPage::NotesAsSubtitles() const { return m_controls.Check(IDC_NOTES_SUBTITLES)->isChecked(); }

int CAVSettingPage::ResolutionIndex() const { return m_controls.Combo(IDC_RESOLUTION)->currentIndex(); }

bool CAVSettingPage::GetOutPutFileName(const std::string& aviPath, std::string& folder) const {
    return GetOutputFileName(aviPath, folder, ExtensionOfFormat(FormatIndex()));
}

}  // namespace kv::wizard
