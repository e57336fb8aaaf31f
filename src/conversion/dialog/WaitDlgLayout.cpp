#include "conversion/dialog/WaitDlgLayout.h"

#include <QFontMetrics>

namespace kv {
namespace {

constexpr int kSideMargin = 8;
constexpr int kGap = 4;

QFont Arial(int points) {
    QFont font("Arial");
    font.setPointSize(points);
    return font;
}

}  // namespace

WaitDlgPlaces WaitDlgTextPlaces(QSize client, const QRect& mergeBar, const QRect& busyBar, const QRect& finish) {
    WaitDlgPlaces places;
    // Inset as the panel is painted: 9 pixels at the sides, 13 at top and bottom.
    places.panel = QRect(QPoint(0, 0), client).adjusted(9, 13, -9, -13);
    const int left = places.panel.left() + kSideMargin;
    const int width = places.panel.width() - 2 * kSideMargin;
    const int top = places.panel.top() + kGap;
    places.stage = QRect(left, top, width, mergeBar.top() - kGap - top);
    places.format = QRect(left, mergeBar.bottom() + 1 + kGap, width, busyBar.top() - mergeBar.bottom() - 1 - 2 * kGap);
    places.progress = QRect(left, busyBar.bottom() + 1 + kGap, width, places.panel.bottom() - busyBar.bottom() - 2 * kGap);
    places.done = QRect(left, top, width, finish.top() - kGap - top);
    return places;
}

bool TextFits(const QString& text, const QFont& font, const QRect& place, int flags) {
    const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, place.width(), 100000), flags, text);
    return needed.width() <= place.width() && needed.height() <= place.height();
}

FittedText FitText(const QString& text, const QRect& place, int alignment, int largest) {
    for (int points = largest; points >= kSmallestPoints; --points) {
        const int flags = alignment | Qt::TextWordWrap;
        if (TextFits(text, Arial(points), place, flags)) return {Arial(points), flags};
    }
    return {Arial(kSmallestPoints), alignment | Qt::TextWrapAnywhere};
}

}  // namespace kv
