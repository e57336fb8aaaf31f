#pragma once
// The Input & Output page: the presentation and the output folder, and the
// intermediate AVI name derived from them.
#include <string>

#include "app/wizard/WizardControls.h"

class QWidget;

namespace kv {
class WizardShell;
}

namespace kv::wizard {

class CIOSettings {
public:
    CIOSettings(WizardControls& controls, WizardState& state, WizardShell& shell, QWidget* owner);

    PageView View() const;
    // Row 1: choose the presentation; asks again after a refused file.
    void ChoosePresentation();
    // A presentation named on the command line, as if chosen in the picker;
    // false (the user told why) when it is missing or of another kind.
    bool OpenPresentation(const std::string& path);
    // Row 2: choose the output folder; asks again after a refused folder.
    void OnBnClickedBrowsePath();
    // The folder becomes the intermediate AVI path for the chosen presentation.
    bool GetOutPutFileName(std::string& folder) const;

private:
    void SetPaths(const std::string& presentation, const std::string& folder);

    WizardControls& m_controls;
    WizardState& m_state;
    WizardShell& m_shell;
    QWidget* m_owner;
};

}  // namespace kv::wizard
