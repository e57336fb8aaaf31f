// The intermediate video: the compressor chosen in the settings (by its
// description in the installed-compressor table, else our default encoder),
// the recording's frame rate and quality, every frame a key frame.
#include "recording/AviFile.h"

#include "app/core/SettingsCatalogue.h"
#include "platform/core/Trace.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/VideoEncoders.h"
#include "platform/x11/ScreenGrabber.h"
#include "recording/CaptureArea.h"
#include "recording/state/RecorderState.h"

namespace kv {

struct CAviFile::Impl {
    media::AviVideoWriter writer;
};

namespace {

// The encoder for the stored description, found in the installed-compressor
// table that the wizard filled. A run without the wizard (the batch mode)
// probes only the encoder of that description, so the recording does not
// wait for the whole list.
std::string ChooseEncoder() {
    const std::string description = settings::VideoCompression.Get();
    if (!InstalledCompressorsFilled()) {
        const VideoCompressorInfo found = FindVideoCompressor(description);
        if (found.name.empty()) return DefaultVideoCompressor().name;
        TraceF("CAviFile::Initialise , *Found*, counter: %d, Desc: %s", 0, found.description.c_str());
        return found.name;
    }
    const std::vector<VideoCompressorInfo> table = InstalledCompressors();
    const int found = FindCompressorByDescription(table, description);
    if (found < 0) return DefaultVideoCompressor().name;
    TraceF("CAviFile::Initialise , *Found*, counter: %d, Desc: %s", found, table[found].description.c_str());
    return table[found].name;
}

// The reason an encoder would not open, in the words the trace has always
// used; other codes get no line.
void TraceCompressedStreamFailure(media::AviVideoWriter::EncoderRefusal refusal) {
    using Refusal = media::AviVideoWriter::EncoderRefusal;
    const char* reason = nullptr;
    if (refusal == Refusal::NotFound) reason = "A suitable compressor cannot be found.";
    else if (refusal == Refusal::NoMemory) reason = "There is not enough memory to complete the operation.";
    else if (refusal == Refusal::Unsupported) reason = "Compression is not supported for this type of data.";
    if (reason) TraceF("CAVIFile:Initialise : Unable to Create Compressed Stream \n%s", reason);
}

}  // namespace

CAviFile::CAviFile() = default;

CAviFile::~CAviFile() { ReleaseMemory(); }

int CAviFile::Initialise(const std::string& path, int width, int height, int bFullScreen) {
    try {
        if (bFullScreen) {
            // The whole screen in whole fours, the size the grab takes.
            ScreenRect screen{};
            if (GetScreenSize(screen.width, screen.height)) screen = RoundCaptureSize(screen);
            width = screen.width;
            height = screen.height;
        }
        const std::string encoder = ChooseEncoder();
        // Read before closing a previous file, which clears them.
        const int frameRate = g_iFrameRate.load();
        const int quality = g_iQualityFactor.load();
        if (m_impl) {
            ReleaseMemory();
            // Closing the previous file cleared them; this recording still needs them.
            g_iFrameRate = frameRate;
            g_iQualityFactor = quality;
        }
        m_impl = std::make_unique<Impl>();
        std::string why;
        if (width <= 0 || height <= 0 || encoder.empty()) {
            Trace("CAVIFile:Initialise : Unable to Allocate Memory");
        } else if (m_impl->writer.Open(path, encoder, width, height, frameRate, quality, &why)) {
            return S_OK;
        } else {
            const auto refusal = m_impl->writer.Refusal();
            if (refusal != media::AviVideoWriter::EncoderRefusal::None) TraceCompressedStreamFailure(refusal);
            else Trace("CAVIFile:Initialise : Unable to Create the Movie File");
            TraceF("CAVIFile:Initialise : %s (%s)", why.c_str(), encoder.c_str());
        }
    } catch (...) {
        Trace("CAVIFile:Initialise : Unable to Allocate Memory");
    }
    ReleaseMemory();
    Trace("CAVIFile:Initialise : Error Occured While Rendering the Movie");
    return E_FAIL;
}

namespace {

int Outcome(media::AviVideoWriter::Result result, const std::string& why, int code) {
    switch (result) {
    case media::AviVideoWriter::Result::Written:
        return S_OK;
    case media::AviVideoWriter::Result::BadFrame:
        Trace("CAVIFile:AppendNewFrame : GetDIBits Failed\n");
        return E_INVALIDARG;
    case media::AviVideoWriter::Result::Failed:
        TraceF("Error in AviFile::AppendNewFrame.---AVIStreamWrite Failed, Error: %d\n", code);
        TraceF("CAviFile::AppendNewFrame : %s\n", why.c_str());
        return E_FAIL;
    }
    return E_FAIL;
}

}  // namespace

// One write to the open file, its result as a code; the writer runs on the
// recording's writer thread, where nothing may escape.
template <class Write>
int CAviFile::Append(Write write) {
    try {
        if (!m_impl || !m_impl->writer.IsOpen()) return S_OK;
        std::string why;
        const media::AviVideoWriter::Result result = write(m_impl->writer, &why);
        return Outcome(result, why, -m_impl->writer.LastError());
    } catch (...) {
        Trace("Caught exception in AviFile::AppendNewFrame\n");
    }
    return S_OK;
}

int CAviFile::AppendNewFrame(const FrameImage& frame, long position) {
    return Append([&](media::AviVideoWriter& writer, std::string* why) { return writer.WriteFrame(frame, position, why); });
}

int CAviFile::AppendRepeatedFrame(long position) {
    return Append([&](media::AviVideoWriter& writer, std::string* why) { return writer.RepeatFrame(position, why); });
}

bool CAviFile::CanRepeatFrames() const { return m_impl && m_impl->writer.RepeatsAreExact(); }

bool CAviFile::ReleaseMemory(std::string* problem) {
    Trace("CAviFile::ReleaseMemory() Started\n");
    bool closed = true;
    if (m_impl) {
        std::string why;
        closed = m_impl->writer.Close(&why);
        if (!closed) TraceF("CAviFile::ReleaseMemory() : the video file is incomplete: %s\n", why.c_str());
        if (!closed && problem) *problem = why;
        m_impl.reset();
        // Only closing a file ends its recording's settings: a writer that was
        // never opened (a recorder released early) must not clear the next one's.
        g_iFrameRate = 0;
        g_iQualityFactor = 0;
    }
    Trace("CAviFile::ReleaseMemory() Ended\n");
    return closed;
}

}  // namespace kv
