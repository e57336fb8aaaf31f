#pragma once
// A slide's own timing as the office keeps it on the page.
#include <com/sun/star/beans/XPropertySet.hpp>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

struct PageTiming {
    sal_Int32 change = 0;  // 0 waits for a click; 1 and 2 move on after `seconds`
    double seconds = 0;
};

inline PageTiming ReadPageTiming(const Reference<css::beans::XPropertySet>& page) {
    PageTiming timing;
    sal_Int32 duration = 0;
    page->getPropertyValue("Change") >>= timing.change;
    page->getPropertyValue("Duration") >>= duration;
    page->getPropertyValue("HighResDuration") >>= timing.seconds;
    if (timing.seconds <= 0) timing.seconds = duration;
    return timing;
}

}  // namespace kv::uno
