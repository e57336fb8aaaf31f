#pragma once
// The program's main window: the settings wizard. Convert hands the chosen
// presentation and capture size to `containerRunner`; the wizard closes when
// the container returns.
#include <string>

#include "app/core/ContainerRunner.h"

namespace kv {

// Runs the wizard modally and returns when it closes. Creates the
// QApplication when none exists yet; installs the on-screen message boxes.
// A non-empty `presentation` starts with that presentation chosen.
int RunWizard(int argc, char** argv, ContainerRunner& containerRunner, const std::string& presentation = {});

// A second start with a presentation, while a copy runs: the presentation
// cannot be opened, and the user is told so on the terminal and, where there
// is a display, in a message box (a file manager's "Open with" has no
// terminal). Returns the exit status, 1.
int TellACopyIsRunning(int argc, char** argv, const std::string& presentation);
std::string CopyIsRunningText(const std::string& presentation);

}  // namespace kv
