#pragma once
// Runs a piece of a test in a forked child whose files may not grow beyond a
// limit (RLIMIT_FSIZE, SIGXFSZ ignored), so writes fail with EFBIG as on a
// full disk.
#include <functional>

namespace kvtest {

// The child's exit code (the body's result), or -1 when it did not exit normally.
int RunWithFileSizeLimit(long limitBytes, const std::function<int()>& body);

}  // namespace kvtest
