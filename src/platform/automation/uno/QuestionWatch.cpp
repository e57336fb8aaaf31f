#include "platform/automation/uno/QuestionWatch.h"

#include <com/sun/star/accessibility/AccessibleRole.hpp>
#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/XAccessibleAction.hpp>
#include <com/sun/star/accessibility/XAccessibleContext.hpp>
#include <com/sun/star/accessibility/XAccessibleText.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XMessageBox.hpp>
#include <com/sun/star/awt/XWindow2.hpp>

#include <array>
#include <functional>
#include <vector>

#include "platform/automation/uno/OfficeLoopCall.h"
#include "platform/core/Trace.h"
#include "platform/x11/DialogWindows.h"

namespace kv::uno {

namespace a11y = css::accessibility;

namespace {

constexpr auto kLookEvery = std::chrono::milliseconds(200);

// What the window says and the buttons it offers, read through its accessibility tree.
struct WindowContents {
    std::string text;
    std::vector<std::pair<std::string, Reference<a11y::XAccessibleAction>>> buttons;
};

void Collect(const Reference<a11y::XAccessibleContext>& context, WindowContents& contents, int depth) {
    if (!context.is() || depth > 6) return;
    const sal_Int16 role = context->getAccessibleRole();
    if (role == a11y::AccessibleRole::PUSH_BUTTON) {
        Reference<a11y::XAccessibleAction> action(context, UNO_QUERY);
        if (action.is()) contents.buttons.emplace_back(FromOU(context->getAccessibleName()), action);
        return;
    }
    if (role == a11y::AccessibleRole::LABEL || role == a11y::AccessibleRole::TEXT ||
        role == a11y::AccessibleRole::PARAGRAPH || role == a11y::AccessibleRole::STATIC) {
        Reference<a11y::XAccessibleText> text(context, UNO_QUERY);
        std::string said = text.is() ? FromOU(text->getText()) : FromOU(context->getAccessibleName());
        if (said.empty()) said = FromOU(context->getAccessibleName());
        if (!said.empty()) contents.text += (contents.text.empty() ? "" : " ") + said;
    }
    const sal_Int64 children = context->getAccessibleChildCount();
    for (sal_Int64 i = 0; i < children && i < 64; ++i) {
        Reference<a11y::XAccessible> child = context->getAccessibleChild(static_cast<sal_Int32>(i));
        if (child.is()) Collect(child->getAccessibleContext(), contents, depth + 1);
    }
}

// The button that changes nothing; null when the window offers none of them.
Reference<a11y::XAccessibleAction> HarmlessButton(const WindowContents& contents) {
    static const std::array<const char*, 6> harmless = {"Cancel", "No", "Don't Save", "Close", "OK", "Abort"};
    for (const char* wanted : harmless)
        for (const auto& [name, action] : contents.buttons) {
            std::string plain;
            for (char c : name)
                if (c != '~' && c != '_') plain += c;
            if (plain == wanted) return action;
        }
    return nullptr;
}

}  // namespace

QuestionWatch::QuestionWatch(Reference<css::uno::XComponentContext> context, pid_t group)
    : m_context(std::move(context)), m_group(group) {
    m_thread = std::thread([this] { Run(); });
}

QuestionWatch::~QuestionWatch() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void QuestionWatch::CallStarted() {
    std::lock_guard lock(m_mutex);
    m_pending = true;
    ++m_call;
    m_since = std::chrono::steady_clock::now();
    m_asked.clear();
    m_wake.notify_all();
}

std::string QuestionWatch::CallEnded() {
    std::lock_guard lock(m_mutex);
    m_pending = false;
    return std::move(m_asked);
}

void QuestionWatch::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (!m_pending) {
            m_wake.wait(lock);
            continue;
        }
        const auto due = m_since + kLookAfter;
        if (std::chrono::steady_clock::now() < due) {
            m_wake.wait_until(lock, due);
            continue;
        }
        const std::uint64_t call = m_call;
        lock.unlock();
        try {
            // Asking the office about its windows while it starts a show upsets
            // the show: it is asked only once it shows a dialog window.
            if (ProcessGroupShowsDialog(m_group)) LookInOfficeLoop(call);
        } catch (const css::uno::Exception&) {
            // The office went away or the window closed while we looked.
        }
        lock.lock();
        if (!m_stop) m_wake.wait_for(lock, kLookEvery);
    }
}

void QuestionWatch::LookInOfficeLoop(std::uint64_t call) {
    const std::function<void()> look = [this, call] { AnswerOpenQuestion(call); };
    rtl::Reference<OfficeLoopCall> posted = new OfficeLoopCall(look);
    posted->Post(m_context);
    posted->WaitFor(kLookLimit);  // an office busy elsewhere asks nothing: looked at again later
}

void QuestionWatch::NoteQuestion(std::uint64_t call, const std::string& asked) {
    std::lock_guard lock(m_mutex);
    if (m_pending && m_call == call && m_asked.empty()) m_asked = asked;
}

std::string QuestionWatch::AnswerOpenQuestion(std::uint64_t call) {
    if (!m_toolkit.is()) m_toolkit.set(css::awt::Toolkit::create(m_context), UNO_QUERY_THROW);
    const Reference<css::awt::XExtendedToolkit> toolkit = m_toolkit;
    // Listing the top windows is marked as unsafe against windows opening or
    // closing meanwhile: on the office's main thread, where this runs, none can.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const sal_Int32 count = toolkit->getTopWindowCount();
    for (sal_Int32 i = 0; i < count; ++i) {
        Reference<css::awt::XTopWindow> top = toolkit->getTopWindow(i);
#pragma GCC diagnostic pop
        // Only dialogs and message boxes are looked into.
        const bool question = Reference<css::awt::XDialog>(top, UNO_QUERY).is() ||
                              Reference<css::awt::XMessageBox>(top, UNO_QUERY).is();
        Reference<css::awt::XWindow2> window(top, UNO_QUERY);
        Reference<a11y::XAccessible> accessible(top, UNO_QUERY);
        if (!question || !window.is() || !accessible.is() || !window->isVisible()) continue;
        Reference<a11y::XAccessibleContext> context = accessible->getAccessibleContext();
        if (!context.is()) continue;
        const sal_Int16 role = context->getAccessibleRole();
        if (role != a11y::AccessibleRole::DIALOG && role != a11y::AccessibleRole::ALERT &&
            role != a11y::AccessibleRole::FILE_CHOOSER && role != a11y::AccessibleRole::OPTION_PANE)
            continue;
        WindowContents contents;
        Collect(context, contents, 0);
        std::string asked = contents.text.empty() ? FromOU(context->getAccessibleName()) : contents.text;
        if (asked.empty()) asked = "a question without text";
        Reference<a11y::XAccessibleAction> answer = HarmlessButton(contents);
        TraceF("Office asked: %s (%s)\n", asked.c_str(), answer.is() ? "answered" : "closed");
        NoteQuestion(call, asked);
        if (answer.is())
            answer->doAccessibleAction(0);
        else
            window->setVisible(false);  // ends a modal run that offers no harmless button
        return asked;
    }
    return {};
}

}  // namespace kv::uno
