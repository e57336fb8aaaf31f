#include "platform/automation/ScriptedOffice.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>

#include "platform/automation/AutomationServers.h"
#include "platform/automation/EventConnectionPoint.h"

namespace kv {

namespace {
// Member numbers as the office's type library has them (see the playback's
// member table); the scripted office answers the same numbers.
constexpr DISPID kCommandBarsDispid = 0x4B56F001;  // what GetIDsOfNames("CommandBars") answers

std::string ArgText(const Variant& v) {
    switch (v.vt) {
    case VT_BSTR: return v.bstrVal;
    case VT_R4: case VT_R8: {
        std::ostringstream text;
        text << v.dblVal;
        return text.str();
    }
    case VT_EMPTY: return "";
    case VT_ERROR: return v.IsMissing() ? "missing" : std::to_string(v.intVal);
    case VT_DISPATCH: case VT_BYREF | VT_DISPATCH: return "object";
    default: return std::to_string(v.intVal);
    }
}

// The steady clock's microseconds, as the show's own reports count them.
std::int64_t NowUs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::microseconds>(now).count();
}
}  // namespace

struct ScriptedOffice::State {
    mutable std::mutex mutex;
    std::map<std::string, ScriptedPresentation> presentations;
    std::map<std::string, HRESULT> failures;
    std::map<std::string, HRESULT> failOnce;
    std::map<std::string, HRESULT> connectionFailures;
    std::set<std::string> empties;
    std::vector<std::string> calls;
    HRESULT createFailure = S_OK;
    std::string openPath;
    bool showRunning = false;
    int position = 0;
    std::int64_t shownSinceUs = 0;  // steady clock, when the position last changed
    int viewState = 1;
    int runCount = 0;
    bool quit = false;
    bool crashed = false;
    std::atomic<long> live{0};
    std::vector<std::string> progIds;
};

// One object of the scripted office: its kind says which members it has.
class ScriptedObject : public DispatchObject {
public:
    ScriptedObject(std::shared_ptr<ScriptedOffice> office, std::string kind, int index = 0,
                   std::vector<size_t> menuPath = {})
        : m_office(std::move(office)), m_kind(std::move(kind)), m_index(index), m_menuPath(std::move(menuPath)) {
        ++m_office->m_state->live;
    }
    ~ScriptedObject() override { --m_office->m_state->live; }

    Variant Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) override;
    HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override {
        if (m_kind == "Application" && name == "CommandBars") {
            *id = kCommandBarsDispid;
            return S_OK;
        }
        return DispatchObject::GetIDsOfNames(name, id);
    }
    HRESULT QueryConnectionPointContainer(ConnectionPointContainerPtr* container) override {
        HRESULT hr = m_office->ConnectionStep("QueryInterface");
        if (m_kind != "Application" || FAILED(hr)) {
            container->reset();
            return m_kind != "Application" ? E_NOINTERFACE : hr;
        }
        *container = std::make_shared<ContainerWrapper>(m_office);
        return S_OK;
    }

private:
    // Lets the office fail FindConnectionPoint and Advise on demand.
    struct ContainerWrapper : IConnectionPointContainer, IConnectionPoint {
        explicit ContainerWrapper(std::shared_ptr<ScriptedOffice> office) : office(std::move(office)) {}
        HRESULT FindConnectionPoint(const IID& riid, ConnectionPointPtr* point) override {
            HRESULT hr = office->ConnectionStep("FindConnectionPoint");
            if (FAILED(hr)) return hr;
            ConnectionPointPtr inner;
            hr = office->Events()->FindConnectionPoint(riid, &inner);
            if (SUCCEEDED(hr)) *point = std::make_shared<ContainerWrapper>(office);
            return hr;
        }
        HRESULT Advise(IUnknown* sink, DWORD* cookie) override {
            HRESULT hr = office->ConnectionStep("Advise");
            return FAILED(hr) ? hr : office->Events()->Advise(sink, cookie);
        }
        HRESULT Unadvise(DWORD cookie) override { return office->Events()->Unadvise(cookie); }
        std::shared_ptr<ScriptedOffice> office;
    };

    Variant Object(const std::string& member, const std::string& kind, int index = 0,
                   std::vector<size_t> menuPath = {}) {
        if (m_office->m_state->empties.count(member)) return Variant::Dispatch(nullptr);
        return Variant::Dispatch(std::make_shared<ScriptedObject>(m_office, kind, index, std::move(menuPath)));
    }
    Variant Member(const std::string& member, WORD flags, const std::vector<Variant>& args);
    Variant ApplicationMember(const std::string& member, const std::vector<Variant>& args);
    Variant PresentationMember(const std::string& member, const std::vector<Variant>& args);
    Variant ShowMember(const std::string& member, const std::vector<Variant>& args);
    Variant MenuMember(const std::string& member, const std::vector<Variant>& args);
    const ScriptedMenuItem* MenuItem() const;
    std::string MemberName(DISPID id, WORD flags) const;

    std::shared_ptr<ScriptedOffice> m_office;
    std::string m_kind;
    int m_index;
    std::vector<size_t> m_menuPath;
};

