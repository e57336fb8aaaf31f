#include "app/batch/FastBatch.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "app/batch/BatchSettings.h"
#include "app/batch/DeckProgress.h"
#include "app/batch/OutputCheck.h"
#include "app/core/SettingsCatalogue.h"
#include "conversion/OutputFileName.h"
#include "platform/automation/uno/UnoShowStage.h"
#include "platform/automation/uno/UnoSlideDrawing.h"
#include "platform/core/Paths.h"
#include "platform/core/PrintableText.h"
#include "rendering/FastRender.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

FastRenderRequest MakeRequest(const BatchOptions& options, const Deck& deck) {
    FastRenderRequest request;
    request.presentation = deck.presentation;
    request.output = deck.output;
    request.format = options.format;
    request.width = options.width;
    request.height = options.height;
    request.fps = options.fps;
    request.captureMode = options.captureMode;
    request.seconds = options.seconds;
    request.deckSound = options.sound;
    request.qualityFactor = static_cast<int>(settings::QualityFactor.Get());
    request.audioBitRate = static_cast<int>(settings::BitRate.Get());
    return request;
}

// Prints one line per presentation, whichever worker finishes it, above the
// progress line.
class Report {
public:
    explicit Report(size_t total) : m_progress(STDERR_FILENO, total) {}
    void Started(const Deck& deck) { m_progress.Started(deck.presentation); }
    void Done(const Deck& deck, const std::string& failure) {
        const OutputCheck check = failure.empty() ? CheckOutputFile(deck.output) : OutputCheck{false, 0, failure};
        m_progress.Ended(deck.presentation, check.complete, [&] {
            if (check.complete) {
                std::printf("Video: %s (%.1f s)\n", PrintableText(deck.output).c_str(), check.seconds);
                return;
            }
            ++m_failed;
            std::error_code ignored;
            if (fs::file_size(deck.output, ignored) == 0) fs::remove(deck.output, ignored);  // only our placeholder
            std::fprintf(stderr, "kalvista: Failed: %s: %s\n", PrintableText(deck.presentation).c_str(),
                         WithoutControls(check.problem).c_str());
        });
    }
    int Failed() const { return m_failed; }

private:
    DeckProgressLine m_progress;
    std::atomic<int> m_failed{0};
};

// One worker: an office of its own renders presentation after presentation;
// an office that went away is started afresh for the next one.
void Work(const BatchOptions& options, const std::vector<Deck>& decks, std::atomic<size_t>& next, StagePool& stages,
          Report& report) {
    std::unique_ptr<SlideDrawingOffice> office;
    for (size_t i = next++; i < decks.size(); i = next++) {
        report.Started(decks[i]);
        std::string why;
        if (!StartDrawingOffice(office, &why)) {
            report.Done(decks[i], why);
            continue;
        }
        const FastRenderResult result = RenderFast(*office, stages, MakeRequest(options, decks[i]));
        report.Done(decks[i], result.ok ? std::string() : result.error);
    }
}

}  // namespace

bool StartDrawingOffice(std::unique_ptr<SlideDrawingOffice>& office, std::string* why) {
    // Offices starting side by side on fresh profiles now and then end during
    // their first start: a second try starts on a made profile.
    for (int attempt = 0; attempt < 3 && (!office || !office->Usable()); ++attempt)
        office = StartSlideDrawingOffice(why);
    return office != nullptr;
}

int ConvertFast(const BatchOptions& options) {
    std::vector<Deck> decks;
    if (options.Several()) {
        decks = NameDeckVideos(options, VideosFolder().string());
    } else {
        const BatchFileNames names = MakeBatchFileNames(options, VideosFolder().string());
        StoreBatchSettings(options, names, 0);
        std::string output = names.outputFileName;
        GetOutPutFileName(output);
        decks.push_back({options.presentation, output});
    }
    Report report(decks.size());
    StagePool stages(StartUnoShowStage, options.width, options.height, options.jobs);
    std::atomic<size_t> next{0};
    const size_t jobs = std::min(decks.size(), static_cast<size_t>(std::max(1, options.jobs)));
    std::vector<std::thread> workers;
    for (size_t j = 1; j < jobs; ++j) workers.emplace_back([&] { Work(options, decks, next, stages, report); });
    Work(options, decks, next, stages, report);
    for (auto& worker : workers) worker.join();
    return report.Failed() == 0 ? 0 : 1;
}

}  // namespace kv
