#include "platform/automation/uno/UnoSession.h"

#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XDocumentEventBroadcaster.hpp>
#include <com/sun/star/document/XTypeDetection.hpp>
#include <com/sun/star/util/XModifiable2.hpp>
#include <osl/file.hxx>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/automation/uno/ClickSteps.h"
#include "platform/automation/uno/DeckLinks.h"
#include "platform/automation/uno/DeckChecks.h"
#include "platform/automation/uno/InteractionBlocker.h"
#include "platform/automation/uno/OfficeLocks.h"
#include "platform/automation/uno/OwnTimings.h"
#include "platform/automation/uno/PageTiming.h"
#include "platform/automation/uno/ShapePictures.h"
#include "platform/automation/uno/ShowClock.h"
#include "platform/automation/uno/ShowListener.h"
#include "platform/automation/uno/SidePane.h"
#include "platform/automation/uno/UnoObjects.h"
#include "platform/core/SlidePlace.h"
#include "platform/core/Trace.h"
#include "platform/files/DeckLimits.h"
#include "platform/x11/InputShield.h"

namespace kv::uno {

namespace fs = std::filesystem;

namespace {

// The page number of each slide the show plays, in its order.
std::vector<int> ShowPages(const Reference<css::presentation::XSlideShowController>& controller) {
    std::vector<int> pages;
    for (sal_Int32 i = 0; i < controller->getSlideCount(); ++i) {
        Reference<css::beans::XPropertySet> page(controller->getSlideByIndex(i), UNO_QUERY_THROW);
        sal_Int16 number = 0;
        page->getPropertyValue("Number") >>= number;
        pages.push_back(number);
    }
    return pages;
}

// Per-page values (index = page number - 1) for the slides the show plays, in its order.
template <typename Value>
std::vector<Value> InShowOrder(const std::vector<Value>& perPage, const std::vector<int>& showPages) {
    std::vector<Value> shown;
    for (int number : showPages)
        shown.push_back(number >= 1 && number <= static_cast<int>(perPage.size()) ? perPage[number - 1] : Value(-1));
    return shown;
}

constexpr DISPID kEventSlideShowBegin = 2011;
constexpr DISPID kEventSlideShowEnd = 2014;
constexpr int kControllerLimitMs = 10000;
constexpr int kFirstSlideLimitMs = 3000;


// One property of a descriptor the office filled in; empty when it has none.
OUString Named(const css::uno::Sequence<css::beans::PropertyValue>& properties, const char* name) {
    OUString value;
    for (const auto& property : properties)
        if (property.Name.equalsAscii(name)) property.Value >>= value;
    return value;
}

// The office's filter for this file when it is a self-running show (.ppsx,
// .pps, also renamed): its "AutoPlay" filter would start a full-screen show of
// the office's own on loading, which our show then has to replace. Empty when
// the office's own choice is right.
OUString FilterWithoutAutoPlay(const Reference<css::uno::XComponentContext>& context, const OUString& url) {
    const auto services = context->getServiceManager();
    Reference<css::document::XTypeDetection> detection(
        services->createInstanceWithContext("com.sun.star.document.TypeDetection", context), UNO_QUERY_THROW);
    const css::beans::PropertyValue location = NamedProperty("URL", css::uno::Any(url));
    css::uno::Sequence<css::beans::PropertyValue> descriptor(&location, 1);
    const OUString type = detection->queryTypeByDescriptor(descriptor, true);
    OUString filter = Named(descriptor, "FilterName");
    if (filter.isEmpty() && !type.isEmpty()) {
        css::uno::Sequence<css::beans::PropertyValue> properties;
        Reference<css::container::XNameAccess>(detection, UNO_QUERY_THROW)->getByName(type) >>= properties;
        filter = Named(properties, "PreferredFilter");
    }
    const OUString autoPlay(" AutoPlay");
    if (!filter.endsWith(autoPlay)) return {};
    const OUString plain = filter.copy(0, filter.getLength() - autoPlay.getLength());
    Reference<css::container::XNameAccess> filters(
        services->createInstanceWithContext("com.sun.star.document.FilterFactory", context), UNO_QUERY_THROW);
    return filters->hasByName(plain) ? plain : OUString();
}

// A time of the deck's that no run could play (1e300 s, for ever) ends the
// start of its show with the reason, before anything is recorded.
void RefuseUnplayable(const Reference<css::beans::XPropertySet>& page, int slide, double seconds, double& show) {
    bool shown = true;
    page->getPropertyValue("Visible") >>= shown;
    if (!shown) return;
    double transition = 0;
    page->getPropertyValue("TransitionDuration") >>= transition;
    std::string refused = TransitionRefusal(slide, transition);
    if (refused.empty() && seconds >= 0) refused = SlideTimeRefusal(slide, seconds);
    if (refused.empty() && seconds >= 0) refused = ShowLengthRefusal(show += seconds);
    if (!refused.empty()) throw AutomationException(E_FAIL, refused);
}

// Nothing we do to a presentation (its timings, its show settings) may count
// as a change: a changed document makes the office ask about saving it.
void KeepUnmodified(const Reference<css::lang::XComponent>& model, bool fromNowOn) {
    Reference<css::util::XModifiable2> modifiable(model, UNO_QUERY);
    if (!modifiable.is()) return;
    if (modifiable->isModified()) modifiable->setModified(false);
    if (fromNowOn) modifiable->disableSetModified();
}

}  // namespace

void UnoDocument::SetOnScreen(int index) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::lock_guard lock(m_onScreenMutex);
    m_onScreen = {index, std::chrono::duration_cast<std::chrono::microseconds>(now).count()};
}

