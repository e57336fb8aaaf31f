// Merging a 10-minute 720p recording at 10 frames per second with 44.1 kHz
// stereo sound, against the ffmpeg command doing the same stream copy in the
// same run.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchTools.h"
#include "SlideFrames.h"
#include "audio/SoundFile.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/LibavHandles.h"
#include "platform/media/VideoEncoders.h"
#include "recording/Recorder.h"

namespace {
namespace fs = std::filesystem;
using namespace kvbench;

constexpr int kFps = 10, kSeconds = 600, kPieceSeconds = 30;

// Encodes 30 seconds of slides, then repeats them (copied, with their
// positions moved on) to make the whole talk.
bool MakeVideo(const std::string& piecePath, const std::string& path) {
    {
        SlideSequence talk(1280, 720, 100);
        kv::media::AviVideoWriter writer;
        std::string why;
        if (!writer.Open(piecePath, kv::DefaultVideoCompressor().name, 1280, 720, kFps, 80, &why)) return false;
        for (int k = 0; k < kPieceSeconds * kFps; ++k) writer.WriteFrame(talk.Frame(k), k, &why);
        if (!writer.Close(&why)) return false;
    }
    int error = 0;
    kv::media::OutputFormatPtr output = kv::media::CreateAviOutput(path, &error);
    kv::media::InputFormatPtr first = kv::media::OpenInput(piecePath, &error);
    if (!output || !first) return false;
    AVStream* out = avformat_new_stream(output.get(), nullptr);
    avcodec_parameters_copy(out->codecpar, first->streams[0]->codecpar);
    out->time_base = first->streams[0]->time_base;
    if (avformat_write_header(output.get(), nullptr) < 0) return false;
    kv::media::PacketPtr packet(av_packet_alloc());
    for (int piece = 0; piece < kSeconds / kPieceSeconds; ++piece) {
        kv::media::InputFormatPtr input = kv::media::OpenInput(piecePath, &error);
        const std::int64_t shift = static_cast<std::int64_t>(piece) * kPieceSeconds * kFps;
        while (input && av_read_frame(input.get(), packet.get()) >= 0) {
            packet->dts = packet->pts = packet->dts + shift;
            packet->stream_index = 0;
            packet->pos = -1;
            av_packet_rescale_ts(packet.get(), input->streams[0]->time_base, out->time_base);
            if (av_write_frame(output.get(), packet.get()) < 0) return false;
            av_packet_unref(packet.get());
        }
    }
    return av_write_trailer(output.get()) >= 0;
}

bool MakeSound(const std::string& path) {
    kv::CSoundFile wav(path, kv::MakePcmFormat(44100, 2, 16));
    kv::CBuffer second(44100 * 4, true);
    for (std::uint32_t i = 0; i < second.ByteLen; ++i) second.ptr[i] = static_cast<std::uint8_t>(i * 7);
    for (int s = 0; s < kSeconds; ++s)
        if (!wav.Write(second)) return false;
    return wav.IsOK();
}

}  // namespace

int main() {
    char folderTemplate[] = "/tmp/kv-bench-merge-XXXXXX";
    if (!mkdtemp(folderTemplate)) return 1;
    const fs::path folder(folderTemplate);
    const std::string video = (folder / "~Record.avi").string(), sound = (folder / "~Record001.wav").string();
    if (!MakeVideo((folder / "piece.avi").string(), video) || !MakeSound(sound)) {
        std::fprintf(stderr, "cannot make the recording\n");
        fs::remove_all(folder);
        return 1;
    }
    const double inputMegabytes = (fs::file_size(video) + fs::file_size(sound)) / 1e6;

    double wall0 = WallSeconds(), cpu0 = SelfCpuSeconds();
    const int result = kv::Merge_Video_And_Sound_File(video, sound, (folder / "talk.avi").string());
    const double ours = WallSeconds() - wall0, oursCpu = SelfCpuSeconds() - cpu0;

    wall0 = WallSeconds();
    cpu0 = ChildrenCpuSeconds();
    const bool ffmpegOk = RunCommand({"ffmpeg", "-hide_banner", "-loglevel", "error", "-i", video, "-i", sound,
                                      "-map", "0:v", "-map", "1:a", "-c", "copy", "-y", (folder / "ffmpeg.avi").string()},
                                     (folder / "ffmpeg.log").string());
    const double ffmpeg = WallSeconds() - wall0, ffmpegCpu = ChildrenCpuSeconds() - cpu0;
    const double outputMegabytes = fs::file_size(folder / "talk.avi") / 1e6;
    fs::remove_all(folder);
    if (result != 0 || !ffmpegOk) {
        std::fprintf(stderr, "merge failed: ours %d, ffmpeg %s\n", result, ffmpegOk ? "ok" : "failed");
        return 1;
    }

    std::printf("recording: %d s of 1280x720@%d video and 44.1 kHz stereo sound, %.0f MB in, %.0f MB out\n",
                kSeconds, kFps, inputMegabytes, outputMegabytes);
    std::printf("ours:   %.2f s (%.2f CPU s), %.0fx real time\n", ours, oursCpu, kSeconds / ours);
    std::printf("ffmpeg: %.2f s (%.2f CPU s), %.0fx real time (-c copy)\n", ffmpeg, ffmpegCpu, kSeconds / ffmpeg);
    std::printf("merge: seconds=%.2f speed=%.0f cpu_seconds=%.2f ffmpeg_seconds=%.2f ffmpeg_speed=%.0f ffmpeg_cpu_seconds=%.2f\n",
                ours, kSeconds / ours, oursCpu, ffmpeg, kSeconds / ffmpeg, ffmpegCpu);
    return 0;
}
