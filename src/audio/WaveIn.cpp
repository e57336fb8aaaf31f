#include "audio/WaveIn.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "audio/BlockReader.h"
#include "audio/SoundLevel.h"
#include "audio/SoundSync.h"
#include "platform/core/Trace.h"
#include "platform/sound/SoundInput.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingTimeline.h"

namespace kv {

PcmFormat g_RecordFormat;
std::atomic<int> g_nSamplesPerBuffer{1000};
std::atomic<int> g_nQueuedBuffers{0};
std::atomic<bool> g_bStoppingAudio{false};

namespace {

using Clock = std::chrono::steady_clock;

// How often the capture thread looks at the recording flags while it waits
// for sound: the end of the sound follows the end of the recording this closely.
constexpr int kPollMs = 10;

// How long a stop waits for the capture thread. A sound library can hang
// for good inside a read when its server goes away (the PulseAudio plugin
// deadlocks with a part-read fragment); the recording must still end.
constexpr auto kCaptureStopLimit = std::chrono::seconds(3);

// Everything the engine owns for one capture. The recording thread touches
// the device and the buffers only while the capture thread is not running.
struct Engine {
    std::unique_ptr<SoundInput> device = MakeSoundInput();
    std::vector<std::unique_ptr<CBuffer>> buffers;
    std::thread thread;
    std::atomic<bool> quit{false};
    std::atomic<bool> finished{false};      // the capture thread has returned
    std::atomic<unsigned> generation{0};    // a capture left behind sees it change
    std::atomic<Clock::rep> lastSound{0};   // when the device last gave sound
    bool started = false;
    Clock::time_point startTime;

    std::mutex fileMutex;  // g_pSoundFile: written by the capture thread, cleared by the recording thread
    std::unique_ptr<CSoundFile> soundFile;
    SilenceWatch silence;  // the first seconds written, under fileMutex
    PeakHold level;        // what the device delivers, for the recording window's meter

    std::mutex reportMutex;
    std::string problem;
    AudioCaptureStats stats;

