#include <gtest/gtest.h>

#include <fstream>

#include "app/core/RegSettings.h"
#include "platform/core/Trace.h"
#include "support/TempDir.h"

using namespace kv;

namespace {

std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

TEST(RegSettings, AwkwardNamesAndTextsRoundTripExactly) {
    kvtest::ScopedRegistry registry;
    CRegSettings store;
    std::string longText;
    for (int i = 0; longText.size() < 64 * 1024; ++i) longText += "line " + std::to_string(i) + " \"ä\\\n";
    const std::vector<std::string> texts = {
        "C:\\a \"quoted\"\\",  "two\nlines\r\n",  "ünïcödé 日本 😀", "",
        "tab\there \x01 control", "ends with backslash \\", "=hex(1):00,00", longText,
    };
    const std::vector<std::string> names = {"Plain", "With \"quotes\" and \\", "New\nline", "Ünï 名前", "x]=[y"};
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(store.SetString("File Properties", names[i % names.size()] + std::to_string(i), texts[i]), 1);
    for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(store.SetDWORD("AVSettings", names[i], 0xFFFFFFF0u + i), 1);

    // Every value comes back from a fresh read of the file, unchanged.
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(store.GetString("File Properties", names[i % names.size()] + std::to_string(i), "default"), texts[i])
            << "text " << i;
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(store.GetDWORD("AVSettings", names[i], 7), 0xFFFFFFF0u + i);

    // The file stays one entry per line (plus hex continuations) with no stray lines.
    TraceCapture trace;
    EXPECT_EQ(store.GetDWORD("AVSettings", "Plain", 7), 0xFFFFFFF0u);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST(RegSettings, ValueNamesAreMatchedWithoutRegardToCaseAndOverwritten) {
    kvtest::ScopedRegistry registry;
    CRegSettings store;
    store.SetDWORD("AVSettings", "FrameRate", 10);
    store.SetDWORD("avsettings", "FRAMERATE", 25);
    EXPECT_EQ(store.GetDWORD("AVSettings", "framerate", 5), 25u);
    store.SetString("AVSettings", "FrameRate", "x");  // the type follows the last write
    EXPECT_EQ(store.GetString("AVSettings", "FrameRate", ""), "x");
}

TEST(RegSettings, MissingValuesReadAsDefaultsAndCreateTheirSection) {
    kvtest::ScopedRegistry registry;
    CRegSettings store;
    EXPECT_EQ(store.GetDWORD("Finish", "RunVideo", 1), 1u);
    EXPECT_EQ(store.GetString("AVSettings", "OutputFormat", "AVI"), "AVI");
    EXPECT_EQ(store.GetString("AVSettings", "OutputFormat", nullptr), "");
    const std::string text = FileText(registry.file());
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    EXPECT_NE(text.find("[SOFTWARE\\Kalvista Software\\Kalvista\\Finish]"), std::string::npos);
    EXPECT_NE(text.find("[SOFTWARE\\Kalvista Software\\Kalvista\\AVSettings]"), std::string::npos);

    // An empty stored string is a value, not a missing one.
    store.SetString("AVSettings", "OutputFormat", "");
    EXPECT_EQ(store.GetString("AVSettings", "OutputFormat", "AVI"), "");
}

TEST(RegSettings, ReadsIgnoreTheStoredType) {
    kvtest::ScopedRegistry registry;
    CRegSettings store;
    // A string of four bytes or less (with its terminating null) reads as
    // those UTF-16 bytes as a little-endian number.
    store.SetString("AVSettings", "One", "A");
    store.SetString("AVSettings", "Empty", "");
    store.SetString("AVSettings", "Two", "AB");
    EXPECT_EQ(store.GetDWORD("AVSettings", "One", 9), 0x41u);
    EXPECT_EQ(store.GetDWORD("AVSettings", "Empty", 9), 0u);
    EXPECT_EQ(store.GetDWORD("AVSettings", "Two", 9), 9u);
    // A number reads as text from its four bytes, up to the first null.
    store.SetDWORD("AVSettings", "Pair", 0x00420041);
    store.SetDWORD("AVSettings", "Single", 0x41);
    store.SetDWORD("AVSettings", "Zero", 0);
    EXPECT_EQ(store.GetString("AVSettings", "Pair", "d"), "AB");
    EXPECT_EQ(store.GetString("AVSettings", "Single", "d"), "A");
    EXPECT_EQ(store.GetString("AVSettings", "Zero", "d"), "");
}

TEST(RegSettings, AFolderThatCannotBeWrittenGivesZeroAndDefaults) {
    kvtest::TempDir dir;
    std::ofstream(dir / "plain-file") << "not a folder";
    // Neither the folder nor the file can be made, whoever runs the test.
    for (const auto& file : {dir / "plain-file" / "Kalvista.reg", std::filesystem::path("/proc/self/Kalvista.reg")}) {
        setenv("KALVISTA_REGISTRY", file.c_str(), 1);
        CRegSettings store;
        TraceCapture trace;
        EXPECT_EQ(store.SetString("File Properties", "PowerPointFileName", "x"), 0);
        EXPECT_EQ(store.SetDWORD("AVSettings", "FrameRate", 30), 0);
        EXPECT_EQ(store.GetString("File Properties", "PowerPointFileName", "dflt"), "dflt");
        EXPECT_EQ(store.GetDWORD("AVSettings", "FrameRate", 5), 5u);
        EXPECT_EQ(trace.Lines(), std::vector<std::string>(4, "Could not create the registry key.\n"));
    }
    unsetenv("KALVISTA_REGISTRY");
}

TEST(RegSettings, UnusableInputIsRefusedWithoutTouchingTheFile) {
    kvtest::ScopedRegistry registry;
    CRegSettings store;
    store.SetString("AVSettings", "OutputFormat", "MP4");
    const std::string before = FileText(registry.file());
    TraceCapture trace;
    EXPECT_EQ(store.SetString("AVSettings", "OutputFormat", "bad \xff\xfe utf-8"), 0);
    EXPECT_EQ(store.SetDWORD("", "Empty section", 1), 0);
    EXPECT_EQ(store.SetDWORD("Bad\nSection", "Name", 1), 0);
    EXPECT_EQ(store.GetDWORD("Bad\nSection", "Name", 3), 3u);
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"Could not set the value to key.\n",
                                                       "Could not create the registry key.\n",
                                                       "Could not create the registry key.\n",
                                                       "Could not create the registry key.\n"}));
    EXPECT_EQ(FileText(registry.file()), before);
    EXPECT_EQ(store.GetString("AVSettings", "OutputFormat", ""), "MP4");
}
