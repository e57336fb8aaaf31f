#include <gtest/gtest.h>

#include <set>

#include "HelperProcess.h"
#include "app/core/AppMessages.h"
#include "support/TempDir.h"

using namespace kv;

namespace {
const UINT* const kAll[] = {&UWM_ONE_INSTANCE,      &UWM_SLIDESHOWEND,      &UWM_IS_SLIDESHOW_ENDED,
                            &UWM_RECORDER_ERROR,    &UWM_CONTINUESLIDESHOW, &UWM_STARTRECORDING,
                            &UWM_SLIDESHOWLAUNCHERROR, &UWM_SHOWTASKBAR,    &UWM_SHOWPPTCONTAINERDLG,
                            &UWM_DIALOGEND,         &UWM_MERGE_PROGRESS,    &UWM_CONVERSIONEND};
}  // namespace

TEST(AppMessages, NumbersAreDistinctRegisteredAndTheSameInAnotherProcess) {
    std::set<UINT> seen;
    for (const UINT* number : kAll) {
        EXPECT_GE(*number, 0xC000u);
        EXPECT_LE(*number, 0xFFFFu);
        EXPECT_TRUE(seen.insert(*number).second) << *number;
    }
    EXPECT_EQ(UWM_ONE_INSTANCE, RegisterWindowMessage("UWM_ONE_INSTANCE-{DF7FCCA5-B019-4ea3-97BD-436833BBB70D}"));
    EXPECT_EQ(WM_SKIN_HOVER, 0x7E9u);
    EXPECT_EQ(WM_SKIN_CLICK, 0x7EAu);

    kvtest::TempDir dir;
    auto other = kvtest::StartHelper({"messages"}, dir / "numbers.txt");
    ASSERT_EQ(other.Wait(10000), 0);
    const auto lines = kvtest::ReadLines(dir / "numbers.txt");
    ASSERT_EQ(lines.size(), std::size(kAll));
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], std::to_string(*kAll[i])) << i;
}
