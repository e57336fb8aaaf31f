#pragma once
// The children this process owns, kept where a signal handler can reach them.
// The office and the private X server run in process groups of their own, so a
// Ctrl-C, a closed terminal or a `kill` of Kalvista never reaches them: without
// this they would run on, holding their profile, after Kalvista has gone.
#include <sys/types.h>

namespace kv {

// `group`: the child leads a process group of its own, which is ended as a whole.
void RememberChild(pid_t pid, bool group);
// Once the child is reaped or let go (its pid may then be reused).
void ForgetChild(pid_t pid);

// From now on SIGINT, SIGTERM and SIGHUP first end the remembered children,
// then end this process as the signal asks. SIGPIPE is ignored: a closed output
// stream makes the write fail, and the conversion goes on.
void EndChildrenOnSignal();

}  // namespace kv
