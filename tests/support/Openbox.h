#pragma once
// A window manager for tests that need one: openbox on the test's own X
// server ($DISPLAY), started and announced on the root window before the
// constructor returns, ended with the object.
#include <memory>
#include <string>

#include "platform/process/ChildProcess.h"

namespace kvtest {

class OpenboxSession {
public:
    OpenboxSession();
    ~OpenboxSession();
    OpenboxSession(const OpenboxSession&) = delete;
    OpenboxSession& operator=(const OpenboxSession&) = delete;

    // Empty once openbox runs, else why not (not installed, never announced itself).
    const std::string& Problem() const { return m_problem; }

private:
    std::unique_ptr<kv::ChildProcess> m_process;
    std::string m_problem;
};

}  // namespace kvtest
