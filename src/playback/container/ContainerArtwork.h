#pragma once
// The container's own artwork, drawn in code: the toolbar's button faces
// (26 x 20) and the background tile (95 x 61).
#include <QPixmap>

namespace kv {

constexpr int ID_BTN_PLAY = 32775;
constexpr int ID_BTN_PAUSE = 32776;
constexpr int ID_BTN_STOP = 32777;
constexpr int ID_BTN_NEXTSLIDE = 32778;

constexpr int kToolbarButtonWidth = 26;
constexpr int kToolbarButtonHeight = 20;
constexpr int kTileWidth = 95;
constexpr int kTileHeight = 61;

QPixmap ToolbarIcon(int command);
QPixmap BackgroundTile();

}  // namespace kv
