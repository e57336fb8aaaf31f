#pragma once
// A slide's own timing as the office keeps it on the page.
#include <com/sun/star/beans/XPropertySet.hpp>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

struct PageTiming {
    sal_Int32 change = 0;  // 1 moves on after `seconds`; 0 and 2 (effects run by themselves) wait for a click
    double seconds = 0;
    bool OnTime() const { return change == 1; }
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