UnoDocument::OnScreen UnoDocument::GetOnScreen() const {
    std::lock_guard lock(m_onScreenMutex);
    return m_onScreen;
}

std::shared_ptr<UnoSession> UnoSession::Create(std::shared_ptr<OfficeConnection> office) {
    auto session = std::make_shared<UnoSession>(std::move(office));
    std::weak_ptr<UnoSession> weak = session;
    // An office that goes away in the middle of a show ends that show.
    session->office->OnDisconnect([weak] {
        auto self = weak.lock();
        if (!self) return;
        std::list<DocumentPtr> documents;
        {
            std::lock_guard lock(self->mutex);
            documents = self->documents;
        }
        for (auto& document : documents)
            if (document->controller.is()) self->ShowEnded(document);
    });
    return session;
}

UnoSession::UnoSession(std::shared_ptr<OfficeConnection> office)
    : office(std::move(office)), events(std::make_shared<EventConnectionPoint>(DIID_EApplication)) {}

UnoSession::~UnoSession() {
    office->OnDisconnect(nullptr);
    for (auto& document : documents) CloseQuietly(document);
}

Reference<css::frame::XFrame> UnoSession::MakeHostFrame() {
    Reference<css::frame::XFrame2> frame;
    office->Call([&] {
        const auto& context = office->Context();
        Reference<css::awt::XToolkit2> toolkit = css::awt::Toolkit::create(context);
        // The parent is a plain 64-bit X11 window id; the office's process id is not needed.
        css::uno::Sequence<sal_Int8> processId(16);
        Reference<css::awt::XWindowPeer> peer = toolkit->createSystemChild(
            css::uno::Any(static_cast<sal_Int64>(hostWindow)), processId, css::lang::SystemDependent::SYSTEM_XWINDOW);
        if (!peer.is()) throw AutomationException(E_FAIL, "The office could not draw into the slide area");
        Reference<css::awt::XWindow> window(peer, UNO_QUERY_THROW);
        if (hostWidth > 0 && hostHeight > 0) window->setPosSize(0, 0, hostWidth, hostHeight, css::awt::PosSize::POSSIZE);
        window->setVisible(true);
        frame = css::frame::Frame::create(context);
        frame->initialize(window);
        frame->setName("Kalvista - SlideShow ActiveX");
        office->Desktop()->getFrames()->append(Reference<css::frame::XFrame>(frame, UNO_QUERY_THROW));
    });
    return Reference<css::frame::XFrame>(frame, UNO_QUERY);
}

