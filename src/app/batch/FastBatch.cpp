#include "app/batch/FastBatch.h"

#include <cstdio>

#include "app/batch/BatchSettings.h"
#include "app/batch/OutputCheck.h"
#include "app/core/SettingsCatalogue.h"
#include "conversion/OutputFileName.h"
#include "platform/automation/uno/UnoSlideDrawing.h"
#include "platform/core/Paths.h"
#include "rendering/FastRender.h"

namespace kv {

namespace {

FastRenderRequest MakeRequest(const BatchOptions& options, const std::string& output) {
    FastRenderRequest request;
    request.presentation = options.presentation;
    request.output = output;
    request.format = options.format;
    request.width = options.width;
    request.height = options.height;
    request.fps = options.fps;
    request.captureMode = options.captureMode;
    request.seconds = options.seconds;
    request.qualityFactor = static_cast<int>(settings::QualityFactor.Get());
    request.audioBitRate = static_cast<int>(settings::BitRate.Get());
    return request;
}

}  // namespace

int ConvertFast(const BatchOptions& options) {
    const BatchFileNames names = MakeBatchFileNames(options, VideosFolder().string());
    StoreBatchSettings(options, names, 0);
    std::string output = names.outputFileName;
    GetOutPutFileName(output);

    std::string why;
    auto office = StartSlideDrawingOffice(&why);
    if (!office) {
        std::fprintf(stderr, "kalvista: %s\n", why.c_str());
        return 1;
    }
    const FastRenderResult result = RenderFast(*office, MakeRequest(options, output));
    office.reset();
    const OutputCheck check = result.ok ? CheckOutputFile(output) : OutputCheck{false, 0, result.error};
    if (!check.complete) {
        std::fprintf(stderr, "kalvista: %s\n", check.problem.c_str());
        return 1;
    }
    std::printf("Video: %s (%.1f s)\n", output.c_str(), check.seconds);
    return 0;
}

}  // namespace kv
