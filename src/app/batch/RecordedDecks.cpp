#include "app/batch/RecordedDecks.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/batch/BatchSettings.h"
#include "app/batch/DeckProgress.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/core/Paths.h"
#include "platform/core/PrintableText.h"
#include "platform/core/PrivateFiles.h"
#include "platform/files/RunFolder.h"
#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kParentRunVariable = "KALVISTA_PARENT_RUN";

bool IsOption(const std::string& arg) { return arg.rfind("--", 0) == 0; }

// Runs one presentation; its own lines go to our stdout, or its reason to stderr.
bool RunOne(const std::vector<std::string>& args, const Deck& deck, DeckProgressLine& progress) {
    progress.Started(deck.presentation);
    std::error_code error;
    // The run reserves the name itself: with our empty placeholder still
    // there it would take the next free name instead.
    if (fs::file_size(deck.output, error) == 0) fs::remove(deck.output, error);
    std::vector<std::string> argv = OneDeckArguments(args, deck.presentation, deck.output);
    argv.insert(argv.begin(), fs::read_symlink("/proc/self/exe", error).string());
    SpawnOptions options;
    options.environment = {std::string(kParentRunVariable) + "=" + std::to_string(::getpid())};
    options.outputFile = NewRunFile("deck", ".log");
    if (!ReservePrivateFile(options.outputFile)) Trace("RunOne : cannot make " + options.outputFile.string() + "\n");
    ChildProcess run = ChildProcess::Spawn(argv, options);
    const int status = run.Started() ? run.Wait().value_or(255) : 255;
    std::ifstream in(options.outputFile);
    std::string line, reason = "the run ended with status " + std::to_string(status);
    std::vector<std::string> lines;
    while (std::getline(in, line)) {
        if (status == 0) lines.push_back(line);
        else if (line.rfind("kalvista: ", 0) == 0) reason = line.substr(10);
    }
    in.close();
    fs::remove(options.outputFile, error);
    progress.Ended(deck.presentation, status == 0, [&] {
        for (const std::string& kept : lines) std::printf("%s\n", WithoutControls(kept).c_str());
        if (status == 0) return;
        if (fs::file_size(deck.output, error) == 0) fs::remove(deck.output, error);  // only our placeholder
        std::fprintf(stderr, "kalvista: Failed: %s: %s\n", PrintableText(deck.presentation).c_str(),
                     WithoutControls(reason).c_str());
    });
    return status == 0;
}

}  // namespace

bool RunsUnderParentsHold() {
    // Our parent's number, so a run started otherwise that inherited the
    // variable still takes the lock itself.
    const char* parent = std::getenv(kParentRunVariable);
    return parent && std::to_string(::getppid()) == parent;
}

std::vector<std::string> OneDeckArguments(const std::vector<std::string>& args, const std::string& presentation,
                                          const std::string& video) {
    std::vector<std::string> kept;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--output") {
            ++i;
        } else if (args[i] == "--convert") {
            while (i + 1 < args.size() && !IsOption(args[i + 1])) ++i;
        } else {
            kept.push_back(args[i]);
        }
    }
    kept.insert(kept.end(), {"--convert", presentation, "--output", video});
    return kept;
}

int ConvertRecordedDecks(const std::vector<std::string>& args, const BatchOptions& options) {
    int failed = 0;
    const std::vector<Deck> decks = NameDeckVideos(options, VideosFolder().string());
    DeckProgressLine progress(STDERR_FILENO, decks.size());
    SharedOffice office;
    bool lastFailed = false;
    for (const Deck& deck : decks) {
        // A run that failed may have left a show or a question open in the
        // office: the next one gets a fresh office.
        std::string why;
        if ((lastFailed || !office.Running()) && !office.Start(&why)) Trace(why + "\n");
        lastFailed = !RunOne(args, deck, progress);
        if (lastFailed) ++failed;
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace kv
