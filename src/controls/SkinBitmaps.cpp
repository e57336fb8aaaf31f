#include "controls/SkinBitmaps.h"

#include <QHash>

#include "platform/core/Paths.h"

namespace kv {
namespace {

bool IsInsideFolder(const std::filesystem::path& path, const std::filesystem::path& folder) {
    const auto relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

std::vector<std::filesystem::path> SkinFolders() {
    std::vector<std::filesystem::path> folders;
    const auto program = ProgramFolder();
    if (!program.empty()) {
        folders.push_back(program / "skin");
        folders.push_back(program.parent_path() / "share" / "kalvista" / "skin");
    }
#ifdef KALVISTA_SKIN_BUILD_DIR
    // Running from the build tree (the program and the tests); an installed
    // program uses only its installed skin, even where the build tree is.
    if (IsInsideFolder(program, KALVISTA_BUILD_DIR)) folders.push_back(KALVISTA_SKIN_BUILD_DIR);
#endif
    return folders;
}

}  // namespace

std::filesystem::path FindSkinFile(const QString& fileName) {
    const std::string name = fileName.toStdString();
    for (const auto& folder : SkinFolders()) {
        std::error_code error;
        if (std::filesystem::is_regular_file(folder / name, error)) return folder / name;
    }
    return {};
}

QPixmap LoadSkinFile(const QString& fileName) {
    static QHash<QString, QPixmap> cache;
    auto it = cache.constFind(fileName);
    if (it != cache.constEnd()) return *it;
    const auto path = FindSkinFile(fileName);
    QPixmap pixmap;
    if (!path.empty()) pixmap.load(QString::fromStdString(path.string()));
    if (!pixmap.isNull()) cache.insert(fileName, pixmap);
    return pixmap;
}

QPixmap LoadSkinBitmap(int resourceId) {
    return LoadSkinFile(QString::number(resourceId) + QStringLiteral(".png"));
}

}  // namespace kv
