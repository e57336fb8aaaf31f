#include "platform/automation/uno/OwnTimings.h"

#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/util/XModifiable2.hpp>

#include <cmath>

#include "platform/automation/uno/PageTiming.h"
#include "platform/files/PresentationPackage.h"

namespace kv::uno {

void RestoreOwnTimings(const std::filesystem::path& file, const Reference<css::lang::XComponent>& model) {
    const std::vector<double> times = OwnSlideTimesInPackage(file);
    Reference<css::drawing::XDrawPagesSupplier> supplier(model, UNO_QUERY);
    if (times.empty() || !supplier.is()) return;
    const Reference<css::drawing::XDrawPages> pages = supplier->getDrawPages();
    if (pages->getCount() != static_cast<sal_Int32>(times.size())) return;
    Reference<css::util::XModifiable2> modifiable(model, UNO_QUERY);
    const bool wasModified = modifiable.is() && modifiable->isModified();
    for (sal_Int32 i = 0; i < pages->getCount(); ++i) {
        if (times[i] < 0) continue;
        Reference<css::beans::XPropertySet> page(pages->getByIndex(i), UNO_QUERY_THROW);
        page->setPropertyValue("Change", css::uno::Any(sal_Int32(1)));
        // As the file says, however long: the show refuses what it cannot play.
        WritePageTime(page, times[i]);
    }
    // A changed document would make the office ask about saving it.
    if (modifiable.is() && !wasModified && modifiable->isModified()) modifiable->setModified(false);
}

}  // namespace kv::uno
