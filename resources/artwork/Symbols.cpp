#include "Symbols.h"

#include <QPainterPath>
#include <cmath>

#include "Palette.h"

namespace kv::artwork {
namespace {

// Draws in a 24 x 24 grid mapped onto the box.
class Grid {
public:
    Grid(QPainter& painter, const QRectF& box, const QColor& colour) : m_p(painter), m_colour(colour) {
        m_p.save();
        m_p.setRenderHint(QPainter::Antialiasing);
        m_p.translate(box.topLeft());
        m_p.scale(box.width() / 24.0, box.height() / 24.0);
        Stroke();
    }
    ~Grid() { m_p.restore(); }

    void Stroke(double width = 1.8) {
        m_p.setPen(QPen(m_colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        m_p.setBrush(Qt::NoBrush);
    }
    void Fill() {
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(m_colour);
    }
    QPainter& p() { return m_p; }

private:
    QPainter& m_p;
    QColor m_colour;
};

void Arc(QPainter& p, QPointF centre, double r, double startDeg, double spanDeg) {
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), int(startDeg * 16), int(spanDeg * 16));
}

void ArrowHead(Grid& g, QPointF tip, double angleDeg) {
    const double a = angleDeg * M_PI / 180.0;
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip + QPointF(std::cos(a + 2.6) * 4.2, -std::sin(a + 2.6) * 4.2));
    head.lineTo(tip + QPointF(std::cos(a - 2.6) * 4.2, -std::sin(a - 2.6) * 4.2));
    head.closeSubpath();
    g.Fill();
    g.p().drawPath(head);
    g.Stroke();
}

// A sheet with its top right corner folded.
void DrawPage(Grid& g) {
    g.p().drawPolygon(QPolygonF({{5, 2}, {14, 2}, {19, 7}, {19, 22}, {5, 22}}));
    g.p().drawPolyline(QPolygonF({{14, 2}, {14, 7}, {19, 7}}));
}

void DrawPointer(Grid& g) {
    g.p().drawPolygon(QPolygonF({{7, 3}, {7, 19}, {11, 15.5}, {14, 21.5}, {16.5, 20.3}, {13.6, 14.5}, {18.5, 14.5}}));
}

void DrawSpeaker(Grid& g) {
    g.p().drawPolygon(QPolygonF({{3, 9.5}, {7, 9.5}, {12, 5}, {12, 19}, {7, 14.5}, {3, 14.5}}));
}

void DrawFilmStrip(Grid& g, QRectF r) {
    g.p().drawRoundedRect(r, 1.5, 1.5);
    g.p().drawLine(QPointF(r.left() + 4, r.top()), QPointF(r.left() + 4, r.bottom()));
    g.p().drawLine(QPointF(r.right() - 4, r.top()), QPointF(r.right() - 4, r.bottom()));
    g.Fill();
    for (double y = r.top() + 2.2; y < r.bottom() - 1.5; y += 3.6) {
        g.p().drawRect(QRectF(r.left() + 1.3, y, 1.5, 1.6));
        g.p().drawRect(QRectF(r.right() - 2.8, y, 1.5, 1.6));
    }
    g.Stroke();
}

}  // namespace

void DrawSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& colour) {
    Grid g(painter, box, colour);
    QPainter& p = g.p();
    switch (symbol) {
    case Symbol::Conversion:  // a slide turning into a film frame
        p.drawRoundedRect(QRectF(2, 4, 11, 8), 1, 1);
        p.drawLine(QPointF(5, 15), QPointF(5, 17));
        DrawFilmStrip(g, QRectF(12, 12, 10, 9));
        Arc(p, QPointF(12, 12), 8, 20, 60);
        ArrowHead(g, QPointF(19.6, 9.4), -80);
        break;
    case Symbol::Note:
        p.drawLine(QPointF(9, 17), QPointF(9, 5));
        p.drawLine(QPointF(19, 15), QPointF(19, 3));
        g.Stroke(2.6);
        p.drawLine(QPointF(9, 5), QPointF(19, 3));
        g.Fill();
        p.drawEllipse(QPointF(6.5, 17.5), 3, 2.4);
        p.drawEllipse(QPointF(16.5, 15.5), 3, 2.4);
        break;
    case Symbol::Film:
    case Symbol::FilmStrip:
        DrawFilmStrip(g, QRectF(5, 2, 14, 20));
        p.drawLine(QPointF(9, 8), QPointF(15, 8));
        p.drawLine(QPointF(9, 16), QPointF(15, 16));
        break;
    case Symbol::Monitor:
    case Symbol::Screen:
        p.drawRoundedRect(QRectF(2, 4, 20, 13), 1.5, 1.5);
        p.drawLine(QPointF(12, 17), QPointF(12, 20.5));
        p.drawLine(QPointF(8, 20.5), QPointF(16, 20.5));
        if (symbol == Symbol::Monitor) {
            g.Fill();
            p.drawPolygon(QPolygonF({{10, 7.5}, {15, 10.5}, {10, 13.5}}));
        }
        break;
    case Symbol::Presentation: {
        DrawPage(g);
        p.drawRect(QRectF(8, 11, 8, 5.5));
        p.drawLine(QPointF(8, 19), QPointF(14, 19));
        break;
    }
    case Symbol::Folder: {
        p.drawPolygon(QPolygonF({{2, 6}, {9, 6}, {11, 8.5}, {22, 8.5}, {22, 19.5}, {2, 19.5}}));
        p.drawLine(QPointF(2, 11.5), QPointF(22, 11.5));
        break;
    }
    case Symbol::Tick:
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        g.Stroke(2.4);
        p.drawPolyline(QPolygonF({{7.5, 12.5}, {10.8, 15.8}, {16.8, 8.8}}));
        break;
    case Symbol::Circle:
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        break;
    case Symbol::Speaker:
        DrawSpeaker(g);
        break;
    case Symbol::SpeakerWaves:
        DrawSpeaker(g);
        Arc(p, QPointF(12, 12), 4, -45, 90);
        Arc(p, QPointF(12, 12), 7.5, -50, 100);
        Arc(p, QPointF(12, 12), 11, -52, 104);
        break;
    case Symbol::Microphone:
        p.drawRoundedRect(QRectF(9, 2, 6, 12), 3, 3);
        Arc(p, QPointF(12, 10), 6.5, 180, 180);
        p.drawLine(QPointF(12, 16.5), QPointF(12, 21));
        p.drawLine(QPointF(8.5, 21), QPointF(15.5, 21));
        break;
    case Symbol::VideoFile: {
        DrawPage(g);
        g.Fill();
        p.drawPolygon(QPolygonF({{9.5, 11}, {15, 14.5}, {9.5, 18}}));
        break;
    }
    case Symbol::Clapperboard:
        p.drawRect(QRectF(3, 10, 18, 11));
        p.drawPolygon(QPolygonF({{3, 10}, {20, 5}, {19, 2}, {2.2, 7}}));
        p.drawLine(QPointF(7.5, 5.7), QPointF(9.5, 8.7));
        p.drawLine(QPointF(12.5, 4.2), QPointF(14.5, 7.2));
        p.drawLine(QPointF(3, 14), QPointF(21, 14));
        break;
    case Symbol::Pointer:
        DrawPointer(g);
        break;
    case Symbol::PointerCrossed:
        DrawPointer(g);
        g.Stroke(2.2);
        p.drawLine(QPointF(3, 3), QPointF(21, 21));
        break;
    case Symbol::Hand: {
        // Four fingers (left edge x, fingertip top), then the palm and thumb.
        const double fingers[4][2] = {{8, 3}, {11, 1.5}, {14, 2.5}, {17, 5}};
        QPainterPath hand;
        hand.moveTo(8, 13);
        for (int i = 0; i < 4; ++i) {
            const double x = fingers[i][0], top = fingers[i][1];
            if (i > 0) hand.lineTo(x, 11);
            hand.lineTo(x, top + 1.5);
            hand.arcTo(QRectF(x, top, 3, 3), 180, -180);
        }
        hand.lineTo(20, 15);
        hand.cubicTo(20, 19.5, 17, 22, 13.5, 22);
        hand.cubicTo(10, 22, 8.5, 20, 6.5, 17.5);
        hand.lineTo(3.5, 13.8);
        hand.cubicTo(2.8, 12.5, 4.6, 11.3, 5.8, 12.3);
        hand.closeSubpath();
        p.drawPath(hand);
        break;
    }
    case Symbol::Arrow:
        p.drawRoundedRect(QRectF(2, 5, 20, 14), 1.5, 1.5);
        p.drawLine(QPointF(7, 12), QPointF(16, 12));
        ArrowHead(g, QPointF(18, 12), 0);
        break;
    case Symbol::Clock:
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        p.drawPolyline(QPolygonF({{12, 6.5}, {12, 12}, {16, 14.5}}));
        break;
    case Symbol::Close:
        g.Stroke(2.2);
        p.drawLine(QPointF(7.5, 7.5), QPointF(16.5, 16.5));
        p.drawLine(QPointF(16.5, 7.5), QPointF(7.5, 16.5));
        break;
    case Symbol::Minimise:
        g.Stroke(2.2);
        p.drawLine(QPointF(7, 16), QPointF(17, 16));
        break;
    case Symbol::Help: {
        g.Stroke(2.2);
        QPainterPath q;
        q.moveTo(8.5, 9);
        q.cubicTo(8.5, 4.8, 15.5, 4.8, 15.5, 9);
        q.cubicTo(15.5, 11.6, 12, 12, 12, 14.5);
        p.drawPath(q);
        g.Fill();
        p.drawEllipse(QPointF(12, 18.5), 1.4, 1.4);
        break;
    }
    case Symbol::Play: {
        g.Fill();
        p.drawPolygon(QPolygonF({{8, 5}, {19, 12}, {8, 19}}));
        break;
    }
    }
}

void LogoMark(QPainter& p, const QRectF& box) {
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRoundedRect(box, box.width() * 0.24, box.width() * 0.24);
    DrawSymbol(p, Symbol::Play, box.adjusted(box.width() * 0.16, box.width() * 0.16, -box.width() * 0.12,
                                             -box.width() * 0.16),
               Qt::white);
}

}  // namespace kv::artwork
