#include "controls/LevelMeter.h"

#include <QPainter>
#include <algorithm>

namespace kv {

CLevelMeter::CLevelMeter(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void CLevelMeter::SetPercent(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (percent == m_percent) return;
    m_percent = percent;
    update();
}

void CLevelMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect all = rect();
    painter.fillRect(all, QColor(20, 22, 30));
    painter.setPen(QColor(100, 100, 255));
    painter.drawRect(all.adjusted(0, 0, -1, -1));
    const QRect inside = all.adjusted(2, 2, -2, -2);
    const int filled = inside.width() * m_percent / 100;
    if (filled > 0) {
        const QColor fill = m_percent >= 90 ? QColor(240, 170, 40) : QColor(60, 200, 90);
        painter.fillRect(QRect(inside.left(), inside.top(), filled, inside.height()), fill);
    }
}

}  // namespace kv
