#pragma once
// The Converter page: how the slides advance, whether the mouse pointer is
// drawn into the video, whether the slides are rendered instead of recorded,
// and whether what the deck links to is fetched.
#include "app/wizard/WizardControls.h"

namespace kv::wizard {

class CCaptureModePage {
public:
    CCaptureModePage(WizardControls& controls, WizardState& state);

    PageView View() const;
    void Load();
    void ToggleMousePointer();  // row 1
    void ToggleAdvanceMode();   // row 2
    // A choice of the advance mode's buttons: manual or automatic.
    void ChooseAdvanceMode(bool manual);

    int CaptureMode() const { return m_state.manualAdvance ? 3 : 2; }
    int SlideTimeIndex() const;
    bool RenderFast() const;
    bool FetchLinkedContent() const;

private:
    // The advance mode's buttons follow the flag.
    void ShowAdvanceMode();

    WizardControls& m_controls;
    WizardState& m_state;
};

}  // namespace kv::wizard
