#pragma once
// The skin's colours: a dark frame, one accent.
#include <QColor>

namespace kv::artwork {

inline const QColor kOutside(255, 0, 255);       // outside the window's shape
inline const QColor kFrame(0x1b, 0x1e, 0x26);    // the frame and header
inline const QColor kPanel(0x25, 0x29, 0x34);    // the settings panel
inline const QColor kTile(0x30, 0x35, 0x43);     // resting icon tiles
inline const QColor kEdge(0x3a, 0x40, 0x50);     // hairlines
inline const QColor kAccent(100, 100, 255);      // the one accent (also the fields' colour)
inline const QColor kText(0xec, 0xee, 0xf4);
inline const QColor kDimText(0xa4, 0xaa, 0xba);

}  // namespace kv::artwork
