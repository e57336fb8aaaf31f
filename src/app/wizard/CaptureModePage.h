#pragma once
// The Converter page: how the slides advance and whether the mouse pointer
// is drawn into the video.
#include "app/wizard/WizardControls.h"

namespace kv::wizard {

class CCaptureModePage {
public:
    CCaptureModePage(WizardControls& controls, WizardState& state);

    PageView View() const;
    void Load();
    void ToggleMousePointer();  // row 1
    void ToggleAdvanceMode();   // row 2

    int CaptureMode() const { return m_state.manualAdvance ? 3 : 2; }
    int SlideTimeIndex() const;

private:
    WizardControls& m_controls;
    WizardState& m_state;
};

}  // namespace kv::wizard
