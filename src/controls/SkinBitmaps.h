#pragma once
// The skin's bitmaps by resource id ("<id>.png") and by file name
// ("IDB_DIALOG_FRAME.bmp"). They are looked up in the "skin" folder beside
// the program, then in the installed data folder, then in the build tree.
#include <QPixmap>
#include <QString>
#include <filesystem>

namespace kv {

// The full path of a skin file, or empty when none of the folders has it.
std::filesystem::path FindSkinFile(const QString& fileName);

// The bitmap of a resource id; a null pixmap when it is missing.
QPixmap LoadSkinBitmap(int resourceId);

// A skin file by name (already cached ones come from memory).
QPixmap LoadSkinFile(const QString& fileName);

}  // namespace kv