    // A program that ends with a capture still running ends the capture thread first.
    ~Engine() {
        quit = true;
        if (thread.joinable()) thread.join();
    }
};

Engine& E() {
    static Engine engine;
    return engine;
}

// Thrown inside a capture thread that was left behind, to leave without
// touching what the engine now uses for the next recording.
struct CaptureLeftBehind {};
constexpr unsigned kNoCapture = ~0u;
thread_local unsigned t_generation = kNoCapture;  // set in capture threads only

bool LeftBehind() { return t_generation != kNoCapture && E().generation != t_generation; }

void LeaveIfLeftBehind() {
    if (LeftBehind()) throw CaptureLeftBehind{};
}

void SetProblem(const std::string& text) {
    auto& e = E();
    std::lock_guard lock(e.reportMutex);
    if (e.problem.empty()) e.problem = text;  // the first cause is the one worth telling
    TraceF("Sound capture : %s", text.c_str());
}

template <typename Change>
void UpdateStats(Change change) {
    auto& e = E();
    std::lock_guard lock(e.reportMutex);
    change(e.stats);
}

std::string FormatText(const PcmFormat& f) {
    char text[96];
    std::snprintf(text, sizeof text, "%u Hz, %u channel(s), %u-bit", f.nSamplesPerSec, f.nChannels, f.wBitsPerSample);
    return text;
}

void AddInputBufferToQueue() {
    const auto bytes = static_cast<std::uint32_t>(g_RecordFormat.nBlockAlign) * static_cast<std::uint32_t>(g_nSamplesPerBuffer);
    auto buffer = std::make_unique<CBuffer>(bytes, true);
    if (!buffer->ptr) return;
    E().buffers.push_back(std::move(buffer));
    ++g_nQueuedBuffers;
}

// Hands frames to the file through the synchroniser, which keeps what the
// recording clock calls for (nothing of a pause, silence for a late start).
void WriteSynced(CSoundSync& sync, const CBuffer& block, std::uint32_t bytes, Clock::time_point delivered, long delay) {
    static thread_local std::vector<std::uint8_t> out;
    out.clear();
    sync.Deliver(block.ptr, bytes / g_RecordFormat.nBlockAlign, delivered, delay, g_RecordingTimeline.Take(), out);
    if (!out.empty()) DataFromSoundIn(CBuffer(out.data(), static_cast<std::uint32_t>(out.size())));
}

// A filled block is back from the device: it goes to the file (the
// synchroniser cuts out what a pause covers), then circulates again; once no
// recording is in progress the block is released.
void OnWIM_DATA(CSoundSync& sync, CBuffer& block, std::uint32_t bytes, Clock::time_point delivered, long delay,
                std::size_t& circulating) {
    if (g_bStoppingAudio) return;
    if (!g_bRecording) {
        --circulating;
        --g_nQueuedBuffers;
        return;
    }
    if (g_bPaused) UpdateStats([](AudioCaptureStats& s) { ++s.blocksPaused; });
    WriteSynced(sync, block, bytes, delivered, delay);
    const auto written = Clock::now();
    UpdateStats([&](AudioCaptureStats& s) {
        const auto handler = std::chrono::duration_cast<std::chrono::microseconds>(written - delivered).count();
        ++s.blocksWritten;
        s.maxHandlerLatencyUs = std::max<std::int64_t>(s.maxHandlerLatencyUs, handler);
        s.totalHandlerLatencyUs += handler;
    });
}

void RecordDelivery(std::uint64_t framesSoFar) {
    auto& e = E();
    const auto due = e.startTime + std::chrono::microseconds(framesSoFar * 1000000u / g_RecordFormat.nSamplesPerSec);
    const auto late = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - due).count();
    UpdateStats([&](AudioCaptureStats& s) {
        s.framesCaptured = framesSoFar;
        s.maxDeliveryLatencyUs = std::max<std::int64_t>(s.maxDeliveryLatencyUs, late);
        s.totalDeliveryLatencyUs += late;
    });
}

// The recording has just ended: keep reading until the device has handed
// over the sound up to the stop (what is still on its way is a few
// milliseconds of transport), then end the file exactly at the stop, so the
// sound ends where the picture ends.
void WriteTail(CBlockReader& reader, CSoundSync& sync, CBuffer& block, std::uint32_t& filled, Clock::time_point delivered,
               long delay) {
    const unsigned align = g_RecordFormat.nBlockAlign;
    const auto stop = g_RecordingTimeline.StopTime().value_or(delivered);
    const auto deadline = Clock::now() + std::chrono::milliseconds(300);
    for (;;) {
        if (filled > 0) WriteSynced(sync, block, filled, delivered, delay);
        filled = 0;
        if (sync.Covers(stop) || Clock::now() >= deadline || g_bStoppingAudio || reader.DeviceLost()) break;
        filled = static_cast<std::uint32_t>(std::max(reader.Read(block.ptr, block.ByteLen / align, kPollMs), 0L)) * align;
        LeaveIfLeftBehind();
        delivered = Clock::now();
        delay = reader.Delay();
    }
    std::vector<std::uint8_t> out;
    auto timeline = g_RecordingTimeline.Take();
    sync.Finish(timeline, stop, out);
    if (!out.empty()) DataFromSoundIn(CBuffer(out.data(), static_cast<std::uint32_t>(out.size())));
    TraceF("CSoundSync : %llu frames for the recording, the device ran %+.0f ppm against the recording clock",
           static_cast<unsigned long long>(sync.FileFrames()), sync.DriftPpm());
    UpdateStats([](AudioCaptureStats& s) { ++s.blocksWritten; });
}

// The capture thread: fills the circulating blocks in turn and hands each
// full one to OnWIM_DATA. When the recording ends in the middle of a block,
// the part captured before the end is kept, so the sound is as long as the
// picture.
// The thread keeps its own hold on the device and the blocks: a stop that
// leaves it behind parks them, never frees them under it.
void CaptureBlocks(SoundInput& device, const std::vector<CBuffer*>& blocks) {
    auto& e = E();
    const unsigned align = g_RecordFormat.nBlockAlign;
    CBlockReader reader(device, g_RecordFormat.nSamplesPerSec, align,
                        g_RecordFormat.wBitsPerSample == 8 ? 0x80 : 0, e.startTime);
    reader.SetBufferFrames(3L * g_nSamplesPerBuffer);
    CSoundSync sync(g_RecordFormat.nSamplesPerSec, g_RecordFormat.nChannels, g_RecordFormat.wBitsPerSample);
    std::size_t circulating = blocks.size();
    std::size_t current = 0;
    std::uint32_t filled = 0;
    bool wasRecording = g_bRecording;
    bool lostReported = false;
    while (!e.quit) {
        if (circulating == 0 || g_bStoppingAudio) {
            if (g_bStoppingAudio && device.IsOpen()) device.Drop();  // a failed write stops the device
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        CBuffer& block = *blocks[current];
        const long n = reader.Read(block.ptr + filled, (block.ByteLen - filled) / align, kPollMs);
        LeaveIfLeftBehind();
        if (reader.DeviceLost() && !lostReported) {
            SetProblem("sound incomplete: " + reader.LostReason() + "; the rest of the recording is silent");
            lostReported = true;
        }
        const auto delivered = Clock::now();
        if (n > 0) e.lastSound = delivered.time_since_epoch().count();
        const long delay = reader.Delay();
        if (n > 0) e.level.Note(PeakLevel(block.ptr + filled, static_cast<std::size_t>(n) * align, g_RecordFormat.wBitsPerSample));
        filled += static_cast<std::uint32_t>(std::max(n, 0L)) * align;
        const bool recording = g_bRecording;
        if (wasRecording && !recording && !g_bStoppingAudio) {
            WriteTail(reader, sync, block, filled, delivered, delay);
        } else if (filled == block.ByteLen) {
            RecordDelivery(reader.Frames());
            OnWIM_DATA(sync, block, filled, delivered, delay, circulating);
            filled = 0;
            current = (current + 1) % blocks.size();
        }
        wasRecording = recording;
    }
}

void CaptureLoop(unsigned generation, SoundInput* device, std::vector<CBuffer*> blocks) {
    pthread_setname_np(pthread_self(), "kv-sound");
    t_generation = generation;
    try {
        CaptureBlocks(*device, blocks);
    } catch (const CaptureLeftBehind&) {
        return;  // the engine belongs to another recording now
    }
    E().finished = true;
}

void ReleaseDevice() {
    auto& e = E();
    e.device->Close();
    e.buffers.clear();
}

}  // namespace

void WaveInErrorMsg(int error, const char* context) {
    TraceF("WaveInErrorMsg : %s %s", AlsaCapture::ErrorText(error).c_str(), context);
}

int InitAudioRecording(const std::filesystem::path& soundPath) {
    Trace("InitAudioRecording Started\n");
    auto& e = E();
    if (e.started) StopAudioRecording();  // a capture left running is ended first
    g_nQueuedBuffers = 0;
    g_nSamplesPerBuffer = 1000;
    g_bStoppingAudio = false;
    {
        std::lock_guard lock(e.reportMutex);
        e.problem.clear();
        e.stats = {};
    }
    g_RecordFormat = BuildRecordingFormat();
    std::lock_guard lock(e.fileMutex);
    e.silence = {};
    e.soundFile = std::make_unique<CSoundFile>(soundPath, g_RecordFormat);
    if (!e.soundFile->IsOK()) {
        Trace("InitAudioRecording : Error Creating Sound File");
        SetProblem("recorded without sound: cannot create the sound file " + soundPath.string() + " (" +
                   e.soundFile->ErrorText() + ")");
    }
    Trace("InitAudioRecording Ended\n");
    return 1;
}

namespace {

// A format handed to StartAudioRecording that differs from the one the file
// was made with gets a fresh file, so the header describes the sound.
void MatchFileFormat() {
    auto& e = E();
    std::lock_guard lock(e.fileMutex);
    if (e.soundFile && e.soundFile->IsOK() && e.soundFile->DataBytes() == 0 && !(e.soundFile->m_Format == g_RecordFormat)) {
        const auto path = e.soundFile->FileName();
        e.soundFile.reset();
        e.soundFile = std::make_unique<CSoundFile>(path, g_RecordFormat);
    }
    e.silence.Reset(g_RecordFormat.nSamplesPerSec, g_RecordFormat.nChannels, g_RecordFormat.wBitsPerSample,
                    kSilenceJudgedSeconds);
}

int OpenAndStart(std::string& reason) {
    auto& e = E();
    if (!AudioDeviceTable.IsFilled()) AudioDeviceTable.Fill();
    const int index = static_cast<int>(settings::SoundDevice.Get());
    const auto name = AudioDeviceTable.DeviceAt(index);
    if (!name) {
        reason = "no sound device at position " + std::to_string(index) + " of the device list";
        return -ENODEV;
    }
    const AlsaCaptureFormat format{g_RecordFormat.nSamplesPerSec, g_RecordFormat.nChannels, g_RecordFormat.wBitsPerSample,
                                   static_cast<unsigned long>(g_nSamplesPerBuffer.load()), 3};
    const bool consistent = g_RecordFormat.wFormatTag == WAVE_FORMAT_PCM &&
                            g_RecordFormat.nBlockAlign == g_RecordFormat.wBitsPerSample / 8 * g_RecordFormat.nChannels &&
                            g_RecordFormat.nBlockAlign > 0;
    e.device = MakeSoundInput();
    int err = consistent ? e.device->Open(*name, format) : -EINVAL;
    if (err == 0) {
        for (int i = 0; i < 3; ++i) AddInputBufferToQueue();
        err = e.buffers.size() == 3 ? e.device->Start() : -ENOMEM;
        e.startTime = Clock::now();  // sound frame 0; the picture's clock starts right after
    }
    if (err < 0)
        reason = "cannot record from the sound device \"" + *name + "\" in " + FormatText(g_RecordFormat) + " (" +
                 AlsaCapture::ErrorText(err) + ")";
    return err;
}

bool WaitForCaptureThread() {
    const auto deadline = Clock::now() + kCaptureStopLimit;
    while (!E().finished) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Silence from where the file ends to the recording's length, so the sound
// keeps the picture's length when its thread could not finish it.
void FillFileToRecordingLength() {
    auto& e = E();
    const auto timeline = g_RecordingTimeline.Take();
    const auto stop = timeline.stop.value_or(Clock::now());
    const auto seconds = std::chrono::duration<double>(timeline.ActiveBefore(stop)).count();
    const auto due = static_cast<std::uint64_t>(seconds * g_RecordFormat.nSamplesPerSec) * g_RecordFormat.nBlockAlign;
    std::vector<std::uint8_t> silence(64 * 1024 - 64 * 1024 % g_RecordFormat.nBlockAlign,
                                      g_RecordFormat.wBitsPerSample == 8 ? 0x80 : 0);
    std::lock_guard lock(e.fileMutex);
    while (e.soundFile && e.soundFile->IsOK() && e.soundFile->DataBytes() < due) {
        const auto bytes = std::min<std::uint64_t>(silence.size(), due - e.soundFile->DataBytes());
        if (!e.soundFile->Write(CBuffer(silence.data(), static_cast<std::uint32_t>(bytes)))) break;
    }
}

// The capture thread is stuck inside the sound library. It keeps the device
// and the blocks it holds (parked for good: freeing them under it would be
// worse than the few kilobytes they cost), the recording goes on without it.
void LeaveCaptureBehind() {
    auto& e = E();
    static auto* parked = new std::vector<std::unique_ptr<SoundInput>>;
    static auto* parkedBlocks = new std::vector<std::unique_ptr<CBuffer>>;
    {
        std::lock_guard lock(e.fileMutex);
        ++e.generation;
    }
    e.thread.detach();
    parked->push_back(std::exchange(e.device, MakeSoundInput()));
    for (auto& block : e.buffers) parkedBlocks->push_back(std::move(block));
    e.buffers.clear();
    const Clock::time_point lastSound{Clock::duration(e.lastSound.load())};
    char text[160];
    std::snprintf(text, sizeof text,
                  "sound incomplete: the sound device failed %.1f s into the recording (it stopped answering); "
                  "the rest of the recording is silent",
                  std::chrono::duration<double>(lastSound - e.startTime).count());
    SetProblem(text);
    Trace("StopAudioRecording : the capture thread does not answer; it is left behind\n");
    FillFileToRecordingLength();
}

}  // namespace

int StartAudioRecording(const PcmFormat* format) {
    Trace("StartAudioRecording Started\n");
    auto& e = E();
    if (e.started) {
        Trace("StartAudioRecording : already recording");
        return 1;
    }
    if (format) g_RecordFormat = *format;
    MatchFileFormat();
    // A capture that no recording has timed is timed from its own start.
    if (!g_RecordingTimeline.Started() || g_RecordingTimeline.StopTime()) g_RecordingTimeline.Start(Clock::now());
    std::string reason;
    const int err = OpenAndStart(reason);
    if (err < 0) {
        WaveInErrorMsg(err, "Error in StartAudioRecording()");
        Trace("Error in StartAudioRecording()");
        ReleaseDevice();
        g_nQueuedBuffers = 0;
        SetProblem("recorded without sound: " + reason);
        return 0;
    }
    e.started = true;
    e.quit = false;
    e.finished = false;
    e.lastSound = e.startTime.time_since_epoch().count();
    std::vector<CBuffer*> blocks;
    for (auto& buffer : e.buffers) blocks.push_back(buffer.get());
    e.thread = std::thread(CaptureLoop, e.generation.load(), e.device.get(), std::move(blocks));
    Trace("StartAudioRecording Ended\n");
    return 1;
}

void StopAudioRecording() {
    Trace("StopAudioRecording Started\n");
    auto& e = E();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    g_bStoppingAudio = true;
    e.quit = true;
    if (e.thread.joinable() && !WaitForCaptureThread()) LeaveCaptureBehind();
    if (e.thread.joinable()) e.thread.join();
    if (!e.started) {
        WaveInErrorMsg(-EBADFD, "in Stop()");
        return;
    }
    e.started = false;
    // Every step runs whatever the one before it did, so the device is always released.
    const int dropped = e.device->IsOpen() ? e.device->Drop() : 0;
    if (dropped < 0) WaveInErrorMsg(dropped, "in Stop()");
    else Trace("StopAudioRecording After waveInReset\n");
    Trace("StopAudioRecording After waveInStop\n");
    const int closed = e.device->Close();
    if (closed < 0) WaveInErrorMsg(closed, "Error in StopAudioRecording() (WaveinClose)");
    else Trace("StopAudioRecording After waveInClose\n");
    ReleaseDevice();
    if (g_nQueuedBuffers != 0) Trace("StopAudioRecording : Audio buffers still in queue!");
    Trace("StopAudioRecording Ended\n");
}

void ClearAudioFile() {
    Trace("ClearAudioFile Started\n");
    auto& e = E();
    std::lock_guard lock(e.fileMutex);
    e.soundFile.reset();
}

void DataFromSoundIn(const CBuffer& buffer) {
    auto& e = E();
    std::unique_lock lock(e.fileMutex);
    if (!e.soundFile || LeftBehind()) return;
    Trace("DataFromSoundIn :\t");
    e.silence.Feed(buffer.ptr, buffer.ByteLen);
    if (e.soundFile->Write(buffer)) return;
    const std::string why = e.soundFile->ErrorText();
    // Later blocks are dropped; the capture thread sees the flag and stops
    // using the device, and StopAudioRecording releases it.
    g_bStoppingAudio = true;
    Trace("ClearAudioFile Started\n");
    const auto path = e.soundFile->FileName().string();
    e.soundFile.reset();
    lock.unlock();
    Trace("DataFromSoundIn : Error Writing Sound File");
    SetProblem("sound incomplete: cannot write the sound file " + path + " (" + why + ")");
}

float TakeRecordingSoundLevel() { return E().level.Take(); }

bool AudioInputWasSilent() {
    auto& e = E();
    std::lock_guard lock(e.fileMutex);
    return e.silence.Silent();
}

std::string GetAudioCaptureProblem() {
    auto& e = E();
    std::lock_guard lock(e.reportMutex);
    return e.problem;
}

AudioCaptureStats GetAudioCaptureStats() {
    auto& e = E();
    std::lock_guard lock(e.reportMutex);
    return e.stats;
}

}  // namespace kv
