#include "app/wizard/WizardControls.h"

#include <QIntValidator>
#include <algorithm>

#include "app/wizard/WizardLayout.h"

namespace kv::wizard {
namespace {

const QColor kFieldColour(100, 100, 255);

constexpr int kButtonIds[] = {1092, 1093, 1094, 1095, 1121, 1058, 1059, 1060, 1061,
                              1096, 1097, 1098, 1099, 1111, 1117, 1088, 1122};
constexpr int kPathIds[] = {1026, 1102};
constexpr int kNumberIds[] = {1109, 1110};
// Combo id and the notification id of its hover reports.
constexpr std::pair<int, int> kComboIds[] = {{1105, 1201}, {1103, 1202}, {1104, 1203}, {1106, 1204},
                                             {1107, 1205}, {1108, 1206}, {1112, 1207}, {1113, 1208}};
// Check box ids and their texts.
constexpr std::pair<int, const char*> kCheckIds[] = {{1123, "Speaker notes as subtitles"},
                                                     {1126, "Render fast, with motion and sound"},
                                                     {1127, "Fetch what the deck links to"}};
// Radio button ids and their texts: the advance mode.
constexpr std::pair<int, const char*> kRadioIds[] = {{1140, "Automatically"},
                                                     {1141, "By the presenter, with Next slide"}};

// Light on the dark page; a chosen box is filled with the fields' colour.
const char kChoiceStyle[] =
    "QCheckBox, QRadioButton { color: white; background: transparent; }"
    "QCheckBox::indicator, QRadioButton::indicator { width: 12px; height: 12px; border: 1px solid white; }"
    "QRadioButton::indicator { border-radius: 7px; }"
    "QCheckBox::indicator:checked, QRadioButton::indicator:checked { background: rgb(100, 100, 255); }";

void Place(QWidget* widget, int id, int height = -1) {
    const PixelRect r = ControlRect(id);
    widget->setGeometry(r.x, r.y, r.width, height < 0 ? r.height : height);
    widget->setObjectName(QString::number(id));
}

}  // namespace

template <typename Choice, std::size_t N>
void WizardControls::AddChoices(QWidget* dialog, const std::pair<int, const char*> (&ids)[N],
                                std::map<int, Choice*>& into) {
    for (auto [id, text] : ids) {
        auto* choice = new Choice(QString::fromUtf8(text), dialog);
        Place(choice, id);
        choice->setStyleSheet(kChoiceStyle);
        into[id] = choice;
        m_valueIds.push_back(id);
    }
}

WizardControls::WizardControls(QWidget* dialog) {
    for (int id : kButtonIds) {
        auto* button = new CCustomeButton(dialog);
        Place(button, id);
        button->SetNotifyId(id);
        m_buttons[id] = button;
    }
    // The paths are chosen with the pickers: fields that look read-only.
    for (int id : kPathIds) {
        auto* edit = new CPathEdit(dialog);
        Place(edit, id);
        m_edits[id] = edit;
        m_valueIds.push_back(id);
    }
    // The custom size is typed: digits only.
    for (int id : kNumberIds) {
        auto* edit = new CColoredEdit(dialog);
        Place(edit, id);
        edit->SetBkColor(kFieldColour);
        edit->SetTextColor(Qt::white);
        edit->setTextMargins(4, 0, 4, 0);
        edit->setValidator(new QIntValidator(0, 99999, edit));
        const QString side = id == kNumberIds[0] ? "Width" : "Height";
        edit->setPlaceholderText(side.toLower());
        edit->setToolTip(side + " of the video in pixels");
        m_edits[id] = edit;
        m_valueIds.push_back(id);
    }
    // Drop-down lists: the choice is an entry, nothing is typed.
    for (auto [id, notifyId] : kComboIds) {
        auto* combo = new CColoredCombo(dialog);
        Place(combo, id, kComboFieldHeight);
        combo->SetBkColor(kFieldColour);
        combo->SetTextColor(Qt::white);
        combo->SetNotifyId(notifyId);
        combo->setMaxVisibleItems(12);
        m_combos[id] = combo;
        m_valueIds.push_back(id);
    }
    AddChoices(dialog, kCheckIds, m_checks);
    AddChoices(dialog, kRadioIds, m_radios);
    m_meter = new CLevelMeter(dialog);
    Place(m_meter, IDC_SOUND_LEVEL);
    m_meter->setToolTip("Sound level of the chosen device");
    m_valueIds.push_back(IDC_SOUND_LEVEL);
    m_silenceText = new QLabel("No sound from this device", dialog);
    Place(m_silenceText, IDC_SOUND_SILENT);
    m_silenceText->setStyleSheet("QLabel { color: rgb(255, 200, 80); background: transparent; }");
    m_valueIds.push_back(IDC_SOUND_SILENT);
}

CCustomeButton* WizardControls::Button(int id) const {
    auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

CColoredCombo* WizardControls::Combo(int id) const {
    auto it = m_combos.find(id);
    return it == m_combos.end() ? nullptr : it->second;
}

CColoredEdit* WizardControls::Edit(int id) const {
    auto it = m_edits.find(id);
    return it == m_edits.end() ? nullptr : it->second;
}

CPathEdit* WizardControls::PathEdit(int id) const { return dynamic_cast<CPathEdit*>(Edit(id)); }

QRadioButton* WizardControls::Radio(int id) const {
    auto it = m_radios.find(id);
    return it == m_radios.end() ? nullptr : it->second;
}

QCheckBox* WizardControls::Check(int id) const {
    auto it = m_checks.find(id);
    return it == m_checks.end() ? nullptr : it->second;
}

QWidget* WizardControls::Control(int id) const {
    if (auto* b = Button(id)) return b;
    if (auto* c = Combo(id)) return c;
    if (auto* e = Edit(id)) return e;
    if (id == IDC_SOUND_LEVEL) return m_meter;
    if (id == IDC_SOUND_SILENT) return m_silenceText;
    if (auto* r = Radio(id)) return r;
    return Check(id);
}

void WizardControls::SetRow(int row, const RowBitmaps& bitmaps) {
    SetIcon(row, bitmaps.iconNormal, bitmaps.iconHighlighted);
    SetLabel(row, bitmaps.labelNormal, bitmaps.labelHighlighted);
}

void WizardControls::SetIcon(int row, int normal, int highlighted) {
    Button(IDC_ROW_ICON[row])->SetBitmaps(normal, highlighted, highlighted);
}

void WizardControls::SetLabel(int row, int normal, int highlighted) {
    Button(IDC_ROW_LABEL[row])->SetBitmaps(normal, highlighted, highlighted);
}

void WizardControls::HighlightRow(int row) {
    Button(IDC_ROW_ICON[row])->ShowHighlighted();
    Button(IDC_ROW_LABEL[row])->ShowHighlighted();
}

void WizardControls::NormalRow(int row) {
    Button(IDC_ROW_ICON[row])->ShowNormal();
    Button(IDC_ROW_LABEL[row])->ShowNormal();
}

void WizardControls::ShowOnly(const std::vector<int>& ids) {
    for (int id : m_valueIds) {
        const bool shown = std::find(ids.begin(), ids.end(), id) != ids.end();
        Control(id)->setVisible(shown);
    }
}

void WizardControls::Fill(QComboBox* combo, const std::vector<std::string>& entries) {
    combo->clear();
    for (const auto& entry : entries) combo->addItem(QString::fromStdString(entry));
    combo->setCurrentIndex(-1);
}

std::vector<std::string> WizardControls::Entries(const QComboBox* combo) {
    std::vector<std::string> entries;
    for (int i = 0; i < combo->count(); ++i) entries.push_back(combo->itemText(i).toStdString());
    return entries;
}

std::string WizardControls::SelectedText(const QComboBox* combo) {
    // The chosen entry, not what may have been typed into the field.
    const int index = combo->currentIndex();
    return index < 0 ? std::string() : combo->itemText(index).toStdString();
}

}  // namespace kv::wizard
