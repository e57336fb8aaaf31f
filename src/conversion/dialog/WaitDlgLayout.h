#pragma once
// Where the conversion dialog's texts go: each in a place of its own inside
// the dark panel, clear of both bars and of the Finish button, and drawn at
// the largest of the dialog's sizes that shows it whole.
#include <QFont>
#include <QRect>
#include <QString>

namespace kv {

struct WaitDlgPlaces {
    QRect panel;     // the dark panel the texts are drawn on
    QRect stage;     // "Compressing Video Data..." above the merge bar
    QRect format;    // "Converting To MP4 Format..." above the busy bar
    QRect progress;  // percent and time left, under the busy bar
    QRect done;      // where the video is (or why there is none), above Finish
};

WaitDlgPlaces WaitDlgTextPlaces(QSize client, const QRect& mergeBar, const QRect& busyBar, const QRect& finish);

// The dialog's text sizes, largest first: panel texts start at 10 points,
// the progress line is the small one.
inline constexpr int kPanelPoints = 10;
inline constexpr int kSmallestPoints = 8;

// How a text is drawn in its place: the font and the drawing flags.
struct FittedText {
    QFont font;
    int flags = 0;
};

// The largest Arial from `largest` down to kSmallestPoints points that shows
// `text` whole in `place` with `alignment`, its lines broken between words;
// at the smallest size, a word longer than the place (a long path) is broken
// where it must be.
FittedText FitText(const QString& text, const QRect& place, int alignment, int largest = kPanelPoints);

// Whether `text` in `font` fits `place` with `flags`.
bool TextFits(const QString& text, const QFont& font, const QRect& place, int flags);

}  // namespace kv
