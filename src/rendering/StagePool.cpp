#include "rendering/StagePool.h"

#include <algorithm>

#include "platform/core/Trace.h"
#include "playback/ShowPlacement.h"

namespace kv {

StagePool::StagePool(ShowStageFactory factory, int width, int height, int size)
    : m_factory(std::move(factory)), m_width(width), m_height(height), m_size(std::max(1, size)) {}

StagePool::~StagePool() {
    for (auto& thread : m_warming) thread.join();
    std::lock_guard lock(m_mutex);
    m_idle.clear();
}

std::unique_ptr<ShowStage> StagePool::Start(std::string* why) {
    return m_factory ? m_factory(m_width, m_height, StagePlacementFor, why) : nullptr;
}

void StagePool::Warm() {
    std::lock_guard lock(m_mutex);
    while (m_existing < m_size) {
        ++m_existing;
        m_warming.emplace_back([this] {
            std::string why;
            auto stage = Start(&why);
            if (!stage) TraceF("A show stage did not start: %s\n", why.c_str());
            std::lock_guard lock(m_mutex);
            if (stage) m_idle.push_back(std::move(stage));
            else --m_existing;
            m_changed.notify_all();
        });
    }
}

std::unique_ptr<ShowStage> StagePool::Take(std::string* why) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_idle.empty() || m_existing < m_size; });
        if (!m_idle.empty()) {
            auto stage = std::move(m_idle.back());
            m_idle.pop_back();
            return stage;
        }
        ++m_existing;
    }
    auto stage = Start(why);
    if (!stage) {
        std::lock_guard lock(m_mutex);
        --m_existing;
        m_changed.notify_all();
    }
    return stage;
}

void StagePool::Give(std::unique_ptr<ShowStage> stage) {
    if (!stage) return;
    if (!stage->Usable()) return Discard(std::move(stage));
    std::lock_guard lock(m_mutex);
    m_idle.push_back(std::move(stage));
    m_changed.notify_all();
}

void StagePool::Discard(std::unique_ptr<ShowStage> stage) {
    if (!stage) return;
    stage.reset();
    std::lock_guard lock(m_mutex);
    --m_existing;
    m_changed.notify_all();
}

StageRect StagePlacementFor(int width, int height, long long pageWidth, long long pageHeight) {
    const PixelRect place = SlidePlaceIn(width, height, pageWidth, pageHeight);
    const PixelRect office = OfficeWindowFor(width, height, pageWidth, pageHeight);
    return {place.x + office.x, place.y + office.y, office.width, office.height};
}

}  // namespace kv
