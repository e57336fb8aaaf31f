#include "platform/automation/uno/UnoShowStage.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/automation/Dispatch.h"
#include "platform/automation/uno/UnoSession.h"
#include "platform/core/Trace.h"
#include "platform/x11/PrivateDisplay.h"
#include "platform/x11/ScreenGrabber.h"
#include "platform/x11/StageWindows.h"

namespace kv {

namespace {

using namespace uno;
using Clock = std::chrono::steady_clock;

constexpr auto kSlideStartLimit = std::chrono::seconds(5);
// What the show draws in the moment after its effects end is still part of them.
constexpr double kSettleSeconds = 0.2;

// When the show put each page on screen: the office's own event for it.
class StageListener : public cppu::WeakImplHelper1<css::presentation::XSlideShowListener> {
public:
    explicit StageListener(Reference<css::presentation::XSlideShowController> controller)
        : m_controller(std::move(controller)) {}

    void SAL_CALL slideTransitionStarted() override {
        const auto now = Clock::now();
        const sal_Int32 index = m_controller->getCurrentSlideIndex();
        std::lock_guard lock(m_mutex);
        m_index = index;
        m_started = now;
        m_effectsBegan = false;
        m_effectsEnded = false;
        ++m_count;
        m_changed.notify_all();
    }
    // The slide's effects begin (its root node first) once its transition is over.
    void SAL_CALL beginEvent(const Reference<css::animations::XAnimationNode>&) override {
        const auto now = Clock::now();
        std::lock_guard lock(m_mutex);
        if (m_effectsBegan) return;
        m_effectsBegan = true;
        m_effectsFrom = now;
        m_changed.notify_all();
    }
    void SAL_CALL paused() override {}
    void SAL_CALL resumed() override {}
    void SAL_CALL slideTransitionEnded() override {}
    // The slide's main sequence has run to its end.
    void SAL_CALL slideAnimationsEnded() override {
        const auto now = Clock::now();
        std::lock_guard lock(m_mutex);
        m_effectsEnded = true;
        m_effectsTo = now;
        m_changed.notify_all();
    }
    void SAL_CALL slideEnded(sal_Bool) override {}
    void SAL_CALL hyperLinkClicked(const OUString&) override {}
    void SAL_CALL endEvent(const Reference<css::animations::XAnimationNode>&) override {}
    void SAL_CALL repeat(const Reference<css::animations::XAnimationNode>&, sal_Int32) override {}
    void SAL_CALL disposing(const css::lang::EventObject&) override {}

