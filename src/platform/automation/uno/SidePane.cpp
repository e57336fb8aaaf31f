#include "platform/automation/uno/SidePane.h"

#include <com/sun/star/drawing/framework/AnchorBindingMode.hpp>
#include <com/sun/star/drawing/framework/ResourceActivationMode.hpp>
#include <com/sun/star/drawing/framework/ResourceId.hpp>
#include <com/sun/star/drawing/framework/XConfiguration.hpp>
#include <com/sun/star/drawing/framework/XConfigurationController.hpp>
#include <com/sun/star/drawing/framework/XControllerManager.hpp>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameReplace.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>

#include <chrono>
#include <thread>

#include "platform/core/Trace.h"

namespace kv::uno {

namespace {

namespace fw = css::drawing::framework;

constexpr const char* kPanes = "private:resource/pane/";
constexpr const char* kCenterPane = "private:resource/pane/CenterPane";
constexpr const char* kViewTabBar = "private:resource/toolbar/ViewTabBar";
constexpr auto kPaneLimit = std::chrono::seconds(5);

// Whether the configuration holds a pane other than the slide's own.
bool HasSidePane(const Reference<fw::XConfiguration>& configuration) {
    if (!configuration.is()) return false;
    const auto panes =
        configuration->getResources(nullptr, OUString::createFromAscii(kPanes), fw::AnchorBindingMode_DIRECT);
    for (const auto& pane : panes)
        if (pane.is() && pane->getResourceURL() != OUString::createFromAscii(kCenterPane)) return true;
    return false;
}

}  // namespace

bool WaitForSidePane(OfficeConnection& office, const Reference<css::lang::XComponent>& model, PaneWait wait) {
    Reference<fw::XConfigurationController> panes;
    bool shown = false, asked = false;
    const auto deadline = std::chrono::steady_clock::now() + kPaneLimit;
    for (;;) {
        office.Call([&] {
            if (!panes.is()) {
                Reference<css::frame::XModel> document(model, UNO_QUERY);
                Reference<fw::XControllerManager> manager(document.is() ? document->getCurrentController() : nullptr,
                                                          UNO_QUERY);
                if (manager.is()) panes = manager->getConfigurationController();
            }
            shown = !panes.is() || HasSidePane(panes->getCurrentConfiguration());
            asked = !panes.is() || HasSidePane(panes->getRequestedConfiguration());
        });
        if (wait == PaneWait::Asked ? asked : shown) return true;
        // A pane asked for comes in the office's next turns; one not asked for never comes.
        if ((wait == PaneWait::Shown && !asked) || std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void ChangeViewForShowStart(const Reference<css::uno::XComponentContext>& context,
                            const Reference<css::lang::XComponent>& model) {
    Reference<css::frame::XModel> document(model, UNO_QUERY);
    Reference<fw::XControllerManager> manager(document.is() ? document->getCurrentController() : nullptr, UNO_QUERY);
    const Reference<fw::XConfigurationController> panes =
        manager.is() ? manager->getConfigurationController() : nullptr;
    if (!panes.is()) return;
    const Reference<fw::XResourceId> tabBar = fw::ResourceId::createWithAnchorURL(
        context, OUString::createFromAscii(kViewTabBar), OUString::createFromAscii(kCenterPane));
    const Reference<fw::XConfiguration> current = panes->getCurrentConfiguration();
    if (current.is() && current->hasResource(tabBar))
        panes->requestResourceDeactivation(tabBar);
    else
        panes->requestResourceActivation(tabBar, fw::ResourceActivationMode_ADD);
}

void OpenWithSlidePane(const Reference<css::uno::XComponentContext>& context) {
    Reference<css::lang::XMultiServiceFactory> provider = css::configuration::theDefaultProvider::get(context);
    const OUString path("/org.openoffice.Office.Impress/MultiPaneGUI/SlideSorterBar/Visible");
    css::beans::NamedValue node("nodepath", css::uno::Any(path));
    const css::uno::Any argument(node);
    css::uno::Sequence<css::uno::Any> arguments(&argument, 1);
    Reference<css::container::XNameReplace> visible(
        provider->createInstanceWithArguments("com.sun.star.configuration.ConfigurationUpdateAccess", arguments),
        UNO_QUERY_THROW);
    bool shown = false;
    const Reference<css::container::XNameAccess> current(visible, UNO_QUERY_THROW);
    if ((current->getByName("ImpressView") >>= shown) && shown) return;
    visible->replaceByName("ImpressView", css::uno::Any(true));
    Reference<css::util::XChangesBatch>(visible, UNO_QUERY_THROW)->commitChanges();
    Trace("Office set to open presentations with their slide pane again\n");
}

}  // namespace kv::uno
