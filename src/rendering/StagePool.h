#pragma once
// The show stages that record moving stretches, shared by every
// presentation a run renders: at most `size` at once, each started once and
// used again for stretch after stretch (an office's start costs seconds).
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/automation/ShowStage.h"

namespace kv {

class StagePool {
public:
    // `factory` starts a stage of width x height; `size` at least 1.
    StagePool(ShowStageFactory factory, int width, int height, int size);
    ~StagePool();  // ends every stage
    StagePool(const StagePool&) = delete;
    StagePool& operator=(const StagePool&) = delete;

    int Size() const { return m_size; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Starts the stages in the background, so they are ready when the first
    // stretch comes.
    void Warm();

    // A usable stage for the caller alone, started when none waits; null
    // with the reason in *why when none could be started.
    std::unique_ptr<ShowStage> Take(std::string* why);
    // Gives a stage back for the next stretch; one that is no longer usable
    // is ended and its place freed.
    void Give(std::unique_ptr<ShowStage> stage);
    // Ends a stage that failed (its office may hang) and frees its place.
    void Discard(std::unique_ptr<ShowStage> stage);

private:
    std::unique_ptr<ShowStage> Start(std::string* why);

    ShowStageFactory m_factory;
    int m_width;
    int m_height;
    int m_size;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<ShowStage>> m_idle;
    int m_existing = 0;  // stages idle, in use or starting
    std::vector<std::thread> m_warming;
};

// Where our office's show window goes in a picture of width x height so that
// the page lands where a recording puts it.
StageRect StagePlacementFor(int width, int height, long long pageWidth, long long pageHeight);

}  // namespace kv