void UnoSession::ResizeHostFrames() {
    if (hostWidth <= 0 || hostHeight <= 0) return;
    std::list<DocumentPtr> open;
    {
        std::lock_guard lock(mutex);
        open = documents;
    }
    for (auto& document : open) {
        if (!document->frame.is()) continue;
        auto frame = document->frame;
        office->Call([&] { frame->getContainerWindow()->setPosSize(0, 0, hostWidth, hostHeight, css::awt::PosSize::SIZE); });
    }
}

void UnoSession::HideOfficeUi(const Reference<css::frame::XFrame>& frame) {
    try {
        office->Call([&] {
            Reference<css::beans::XPropertySet> properties(frame, UNO_QUERY_THROW);
            Reference<css::frame::XLayoutManager> layout;
            properties->getPropertyValue("LayoutManager") >>= layout;
            if (layout.is()) layout->setVisible(false);
        });
    } catch (const AutomationException&) {
        // Menus left visible do not stop the show; it covers the whole window.
    }
}

std::string UnoSession::Load(const DocumentPtr& document, const OUString& url, OfficeQuestion& asked) {
    // Every question (a password, a repair) is answered "abort", so the load
    // fails instead of waiting for a click; no macros run. Read-only: we never
    // save, and the office then leaves no lock file beside the presentation.
    rtl::Reference<InteractionBlocker> blocker = new InteractionBlocker();
    const css::beans::PropertyValue properties[] = {
        NamedProperty("InteractionHandler", css::uno::Any(Reference<css::task::XInteractionHandler>(blocker.get()))),
        NamedProperty("Hidden", css::uno::Any(false)), NamedProperty("ReadOnly", css::uno::Any(true)),
        NamedProperty("MacroExecutionMode", css::uno::Any(css::document::MacroExecMode::NEVER_EXECUTE)),
        NamedProperty("UpdateDocMode", css::uno::Any(css::document::UpdateDocMode::NO_UPDATE)),
        NamedProperty("RepairPackage", css::uno::Any(false))};
    css::uno::Sequence<css::beans::PropertyValue> arguments(properties, std::size(properties));
    std::string failure;
    try {
        office->CallInOfficeLoop(
            [&] {
                OUString filter;
                try {
                    filter = FilterWithoutAutoPlay(office->Context(), url);
                } catch (const css::uno::RuntimeException&) {
                    throw;
                } catch (const css::uno::Exception&) {
                    // Not detected: the load below finds out and says why.
                }
                if (!filter.isEmpty()) {
                    arguments.realloc(arguments.getLength() + 1);
                    arguments.getArray()[arguments.getLength() - 1] = NamedProperty("FilterName", css::uno::Any(filter));
                }
                OpenWithSlidePane(office->Context());  // a shared office may have been told otherwise since
                Reference<css::frame::XComponentLoader> loader;
                if (document->frame.is())
                    loader.set(document->frame, UNO_QUERY_THROW);
                else
                    loader.set(office->Desktop(), UNO_QUERY_THROW);
                document->model = loader->loadComponentFromURL(url, document->frame.is() ? OUString("_self") : OUString("_blank"), 0, arguments);
                if (!document->model.is()) return;
                KeepUnmodified(document->model, true);
                Reference<css::lang::XServiceInfo> info(document->model, UNO_QUERY);
                Reference<css::presentation::XPresentationSupplier> supplier(document->model, UNO_QUERY);
                Reference<css::drawing::XDrawPagesSupplier> pages(document->model, UNO_QUERY);
                if (!info.is() || !info->supportsService("com.sun.star.presentation.PresentationDocument") ||
                    !supplier.is() || !pages.is())
                    return;
                document->presentation.set(supplier->getPresentation(), UNO_QUERY_THROW);
                document->slideCount = pages->getDrawPages()->getCount();
                if (document->slideCount > 0) {
                    Reference<css::beans::XPropertySet> first(pages->getDrawPages()->getByIndex(0), UNO_QUERY_THROW);
                    first->getPropertyValue("Width") >>= document->pageWidth;
                    first->getPropertyValue("Height") >>= document->pageHeight;
                }
                RestoreOwnTimings(document->opened, document->model);
                CloseOffLinks(office->Context(), document->model, office->PlacesFor(document->file, document->opened));
            },
            kLoadLimitMs);
    } catch (const AutomationException& e) {
        if (e.Result() == RPC_E_TIMEOUT || e.Result() == RPC_E_DISCONNECTED) throw;
        failure = e.what();
    }
    asked = blocker->FirstQuestion();
    return failure;
}

