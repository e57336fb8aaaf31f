#pragma once
// Line symbols of the skin, drawn into a square box with a round pen.
#include <QPainter>
#include <QRectF>

namespace kv::artwork {

enum class Symbol {
    Conversion, Note, Film, Monitor,                  // tabs
    Presentation, Folder, Tick, Circle, Speaker, Microphone, SpeakerWaves,
    VideoFile, Screen, Clapperboard, FilmStrip,
    Pointer, PointerCrossed, Hand, Arrow, Clock,
    Close, Help, Minimise, Play,
};

// Draws `symbol` inside `box` in `colour`.
void DrawSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& colour);

// The program's mark: the play symbol on a rounded accent tile filling `box`.
void LogoMark(QPainter& p, const QRectF& box);

}  // namespace kv::artwork
