#pragma once
// The conversion worker and the thread that runs it.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace kv {

// The worker's whole job, run on its own thread: reads the recording, the
// output name and the format settings, converts, deletes the recording when
// the conversion succeeded and DeleteIntermediateFile is set (a failed
// conversion always keeps it), then sends UWM_CONVERSIONEND to g_hWaitDlg
// and waits until it is handled. 1 on success, 0 on failure.
int ConvertAVITOXThread();

// The sample rate handed to the converter, from an AudioProperties text;
// 44100 when its first field is not recognised.
int ConversionSampleRate(const std::string& audioProperties);

// For AVI output: moves the recording to the output name (made unique
// first). False when it could not be moved; the recording then stays.
bool MoveAVIToOutput();

// A worker thread owned by the dialog but never waited for by it: when its
// owner goes first, the thread runs on to its end by itself.
class ConvertThread {
public:
    explicit ConvertThread(std::function<void()> work);
    ~ConvertThread();
    ConvertThread(const ConvertThread&) = delete;
    ConvertThread& operator=(const ConvertThread&) = delete;

    bool Finished() const { return m_finished->load(); }
    // True when the thread has ended within `timeoutMs`.
    bool Wait(int timeoutMs);

private:
    std::shared_ptr<std::atomic<bool>> m_finished = std::make_shared<std::atomic<bool>>(false);
    std::thread m_thread;
};

}  // namespace kv
