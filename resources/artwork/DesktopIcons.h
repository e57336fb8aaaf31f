#pragma once
// The program's icon for menus and file managers, in the desktop's icon
// theme layout: <folder>/scalable/apps/kalvista.svg and
// <folder>/<n>x<n>/apps/kalvista.png for 48 and 256 pixels.
#include <QString>

namespace kv::artwork {

// Draws the mark into every file; false with the reason on stderr.
bool DrawDesktopIcons(const QString& folder);

}  // namespace kv::artwork