DocumentPtr UnoSession::Open(const std::string& path) {
    const fs::path file = fs::absolute(path);
    if (std::string refused = RefusedBeforeLoad(file); !refused.empty()) throw AutomationException(E_FAIL, refused);
    std::string why;
    const fs::path opened = office->Stage(file, &why);
    if (opened.empty()) throw AutomationException(E_FAIL, why);
    RemoveLockOfOurs(file, office->Profile());
    OUString url;
    osl::FileBase::getFileURLFromSystemPath(ToOU(opened.string()), url);
    auto document = std::make_shared<UnoDocument>();
    document->file = file;
    document->opened = opened;
    if (hostWindow != 0) document->frame = MakeHostFrame();
    OfficeQuestion asked = OfficeQuestion::None;
    Trace("Office opening the presentation\n");
    std::string failure = Load(document, url, asked);
    if (!document->model.is())
        failure = NotOpenedReason(file, asked, failure);
    else if (!document->presentation.is())
        failure = NotAPresentationReason(file);
    else if (document->slideCount == 0)
        failure = NoSlidesReason(file);
    else
        failure = SlideCountRefusal(file, document->slideCount);
    if (!failure.empty()) {
        CloseQuietly(document);
        throw AutomationException(E_FAIL, failure);
    }
    if (document->frame.is()) HideOfficeUi(document->frame);
    Trace("Office presentation opened\n");
    std::lock_guard lock(mutex);
    documents.push_back(document);
    return document;
}

