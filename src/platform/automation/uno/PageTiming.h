#pragma once
// A slide's own timing as the office keeps it on the page.
#include <com/sun/star/beans/XPropertySet.hpp>

#include <cmath>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

struct PageTiming {
    sal_Int32 change = 0;  // 1 moves on after `seconds`; 0 and 2 (effects run by themselves) wait for a click
    double seconds = 0;
    bool OnTime() const { return change == 1; }
};

// A time in whole seconds, as the page's "Duration" keeps it; a time beyond
// what that holds (or none at all) becomes its largest value.
inline sal_Int32 WholeSeconds(double seconds) {
    if (!(seconds >= 0)) return 0;
    if (seconds >= 2147483647.0) return 2147483647;
    return static_cast<sal_Int32>(std::lround(seconds));
}

// Sets a page's own time: the whole seconds first, as setting them resets the exact time.
inline void WritePageTime(const Reference<css::beans::XPropertySet>& page, double seconds) {
    page->setPropertyValue("Duration", css::uno::Any(WholeSeconds(seconds)));
    page->setPropertyValue("HighResDuration", css::uno::Any(seconds));
}

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
