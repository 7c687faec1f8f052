#include "lantern/app/Pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace oa::lantern::Pictures {

namespace {
QPixmap lantern(int size, const QColor& body, const QColor& glow, const QColor& frame)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(frame, s / 24));
    p.drawLine(QPointF(s / 2, s * 0.04), QPointF(s / 2, s * 0.16));
    p.setBrush(frame);
    p.drawRoundedRect(QRectF(s * 0.34, s * 0.14, s * 0.32, s * 0.08), s / 40, s / 40);
    p.drawRoundedRect(QRectF(s * 0.34, s * 0.80, s * 0.32, s * 0.08), s / 40, s / 40);
    QRadialGradient g(QPointF(s / 2, s / 2), s * 0.36);
    g.setColorAt(0, glow);
    g.setColorAt(1, body);
    p.setBrush(g);
    p.setPen(QPen(frame, s / 32));
    p.drawEllipse(QRectF(s * 0.18, s * 0.20, s * 0.64, s * 0.62));
    p.setPen(QPen(frame.lighter(130), s / 48));
    p.drawLine(QPointF(s / 2, s * 0.21), QPointF(s / 2, s * 0.81));
    p.drawArc(QRectF(s * 0.32, s * 0.21, s * 0.36, s * 0.60), 90 * 16, 180 * 16);
    p.drawArc(QRectF(s * 0.32, s * 0.21, s * 0.36, s * 0.60), 270 * 16, 180 * 16);
    p.setPen(QPen(QColor(200, 40, 30), s / 24));
    p.drawLine(QPointF(s / 2, s * 0.88), QPointF(s / 2, s * 0.98));
    return pm;
}

QPixmap dot(const QColor& c)
{
    QPixmap pm(30, 30);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(12, 11), 14);
    g.setColorAt(0, c.lighter(160));
    g.setColorAt(1, c);
    p.setBrush(g);
    p.setPen(QPen(c.darker(140), 1.5));
    p.drawEllipse(QRectF(5, 5, 20, 20));
    return pm;
}
}  // namespace

QPixmap onlineLogo() { return lantern(48, QColor(214, 48, 36), QColor(255, 214, 120), QColor(120, 70, 20)); }
QPixmap offlinePicture() { return lantern(48, QColor(110, 110, 110), QColor(190, 190, 190), QColor(70, 70, 70)); }

QPixmap statePicture(int state)
{
    switch (state) {
    case 1: return dot(QColor(40, 170, 60));
    case 2: return dot(QColor(235, 170, 20));
    case 3: return dot(QColor(150, 150, 150));
    default: return {};
    }
}

QIcon trayIcon(int index)
{
    static const QColor glows[] = {QColor(255, 214, 120), QColor(255, 245, 200), QColor(255, 160, 60), QColor(255, 245, 200)};
    return QIcon(lantern(32, QColor(214, 48, 36), glows[qBound(0, index, 3)], QColor(120, 70, 20)));
}

QIcon offlineTrayIcon() { return QIcon(offlinePicture()); }
QIcon reconnectedTrayIcon() { return QIcon(lantern(32, QColor(40, 150, 60), QColor(200, 255, 200), QColor(30, 90, 40))); }

QIcon errorIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(200, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(2, 2, 28, 28);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(11, 11, 21, 21);
    p.drawLine(21, 11, 11, 21);
    return QIcon(pm);
}

QIcon groupIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(70, 130, 200));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(4, 1, 8, 8));
    p.drawRoundedRect(QRectF(1, 9, 14, 7), 3, 3);
    return QIcon(pm);
}

}  // namespace oa::lantern::Pictures
