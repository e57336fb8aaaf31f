#pragma once
// The wizard's controls by id, created at their places, and what the pages
// share: the wizard's flags and chosen paths, and how a page looks.
#include <map>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include "controls/ColoredCombo.h"
#include "controls/ColoredEdit.h"
#include "controls/CustomeButton.h"
#include "controls/LevelMeter.h"
#include "controls/PathEdit.h"

namespace kv::wizard {

// Bitmap ids of one row: icon and label, normal and highlighted.
struct RowBitmaps {
    int iconNormal, iconHighlighted, labelNormal, labelHighlighted;
};
inline constexpr RowBitmaps kEmptyRow{219, 219, 232, 232};

struct PageView {
    int banner = 0;
    RowBitmaps rows[4] = {kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow};
    std::vector<int> valueControls;  // shown; every other value control is hidden
};

struct WizardState {
    int currentPage = 0;  // 0 before the first page, else a tab id
    bool codecRow = false;
    bool recordSound = true;
    bool mousePointer = false;
    bool manualAdvance = false;
    std::string presentationPath;
    std::string aviPath;  // the intermediate AVI
};

class WizardControls {
public:
    explicit WizardControls(QWidget* dialog);

    CCustomeButton* Button(int id) const;
    CColoredCombo* Combo(int id) const;
    CColoredEdit* Edit(int id) const;
    // The presentation and output folder fields.
    CPathEdit* PathEdit(int id) const;
    QCheckBox* Check(int id) const;
    QRadioButton* Radio(int id) const;
    CLevelMeter* Meter() const { return m_meter; }
    QLabel* SilenceText() const { return m_silenceText; }
    QWidget* Control(int id) const;
    const std::vector<int>& ValueControls() const { return m_valueIds; }

    void SetRow(int row, const RowBitmaps& bitmaps);  // row 0 to 3
    void SetIcon(int row, int normal, int highlighted);
    void SetLabel(int row, int normal, int highlighted);
    void HighlightRow(int row);
    void NormalRow(int row);
    // Shows the value controls of `ids` and hides the others.
    void ShowOnly(const std::vector<int>& ids);

    static void Fill(QComboBox* combo, const std::vector<std::string>& entries);
    static std::vector<std::string> Entries(const QComboBox* combo);
    static std::string SelectedText(const QComboBox* combo);  // empty when none chosen

private:
    // Check boxes or radio buttons with their texts, lit on the dark page.
    template <typename Choice, std::size_t N>
    void AddChoices(QWidget* dialog, const std::pair<int, const char*> (&ids)[N], std::map<int, Choice*>& into);

    std::map<int, CCustomeButton*> m_buttons;
    std::map<int, CColoredCombo*> m_combos;
    std::map<int, CColoredEdit*> m_edits;
    std::map<int, QCheckBox*> m_checks;
    std::map<int, QRadioButton*> m_radios;
    CLevelMeter* m_meter = nullptr;
    QLabel* m_silenceText = nullptr;
    std::vector<int> m_valueIds;
};

}  // namespace kv::wizard
