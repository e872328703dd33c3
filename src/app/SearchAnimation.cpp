#include "app/SearchAnimation.h"

#include <QPainter>

#include <cmath>
#include <numbers>

SearchAnimation::SearchAnimation(QWidget *parent) : QWidget(parent)
{
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % FrameCount;
        update();
    });
}

void SearchAnimation::play()
{
    m_timer.start();
}

void SearchAnimation::stop()
{
    m_timer.stop();
    m_frame = StopFrame;
    update();
}

void SearchAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect().adjusted(2, 2, -2, -2);

    const QRectF sheet(area.left(), area.top(), area.width() * 0.6, area.height() * 0.8);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    for (int line = 1; line < 5; ++line) {
        const qreal y = sheet.top() + sheet.height() * line / 5;
        painter.drawLine(QPointF(sheet.left() + 3, y), QPointF(sheet.right() - 3, y));
    }

    const qreal angle = 2 * std::numbers::pi * m_frame / FrameCount;
    const qreal radius = area.width() * 0.18;
    const QPointF centre(sheet.center().x() + std::cos(angle) * radius,
                         sheet.center().y() + std::sin(angle) * radius);
    painter.setBrush(QColor(200, 220, 255, 160));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 3));
    painter.drawLine(centre + QPointF(radius * 0.7, radius * 0.7),
                     centre + QPointF(radius * 1.6, radius * 1.6));
}