    long Count() {
        std::lock_guard lock(m_mutex);
        return m_count;
    }
    int Index() {
        std::lock_guard lock(m_mutex);
        return m_index;
    }
    // When the current slide's effects ended; false while they run.
    bool EffectsEnded(Clock::time_point* ended) {
        std::lock_guard lock(m_mutex);
        if (m_effectsEnded) *ended = m_effectsTo;
        return m_effectsEnded;
    }
    // When the current slide's effects began; false when they did not by `until`.
    bool WaitForEffects(Clock::time_point until, Clock::time_point* began) {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_until(lock, until, [&] { return m_effectsBegan; })) return false;
        *began = m_effectsFrom;
        return true;
    }
    // When slide `index` started after event number `after`; false when it did not in time.
    bool WaitForSlide(long after, int index, Clock::time_point* started) {
        std::unique_lock lock(m_mutex);
        const bool seen = m_changed.wait_until(lock, Clock::now() + kSlideStartLimit,
                                               [&] { return m_count > after && m_index == index; });
        if (seen) *started = m_started;
        return seen;
    }

private:
    Reference<css::presentation::XSlideShowController> m_controller;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    long m_count = 0;
    int m_index = -1;
    Clock::time_point m_started;
    bool m_effectsBegan = false;
    Clock::time_point m_effectsFrom;
    bool m_effectsEnded = false;
    Clock::time_point m_effectsTo;
};

void SleepUntil(Clock::time_point when) { std::this_thread::sleep_until(when); }

Clock::time_point After(Clock::time_point from, double seconds) {
    return from + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

class UnoShowStage : public ShowStage {
public:
    UnoShowStage(int width, int height, StagePlacement placement)
        : m_width(width), m_height(height), m_placement(std::move(placement)) {}

    ~UnoShowStage() override {
        if (m_session) {
            try {
                m_session->Quit();
            } catch (...) {
            }
        }
        m_listener.clear();
        m_document.reset();
        m_session.reset();
    }

    bool Start(std::string* why) {
        std::string problem;
        if (!m_display.Start(m_width, m_height, problem, false)) return *why = problem, false;
        if (!m_windows.Open(m_display.Name(), why)) return false;
        // Out of sight and silent: the video's sound comes from the presentation's file.
        OfficeStart how;
        how.display = m_display.Name();
        how.authority = m_display.Authority();
        how.silent = true;
        auto office = OfficeConnection::Start(why, how);
        if (!office) return *why = "The office could not be started: " + *why, false;
        m_session = UnoSession::Create(std::move(office));
        m_session->hostWindow = static_cast<std::int64_t>(m_windows.ShowWindow());
        m_session->hostWidth = m_width;
        m_session->hostHeight = m_height;
        ScreenRect all{0, 0, m_width, m_height};
        GrabberOptions options;
        options.display = m_display.Name();
        if (m_grabber.Open(all, options) != GrabberStatus::Ok) return *why = "cannot grab the private X server", false;
        return true;
    }

    bool Usable() const override { return m_session && m_session->office->Alive(); }

    bool Record(const std::string& path, const StretchAsk& ask, const StretchFrames& frames,
                std::string* why) override {
        try {
            if (path != m_path && !Show(path)) return *why = "the show did not start", false;
            return Play(ask, frames, why);
        } catch (const std::exception& e) {
            *why = e.what();
            return false;
        }
    }

private:
    // Opens the presentation and starts its show, leaving the moving on to us.
    bool Show(const std::string& path) {
        if (m_document) m_session->Close(m_document);
        m_document.reset();
        m_listener.clear();
        m_path.clear();
        auto document = m_session->Open(path);
        const StageRect place = m_placement(m_width, m_height, document->pageWidth, document->pageHeight);
        m_windows.PlaceShow({place.x, place.y, place.width, place.height});
        m_session->hostWidth = place.width;
        m_session->hostHeight = place.height;
        m_session->ResizeHostFrames();
        document->advanceMode = 1;  // nothing moves on by itself: the stretches say where to be
        m_session->StartShow(document);
        m_document = document;
        auto controller = document->controller;
        m_listener = new StageListener(controller);
        m_session->office->Call([&] { controller->addSlideShowListener(m_listener.get()); });
        m_path = path;
        TraceF("Show stage on %s has %s\n", m_display.Name().c_str(), path.c_str());
        return true;
    }

    int ShowIndex(int page) const {
        for (int i = 0; i < m_document->ShownCount(); ++i)
            if (m_document->showPages[i] == page) return i;
        return -1;
    }

    // Asks the show to go to slide `index` (or on to the next one) and waits
    // until the office says it started; false when it did not. `asked`: when
    // the show was asked, which is where a recorded show's clock puts the
    // slide's start (what the office takes to get there shows in both).
    bool GoTo(int index, bool next, Clock::time_point* started, Clock::time_point* asked = nullptr) {
        auto controller = m_document->controller;
        const long before = m_listener->Count();
        if (asked) *asked = Clock::now();
        m_session->office->Call([&] { next ? controller->gotoNextSlide() : controller->gotoSlideIndex(index); });
        return m_listener->WaitForSlide(before, index, started);
    }

    // Gives the clicks due by `upTo` (seconds after `from`). As the show's
    // clock does, a click waits for the slide's effects to begin (a click
    // before then is lost): the clicks move by as much as the effects began
    // later than `effectsFrom` said.
    void Click(Clock::time_point from, double effectsFrom, const std::vector<double>& clicks, size_t& given,
               double upTo) {
        auto controller = m_document->controller;
        while (given < clicks.size() && clicks[given] <= upTo) {
            if (given == 0) {
                Clock::time_point began;
                const auto planned = After(from, effectsFrom);
                if (m_listener->WaitForEffects(planned + kSlideStartLimit, &began) && began > planned)
                    from += began - planned;
            }
            SleepUntil(After(from, clicks[given]));
            m_session->office->Call([&] { controller->gotoNextEffect(); });
            ++given;
        }
    }

    bool Play(const StretchAsk& ask, const StretchFrames& frames, std::string* why) {
        const int index = ShowIndex(ask.page);
        if (index < 0) return *why = "slide " + std::to_string(ask.page) + " is not in the show", false;
        Clock::time_point started, asked;
        std::optional<std::size_t> stale;
        if (ask.pageBefore > 0 && index > 0) {
            // The page before, in its state at its end: the transition starts from it.
            if (!GoTo(index - 1, false, &started))
                return *why = "the show did not move to slide " + std::to_string(ask.pageBefore), false;
            size_t given = 0;
            Click(started, ask.beforeEffectsFrom, ask.beforeClicks, given, ask.beforeSeconds);
            SleepUntil(After(started, ask.beforeSeconds));
            while (!Settled(started, ask.beforeLongest)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!GoTo(index, true, &started, &asked))
                return *why = "the show did not move on to slide " + std::to_string(ask.page), false;
        } else {
            // The show restarts a page only when it comes to it from another.
            if (m_listener->Index() == index || m_listener->Count() == 0) {
                const int other = index + 1 < m_document->ShownCount() ? index + 1 : index - 1;
                if (other >= 0 && !GoTo(other, false, &started))
                    return *why = "the show did not move away from slide " + std::to_string(ask.page), false;
            }
            // Until the office draws the page, the screen shows whatever page
            // the stage stood at, which is not the one before it in the video:
            // those pictures are left out, and the video holds its own.
            if (!m_grabber.Grab(0)) return *why = "the private X server refused a grab", false;
            stale = PictureChecksum(m_grabber.Frame(0));
            if (!GoTo(index, false, &started, &asked))
                return *why = "the show did not move to slide " + std::to_string(ask.page), false;
        }
        return Grab(asked, ask, stale, frames, why);
    }

    // Whether the current slide's effects have ended and settled, by the
    // show's own word; a slide whose effects never report an end (they wait
    // for a click nobody gives) counts as settled once `longest` seconds
    // after `from` have passed.
    bool Settled(Clock::time_point from, double longest) {
        Clock::time_point ended;
        if (m_listener->EffectsEnded(&ended)) return Clock::now() >= After(ended, kSettleSeconds);
        return Clock::now() >= After(from, longest);
    }

    // The screen from the page's start for the stretch's length, at the frame rate.
    bool Grab(Clock::time_point started, const StretchAsk& ask, std::optional<std::size_t> stale,
              const StretchFrames& frames, std::string* why) {
        size_t given = 0;
        const double step = 1.0 / std::max(1, ask.fps);
        for (long n = 0;; ++n) {
            const double due = n * step;
            if (due >= ask.seconds && Settled(started, std::max(ask.seconds, ask.longest))) break;
            Click(started, ask.effectsFrom, ask.clicks, given, due);
            const auto when = After(started, due);
            if (Clock::now() > After(when, step)) continue;  // late: this picture is missed, as a recording misses it
            SleepUntil(when);
            const double at = std::chrono::duration<double>(Clock::now() - started).count();
            if (!m_grabber.Grab(0)) return *why = "the private X server refused a grab", false;
            if (stale && PictureChecksum(m_grabber.Frame(0)) == *stale) continue;
            stale.reset();
            if (!frames(m_grabber.Frame(0), at)) return *why = "the stretch's pictures could not be kept", false;
        }
        if (!m_session->office->Alive()) return *why = "the office stopped answering", false;
        TraceF("Show stage recorded slide %d for %.2f s\n", ask.page,
               std::chrono::duration<double>(Clock::now() - started).count());
        return true;
    }

    int m_width;
    int m_height;
    StagePlacement m_placement;
    PrivateDisplay m_display;
    x11::StageWindows m_windows;
    ScreenGrabber m_grabber;
    std::shared_ptr<UnoSession> m_session;
    DocumentPtr m_document;
    rtl::Reference<StageListener> m_listener;
    std::string m_path;
};

}  // namespace

std::unique_ptr<ShowStage> StartUnoShowStage(int width, int height, const StagePlacement& placement,
                                             std::string* why) {
    auto stage = std::make_unique<UnoShowStage>(width, height, placement);
    if (!stage->Start(why)) return nullptr;
    return stage;
}

}  // namespace kv
