#include "DesktopIcons.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "Symbols.h"

namespace kv::artwork {
namespace {

// The mark leaves a small margin, as theme icons do.
QRectF MarkBox(double side) { return QRectF(side * 0.04, side * 0.04, side * 0.92, side * 0.92); }

bool MakeFolder(const QString& path) {
    if (QDir().mkpath(QFileInfo(path).path())) return true;
    std::fprintf(stderr, "kv-skin-artwork: cannot create the folder of %s\n", qPrintable(path));
    return false;
}

bool DrawPng(const QString& folder, int side) {
    const QString path = QString("%1/%2x%2/apps/kalvista.png").arg(folder).arg(side);
    if (!MakeFolder(path)) return false;
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    LogoMark(p, MarkBox(side));
    p.end();
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "kv-skin-artwork: cannot write %s\n", qPrintable(path));
    return false;
}

bool DrawSvg(const QString& folder) {
    const QString path = folder + "/scalable/apps/kalvista.svg";
    if (!MakeFolder(path)) return false;
    constexpr int kSide = 256;
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSide, kSide));
    svg.setViewBox(QRect(0, 0, kSide, kSide));
    svg.setTitle("Kalvista");
    QPainter p;
    if (!p.begin(&svg)) {
        std::fprintf(stderr, "kv-skin-artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    p.setRenderHint(QPainter::Antialiasing);
    LogoMark(p, MarkBox(kSide));
    return p.end();
}

}  // namespace

bool DrawDesktopIcons(const QString& folder) {
    return DrawSvg(folder) && DrawPng(folder, 48) && DrawPng(folder, 256);
}

}  // namespace kv::artwork
