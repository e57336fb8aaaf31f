#pragma once
// Dialog windows of another program on our display: a program that waits
// for an answer (a question, a message) shows one as a top-level window.
#include <sys/types.h>

namespace kv {

// True while a mapped dialog window (transient for another window, or of
// the dialog type) of a process in this process group is on the display.
bool ProcessGroupShowsDialog(pid_t group);

}  // namespace kv