void UnoSession::StartShow(const DocumentPtr& document) {
    if (document->controller.is() && !document->ended) return;  // already running: the same show
    std::vector<double> advanceAfter;
    std::vector<int> clickSteps;
    const bool sidePane = WaitForSidePane(*office, document->model, PaneWait::Shown);
    if (!sidePane) Trace("Office presentation has no pane beside its slide: its view is changed as its show starts\n");
    Trace("Office slide show starting\n");
    office->CallInOfficeLoop([&] {
        Reference<css::beans::XPropertySet> show(document->presentation, UNO_QUERY_THROW);
        show->setPropertyValue("IsFullScreen", css::uno::Any(false));
        show->setPropertyValue("IsAlwaysOnTop", css::uno::Any(false));
        show->setPropertyValue("IsMouseVisible", css::uno::Any(false));
        show->setPropertyValue("IsEndless", css::uno::Any(false));
        show->setPropertyValue("StartWithNavigator", css::uno::Any(false));
        show->setPropertyValue("IsShowAll", css::uno::Any(document->showAll));
        show->setPropertyValue("IsTransitionOnClick", css::uno::Any(!document->kiosk));
        advanceAfter = TakeOverTimings(document);
        clickSteps = ClickStepsPerPage(document->model);
        if (!document->foreignShapesDrawn) {
            document->foreignShapesDrawn = true;
            if (const int drawn = ShowShapesAsTheOfficeDrawsThem(office->Context(), document->model, PixelsPerUnit(document),
                                                                 kShapePicturesBudget))
                TraceF("Office shows %d shapes as pictures drawn on the slide's pixels\n", drawn);
        }
        KeepUnmodified(document->model, false);
        if (!sidePane) ChangeViewForShowStart(office->Context(), document->model);
        document->presentation->start();
    }, kShowStartLimitMs);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kControllerLimitMs);
    Reference<css::presentation::XSlideShowController> controller;
    while (!controller.is()) {
        office->Call([&] { controller = document->presentation->getController(); });
        if (controller.is()) break;
        if (std::chrono::steady_clock::now() > deadline) throw AutomationException(E_FAIL, "The slide show did not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Trace("Office slide show has its controller\n");
    document->slideShown = false;
    document->lastSlideEnded = false;
    document->SetOnScreen(0);
    document->endScreen = false;
    document->ended = false;
    // Listening from here on hears the first slide's effects begin: a first
    // slide that waits for a click never reports its effects ended.
    document->listener = new ShowListener(weak_from_this(), document);
    document->endWatch = new ShowEndWatch(weak_from_this(), document);
    office->Call([&] {
        controller->addSlideShowListener(document->listener.get());
        Reference<css::document::XDocumentEventBroadcaster> broadcaster(document->model, UNO_QUERY);
        if (broadcaster.is()) broadcaster->addDocumentEventListener(document->endWatch.get());
        Reference<css::lang::XComponent> component(controller, UNO_QUERY);
        if (component.is()) component->addEventListener(document->endWatch.get());
    });
    office->Call([&] { document->showPages = ShowPages(controller); });
    advanceAfter = InShowOrder(advanceAfter, document->showPages);
    clickSteps = InShowOrder(clickSteps, document->showPages);
    document->controller = controller;
    for (size_t i = 0; i < clickSteps.size(); ++i)
        if (clickSteps[i] > 0) TraceF("Office slide %d's effects wait for %d clicks\n", int(i) + 1, clickSteps[i]);
    const auto clock =
        std::make_shared<ShowClock>(shared_from_this(), document, std::move(advanceAfter), std::move(clickSteps));
    document->clock = clock;
    // The first slide's effects may have begun before there was a clock to hear it.
    if (document->slideShown) clock->EffectsBegan();
    // A click would still reach the show's own menu (end show, go to slide,
    // pen), whose open menu holds the office until someone closes it.
    if (document->kiosk && hostWindow != 0) document->shield = std::make_shared<x11::InputShield>(hostWindow);
    // A show paused before its first slide is on screen stays blank: callers
    // pause timed shows at once, so wait (briefly) for the first slide.
    const auto shown = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFirstSlideLimitMs);
    while (!document->slideShown && std::chrono::steady_clock::now() < shown)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Trace(document->slideShown ? "Office slide show started\n" : "Office slide show started, its first slide not yet shown\n");
    events->Fire(kEventSlideShowBegin, {Variant::Dispatch(MakeShowWindow(shared_from_this(), document))});
    // Timing starts now, on screen: a caller that waits for Play pauses it next.
    clock->Start();
}

void UnoSession::SetPaused(const DocumentPtr& document, bool pause) {
    if (document->endScreen) return;
    auto controller = document->controller;
    TraceF("Office slide show %s\n", pause ? "pausing" : "resuming");
    if (auto clock = document->clock.load()) clock->SetPaused(pause);
    document->holding = true;
    try {
        office->Call([&] { pause ? controller->pause() : controller->resume(); });
    } catch (...) {
        document->holding = false;
        throw;
    }
    document->holding = false;
}

double UnoSession::PixelsPerUnit(const DocumentPtr& document) const {
    constexpr double kScreenPixelsPerUnit = 96 / 2540.0;  // a full-screen show of the office's own, roughly
    const int width = areaWidth > 0 ? areaWidth : hostWidth, height = areaHeight > 0 ? areaHeight : hostHeight;
    if (width <= 0 || height <= 0 || document->pageWidth <= 0) return kScreenPixelsPerUnit;
    return double(SlidePlaceIn(width, height, document->pageWidth, document->pageHeight).width) / document->pageWidth;
}

