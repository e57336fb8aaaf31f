// Draws the wizard's skin: every bitmap by resource id ("<id>.png"), the
// window frame "IDB_DIALOG_FRAME.bmp" (magenta marks the outside of the
// window's shape) and the window icon; with a second folder also the
// desktop's icons (see DesktopIcons.h). Run at build time:
//   kv-skin-artwork <output folder> [<icon folder>]
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

#include "DesktopIcons.h"
#include "Palette.h"
#include "Symbols.h"
#include "app/wizard/WizardLayout.h"

namespace kv::artwork {
namespace {

using wizard::ControlRect;

QString g_folder;
int g_written = 0;

bool Save(const QImage& image, const QString& name, const char* format = "PNG") {
    // 24-bit, as the dialog's bitmaps are.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (!rgb.save(g_folder + "/" + name, format)) {
        std::fprintf(stderr, "kv-skin-artwork: cannot write %s\n", qPrintable(name));
        return false;
    }
    ++g_written;
    return true;
}

bool SaveId(const QImage& image, int id) { return Save(image, QString::number(id) + ".png"); }

QImage Canvas(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

QFont Font(int pixelSize, bool bold) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The part of a bitmap that its control shows (controls clip their bitmaps).
QSize Visible(int controlId, QSize bitmap) {
    const auto r = ControlRect(controlId);
    return {std::min(r.width, bitmap.width()), std::min(r.height, bitmap.height())};
}

// ---- tabs: a tile with the symbol and a caption under it ----
// The tab buttons sit at uneven places; each tile is drawn where it lines up
// with the others: same top, even spacing.
constexpr int kTileSize = 44;
constexpr int kTileTop = 62;
constexpr int kFirstTileCentre = 210;
constexpr int kTileSpacing = 98;

void Tab(int index, int controlId, int normalId, int highlightedId, Symbol symbol, const char* caption) {
    const QSize size(75, 82);
    const auto control = ControlRect(controlId);
    const int left = kFirstTileCentre + index * kTileSpacing - kTileSize / 2 - control.x;
    const int top = kTileTop - control.y;
    for (bool lit : {false, true}) {
        QImage image = Canvas(size.width(), size.height(), kFrame);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF tile(left, top, kTileSize, kTileSize);
        p.setPen(lit ? Qt::NoPen : QPen(kEdge, 1));
        p.setBrush(lit ? kAccent : kTile);
        p.drawRoundedRect(tile.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
        DrawSymbol(p, symbol, tile.adjusted(9, 9, -9, -9), lit ? Qt::white : kDimText);
        p.setFont(Font(10, lit));
        p.setPen(lit ? kText : kDimText);
        p.drawText(QRectF(tile.center().x() - 40, tile.bottom() + 3, 80, 14), Qt::AlignHCenter | Qt::AlignTop, caption);
        p.end();
        SaveId(image, lit ? highlightedId : normalId);
    }
}

// ---- page banners ----
void Banner(int id, int width, const char* title) {
    QImage image = Canvas(width, 30, kPanel);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(0, 6, 4, 18), 2, 2);
    p.setFont(Font(16, true));
    p.setPen(kText);
    p.drawText(QRectF(14, 0, width - 14, 30), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.end();
    SaveId(image, id);
}

// ---- row icons: 65 x 52, the symbol on a rounded tile ----
void RowIcon(int normalId, int highlightedId, Symbol symbol) {
    const QSize shown = Visible(wizard::IDC_ROW_ICON[0], {65, 52});
    for (bool lit : {false, true}) {
        QImage image = Canvas(65, 52, kPanel);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF tile(6, (shown.height() - 40) / 2.0, 40, 40);
        p.setPen(lit ? Qt::NoPen : QPen(kEdge, 1));
        p.setBrush(lit ? kAccent : kTile);
        p.drawRoundedRect(tile.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
        DrawSymbol(p, symbol, tile.adjusted(8, 8, -8, -8), lit ? Qt::white : kText);
        p.end();
        SaveId(image, lit ? highlightedId : normalId);
    }
}

// ---- row labels: 256 x 22 ----
void Label(int id, const char* text, bool lit) {
    QImage image = Canvas(256, 22, kPanel);
    QPainter p(&image);
    p.setFont(Font(13, lit));
    p.setPen(lit ? kText : kDimText);
    p.drawText(QRectF(2, 0, 250, 22), Qt::AlignVCenter | Qt::AlignLeft, text);
    p.end();
    SaveId(image, id);
}

void LabelPair(int normalId, int highlightedId, const char* text) {
    Label(normalId, text, false);
    Label(highlightedId, text, true);
}

// ---- pill buttons with a caption (Convert, Finish) ----
void Pill(int controlWidth, int controlHeight, QSize size, int id, const char* caption, bool lit,
          const QColor& background) {
    // Filled in the accent, as the window's one main action.
    QImage image = Canvas(size.width(), size.height(), background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, std::min(controlWidth, size.width()) - 1.0,
                      std::min(controlHeight, size.height()) - 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? kAccent.lighter(125) : kAccent);
    p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), body.height() / 2, body.height() / 2);
    p.setFont(Font(12, true));
    p.setPen(Qt::white);
    p.drawText(body, Qt::AlignCenter, caption);
    p.end();
    SaveId(image, id);
}

// ---- round frame buttons: Close, Help, Minimise ----
void RoundButton(int controlId, int normalId, int highlightedId, Symbol symbol) {
    const QSize shown = Visible(controlId, {34, 32});
    for (bool lit : {false, true}) {
        QImage image = Canvas(34, 32, kFrame);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const double d = std::min(shown.width(), shown.height()) - 3;
        const QRectF circle((shown.width() - d) / 2.0, (shown.height() - d) / 2.0, d, d);
        p.setPen(lit ? Qt::NoPen : QPen(kEdge, 1.2));
        p.setBrush(lit ? kAccent : kTile);
        p.drawEllipse(circle);
        DrawSymbol(p, symbol, circle.adjusted(4, 4, -4, -4), lit ? Qt::white : kText);
        p.end();
        SaveId(image, lit ? highlightedId : normalId);
    }
}

// ---- the window frame ----
void Frame() {
    const int width = wizard::DluToPixelsX(wizard::kDialogSize.width);
    const int height = wizard::DluToPixelsY(wizard::kDialogSize.height);
    QImage image = Canvas(width, height, kOutside);
    QPainter p(&image);
    // The outline is drawn without smoothing: the shape comes from exact colours.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kFrame);
    p.drawRoundedRect(QRect(0, 0, width, height), 22, 22);

    p.setRenderHint(QPainter::Antialiasing);
    // Brand in the left column.
    LogoMark(p, QRectF(28, 34, 44, 44));
    p.setPen(kText);
    p.setFont(Font(20, true));
    p.drawText(QPointF(28, 110), "Kalvista");
    p.setPen(kDimText);
    p.setFont(Font(11, false));
    p.drawText(QRectF(28, 120, 120, 40), Qt::TextWordWrap, "Presentations\nrecorded as video");

    // The settings panel behind banner, rows and Convert.
    const auto banner = ControlRect(wizard::IDC_BANNER);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kPanel);
    const QRectF panel(160.5, banner.y - 12.5, width - 160 - 22, height - banner.y - 10);
    p.drawRoundedRect(panel, 14, 14);

    // Step hints in the left column, beside the panel.
    p.setFont(Font(11, false));
    const char* steps[] = {"1  Choose the files", "2  Set sound", "3  Set picture", "4  Set the show"};
    for (int i = 0; i < 4; ++i) {
        p.setPen(kDimText);
        p.drawText(QPointF(28, panel.top() + 62 + i * 26), steps[i]);
    }
    p.setPen(kEdge);
    p.drawLine(QPointF(28, height - 40), QPointF(132, height - 40));
    p.setPen(kDimText);
    p.setFont(Font(10, false));
    p.drawText(QPointF(28, height - 22), "Hover a tab to begin");
    p.end();
    Save(image, "IDB_DIALOG_FRAME.bmp", "BMP");
}

void AppIcon() {
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    LogoMark(p, QRectF(2, 2, 60, 60));
    p.end();
    image.save(g_folder + "/128.png", "PNG");  // keeps its transparency
    ++g_written;
}

void Empty() {
    SaveId(Canvas(65, 52, kPanel), 219);
    SaveId(Canvas(256, 22, kPanel), 232);
}

// The pages' row icons and labels: normal id, highlighted id, content.
struct IconArt {
    int normal, highlighted;
    Symbol symbol;
};
const IconArt kRowIcons[] = {
    {221, 220, Symbol::Presentation}, {223, 222, Symbol::Folder},       // Input & Output
    {225, 227, Symbol::Tick},         {226, 224, Symbol::Circle},       // Audio
    {229, 228, Symbol::Speaker},      {231, 230, Symbol::Microphone},   //
    {283, 282, Symbol::SpeakerWaves},                                   //
    {204, 203, Symbol::VideoFile},    {210, 209, Symbol::Screen},       // Video
    {208, 207, Symbol::Clapperboard}, {206, 205, Symbol::FilmStrip},    //
    {244, 243, Symbol::Pointer},      {277, 276, Symbol::PointerCrossed},  // Converter
    {265, 253, Symbol::Hand},         {252, 248, Symbol::Arrow},        //
    {262, 261, Symbol::Clock},
};

struct LabelArt {
    int normal, highlighted;
    const char* text;
};
const LabelArt kRowLabels[] = {
    {234, 233, "Select Source PPT File"},
    {236, 235, "Select Video File Location"},
    {242, 241, "Record Audio Input"},
    {238, 237, "Select Audio Channel"},
    {240, 239, "Select Audio Device"},
    {319, 318, "Select Audio Quality"},
    {212, 211, "Select Video File Format"},
    {218, 217, "Select Output Video Resolution"},
    {216, 215, "Select Frame Capture Rate"},
    {214, 213, "Select Video Codec"},
    {247, 246, "Capture Mouse Cursor"},
    {256, 255, "Advance slide Manually"},
    {251, 250, "Advance Slide Automatically"},
    {264, 263, "Slide Change Time"},
};

void DrawAll() {
    using namespace wizard;
    Tab(0, IDC_TAB_IO, 196, 195, Symbol::Conversion, "Files");
    Tab(1, IDC_TAB_AUDIO, 198, 197, Symbol::Note, "Audio");
    Tab(2, IDC_TAB_VIDEO, 200, 199, Symbol::Film, "Video");
    Tab(3, IDC_TAB_CONVERTER, 202, 201, Symbol::Monitor, "Show");

    Banner(297, 256, "Input & Output Settings");
    Banner(298, 256, "Audio Settings");
    Banner(299, 246, "Video Settings");
    Banner(300, 256, "Converter Settings");

    const auto convert = ControlRect(IDC_CONVERT);
    Pill(convert.width, convert.height, {94, 30}, 307, "Convert", false, kPanel);
    Pill(convert.width, convert.height, {94, 30}, 306, "Convert", true, kPanel);
    // Finish of the conversion dialog (its button is 75 x 23 pixels).
    Pill(75, 23, {75, 23}, 317, "Finish", false, kFrame);
    Pill(75, 23, {75, 23}, 316, "Finish", true, kFrame);

    RoundButton(IDC_CLOSE, 288, 287, Symbol::Close);
    RoundButton(IDC_HELP, 313, 312, Symbol::Help);
    RoundButton(IDC_MINIMISE, 315, 314, Symbol::Minimise);
    Empty();

    Label(303, "First, Select Setting Type", false);
    Label(304, "Then Select Your Settings", false);
    Label(305, "Click Convert To Start Recording", false);

    for (const auto& icon : kRowIcons) RowIcon(icon.normal, icon.highlighted, icon.symbol);
    for (const auto& label : kRowLabels) LabelPair(label.normal, label.highlighted, label.text);

    Frame();
    AppIcon();
}

}  // namespace
}  // namespace kv::artwork

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: kv-skin-artwork <output folder> [<icon folder>]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    kv::artwork::g_folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(kv::artwork::g_folder)) return 1;
    const int before = kv::artwork::g_written;
    kv::artwork::DrawAll();
    std::printf("kv-skin-artwork: %d images in %s\n", kv::artwork::g_written - before, argv[1]);
    if (argc == 3 && !kv::artwork::DrawDesktopIcons(QString::fromLocal8Bit(argv[2]))) return 1;
    return 0;
}
