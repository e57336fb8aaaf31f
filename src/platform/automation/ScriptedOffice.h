#pragma once
// An office that lives in memory and answers the same calls as the real one:
// presentations with slides and timings, a slide show that the test moves on,
// the application events, the menu bar's command bars, and failures on demand.
// Every call is written to a log ("Application.Visible=1", "SlideShowView.Next").
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace kv {

class EventConnectionPoint;

struct ScriptedSlide {
    int advanceOnClick = -1;  // -1 true, as a new slide has it
    int advanceOnTime = 0;
    float advanceTime = 0;
};

struct ScriptedPresentation {
    std::vector<ScriptedSlide> slides;
    int advanceMode = 1;  // the presentation's own setting until changed
    int showType = 1;
    int rangeType = 1;
    bool open = false;
    bool closed = false;
    std::string openedWith;  // "ReadOnly,Untitled,WithWindow" of the last Open
};

struct ScriptedMenuItem {
    std::string caption;
    int id = 0;
    std::vector<ScriptedMenuItem> items{};  // a popup's items
    std::function<void()> onExecute{};
};

class ScriptedOffice : public std::enable_shared_from_this<ScriptedOffice> {
public:
    static std::shared_ptr<ScriptedOffice> Create();
    ~ScriptedOffice();

    // Registers this office under `progId` (and `curVer` as its current version).
    void Register(const std::string& progId = "Powerpoint.Application", const std::string& curVer = {});
    // Makes CreateDispatch of the registered ProgID fail with `hr`.
    void FailCreate(HRESULT hr);

    void AddPresentation(const std::string& path, int slideCount);
    // Gives slide `index` (from 1) of `path` a timing of its own: it moves on after `seconds`.
    void SetOwnTiming(const std::string& path, int index, float seconds);
    ScriptedPresentation Presentation(const std::string& path) const;

    // Makes the member ("Presentations.Open", "SlideShowSettings.Run", "SlideShowView.State=", ...)
    // fail with `hr` from now on; a trailing "=" names a property put.
    void FailOn(const std::string& member, HRESULT hr = E_FAIL);
    // As FailOn, for the next call of the member only.
    void FailOnce(const std::string& member, HRESULT hr);
    // Makes QueryConnectionPointContainer, FindConnectionPoint or Advise fail.
    void FailConnection(const std::string& step, HRESULT hr);
    // Makes the member answer an empty object instead of one ("Application.Presentations", ...).
    void AnswerEmpty(const std::string& member);

    std::vector<std::string> Calls() const;
    bool Called(const std::string& entry) const;
    void ClearCalls();

    // The slide show: running after SlideShowSettings.Run until it ends.
    bool ShowRunning() const;
    int ShowPosition() const;  // 1-based; slide count + 1 on the closing black screen
    int ViewState() const;     // 1 running, 2 paused
    int RunCount() const;
    // Moves the show on one step as its timing or a click would.
    void AdvanceShow();
    // Ends the show and fires the application's slide-show end (2014) to the sinks.
    void EndShow();
    // The office going away mid-show: from now on every call fails as calls
    // to a dead office do, and the show's end event comes (as the office
    // backend fires it when its connection drops).
    void Crash();
    // Fires an application event with its arguments to the connected sinks.
    void FireEvent(DISPID id, std::vector<Variant> args);
    size_t SinkCount() const;

    bool Quit() const;
    long LiveObjects() const;  // objects handed out and not yet destroyed

    std::vector<ScriptedMenuItem> menuBar;

    // For the office's own objects: one step of connecting a sink, logged and failed on demand.
    HRESULT ConnectionStep(const std::string& step);
    const std::shared_ptr<EventConnectionPoint>& Events() const { return m_events; }

private:
    friend class ScriptedObject;
    ScriptedOffice();
    struct State;
    std::unique_ptr<State> m_state;
    std::shared_ptr<EventConnectionPoint> m_events;
};

}  // namespace kv