std::string ScriptedObject::MemberName(DISPID id, WORD flags) const {
    static const std::map<std::pair<std::string, DISPID>, std::string> names = {
        {{"Application", 2001}, "Presentations"}, {{"Application", 2021}, "Quit"},
        {{"Application", 2029}, "WindowState"}, {{"Application", 2030}, "Visible"},
        {{"Application", 0x4B560001}, "ShowHostWindow"}, {{"Application", 0x4B560002}, "ShowHostWidth"},
        {{"Application", 0x4B560003}, "ShowHostHeight"}, {{"Application", kCommandBarsDispid}, "CommandBars"},
        {{"Presentations", 2004}, "Open"}, {{"Presentation", 2011}, "Slides"},
        {{"Presentation", 2015}, "SlideShowSettings"}, {{"Presentation", 2039}, "Close"},
        {{"Slides", 11}, "Count"}, {{"Slides", 0}, "Item"}, {{"Slide", 2005}, "SlideShowTransition"},
        {{"SlideShowTransition", 2003}, "AdvanceOnClick"}, {{"SlideShowTransition", 2004}, "AdvanceOnTime"},
        {{"SlideShowTransition", 2005}, "AdvanceTime"}, {{"SlideShowSettings", 2007}, "AdvanceMode"},
        {{"SlideShowSettings", 2008}, "Run"}, {{"SlideShowSettings", 2010}, "ShowType"},
        {{"SlideShowSettings", 2014}, "RangeType"}, {{"SlideShowWindow", 2003}, "View"},
        {{"SlideShowWindow", 2012}, "Activate"}, {{"SlideShowView", 2006}, "State"},
        {{"SlideShowView", 2019}, "Next"}, {{"SlideShowView", 2027}, "CurrentShowPosition"},
        {{"SlideShowView", 0x4B560030}, "SlideShownSince"},
        {{"CommandBars", 0x60030001}, "ActiveMenuBar"}, {{"CommandBar", 0x60040003}, "Controls"},
        {{"CommandBar", 0x60040007}, "FindControl"}, {{"CommandBarControls", 0x60030001}, "Count"},
        {{"CommandBarControls", 0}, "Item"}, {{"CommandBarControl", 0x60040003}, "Caption"},
        {{"CommandBarControl", 0x60040013}, "Id"}, {{"CommandBarControl", 0x6004000C}, "Execute"},
        {{"CommandBarControl", 0x60050001}, "Controls"},
    };
    auto it = names.find({m_kind, id});
    if (it == names.end()) throw AutomationException(DISP_E_MEMBERNOTFOUND, m_kind + " has no member " + std::to_string(id));
    return m_kind + "." + it->second + ((flags & DISPATCH_PROPERTYPUT) ? "=" : "");
}

Variant ScriptedObject::Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) {
    auto& state = *m_office->m_state;
    std::string member = MemberName(id, flags);
    {
        std::lock_guard lock(state.mutex);
        std::string entry = member;
        if (flags & DISPATCH_PROPERTYPUT) {
            entry += args.empty() ? "" : ArgText(args.back());
        } else if (!args.empty()) {
            entry += "(";
            for (size_t i = 0; i < args.size(); ++i) entry.append(i ? "," : "").append(ArgText(args[i]));
            entry += ")";
        }
        state.calls.push_back(entry);
        if (state.quit) throw AutomationException(RPC_E_DISCONNECTED, "the office has quit");
        if (state.crashed) throw AutomationException(RPC_E_DISCONNECTED, "the office has gone away");
        auto failure = state.failures.find(member);
        if (failure != state.failures.end()) throw AutomationException(failure->second, member + " failed");
        if (auto once = state.failOnce.find(member); once != state.failOnce.end()) {
            const HRESULT hr = once->second;
            state.failOnce.erase(once);
            throw AutomationException(hr, member + " failed");
        }
    }
    return Member(member, flags, args);
}

