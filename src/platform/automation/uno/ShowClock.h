#pragma once
// Moves a show on by the slides' times. This office's pause freezes the
// picture but lets the slides' own timers run on, so the show is given to the
// office as all-manual and this clock does the timed advancing: it stops
// while the show is paused and goes on with the time left after a resume.
// Nobody clicks in a timed show, so the clock also gives a timed slide the
// clicks its own effects wait for: one after another, in the first half of
// the slide's time once its effects have begun, so the finished slide stays
// for the rest.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kv::uno {

struct UnoSession;
struct UnoDocument;

class ShowClock {
public:
    // `advanceAfter[i]`: seconds slide i stays before it moves on; < 0: only by hand.
    // `clickSteps[i]`: the clicks slide i's effects wait for.
    // The clock starts held: the show's start runs it once the first slide is
    // on screen, so the office's start-up is not taken from the first slide.
    ShowClock(std::shared_ptr<UnoSession> session, std::shared_ptr<UnoDocument> document,
              std::vector<double> advanceAfter, std::vector<int> clickSteps);
    ~ShowClock();  // stops and joins

    void SlideStarted(int index);  // from the show listener
    void EffectsBegan();           // from the show listener: the slide's transition is over
    // Runs the clock once the first slide is on screen. A show paused before
    // anyone resumed it (a timed show waiting for Play) gives its first slide
    // the whole time from that resume: nobody records what came before.
    void Start();
    void SetPaused(bool paused);

private:
    void Run();
    // Seconds after the slide's start of the next click its effects wait for; < 0: none.
    double NextClickAt() const;
    // Asks the office for the next effect or slide, unlocked; false if the show has gone.
    bool MoveOn(std::unique_lock<std::mutex>& lock, bool effect, int index);
    using Clock = std::chrono::steady_clock;

    std::weak_ptr<UnoSession> m_session;
    std::weak_ptr<UnoDocument> m_document;
    std::vector<double> m_advanceAfter;
    std::vector<int> m_clickSteps;
    int m_clicksGiven = 0;        // on the current slide
    double m_effectsFrom = -1;    // seconds of the slide's time at which its effects began; < 0: not yet
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_paused = true;
    bool m_untouched = false;  // started, and neither paused nor moved on since
    int m_index = 0;
    Clock::duration m_shown{};          // time the current slide has been on screen while running
    Clock::time_point m_runningSince;   // when it last started running
    std::thread m_thread;
};

}  // namespace kv::uno