std::vector<double> UnoSession::TakeOverTimings(const DocumentPtr& document) {
    Reference<css::drawing::XDrawPagesSupplier> supplier(document->model, UNO_QUERY_THROW);
    Reference<css::drawing::XDrawPages> pages = supplier->getDrawPages();
    std::vector<double> advanceAfter;
    double show = 0;
    for (sal_Int32 i = 0; i < pages->getCount(); ++i) {
        Reference<css::beans::XPropertySet> page(pages->getByIndex(i), UNO_QUERY_THROW);
        const PageTiming timing = ReadPageTiming(page);
        // Manual advance overrides the slides' own timings.
        const double seconds = timing.OnTime() && document->advanceMode != 1 ? timing.seconds : -1;
        RefuseUnplayable(page, i + 1, seconds, show);
        advanceAfter.push_back(seconds);
        page->setPropertyValue("Change", css::uno::Any(sal_Int32(0)));
    }
    return advanceAfter;
}

void UnoSession::ShowEnded(const DocumentPtr& document) {
    if (document->ended.exchange(true)) return;
    Trace("Office slide show ended\n");
    events->Fire(kEventSlideShowEnd, {Variant::Dispatch(MakePresentation(shared_from_this(), document))});
}

void UnoSession::CloseQuietly(const DocumentPtr& document) {
    if (document->closed) return;
    document->closed = true;
    document->ended = true;
    document->clock.store({});
    document->shield.reset();
    if (!office->Alive()) return;
    try {
        bool showEnded = false;
        office->CallInOfficeLoop([&] {
            if (document->controller.is() && document->listener.is())
                document->controller->removeSlideShowListener(document->listener.get());
            Reference<css::document::XDocumentEventBroadcaster> broadcaster(document->model, UNO_QUERY);
            if (broadcaster.is() && document->endWatch.is())
                broadcaster->removeDocumentEventListener(document->endWatch.get());
            Reference<css::lang::XComponent> component(document->controller, UNO_QUERY);
            if (component.is() && document->endWatch.is()) component->removeEventListener(document->endWatch.get());
            if (document->presentation.is() && document->presentation->isRunning()) {
                document->presentation->end();
                showEnded = true;
            }
        });
        // The show's end puts the panes beside the slide back in the
        // office's next turns. Closed before that, the presentation leaves
        // the office remembering them hidden, and the next presentation it
        // opens holds up its show's start for a minute.
        if (showEnded && !WaitForSidePane(*office, document->model, PaneWait::Asked))
            Trace("Office presentation closes without the pane beside its slide\n");
        office->CallInOfficeLoop([&] {
            // Closed without saving: the capture mode's changes are never kept.
            KeepUnmodified(document->model, false);
            Reference<css::util::XCloseable> closeable(document->model, UNO_QUERY);
            if (closeable.is()) closeable->close(true);
            Reference<css::lang::XComponent> frame(document->frame, UNO_QUERY);
            // The frame's window lives in our window: it goes with the frame,
            // before our window does, so an office that outlives this run
            // keeps no window whose parent has gone.
            Reference<css::lang::XComponent> window(document->frame.is() ? document->frame->getContainerWindow()
                                                                         : nullptr,
                                                    UNO_QUERY);
            if (frame.is()) frame->dispose();
            if (window.is()) window->dispose();
        });
    } catch (const AutomationException&) {
    }
    document->controller.clear();
    document->presentation.clear();
    document->model.clear();
    document->frame.clear();
    if (!document->file.empty()) RemoveLockOfOurs(document->file, office->Profile());
    Unstage(document->opened, document->file);
}

void UnoSession::Close(const DocumentPtr& document) {
    {
        std::lock_guard lock(mutex);
        documents.remove(document);
    }
    if (!office->Alive()) throw AutomationException(RPC_E_DISCONNECTED, "the office has gone away");
    CloseQuietly(document);
}

void UnoSession::Quit() {
    std::list<DocumentPtr> open;
    {
        std::lock_guard lock(mutex);
        open.swap(documents);
    }
    // A modified presentation left open would make the office ask about saving.
    for (auto& document : open) CloseQuietly(document);
    office->Quit();
}

}  // namespace kv::uno