Variant ScriptedObject::Member(const std::string& member, WORD, const std::vector<Variant>& args) {
    static const std::set<std::string> documentKinds = {"Presentations", "Presentation", "Slides", "Slide",
                                                        "SlideShowTransition"};
    static const std::set<std::string> showKinds = {"SlideShowSettings", "SlideShowWindow", "SlideShowView"};
    if (m_kind == "Application") return ApplicationMember(member, args);
    if (documentKinds.count(m_kind)) return PresentationMember(member, args);
    if (showKinds.count(m_kind)) return ShowMember(member, args);
    return MenuMember(member, args);
}

Variant ScriptedObject::ApplicationMember(const std::string& member, const std::vector<Variant>&) {
    if (member == "Application.Presentations") return Object(member, "Presentations");
    if (member == "Application.CommandBars") return Object(member, "CommandBars");
    if (member == "Application.Quit") {
        std::lock_guard lock(m_office->m_state->mutex);
        m_office->m_state->quit = true;
    }
    return {};
}

Variant ScriptedObject::PresentationMember(const std::string& member, const std::vector<Variant>& args) {
    auto& state = *m_office->m_state;
    std::unique_lock lock(state.mutex);
    if (member == "Presentations.Open") {
        if (args.size() != 4) throw AutomationException(DISP_E_BADPARAMCOUNT, "Open takes four arguments");
        auto it = state.presentations.find(args[0].ToString());
        if (it == state.presentations.end()) throw AutomationException(E_FAIL, "cannot open " + args[0].ToString());
        it->second.open = true;
        it->second.openedWith = ArgText(args[1]) + "," + ArgText(args[2]) + "," + ArgText(args[3]);
        state.openPath = it->first;
        lock.unlock();
        return Object(member, "Presentation");
    }
    ScriptedPresentation& p = state.presentations.at(state.openPath);
    const int count = static_cast<int>(p.slides.size());
    if (member == "Presentation.Slides") return lock.unlock(), Object(member, "Slides");
    if (member == "Presentation.SlideShowSettings") return lock.unlock(), Object(member, "SlideShowSettings");
    if (member == "Presentation.Close") p.closed = true, p.open = false;
    if (member == "Slides.Count") return Variant::I4(count);
    if (member == "Slides.Item") {
        int index = args.empty() ? 0 : args[0].ToInt();
        if (index < 1 || index > count) throw AutomationException(E_INVALIDARG, "no slide " + std::to_string(index));
        return lock.unlock(), Object(member, "Slide", index);
    }
    if (member == "Slide.SlideShowTransition") return lock.unlock(), Object(member, "SlideShowTransition", m_index);
    if (member.starts_with("SlideShowTransition.")) {
        ScriptedSlide& slide = p.slides.at(static_cast<size_t>(m_index - 1));
        if (member == "SlideShowTransition.AdvanceOnClick=") slide.advanceOnClick = args.back().ToInt();
        if (member == "SlideShowTransition.AdvanceOnTime=") slide.advanceOnTime = args.back().ToInt();
        if (member == "SlideShowTransition.AdvanceTime=") slide.advanceTime = args.back().ToFloat();
        if (member == "SlideShowTransition.AdvanceOnTime") return Variant::I4(slide.advanceOnTime);
    }
    return {};
}

