#include "app/batch/BatchSettings.h"

#include <filesystem>
#include <fstream>

#include "app/core/SettingsCatalogue.h"
#include "conversion/OutputFileName.h"

namespace kv {
namespace fs = std::filesystem;

namespace {

// The position of a size in the wizard's standard resolution list; 6 is "Custom...".
std::uint32_t ResolutionIndex(int width, int height) {
    static const int kSizes[][2] = {{320, 240}, {352, 288}, {640, 480}, {720, 576}, {720, 480}};
    for (std::uint32_t i = 0; i < std::size(kSizes); ++i)
        if (kSizes[i][0] == width && kSizes[i][1] == height) return i;
    return 6;
}

constexpr const char* kBestStereo = "44.1 kHz, stereo, 16-bit";
constexpr std::uint32_t kBestBitRate = 320;
constexpr const char* kDefaultCodec = "Microsoft MPEG-4 Video Codec V1";

}  // namespace

BatchFileNames MakeBatchFileNames(const BatchOptions& options, const std::string& defaultFolder) {
    const fs::path output = options.output.empty()
                                ? fs::path(defaultFolder) / fs::path(options.presentation).stem()
                                : fs::path(options.output);
    const fs::path folder = output.parent_path();
    const std::string stem = output.stem().string();
    return {(folder / (stem + ".avi")).string(), (folder / (stem + FormatExtension(options.format))).string()};
}

std::vector<Deck> NameDeckVideos(const BatchOptions& options, const std::string& defaultFolder) {
    const fs::path folder = options.output.empty() ? fs::path(defaultFolder) : fs::path(options.output);
    std::vector<Deck> decks;
    for (const std::string& presentation : options.presentations) {
        const fs::path wanted = folder / (fs::path(presentation).stem().string() + FormatExtension(options.format));
        Deck deck{presentation, FreeOutputFileName(wanted.string())};
        std::ofstream(deck.output, std::ios::app);
        decks.push_back(std::move(deck));
    }
    return decks;
}

void StoreBatchSettings(const BatchOptions& options, const BatchFileNames& names, int soundDevice) {
    using namespace settings;
    PowerPointFileName.Set(options.presentation);
    AVIVideoFileName.Set(names.aviVideoFileName);

    // Sound as the wizard's first run offers it: stereo, quality "Best".
    CaptureSound.Set(options.sound ? 1 : 0);
    SoundDevice.Set(static_cast<std::uint32_t>(soundDevice));
    AudioProperties.Set(kBestStereo);
    BitRate.Set(kBestBitRate);
    AudioChannels.Set(1);

    OutputFormat.Set(options.format);
    OutputFileName.Set(names.outputFileName);
    FrameRate.Set(static_cast<std::uint32_t>(options.fps));
    VideoCompression.Set(kDefaultCodec);
    Resolution.Set(ResolutionIndex(options.width, options.height));
    ResolutionWidth.Set(static_cast<std::uint32_t>(options.width));
    ResolutionHeight.Set(static_cast<std::uint32_t>(options.height));

    SlideShowCaptureMode.Set(static_cast<std::uint32_t>(options.captureMode));
    TimeinSec.Set(static_cast<std::uint32_t>(options.seconds - 1));
    MouseCapture.Set(options.cursor ? 1 : 0);
    FastRender.Set(options.fast ? 1 : 0);
    NotesSubtitles.Set(options.subtitles ? 1 : 0);
}

ContainerRequest ReadContainerRequest() {
    using namespace settings;
    ContainerRequest request;
    request.presentationPath = PowerPointFileName.Get();
    request.captureMode = static_cast<int>(SlideShowCaptureMode.Get());
    request.secondsPerSlide = static_cast<int>(TimeinSec.Get()) + 1;
    request.height = static_cast<int>(ResolutionHeight.Get());
    request.width = static_cast<int>(ResolutionWidth.Get());
    request.startRecordingAtOnce = true;
    return request;
}

}  // namespace kv
