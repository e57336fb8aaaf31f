#include <gtest/gtest.h>

#include <fstream>

#include "app/core/RegSettings.h"
#include "app/core/SettingsCatalogue.h"
#include "support/TempDir.h"

using namespace kv;

TEST(RegSettings, ValuesRoundTripThroughTheFile) {
    kvtest::ScopedRegistry registry;
    CRegSettings store;
    const std::string awkward = "C:\\a \"quoted\"\nnew line ünïcödé 日本";
    EXPECT_EQ(store.SetString("File Properties", "PowerPointFileName", awkward), 1);
    EXPECT_EQ(store.SetDWORD("AVSettings", "FrameRate", 30), 1);
    EXPECT_EQ(store.GetString("File Properties", "PowerPointFileName", "x"), awkward);
    EXPECT_EQ(store.GetDWORD("AVSettings", "FrameRate", 5), 30u);
    EXPECT_EQ(store.GetDWORD("AVSettings", "Missing", 7), 7u);
    EXPECT_EQ(store.GetString("AVSettings", "Missing", nullptr), "");
    EXPECT_EQ(settings::FrameRate.Get(), 30u);
    EXPECT_EQ(settings::QualityFactor.Get(), 80u);
}

TEST(RegSettings, ShortStringReadAsNumberGivesItsUtf16Bytes) {
    kvtest::ScopedRegistry registry;
    CRegSettings store;
    store.SetString("AVSettings", "Odd", "A");
    EXPECT_EQ(store.GetDWORD("AVSettings", "Odd", 9), 0x41u);
    store.SetString("AVSettings", "Long", "AB");
    EXPECT_EQ(store.GetDWORD("AVSettings", "Long", 9), 9u);
}
