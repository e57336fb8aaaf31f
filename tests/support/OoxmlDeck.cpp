#include "support/OoxmlDeck.h"

#include <fstream>
#include <stdexcept>

#include "platform/process/ChildProcess.h"

namespace kvtest {

namespace fs = std::filesystem;

void MakeOoxmlDeck(const fs::path& path, const std::string& json) {
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    if (!source) throw std::runtime_error("KALVISTA_SOURCE_DIR names no source folder (run through ctest)");
    const fs::path description = path.string() + ".json";
    std::ofstream(description) << json;
    kv::SpawnOptions options;
    options.outputFile = path.string() + ".log";
    kv::ChildProcess script = kv::ChildProcess::Spawn(
        {"python3", (fs::path(source) / "tests/data/make_ooxml_deck.py").string(), path.string(), description.string()}, options);
    const auto status = script.Started() ? script.Wait(30000) : std::nullopt;
    if (!status || *status != 0 || !fs::exists(path)) throw std::runtime_error("the deck script failed for " + path.string());
}

std::string ThreeTextSlides() {
    return R"({"slides": [{"title": "Quarterly review", "body": ["Kalvista"]},
                          {"title": "Agenda", "body": ["Numbers", "Plans"]},
                          {"title": "Results", "body": ["Up", "Down"]}]})";
}

}  // namespace kvtest
