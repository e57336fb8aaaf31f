#include "platform/automation/uno/UnoObjects.h"

#include <cmath>

#include "platform/automation/uno/PageTiming.h"
#include "platform/automation/uno/SlideTexts.h"
#include "platform/core/Trace.h"
#include "platform/x11/KeyboardFocus.h"

namespace kv::uno {

namespace {

// Member numbers, as the presentation program's type library has them.
enum : DISPID {
    kApplicationPresentations = 2001, kApplicationQuit = 2021, kApplicationWindowState = 2029,
    kApplicationVisible = 2030, kApplicationShowHostWindow = 0x4B560001, kApplicationShowHostWidth = 0x4B560002,
    kApplicationShowHostHeight = 0x4B560003, kPresentationsOpen = 2004, kPresentationSlides = 2011,
    kPresentationSlideShowSettings = 2015, kPresentationClose = 2039, kSlidesCount = 11, kSlidesItem = 0,
    kSlideSlideShowTransition = 2005, kTransitionAdvanceOnClick = 2003, kTransitionAdvanceOnTime = 2004,
    kTransitionAdvanceTime = 2005, kSettingsAdvanceMode = 2007, kSettingsRun = 2008, kSettingsShowType = 2010,
    kShowTypeKiosk = 3,
    kSettingsRangeType = 2014, kWindowView = 2003, kWindowActivate = 2012, kViewState = 2006, kViewNext = 2019,
    kViewCurrentShowPosition = 2027, kViewSlideShownSince = 0x4B560030,
    kSlideTitleText = 0x4B560010, kSlideTopmostText = 0x4B560011,
    kSlideNotesText = 0x4B560012,
    kPresentationPageWidth = 0x4B560020, kPresentationPageHeight = 0x4B560021,
};

bool IsPut(WORD flags) { return flags & DISPATCH_PROPERTYPUT; }
const Variant& Value(const std::vector<Variant>& args) {
    if (args.empty()) throw AutomationException(DISP_E_BADPARAMCOUNT, "a property put needs a value");
    return args.back();
}
[[noreturn]] void NoMember(const char* object, DISPID id) {
    throw AutomationException(DISP_E_MEMBERNOTFOUND, std::string(object) + " has no member " + std::to_string(id));
}

class UnoObject : public DispatchObject {
public:
    UnoObject(std::shared_ptr<UnoSession> session, DocumentPtr document = nullptr, int index = 0)
        : m_session(std::move(session)), m_document(std::move(document)), m_index(index) {}

protected:
    OfficeConnection& Office() const { return *m_session->office; }
    // A closed presentation answers nothing more.
    UnoDocument& Document() const {
        if (!m_document || m_document->closed) throw AutomationException(E_FAIL, "the presentation is closed");
        return *m_document;
    }
    Reference<css::beans::XPropertySet> Page() const {
        Reference<css::beans::XPropertySet> page;
        Office().Call([&] {
            Reference<css::drawing::XDrawPagesSupplier> pages(Document().model, UNO_QUERY_THROW);
            page.set(pages->getDrawPages()->getByIndex(m_index - 1), UNO_QUERY_THROW);
        });
        return page;
    }
    std::shared_ptr<UnoSession> m_session;
    DocumentPtr m_document;
    int m_index;
};

class ShowView : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) override {
        UnoDocument& doc = Document();
        // A show that ended because the office went away says so to whoever asks.
        if (!Office().Alive()) throw AutomationException(RPC_E_DISCONNECTED, "the office has gone away");
        // The closing screen stays where it is, also once the end has been reported.
        if (id == kViewCurrentShowPosition && doc.endScreen) return Variant::I4(doc.slideCount + 1);
        if (!doc.controller.is() || doc.ended) throw AutomationException(E_FAIL, "the slide show has ended");
        auto controller = doc.controller;
        if (id == kViewState && IsPut(flags)) {
            m_session->SetPaused(m_document, Value(args).ToInt() == 2);
            return {};
        }
        if (id == kViewState) {
            bool paused = false;
            Office().Call([&] { paused = controller->isPaused(); });
            return Variant::I4(paused ? 2 : 1);
        }
        if (id == kViewNext) {
            Office().Call([&] { controller->gotoNextSlide(); });
            return {};
        }
        // The position as the show's events told it: asked every recorded
        // frame, it costs the office nothing. The slide's number in the
        // presentation, as Slides counts them (the show skips hidden slides).
        if (id == kViewCurrentShowPosition) return Variant::I4(doc.PageAt(doc.GetOnScreen().index));
        if (id == kViewSlideShownSince) return Variant::I8(doc.GetOnScreen().sinceUs);
        NoMember("SlideShowView", id);
    }
};

class ShowWindow : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD, const std::vector<Variant>&) override {
        if (id == kWindowView) return Variant::Dispatch(std::make_shared<ShowView>(m_session, m_document));
        if (id == kWindowActivate) {
            UnoDocument& doc = Document();
            Office().Call([&] {
                if (doc.controller.is() && !doc.ended) doc.controller->activate();
                if (doc.frame.is()) doc.frame->getContainerWindow()->setFocus();
            });
            // The office's own focus request leaves the keys with our window under a window manager.
            if (m_session->hostWindow != 0 && !x11::GiveKeyboardToChildOf(m_session->hostWindow))
                Trace("The office's show could not be given the keyboard\n");
            return {};
        }
        NoMember("SlideShowWindow", id);
    }
};

