#pragma once
// What the office backend's objects share: the office, its event connection
// point, where shows are drawn, and the open presentations with their shows.
#include <atomic>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/automation/EventConnectionPoint.h"
#include "platform/automation/uno/InteractionBlocker.h"
#include "platform/automation/uno/OfficeConnection.h"

namespace kv::x11 {
class InputShield;
}

namespace kv::uno {

class ShowListener;
class ShowClock;
class ShowEndWatch;

struct UnoDocument {
    std::filesystem::path file;    // the presentation, as the user named it
    std::filesystem::path opened;  // what the office opened: a copy in its room, or `file`
    Reference<css::lang::XComponent> model;
    Reference<css::frame::XFrame> frame;  // our frame in the host window; null when the office made its own
    Reference<css::presentation::XPresentation2> presentation;
    Reference<css::presentation::XSlideShowController> controller;
    rtl::Reference<ShowListener> listener;
    int slideCount = 0;
    // The size of its pages in hundredths of a millimetre (the show fits the first page into its window).
    int pageWidth = 0;
    int pageHeight = 0;
    // The page number (1-based) of each slide the show plays, in show order:
    // hidden slides are not in it, so show indices and page numbers differ.
    std::vector<int> showPages;
    int ShownCount() const { return static_cast<int>(showPages.size()); }
    int PageAt(int showIndex) const {
        return showIndex >= 0 && showIndex < ShownCount() ? showPages[showIndex] : showIndex + 1;
    }
    int advanceMode = 0;  // 0 untouched, 1 manual, 2 slide timings
    bool showAll = true;
    bool kiosk = false;  // a click in the show neither moves it on nor ends it
    std::shared_ptr<x11::InputShield> shield;  // keeps the pointer from a kiosk show in our window
    // Moves timed slides on; the show listener reads it on the office's thread.
    std::atomic<std::shared_ptr<ShowClock>> clock;
    std::atomic<bool> holding{false};     // we are pausing or resuming: the show's own events mean nothing
    std::atomic<bool> slideShown{false};  // the show has put a slide on screen
    std::atomic<bool> lastSlideEnded{false};
    // The slide on screen (its index in the show), as the show last reported
    // it, and since when (the steady clock's microseconds): the show's
    // position is answered from here, never asked of the office.
    struct OnScreen {
        int index = 0;
        std::int64_t sinceUs = 0;
    };
    void SetOnScreen(int index);
    OnScreen GetOnScreen() const;
    rtl::Reference<ShowEndWatch> endWatch;  // hears the office end the show by itself
    std::atomic<bool> endScreen{false};  // the closing black screen after the last slide
    std::atomic<bool> ended{false};
    bool closed = false;
    bool foreignShapesDrawn = false;  // shapes the show draws otherwise are shown as the office's pictures

private:
    mutable std::mutex m_onScreenMutex;
    OnScreen m_onScreen;
};
using DocumentPtr = std::shared_ptr<UnoDocument>;

struct UnoSession : std::enable_shared_from_this<UnoSession> {
    static std::shared_ptr<UnoSession> Create(std::shared_ptr<OfficeConnection> office);
    explicit UnoSession(std::shared_ptr<OfficeConnection> office);
    ~UnoSession();

    // Opens the presentation in the host window (or a window of the office's
    // own), always read-only: we never save, and the user's file gets no lock.
    DocumentPtr Open(const std::string& path);
    void StartShow(const DocumentPtr& document);
    // Pauses or resumes the show and its clock.
    void SetPaused(const DocumentPtr& document, bool pause);
    void Close(const DocumentPtr& document);
    // Closes every presentation we opened and ends the office.
    void Quit();
    // The end of a show: once per show, as the application's slide-show end event.
    void ShowEnded(const DocumentPtr& document);
    // Gives our frames in the host window the host size again (the slide area was fitted to the screen).
    void ResizeHostFrames();

    std::shared_ptr<OfficeConnection> office;
    std::shared_ptr<EventConnectionPoint> events;
    std::int64_t hostWindow = 0;
    int hostWidth = 0;
    int hostHeight = 0;
    // The area the show's page is fitted into, where the host window is not
    // that area (a stage's window reaches past it): 0 when it is.
    int areaWidth = 0;
    int areaHeight = 0;
    std::mutex mutex;
    std::list<DocumentPtr> documents;

private:
    Reference<css::frame::XFrame> MakeHostFrame();
    // Loads into the document (its frame, when it has one); the office's error
    // when it failed, and the first question it asked while loading.
    std::string Load(const DocumentPtr& document, const OUString& url, OfficeQuestion& asked);
    // The slides' times, for the show clock; the office is left to advance none by itself.
    std::vector<double> TakeOverTimings(const DocumentPtr& document);
    // Slide-area pixels per hundredth of a millimetre of the document's pages.
    double PixelsPerUnit(const DocumentPtr& document) const;
    void HideOfficeUi(const Reference<css::frame::XFrame>& frame);
    void CloseQuietly(const DocumentPtr& document);
};

}  // namespace kv::uno
