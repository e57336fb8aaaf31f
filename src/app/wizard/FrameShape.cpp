#include "app/wizard/FrameShape.h"

namespace kv::wizard {

QRegion RegionFromFrame(const QImage& frame) {
    const QImage image = frame.convertToFormat(QImage::Format_RGB32);
    QRegion region;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && (row[x] & 0xFFFFFF) == (kOutsideColour & 0xFFFFFF)) ++x;
            const int start = x;
            while (x < image.width() && (row[x] & 0xFFFFFF) != (kOutsideColour & 0xFFFFFF)) ++x;
            if (x > start) region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

}  // namespace kv::wizard
