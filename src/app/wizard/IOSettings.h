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
    // false (the user told why) when it cannot be converted.
    bool OpenPresentation(const std::string& path);
    // The presentation and output folder of the last Convert, offered again
    // while the presentation can still be converted (with its own folder when
    // the output folder cannot take the video any more); the picker starts in
    // the presentation's folder anyway.
    void OfferLastChoice(const std::string& presentation, const std::string& outputFolder);
    // Row 2: choose the output folder; asks again after a refused folder.
    void OnBnClickedBrowsePath();
    // The folder becomes the intermediate AVI path for the chosen presentation.
    bool GetOutPutFileName(std::string& folder) const;
    // Where the presentation picker opens: the chosen presentation's folder,
    // else the last one's, else the home folder.
    std::string PickerFolder() const;

private:
    void SetPaths(const std::string& presentation, const std::string& folder);

    WizardControls& m_controls;
    WizardState& m_state;
    WizardShell& m_shell;
    QWidget* m_owner;
    std::string m_lastFolder;  // of the last Convert's presentation, while it exists
};

}  // namespace kv::wizard
