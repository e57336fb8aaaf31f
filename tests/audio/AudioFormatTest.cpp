// The quality texts, the format record and the device table.
#include <gtest/gtest.h>

#include <string>

#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "audio/AudioFormat.h"
#include "audio/Buffer.h"
#include "support/TempDir.h"

namespace kv {
namespace {

struct Parsed {
    int rate = -7, channels = -7, bits = -7;
};

Parsed Parse(std::string_view text) {
    Parsed p;
    ParseAudioProperties(text, p.rate, p.channels, p.bits);
    return p;
}

TEST(ParseAudioProperties, EveryQualityTextTheWizardOffers) {
    const struct {
        const char* text;
        int rate, channels;
    } cases[] = {{"11.025 kHz, mono, 16-bit", 11025, 1}, {"11.025 kHz, stereo, 16-bit", 11025, 2},
                 {"22.05 kHz, mono, 16-bit", 22050, 1},  {"22.05 kHz, stereo, 16-bit", 22050, 2},
                 {"44.1 kHz, mono, 16-bit", 44100, 1},   {"44.1 kHz, stereo, 16-bit", 44100, 2}};
    for (const auto& c : cases) {
        const Parsed p = Parse(c.text);
        EXPECT_EQ(p.rate, c.rate) << c.text;
        EXPECT_EQ(p.channels, c.channels) << c.text;
        EXPECT_EQ(p.bits, 16) << c.text;
    }
    const Parsed upper = Parse("44.1 KHZ, STEREO, 8-BIT");
    EXPECT_EQ(upper.rate, 44100);
    EXPECT_EQ(upper.channels, 2);
    EXPECT_EQ(upper.bits, 8);
}

TEST(ParseAudioProperties, MalformedTextsChangeOnlyWhatTheyRecognise) {
    for (const char* text : {"", ",", ", ,", ",,,,,", "garbage", "44.1 kHz", "44.1 kHz,", "44.1 kHz, ",
                             "48 kHz, stereo", "99999999999 kHz, 3, 4096-bit", "-1 kHz, -2, -3",
                             "\xff\xfe, \x01, \x00"}) {
        const Parsed p = Parse(text);
        EXPECT_EQ(p.channels, -7) << text;
        EXPECT_EQ(p.bits, -7) << text;
    }
    EXPECT_EQ(Parse("44.1 kHz,").rate, 44100);
    const Parsed absurd = Parse("99999999999 kHz, mono, 4096-bit");
    EXPECT_EQ(absurd.rate, -7);
    EXPECT_EQ(absurd.channels, 1);
    EXPECT_EQ(absurd.bits, -7);
    EXPECT_EQ(Parse("48 kHz, stereo, 16-bit").rate, -7);
    EXPECT_EQ(Parse("48 kHz, stereo, 16-bit").channels, 2);
    // Without the blank after each comma the fields are cut one letter short.
    const Parsed tight = Parse("22.05 kHz,mono,16-bit");
    EXPECT_EQ(tight.rate, 22050);
    EXPECT_EQ(tight.channels, -7);
    EXPECT_EQ(tight.bits, -7);
    const std::string huge(1 << 20, ',');
    const Parsed h = Parse(huge);
    EXPECT_EQ(h.rate + h.channels + h.bits, -21);
}

TEST(PcmFormat, RecordLayoutAndDerivedFields) {
    const PcmFormat f = MakePcmFormat(44100, 2, 16);
    const auto b = f.ToBytes();
    const std::uint8_t expected[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.end()), std::vector<std::uint8_t>(expected, expected + 18));
    EXPECT_EQ(PcmFormat::FromBytes(b.data()), f);
    const PcmFormat mono = MakePcmFormat(44100, 1, 16);
    EXPECT_EQ(mono.nBlockAlign, 2);
    EXPECT_EQ(mono.nAvgBytesPerSec, 88200u);
    const PcmFormat base;  // the sound base's format
    EXPECT_EQ(base, MakePcmFormat(22050, 1, 16));
}

TEST(BuildRecordingFormat, ReadsTheSettingAndKeepsValuesItCannotParse) {
    kvtest::ScopedRegistry registry;
    EXPECT_EQ(g_nAudioSampleRate, 8000);  // a fresh process
    EXPECT_EQ(g_nAudioChannels, 2);
    EXPECT_EQ(g_nAudioBits, 16);
    EXPECT_EQ(BuildRecordingFormat(), MakePcmFormat(11025, 2, 16));
    EXPECT_EQ(BuildRecordingFormat().nAvgBytesPerSec, 44100u);
    settings::AudioProperties.Set("44.1 kHz, mono, 16-bit");
    EXPECT_EQ(BuildRecordingFormat(), MakePcmFormat(44100, 1, 16));
    settings::AudioProperties.Set("");
    EXPECT_EQ(BuildRecordingFormat(), MakePcmFormat(44100, 1, 16));
    settings::AudioProperties.Set("22.05 kHz, nonsense, 8-bit");
    EXPECT_EQ(BuildRecordingFormat(), MakePcmFormat(22050, 1, 8));
}

TEST(AudioDeviceTable, ListsEachTextOnceAndNeverOverflows) {
    AudioDeviceList table;
    EXPECT_FALSE(table.IsFilled());
    EXPECT_FALSE(table.DeviceAt(0));
    const auto texts = table.Fill({{"default", "Default sound input", ""},
                                   {"plughw:CARD=A,DEV=0", "USB Mic, USB Audio", ""},
                                   {"plughw:CARD=B,DEV=0", "usb mic", ""},
                                   {"dsnoop:CARD=A,DEV=0", "USB Mic, USB Audio, Direct sample snooping device", ""}});
    // "usb mic" begins an entry already listed; the longer text does not.
    EXPECT_EQ(texts, (std::vector<std::string>{"Default sound input", "USB Mic, USB Audio",
                                               "USB Mic, USB Audio, Direct sample snooping device"}));
    EXPECT_EQ(table.DeviceAt(1), "plughw:CARD=A,DEV=0");
    EXPECT_EQ(table.DeviceAt(2), "dsnoop:CARD=A,DEV=0");
    EXPECT_FALSE(table.DeviceAt(3));
    EXPECT_FALSE(table.DeviceAt(-1));

    std::vector<CaptureDevice> many;
    for (int i = 0; i < 30; ++i) many.push_back({"dev" + std::to_string(i), "Device " + std::string(1, char('A' + i)), ""});
    EXPECT_EQ(table.Fill(many).size(), 19u);
    EXPECT_EQ(table.Count(), 19);
    EXPECT_EQ(table.DeviceAt(18), "dev18");
    EXPECT_FALSE(table.DeviceAt(19));
}

TEST(AudioDeviceTable, TheSystemListStartsWithTheDefaultDevice) {
    AudioDeviceList table;
    const auto texts = table.Fill();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(table.DeviceAt(0), "default");
    for (int i = 0; i < table.Count(); ++i) {
        EXPECT_NE(table.DeviceAt(i), "null");
        EXPECT_NE(table.DeviceAt(i)->rfind("hw:", 0), 0u) << *table.DeviceAt(i);
    }
}

TEST(CBuffer, OwnsOnlyWhatItIsToldTo) {
    CBuffer owned(4000, true);
    ASSERT_NE(owned.ptr, nullptr);
    EXPECT_EQ(owned.ByteLen, 4000u);
    CBuffer view(owned.ptr, 10);
    EXPECT_EQ(view.ptr, owned.ptr);
    EXPECT_FALSE(view.m_bOwns);
    CBuffer none(nullptr, 10);
    EXPECT_EQ(none.ByteLen, 0u);
}

}  // namespace
}  // namespace kv