Variant ScriptedObject::ShowMember(const std::string& member, const std::vector<Variant>& args) {
    auto& state = *m_office->m_state;
    std::unique_lock lock(state.mutex);
    ScriptedPresentation& p = state.presentations.at(state.openPath);
    if (member == "SlideShowSettings.AdvanceMode=") p.advanceMode = args.back().ToInt();
    if (member == "SlideShowSettings.ShowType=") p.showType = args.back().ToInt();
    if (member == "SlideShowSettings.RangeType=") p.rangeType = args.back().ToInt();
    if (member == "SlideShowSettings.Run") {
        bool starting = !state.showRunning;
        ++state.runCount;
        if (starting) state.showRunning = true, state.position = 1, state.viewState = 1, state.shownSinceUs = NowUs();
        lock.unlock();
        Variant window = Object(member, "SlideShowWindow");
        if (starting) m_office->FireEvent(2011, {window});
        return window;
    }
    if (m_kind == "SlideShowSettings") return {};
    if (!state.showRunning && member != "SlideShowWindow.Activate")
        throw AutomationException(E_FAIL, "the slide show has ended");
    if (member == "SlideShowWindow.View") return lock.unlock(), Object(member, "SlideShowView");
    if (member == "SlideShowView.State") return Variant::I4(state.viewState);
    if (member == "SlideShowView.State=") state.viewState = args.back().ToInt();
    if (member == "SlideShowView.CurrentShowPosition") return Variant::I4(state.position);
    if (member == "SlideShowView.SlideShownSince") return Variant::I8(state.shownSinceUs);
    if (member == "SlideShowView.Next") {
        lock.unlock();
        m_office->AdvanceShow();
    }
    return {};
}

const ScriptedMenuItem* ScriptedObject::MenuItem() const {
    const std::vector<ScriptedMenuItem>* items = &m_office->menuBar;
    const ScriptedMenuItem* item = nullptr;
    for (size_t index : m_menuPath) {
        if (index >= items->size()) return nullptr;
        item = &(*items)[index];
        items = &item->items;
    }
    return item;
}

Variant ScriptedObject::MenuMember(const std::string& member, const std::vector<Variant>& args) {
    const ScriptedMenuItem* item = MenuItem();
    const std::vector<ScriptedMenuItem>& items = item ? item->items : m_office->menuBar;
    if (member == "CommandBars.ActiveMenuBar") return Object(member, "CommandBar");
    if (member == "CommandBar.Controls" || member == "CommandBarControl.Controls")
        return Object(member, "CommandBarControls", 0, m_menuPath);
    if (member == "CommandBarControls.Count") return Variant::I4(static_cast<int>(items.size()));
    if (member == "CommandBarControls.Item") {
        int index = args.empty() ? 0 : args[0].ToInt();
        if (index < 1 || index > static_cast<int>(items.size())) throw AutomationException(E_INVALIDARG, "no control");
        auto path = m_menuPath;
        path.push_back(static_cast<size_t>(index - 1));
        return Object(member, "CommandBarControl", 0, std::move(path));
    }
    if (member == "CommandBar.FindControl") {
        int id = args.size() > 1 ? args[1].ToInt() : 0;
        for (size_t i = 0; i < m_office->menuBar.size(); ++i)
            if (m_office->menuBar[i].id == id && !m_office->menuBar[i].items.empty())
                return Object(member, "CommandBarControl", 0, {i});
        return Variant::Dispatch(nullptr);
    }
    if (!item) throw AutomationException(E_FAIL, "the control is gone");
    if (member == "CommandBarControl.Caption") return Variant::Bstr(item->caption);
    if (member == "CommandBarControl.Id") return Variant::I4(item->id);
    if (member == "CommandBarControl.Execute" && item->onExecute) item->onExecute();
    return {};
}

ScriptedOffice::ScriptedOffice() : m_state(std::make_unique<State>()), m_events(std::make_shared<EventConnectionPoint>(DIID_EApplication)) {}

ScriptedOffice::~ScriptedOffice() = default;

std::shared_ptr<ScriptedOffice> ScriptedOffice::Create() { return std::shared_ptr<ScriptedOffice>(new ScriptedOffice()); }

void ScriptedOffice::Register(const std::string& progId, const std::string& curVer) {
    std::weak_ptr<ScriptedOffice> weak = weak_from_this();
    RegisterAutomationServer(
        progId,
        [weak](DispatchPtr* object) -> HRESULT {
            auto office = weak.lock();
            if (!office) return CO_E_SERVER_EXEC_FAILURE;
            {
                std::lock_guard lock(office->m_state->mutex);
                if (FAILED(office->m_state->createFailure)) return office->m_state->createFailure;
                office->m_state->calls.push_back("CreateDispatch");
                // A quit office starts afresh.
                if (office->m_state->quit) office->m_state->quit = false, office->m_state->showRunning = false;
            }
            *object = std::make_shared<ScriptedObject>(office, "Application");
            return S_OK;
        },
        curVer);
}

