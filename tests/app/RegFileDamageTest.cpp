// Settings files that were damaged or written by something else: every value
// that can be read is kept, the rest read as defaults, nothing crashes, one
// trace line is written, and the original is kept before it is rewritten.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>

#include "app/core/RegSettings.h"
#include "platform/core/Trace.h"
#include "support/TempDir.h"

using namespace kv;
namespace fs = std::filesystem;

namespace {

const std::string kGood =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[SOFTWARE\\Kalvista Software\\Kalvista\\AVSettings]\n"
    "\"OutputFormat\"=\"MP4\"\n"
    "\"FrameRate\"=dword:0000000f\n";

void WriteRaw(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

std::string ReadRaw(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<fs::path> DamagedCopies(const fs::path& file) {
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().rfind("Kalvista.reg.corrupt-", 0) == 0) copies.push_back(entry.path());
    return copies;
}

struct Case {
    const char* what;
    std::string text;
};

}  // namespace

TEST(RegFileDamage, ReadableValuesSurviveAndTheOriginalIsKept) {
    const std::vector<Case> cases = {
        {"garbage lines", kGood + "this is not a value\n\"Broken\"=dword:xyz\n\"Half\"=\"no end\n"},
        {"unknown types", kGood + "\"Q\"=qword:0000000000000001\n\"M\"=hex(7):41,00,00,00\n\"B\"=hex:01,02\n"},
        {"not UTF-8", kGood + "\"VideoCompression\"=\"caf\xe9 \xff\"\n"},
        {"truncated hex", kGood + "\"PowerPointFileName\"=hex(1):41,00,42,\\\n  00,43"},
        {"truncated string", kGood + "\"PowerPointFileName\"=\"/home/u/tal"},
        {"no header", kGood.substr(kGood.find('\n') + 1)},
        {"a key that is not ours", kGood + "[HKEY_CURRENT_USER\\Other]\n\"X\"=dword:00000001\n"},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        kvtest::ScopedRegistry registry;
        WriteRaw(registry.file(), text);
        TraceCapture trace;
        CRegSettings store;
        EXPECT_EQ(store.GetString("AVSettings", "OutputFormat", "AVI"), "MP4");
        EXPECT_EQ(store.GetDWORD("AVSettings", "FrameRate", 5), 15u);
        EXPECT_EQ(store.GetString("AVSettings", "VideoCompression", "dflt"), "dflt");
        EXPECT_EQ(store.GetString("File Properties", "PowerPointFileName", "none"), "none");
        EXPECT_EQ(store.SetDWORD("AVSettings", "BitRate", 256), 1);
        EXPECT_EQ(store.GetDWORD("AVSettings", "BitRate", 128), 256u);

        EXPECT_EQ(trace.Lines().size(), 1u);
        EXPECT_TRUE(trace.Contains("CRegSettings"));
        const auto copies = DamagedCopies(registry.file());
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(ReadRaw(copies[0]), text);
    }
}

TEST(RegFileDamage, BinaryJunkReadsAsDefaultsAndIsReplaced) {
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        kvtest::ScopedRegistry registry;
        std::string junk(1 + random() % 4000, '\0');
        for (char& c : junk) c = static_cast<char>(random());
        if (round % 2) junk = kGood.substr(0, random() % kGood.size()) + junk;  // a good start, then junk
        WriteRaw(registry.file(), junk);
        CRegSettings store;
        EXPECT_EQ(store.GetString("AVSettings", "VideoCompression", "dflt"), "dflt");
        EXPECT_EQ(store.SetString("AVSettings", "VideoCompression", "x"), 1);
        EXPECT_EQ(store.GetString("AVSettings", "VideoCompression", "dflt"), "x");
    }
}

TEST(RegFileDamage, AFileWrittenByHandIsUnderstood) {
    kvtest::ScopedRegistry registry;
    WriteRaw(registry.file(),
             "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
             "; a comment\r\n"
             "[software\\kalvista software\\kalvista\\PowerPointSettings]\r\n"
             "\"TimeinSec\"=dword:00000013\r\n"
             "\"Path\"=\"C:\\\\Talks\\\\\\\"Q1\\\".pptx\"\r\n");
    TraceCapture trace;
    CRegSettings store;
    EXPECT_EQ(store.GetDWORD("PowerPointSettings", "TimeinSec", 0), 19u);
    EXPECT_EQ(store.GetString("PowerPointSettings", "Path", ""), "C:\\Talks\\\"Q1\".pptx");
    EXPECT_TRUE(trace.Lines().empty());
    EXPECT_TRUE(DamagedCopies(registry.file()).empty());
}

TEST(RegFileDamage, AHugeFileIsReadAsDamagedWithoutHangingAndIsKept) {
    // 100 MB: the good values, then one endless line of junk.
    kvtest::ScopedRegistry registry;
    const std::string huge = kGood + std::string(100u << 20, 'x') + "\n";
    WriteRaw(registry.file(), huge);
    const auto started = std::chrono::steady_clock::now();
    CRegSettings store;
    EXPECT_EQ(store.GetString("AVSettings", "OutputFormat", "AVI"), "MP4");
    EXPECT_EQ(store.SetDWORD("AVSettings", "BitRate", 256), 1);
    EXPECT_EQ(store.GetDWORD("AVSettings", "BitRate", 128), 256u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    const auto copies = DamagedCopies(registry.file());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(fs::file_size(copies[0]), huge.size());
    EXPECT_LT(fs::file_size(registry.file()), 4096u);  // the rewritten file holds the values only
}
