#include "playback/container/ContainerArtwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kv {
namespace {

// A right-pointing triangle 12 px high from `left` to `tip`.
void FillTriangle(QPainter& p, int left, int tip, const QColor& colour) {
    QPainterPath path;
    path.moveTo(left, 4);
    path.lineTo(tip, 10);
    path.lineTo(left, 16);
    path.closeSubpath();
    p.fillPath(path, colour);
}

void DrawPlay(QPainter& p) { FillTriangle(p, 9, 19, QColor(0, 160, 0)); }

void DrawPause(QPainter& p) {
    p.fillRect(QRect(8, 4, 4, 12), QColor(0, 0, 160));
    p.fillRect(QRect(15, 4, 4, 12), QColor(0, 0, 160));
}

void DrawStop(QPainter& p) { p.fillRect(QRect(8, 5, 10, 10), QColor(192, 0, 0)); }

void DrawNext(QPainter& p) {
    FillTriangle(p, 7, 15, QColor(128, 96, 0));
    p.fillRect(QRect(16, 4, 3, 12), QColor(128, 96, 0));
}

}  // namespace

QPixmap ToolbarIcon(int command) {
    QPixmap pixmap(kToolbarButtonWidth, kToolbarButtonHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (command) {
    case ID_BTN_PLAY: DrawPlay(p); break;
    case ID_BTN_PAUSE: DrawPause(p); break;
    case ID_BTN_STOP: DrawStop(p); break;
    case ID_BTN_NEXTSLIDE: DrawNext(p); break;
    default: break;
    }
    return pixmap;
}

QPixmap BackgroundTile() {
    QPixmap tile(kTileWidth, kTileHeight);
    QPainter p(&tile);
    QLinearGradient gradient(0, 0, kTileWidth, kTileHeight);
    gradient.setColorAt(0, QColor(34, 44, 70));
    gradient.setColorAt(1, QColor(22, 28, 48));
    p.fillRect(tile.rect(), gradient);
    p.setPen(QColor(52, 66, 100));
    for (int x = -kTileHeight; x < kTileWidth; x += 12) p.drawLine(x, kTileHeight, x + kTileHeight, 0);
    return tile;
}

}  // namespace kv
