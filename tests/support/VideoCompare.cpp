#include "support/VideoCompare.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "support/ShellOutput.h"

namespace kvtest {

namespace {

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// The brightness of every pixel of every frame, frame after frame.
std::string GrayFrames(const std::filesystem::path& video, int fps, int width, int height) {
    return ShellOutput("ffmpeg -v error -i " + Quoted(video) + " -an -vf fps=" + std::to_string(fps) +
                       ",scale=" + std::to_string(width) + ":" + std::to_string(height) +
                       ":flags=area,format=gray -f rawvideo - 2>/dev/null");
}

double Psnr(const char* a, const char* b, size_t bytes) {
    double sum = 0;
    for (size_t i = 0; i < bytes; ++i) {
        const double d = double(static_cast<unsigned char>(a[i])) - double(static_cast<unsigned char>(b[i]));
        sum += d * d;
    }
    if (sum == 0) return 99;
    return std::min(99.0, 10 * std::log10(255.0 * 255.0 / (sum / double(bytes))));
}

}  // namespace

std::string PictureComparison::Describe() const {
    std::string text;
    for (int i = 0; i < frames; ++i)
        if (psnr[i] < 30) text += std::to_string(i) + ":" + std::to_string(int(psnr[i])) + (nearChange[i] ? "c " : " ");
    return text;
}

PictureComparison ComparePictures(const std::filesystem::path& reference, const std::filesystem::path& tested,
                                  int fps, int width, int height) {
    const std::string a = GrayFrames(reference, fps, width, height), b = GrayFrames(tested, fps, width, height);
    const size_t bytes = static_cast<size_t>(width) * height;
    PictureComparison result;
    result.frames = static_cast<int>(std::min(a.size(), b.size()) / bytes);
    std::vector<bool> changes(result.frames, false);
    for (int i = 1; i < result.frames; ++i)
        changes[i] = Psnr(a.data() + i * bytes, a.data() + (i - 1) * bytes, bytes) < 45;
    int good = 0;
    for (int i = 0; i < result.frames; ++i) {
        result.psnr.push_back(Psnr(a.data() + i * bytes, b.data() + i * bytes, bytes));
        bool near = false;
        for (int j = std::max(0, i - 2); j <= std::min(result.frames - 1, i + 2); ++j) near = near || changes[j];
        result.nearChange.push_back(near);
        result.minimum = std::min(result.minimum, result.psnr.back());
        if (result.psnr.back() >= 30) ++good;
        else if (!near) ++result.badAwayFromChanges;
    }
    result.over30 = result.frames ? double(good) / result.frames : 0;
    return result;
}

std::vector<double> ToneOnsets(const std::filesystem::path& video) {
    constexpr int kRate = 48000;
    const std::string pcm =
        ShellOutput("ffmpeg -v error -i " + Quoted(video) + " -vn -ac 1 -ar 48000 -f s16le - 2>/dev/null");
    std::vector<double> onsets;
    double quietSince = -1;
    bool sounding = false;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        std::int16_t sample;
        std::memcpy(&sample, pcm.data() + i, 2);
        const double at = double(i / 2) / kRate;
        if (std::abs(int(sample)) > 32768 / 5) {
            if (!sounding && at - quietSince >= 0.3) onsets.push_back(at);
            sounding = true;
            quietSince = at;
        } else if (sounding && at - quietSince > 0.05) {
            sounding = false;
        }
    }
    return onsets;
}

bool MatchOnsets(const std::vector<double>& reference, const std::vector<double>& tested, double* worstSeconds) {
    *worstSeconds = 0;
    for (double onset : reference) {
        double nearest = 1e9;
        for (double other : tested) nearest = std::min(nearest, std::fabs(other - onset));
        *worstSeconds = std::max(*worstSeconds, nearest);
    }
    return reference.size() == tested.size();
}

}  // namespace kvtest
