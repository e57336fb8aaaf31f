#pragma once
// A show in a presentation's own window hides the panes beside the slide,
// then waits until the office has done so; with no such pane there to hide,
// the office waits its full minute before the show goes on. The office
// remembers a pane as hidden when a presentation closes while its show hides
// it, so later presentations open without one. These put one back first.
#include "platform/automation/uno/OfficeConnection.h"

namespace kv::uno {

enum class PaneWait {
    Shown,  // until the view has the pane beside its slide (made after opening)
    Asked,  // until the view asks for one again (the show's end puts it back)
};
// Waits, a few seconds at most, for `model`'s view; false when it did not come.
bool WaitForSidePane(OfficeConnection& office, const Reference<css::lang::XComponent>& model, PaneWait wait);
// For a view without a pane beside its slide: asks the office for a change
// of the view that ends the show start's wait. Call it in the office's main
// thread, just before the show's start, so that the change comes while the
// start waits (the office makes its changes only in its next turns).
void ChangeViewForShowStart(const Reference<css::uno::XComponentContext>& context,
                            const Reference<css::lang::XComponent>& model);
// Sets the office to open presentations with their slide pane again (as
// its settings have it, not as a show left them); call it in the office
// before a presentation is opened.
void OpenWithSlidePane(const Reference<css::uno::XComponentContext>& context);

}  // namespace kv::uno