class ShowSettings : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) override {
        UnoDocument& doc = Document();
        if (id == kSettingsRun) {
            m_session->StartShow(m_document);
            return Variant::Dispatch(MakeShowWindow(m_session, m_document));
        }
        if (!IsPut(flags)) NoMember("SlideShowSettings", id);
        // Kept until Run: the show is set up as a whole when it starts.
        if (id == kSettingsAdvanceMode) doc.advanceMode = Value(args).ToInt();
        else if (id == kSettingsRangeType) doc.showAll = Value(args).ToInt() == 1;
        else if (id == kSettingsShowType) doc.kiosk = Value(args).ToInt() == kShowTypeKiosk;
        else NoMember("SlideShowSettings", id);
        return {};
    }
};

class Transition : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) override {
        auto page = Page();
        if (!IsPut(flags)) {
            if (id != kTransitionAdvanceOnTime) NoMember("SlideShowTransition", id);
            PageTiming timing;
            Office().Call([&] { timing = ReadPageTiming(page); });
            return Variant::I4(timing.OnTime() ? -1 : 0);
        }
        if (id == kTransitionAdvanceOnTime) {
            // 1: the slide moves on by itself after its time; 0: on a click.
            const sal_Int32 change = Value(args).ToInt() != 0 ? 1 : 0;
            Office().Call([&] { page->setPropertyValue("Change", css::uno::Any(change)); });
        } else if (id == kTransitionAdvanceTime) {
            const double seconds = Value(args).ToFloat();
            Office().Call([&] { WritePageTime(page, seconds); });
        } else if (id != kTransitionAdvanceOnClick) {
            // A click always moves a slide on in this office; nothing to set.
            NoMember("SlideShowTransition", id);
        }
        return {};
    }
};

class Slide : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD, const std::vector<Variant>&) override {
        if (id == kSlideSlideShowTransition)
            return Variant::Dispatch(std::make_shared<Transition>(m_session, m_document, m_index));
        if (id != kSlideTitleText && id != kSlideTopmostText && id != kSlideNotesText) NoMember("Slide", id);
        auto page = Page();
        std::string text;
        Office().Call([&] {
            Reference<css::drawing::XShapes> shapes(page, UNO_QUERY);
            if (id == kSlideTitleText) {
                text = TextOfKind(shapes, "com.sun.star.presentation.TitleTextShape");
            } else if (id == kSlideTopmostText) {
                text = TopmostText(shapes);
            } else {
                text = SlideNotesText(page);
            }
        });
        return Variant::Bstr(text);
    }
};

class Slides : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD, const std::vector<Variant>& args) override {
        UnoDocument& doc = Document();
        if (id == kSlidesCount) return Variant::I4(doc.slideCount);
        if (id != kSlidesItem) NoMember("Slides", id);
        const int index = args.empty() ? 0 : args[0].ToInt();
        if (index < 1 || index > doc.slideCount)
            throw AutomationException(E_INVALIDARG, "there is no slide " + std::to_string(index));
        return Variant::Dispatch(std::make_shared<Slide>(m_session, m_document, index));
    }
};

class Presentation : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD, const std::vector<Variant>&) override {
        Document();
        if (id == kPresentationSlides) return Variant::Dispatch(std::make_shared<Slides>(m_session, m_document));
        if (id == kPresentationSlideShowSettings)
            return Variant::Dispatch(std::make_shared<ShowSettings>(m_session, m_document));
        if (id == kPresentationClose) {
            m_session->Close(m_document);
            return {};
        }
        if (id == kPresentationPageWidth) return Variant::I4(Document().pageWidth);
        if (id == kPresentationPageHeight) return Variant::I4(Document().pageHeight);
        NoMember("Presentation", id);
    }
};

class Presentations : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD, const std::vector<Variant>& args) override {
        if (id != kPresentationsOpen) NoMember("Presentations", id);
        if (args.empty()) throw AutomationException(DISP_E_BADPARAMCOUNT, "Open needs a file name");
        // The read-only argument does not matter: every presentation is opened read-only.
        return Variant::Dispatch(MakePresentation(m_session, m_session->Open(args[0].ToString())));
    }
};

class Application : public UnoObject {
public:
    using UnoObject::UnoObject;
    Variant Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) override {
        switch (id) {
        case kApplicationPresentations:
            return Variant::Dispatch(std::make_shared<Presentations>(m_session));
        case kApplicationQuit:
            m_session->Quit();
            return {};
        case kApplicationVisible:
        case kApplicationWindowState:
            // The office's own window never shows: the show is drawn in ours.
            return {};
        case kApplicationShowHostWindow:
            m_session->hostWindow = Value(args).ToInt64();
            return {};
        case kApplicationShowHostWidth:
            m_session->hostWidth = Value(args).ToInt();
            m_session->ResizeHostFrames();
            return {};
        case kApplicationShowHostHeight:
            m_session->hostHeight = Value(args).ToInt();
            m_session->ResizeHostFrames();
            return {};
        default:
            (void)flags;
            NoMember("Application", id);
        }
    }
    HRESULT QueryConnectionPointContainer(ConnectionPointContainerPtr* container) override {
        *container = m_session->events;
        return S_OK;
    }
};

}  // namespace

DispatchPtr MakeApplication(std::shared_ptr<UnoSession> session) {
    return std::make_shared<Application>(std::move(session));
}

DispatchPtr MakePresentation(std::shared_ptr<UnoSession> session, DocumentPtr document) {
    return std::make_shared<Presentation>(std::move(session), std::move(document));
}

DispatchPtr MakeShowWindow(std::shared_ptr<UnoSession> session, DocumentPtr document) {
    return std::make_shared<ShowWindow>(std::move(session), std::move(document));
}

}  // namespace kv::uno
