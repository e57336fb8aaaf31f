#include "platform/media/AviMerge.h"

#include <algorithm>
#include <cstdio>

#include "platform/media/AviChunks.h"
#include "platform/media/LibavHandles.h"

namespace kv::media {
namespace {

MergeOutcome Outcome(MergeStatus status, int error, std::string why) {
    return MergeOutcome{status, error, std::move(why)};
}

bool IsPcm(AVCodecID id) {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id);
    return descriptor && std::string_view(descriptor->name).substr(0, 4) == "pcm_";
}

// Reports each new percentage once, never going back.
class Progress {
public:
    Progress(const std::function<void(int)>& report, std::int64_t total)
        : m_report(report), m_total(std::max<std::int64_t>(total, 1)) {}
    void At(std::int64_t done) {
        const int percent = static_cast<int>(std::clamp<std::int64_t>(done * 100 / m_total, 0, 99));
        Report(percent);
    }
    void Report(int percent) {
        if (percent <= m_last) return;
        m_last = percent;
        if (m_report) m_report(percent);
    }

private:
    const std::function<void(int)>& m_report;
    std::int64_t m_total;
    int m_last = -1;
};

// One input stream read packet by packet.
struct Source {
    AVFormatContext* input = nullptr;
    AVStream* in = nullptr;
    AVStream* out = nullptr;
    PacketPtr next{av_packet_alloc()};
    bool ended = false;

    // Reads the next packet of this stream (others are skipped); false at the end.
    bool Read() {
        while (!ended) {
            av_packet_unref(next.get());
            if (av_read_frame(input, next.get()) < 0) ended = true;
            else if (next->stream_index == in->index) return true;
        }
        return false;
    }
    std::int64_t Time() const { return next->dts != AV_NOPTS_VALUE ? next->dts : next->pts; }
    std::int64_t BytesRead() const { return input->pb ? avio_tell(input->pb) : 0; }
};

class Merger {
public:
    Merger(Source& video, Source& sound, AVFormatContext* output, Progress& progress)
        : m_video(video), m_sound(sound), m_output(output), m_progress(progress) {}

    // Copies every packet of both streams in time order; 0 or the FFmpeg error.
    int Run() {
        m_video.Read();
        m_sound.Read();
        while (!m_video.ended || !m_sound.ended) {
            const bool videoFirst = m_sound.ended ||
                (!m_video.ended && av_compare_ts(m_video.Time(), m_video.in->time_base, m_sound.Time(),
                                                 m_sound.in->time_base) <= 0);
            const int error = videoFirst ? CopyVideo() : Copy(m_sound);
            if (error < 0) return error;
            m_progress.At(m_video.BytesRead() + m_sound.BytesRead());
        }
        // Positions without a picture at the end still count.
        return Fill(m_video.in->duration != AV_NOPTS_VALUE ? m_video.in->duration : 0);
    }

private:
    int Fill(std::int64_t upTo) {
        const int error = WriteEmptyChunks(m_output, m_video.out, m_video.in->time_base, m_positions, upTo);
        m_positions = std::max<std::int64_t>(m_positions, upTo);
        return error;
    }

    int CopyVideo() {
        if (m_video.next->size == 0) return m_video.Read(), 0;  // an empty position: filled below
        const std::int64_t position = m_video.Time();
        if (position != AV_NOPTS_VALUE && position < m_positions) return m_video.Read(), 0;
        if (position != AV_NOPTS_VALUE) {
            if (const int error = Fill(position); error < 0) return error;
            m_positions = position + 1;
        }
        return Copy(m_video);
    }

    int Copy(Source& source) {
        AVPacket* packet = source.next.get();
        packet->stream_index = source.out->index;
        packet->pos = -1;
        av_packet_rescale_ts(packet, source.in->time_base, source.out->time_base);
        const int error = av_interleaved_write_frame(m_output, packet);
        if (error < 0) return error;
        source.Read();
        return 0;
    }

    Source& m_video;
    Source& m_sound;
    AVFormatContext* m_output;
    Progress& m_progress;
    std::int64_t m_positions = 0;  // video positions written so far
};

AVStream* CopyStream(AVFormatContext* output, const AVStream* in, unsigned tag) {
    AVStream* out = avformat_new_stream(output, nullptr);
    if (!out || avcodec_parameters_copy(out->codecpar, in->codecpar) < 0) return nullptr;
    out->codecpar->codec_tag = tag;
    out->time_base = in->time_base;
    out->avg_frame_rate = in->avg_frame_rate;
    out->r_frame_rate = in->r_frame_rate;
    return out;
}

// Writes the merged file; the trailer and the close are checked too, so a
// full disk is never taken for a finished file.
int WriteMerged(Source& video, Source& sound, const std::string& outputPath, Progress& progress) {
    int error = 0;
    OutputFormatPtr output = CreateAviOutput(outputPath, &error);
    if (!output) return error;
    video.out = CopyStream(output.get(), video.in, video.in->codecpar->codec_tag);
    sound.out = CopyStream(output.get(), sound.in, 0);
    if (!video.out || !sound.out) return AVERROR(ENOMEM);
    if ((error = avformat_write_header(output.get(), nullptr)) < 0) return error;
    Merger merger(video, sound, output.get(), progress);
    error = merger.Run();
    const int trailer = av_write_trailer(output.get());
    if (error >= 0) error = trailer;
    avio_flush(output->pb);
    if (error >= 0 && output->pb->error < 0) error = output->pb->error;
    const int closed = avio_closep(&output->pb);
    return error < 0 ? error : closed;
}

}  // namespace

MergeOutcome MergeVideoAndSound(const std::string& videoPath, const std::string& soundPath,
                                const std::string& outputPath,
                                const std::function<void(int percent)>& progressReport) {
    int error = 0;
    InputFormatPtr videoInput = OpenInput(videoPath, &error, "avi");
    if (!videoInput) return Outcome(MergeStatus::VideoNotOpened, error, AvErrorText(error));
    const int videoIndex = av_find_best_stream(videoInput.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex < 0) return Outcome(MergeStatus::NoVideoStream, videoIndex, AvErrorText(videoIndex));
    AVStream* videoStream = videoInput->streams[videoIndex];
    if (videoStream->nb_frames <= 0 && videoStream->duration <= 0)
        return Outcome(MergeStatus::VideoEmpty, 0, "no frame in the video");

    InputFormatPtr soundInput = OpenInput(soundPath, &error, "wav");
    if (!soundInput) return Outcome(MergeStatus::SoundNotOpened, error, AvErrorText(error));
    const int soundIndex = av_find_best_stream(soundInput.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (soundIndex < 0) return Outcome(MergeStatus::NoSoundStream, soundIndex, AvErrorText(soundIndex));
    AVStream* soundStream = soundInput->streams[soundIndex];
    if (!IsPcm(soundStream->codecpar->codec_id) || soundStream->duration <= 0)
        return Outcome(MergeStatus::SoundNotPcm, 0, "no PCM sound in the file");

    Source video{videoInput.get(), videoStream};
    Source sound{soundInput.get(), soundStream};
    const std::int64_t total = avio_size(videoInput->pb) + avio_size(soundInput->pb);
    Progress progress(progressReport, total);
    progress.Report(0);
    error = WriteMerged(video, sound, outputPath, progress);
    if (error < 0) {
        std::remove(outputPath.c_str());  // a half-written file is not a recording
        return Outcome(MergeStatus::WriteFailed, error, AvErrorText(error));
    }
    progress.Report(100);
    return Outcome(MergeStatus::Merged, 0, {});
}

}  // namespace kv::media
