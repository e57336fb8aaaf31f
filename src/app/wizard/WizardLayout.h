#pragma once
// The wizard's controls: their ids and where they sit, in dialog units of the
// original template (x, y, width, height), converted to pixels with the base
// units 6 x 13 (1.5 px across, 1.625 px down, rounded).
#include <cmath>

namespace kv::wizard {

// Tabs (and page ids).
constexpr int IDC_TAB_IO = 1092;
constexpr int IDC_TAB_AUDIO = 1093;
constexpr int IDC_TAB_VIDEO = 1094;
constexpr int IDC_TAB_CONVERTER = 1095;
constexpr int IDC_BANNER = 1121;
// Row icons and labels, rows 1 to 4.
constexpr int IDC_ROW_ICON[4] = {1058, 1059, 1060, 1061};
constexpr int IDC_ROW_LABEL[4] = {1096, 1097, 1098, 1099};
// Value controls.
constexpr int IDC_PRESENTATION = 1026;
constexpr int IDC_OUTPUT_FOLDER = 1102;
constexpr int IDC_AUDIO_DEVICE = 1103;
constexpr int IDC_AUDIO_CHANNELS = 1104;
constexpr int IDC_AUDIO_QUALITY = 1113;
constexpr int IDC_OUTPUT_FORMAT = 1105;
constexpr int IDC_VIDEO_CODEC = 1106;
constexpr int IDC_FRAME_RATE = 1107;
constexpr int IDC_RESOLUTION = 1108;
constexpr int IDC_CUSTOM_WIDTH = 1109;
constexpr int IDC_CUSTOM_HEIGHT = 1110;
constexpr int IDC_SLIDE_TIME = 1112;
constexpr int IDC_NOTES_SUBTITLES = 1123;
// The Audio page's live check of the chosen device.
constexpr int IDC_SOUND_LEVEL = 1124;
constexpr int IDC_SOUND_SILENT = 1125;
constexpr int IDC_FAST_RENDER = 1126;
// The Converter page's advance mode, as a choice that shows its state.
constexpr int IDC_ADVANCE_AUTOMATIC = 1140;
constexpr int IDC_ADVANCE_MANUAL = 1141;
constexpr int IDC_LINKED_CONTENT = 1127;
// Buttons of the frame.
constexpr int IDC_CONVERT = 1111;
constexpr int IDC_CLOSE = 1117;
constexpr int IDC_HELP = 1088;
constexpr int IDC_MINIMISE = 1122;
constexpr int IDOK = 1;

struct DluRect {
    int id, x, y, width, height;
};

inline constexpr DluRect kDialogSize{0, 0, 0, 496, 302};

inline constexpr DluRect kLayout[] = {
    {1092, 115, 35, 43, 42},  {1093, 180, 35, 40, 42},   {1094, 245, 32, 42, 44},
    {1095, 321, 33, 48, 41},  {1121, 158, 86, 164, 19},  {1058, 117, 114, 43, 31},
    {1059, 117, 151, 43, 31}, {1060, 116, 187, 43, 31},  {1061, 117, 223, 43, 31},
    {1096, 162, 115, 168, 14}, {1097, 161, 152, 168, 15}, {1098, 161, 188, 168, 14},
    {1099, 162, 223, 167, 14},
    // The path fields, wider than the template's: a path's end and more of its folders in view.
    {1026, 163, 130, 240, 15}, {1102, 164, 168, 240, 14},
    {1103, 163, 203, 166, 207}, {1104, 164, 167, 165, 58}, {1105, 164, 131, 167, 158},
    {1106, 164, 239, 165, 127}, {1107, 163, 203, 166, 30}, {1108, 163, 167, 166, 30},
    {1109, 334, 165, 40, 14},  {1110, 379, 164, 40, 14},  {1112, 162, 203, 130, 30},
    {1113, 164, 240, 165, 30}, {1111, 343, 256, 56, 14},  {1117, 451, 9, 22, 18},
    {1088, 426, 9, 21, 18},   {1122, 432, 12, 9, 7},
    // Beside the frame rate, in the free space right of the Video page's combos.
    {1123, 334, 205, 130, 12},
    // Beside the Audio page's device list: its level, and below it the silence notice.
    {1124, 334, 206, 130, 7},  {1125, 334, 215, 130, 12},
    // On the Converter page, right of the slide time; wider for its longer text.
    {1126, 310, 205, 160, 12},
    // Under the Converter page's advance row, where other pages have their second list.
    {1140, 164, 169, 80, 12},  {1141, 250, 169, 170, 12},
    // Below it: whether the deck's links are fetched.
    {1127, 310, 219, 160, 12},
};

constexpr int DluToPixelsX(int dlu) { return static_cast<int>(dlu * 3 / 2.0 + 0.5); }
constexpr int DluToPixelsY(int dlu) { return static_cast<int>(dlu * 13 / 8.0 + 0.5); }

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};

constexpr PixelRect ToPixels(const DluRect& r) {
    return {DluToPixelsX(r.x), DluToPixelsY(r.y), DluToPixelsX(r.width), DluToPixelsY(r.height)};
}

// The pixel rectangle of a control id; empty when the id has none.
constexpr PixelRect ControlRect(int id) {
    for (const auto& r : kLayout)
        if (r.id == id) return ToPixels(r);
    return {};
}

// A combo's height in the template includes its list; the closed field is
// one edit line high.
constexpr int kComboFieldHeight = DluToPixelsY(14);

}  // namespace kv::wizard