void ScriptedOffice::FailCreate(HRESULT hr) {
    std::lock_guard lock(m_state->mutex);
    m_state->createFailure = hr;
}

void ScriptedOffice::AddPresentation(const std::string& path, int slideCount) {
    std::lock_guard lock(m_state->mutex);
    m_state->presentations[path].slides.assign(static_cast<size_t>(slideCount), ScriptedSlide{});
}

void ScriptedOffice::SetOwnTiming(const std::string& path, int index, float seconds) {
    std::lock_guard lock(m_state->mutex);
    ScriptedSlide& slide = m_state->presentations.at(path).slides.at(static_cast<size_t>(index - 1));
    slide.advanceOnTime = -1;
    slide.advanceTime = seconds;
}

ScriptedPresentation ScriptedOffice::Presentation(const std::string& path) const {
    std::lock_guard lock(m_state->mutex);
    auto it = m_state->presentations.find(path);
    return it == m_state->presentations.end() ? ScriptedPresentation{} : it->second;
}

void ScriptedOffice::FailOn(const std::string& member, HRESULT hr) {
    std::lock_guard lock(m_state->mutex);
    m_state->failures[member] = hr;
}

void ScriptedOffice::FailOnce(const std::string& member, HRESULT hr) {
    std::lock_guard lock(m_state->mutex);
    m_state->failOnce[member] = hr;
}

void ScriptedOffice::FailConnection(const std::string& step, HRESULT hr) {
    std::lock_guard lock(m_state->mutex);
    m_state->connectionFailures[step] = hr;
}

HRESULT ScriptedOffice::ConnectionStep(const std::string& step) {
    std::lock_guard lock(m_state->mutex);
    m_state->calls.push_back(step);
    auto it = m_state->connectionFailures.find(step);
    return it == m_state->connectionFailures.end() ? S_OK : it->second;
}

void ScriptedOffice::AnswerEmpty(const std::string& member) {
    std::lock_guard lock(m_state->mutex);
    m_state->empties.insert(member);
}

std::vector<std::string> ScriptedOffice::Calls() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->calls;
}

bool ScriptedOffice::Called(const std::string& entry) const {
    auto calls = Calls();
    return std::find(calls.begin(), calls.end(), entry) != calls.end();
}

void ScriptedOffice::ClearCalls() {
    std::lock_guard lock(m_state->mutex);
    m_state->calls.clear();
}

bool ScriptedOffice::ShowRunning() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->showRunning;
}

int ScriptedOffice::ShowPosition() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->position;
}

int ScriptedOffice::ViewState() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->viewState;
}

int ScriptedOffice::RunCount() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->runCount;
}

void ScriptedOffice::AdvanceShow() {
    bool nextSlide = false;
    {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->showRunning) return;
        const int count = static_cast<int>(m_state->presentations[m_state->openPath].slides.size());
        if (m_state->position <= count) ++m_state->position, m_state->shownSinceUs = NowUs();
        nextSlide = m_state->position <= count;
    }
    if (nextSlide) FireEvent(2013, {Variant::Dispatch(std::make_shared<ScriptedObject>(shared_from_this(), "SlideShowWindow"))});
}

void ScriptedOffice::EndShow() {
    {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->showRunning) return;
        m_state->showRunning = false;
    }
    FireEvent(2014, {Variant::Dispatch(std::make_shared<ScriptedObject>(shared_from_this(), "Presentation"))});
}

void ScriptedOffice::Crash() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->crashed = true;
    }
    EndShow();
}

void ScriptedOffice::FireEvent(DISPID id, std::vector<Variant> args) { m_events->Fire(id, std::move(args)); }

size_t ScriptedOffice::SinkCount() const { return m_events->ConnectionCount(); }

bool ScriptedOffice::Quit() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->quit;
}

long ScriptedOffice::LiveObjects() const { return m_state->live.load(); }

}  // namespace kv
