#pragma once
// The window's shape from its frame bitmap: every pixel that is not
// RGB(255, 0, 255), as runs of one pixel row each.
#include <QImage>
#include <QRegion>

namespace kv::wizard {

inline const QRgb kOutsideColour = qRgb(255, 0, 255);

QRegion RegionFromFrame(const QImage& frame);

}  // namespace kv::wizard
