#include "platform/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace kiro {

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // A blue tile with a white impeller: three curved vanes around a hub.
    QLinearGradient bg(0, 0, 0, s);
    bg.setColorAt(0, QColor(0x2f, 0x7f, 0xd0));
    bg.setColorAt(1, QColor(0x1c, 0x4f, 0x8f));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);

    p.translate(s / 2, s / 2);
    p.setBrush(Qt::white);
    const qreal r = s * 0.36;
    for (int i = 0; i < 3; ++i) {
        QPainterPath vane;
        vane.moveTo(0, 0);
        vane.cubicTo(r * 0.2, -r * 0.55, r * 0.85, -r * 0.6, r, -r * 0.05);
        vane.cubicTo(r * 0.6, -r * 0.25, r * 0.3, -r * 0.1, 0, 0);
        p.drawPath(vane);
        p.rotate(120);
    }
    p.setBrush(QColor(0x1c, 0x4f, 0x8f));
    p.drawEllipse(QPointF(0, 0), s * 0.08, s * 0.08);
    return pm;
}

} // namespace

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(drawIcon(size));
    return icon;
}

} // namespace kiro
