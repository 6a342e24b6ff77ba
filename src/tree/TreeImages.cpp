#include "tree/TreeImages.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>
#include <cmath>

namespace kiro {

namespace {

// Colours of the latest revision; an older revision uses each one darker.
struct Palette {
    bool older = false;
    QColor c(QRgb rgb) const { return older ? QColor(rgb).darker(165) : QColor(rgb); }
};

QPixmap blank()
{
    QPixmap pm(TreeImage::Size, TreeImage::Size);
    pm.fill(Qt::transparent);
    return pm;
}

void beginPainter(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
}

void drawFolder(QPainter& p, const Palette& pal, bool open)
{
    const QColor back = pal.c(0xD9A521);
    const QColor front = pal.c(0xF6CB4A);
    const QColor edge = pal.c(0x8A6410);
    p.setPen(QPen(edge, 1));
    // back with its tab
    QPainterPath backPath;
    backPath.moveTo(1.5, 4.5);
    backPath.lineTo(6.5, 4.5);
    backPath.lineTo(8, 3);
    backPath.lineTo(14.5, 3);
    backPath.lineTo(14.5, 14.5);
    backPath.lineTo(1.5, 14.5);
    backPath.closeSubpath();
    p.setBrush(back);
    p.drawPath(backPath);
    if (open) {
        // the front leaf tilted down, a sheet of paper showing
        p.setBrush(pal.c(0xFFFFFF));
        p.setPen(QPen(pal.c(0x9A9A9A), 1));
        p.drawRect(QRectF(3.5, 4.5, 9, 6));
        QPolygonF leaf;
        leaf << QPointF(3.5, 7.5) << QPointF(16.5, 7.5) << QPointF(13.5, 14.5) << QPointF(1.5, 14.5);
        p.setPen(QPen(edge, 1));
        p.setBrush(front);
        p.drawPolygon(leaf);
    } else {
        p.setBrush(front);
        p.drawRect(QRectF(1.5, 6.5, 13, 8));
    }
}

// A pump seen from the side: round casing on a foot, the outlet on top and
// the inlet to the left. Two colours split the casing for a product
// defined in both sources.
void drawPump(QPainter& p, const QColor& body, const QColor& second, const QColor& edge)
{
    p.setPen(QPen(edge, 1));
    p.setBrush(body);
    p.drawRect(QRectF(8.5, 0.5, 4, 4));  // outlet
    p.drawRect(QRectF(0.5, 8.5, 4, 4));  // inlet
    p.drawRect(QRectF(3.5, 14.5, 11, 2)); // foot
    const QRectF casing(2.5, 2.5, 12, 12);
    p.drawEllipse(casing);
    if (second.isValid()) {
        p.setBrush(second);
        p.drawPie(casing, 90 * 16, 180 * 16);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(casing);
    }
    p.setBrush(QColor(Qt::white));
    p.drawEllipse(QRectF(6.5, 6.5, 4, 4)); // impeller hub
}

void drawBox(QPainter& p, const Palette& pal)
{
    // an external product: a parcel
    const QColor edge = pal.c(0x7A4A12);
    p.setPen(QPen(edge, 1));
    p.setBrush(pal.c(0xE39A3B));
    QPolygonF top;
    top << QPointF(1.5, 5.5) << QPointF(6.5, 1.5) << QPointF(15.5, 1.5) << QPointF(10.5, 5.5);
    p.drawPolygon(top);
    p.setBrush(pal.c(0xC77A22));
    QPolygonF side;
    side << QPointF(10.5, 5.5) << QPointF(15.5, 1.5) << QPointF(15.5, 11.5) << QPointF(10.5, 15.5);
    p.drawPolygon(side);
    p.setBrush(pal.c(0xF0B45E));
    p.drawRect(QRectF(1.5, 5.5, 9, 10));
    p.setPen(QPen(pal.c(0xFFF2D6), 1.5));
    p.drawLine(QPointF(6, 5.5), QPointF(6, 15.5)); // tape
}

void drawSpare(QPainter& p, const Palette& pal)
{
    // a spare part: a toothed wheel
    const QColor edge = pal.c(0x6E1F1F);
    p.setPen(QPen(edge, 1));
    p.setBrush(pal.c(0xD24B4B));
    QPainterPath gear;
    const QPointF c(8.5, 8.5);
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double r = (i % 2 == 0) ? 7.8 : 5.6;
        const double a = (i * 180.0 / teeth - 90.0) * 3.14159265358979 / 180.0;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    p.drawPath(gear);
    p.setBrush(QColor(Qt::white));
    p.drawEllipse(c, 2.3, 2.3);
}

void drawDocument(QPainter& p, const Palette& pal)
{
    const QColor edge = pal.c(0x4F5B66);
    p.setPen(QPen(edge, 1));
    p.setBrush(pal.c(0xFFFFFF));
    QPolygonF page;
    page << QPointF(2.5, 0.5) << QPointF(10.5, 0.5) << QPointF(14.5, 4.5) << QPointF(14.5, 16.5)
         << QPointF(2.5, 16.5);
    p.drawPolygon(page);
    p.setBrush(pal.c(0xD6DCE2));
    QPolygonF corner;
    corner << QPointF(10.5, 0.5) << QPointF(10.5, 4.5) << QPointF(14.5, 4.5);
    p.drawPolygon(corner);
    p.setPen(QPen(pal.c(0x3C78C8), 1));
    for (double y : {7.5, 10.0, 12.5, 15.0})
        p.drawLine(QPointF(4.5, y), QPointF(12.5, y));
}

void drawAccessory(QPainter& p, const Palette& pal, bool pdb)
{
    // an accessory: a flanged valve (a bow tie between two flanges)
    const QColor edge = pdb ? pal.c(0x1E5B24) : pal.c(0x4A4A4A);
    const QColor body = pdb ? pal.c(0x4CB755) : pal.c(0xA8A8A8);
    p.setPen(QPen(edge, 1));
    p.setBrush(body);
    p.drawRect(QRectF(0.5, 5.5, 2, 9));
    p.drawRect(QRectF(14.5, 5.5, 2, 9));
    QPolygonF bow;
    bow << QPointF(2.5, 6.5) << QPointF(8.5, 10) << QPointF(2.5, 13.5);
    p.drawPolygon(bow);
    QPolygonF bow2;
    bow2 << QPointF(14.5, 6.5) << QPointF(8.5, 10) << QPointF(14.5, 13.5);
    p.drawPolygon(bow2);
    p.drawLine(QPointF(8.5, 10), QPointF(8.5, 3.5)); // stem
    p.drawRect(QRectF(5.5, 1.5, 6, 2));              // hand wheel
}

void drawBadge(QPainter& p, const QColor& fill)
{
    p.setPen(QPen(QColor(Qt::white), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(8.5, 8.5, 8, 8));
    p.setPen(QPen(QColor(Qt::white), 1.4, Qt::SolidLine, Qt::RoundCap));
}

QPixmap drawImage(int index)
{
    QPixmap pm = blank();
    QPainter p(&pm);
    beginPainter(p);
    Palette pal;
    pal.older = index < TreeImage::Unused && (index % 2) == 1;
    const int base = index < TreeImage::Unused ? index - (index % 2) : index;
    switch (base) {
    case TreeImage::FolderClosed:
        drawFolder(p, pal, false);
        break;
    case TreeImage::FolderOpen:
        drawFolder(p, pal, true);
        break;
    case TreeImage::Product:
        drawPump(p, pal.c(0xB9C0C7), QColor(), pal.c(0x505860));
        break;
    case TreeImage::ProductTORVA:
        drawPump(p, pal.c(0x2F7FD8), QColor(), pal.c(0x143D6E));
        break;
    case TreeImage::ProductPDB:
        drawPump(p, pal.c(0x4CB755), QColor(), pal.c(0x1E5B24));
        break;
    case TreeImage::ProductBoth:
        drawPump(p, pal.c(0x4CB755), pal.c(0x2F7FD8), pal.c(0x143D6E));
        break;
    case TreeImage::External:
        drawBox(p, pal);
        break;
    case TreeImage::Spare:
        drawSpare(p, pal);
        break;
    case TreeImage::Document:
        drawDocument(p, pal);
        break;
    case TreeImage::Accessory:
        drawAccessory(p, pal, false);
        break;
    case TreeImage::AccessoryPDB:
        drawAccessory(p, pal, true);
        break;
    case TreeImage::OverlayAlternate:
        // two arrows the other way round: "instead of"
        drawBadge(p, QColor(0x1F5FBF));
        p.drawLine(QPointF(10.5, 11), QPointF(14.5, 11));
        p.drawLine(QPointF(13, 9.7), QPointF(14.5, 11));
        p.drawLine(QPointF(10.5, 14), QPointF(14.5, 14));
        p.drawLine(QPointF(10.5, 14), QPointF(12, 15.3));
        break;
    case TreeImage::OverlayAddOption:
        drawBadge(p, QColor(0x1E8C32));
        p.drawLine(QPointF(12.5, 10.3), QPointF(12.5, 14.7));
        p.drawLine(QPointF(10.3, 12.5), QPointF(14.7, 12.5));
        break;
    default:
        break; // 22 and 23: unused
    }
    p.end();
    return pm;
}

const std::array<QPixmap, TreeImage::Count>& images()
{
    static const std::array<QPixmap, TreeImage::Count> all = [] {
        std::array<QPixmap, TreeImage::Count> a;
        for (int i = 0; i < TreeImage::Count; ++i)
            a[size_t(i)] = drawImage(i);
        return a;
    }();
    return all;
}

} // namespace

const QPixmap& TreeImagePixmap(int index)
{
    static const QPixmap empty = blank();
    if (index < 0 || index >= TreeImage::Count)
        return empty;
    return images()[size_t(index)];
}

QIcon TreeNodeIcon(int index, int overlay, bool cut)
{
    if (index < 0 || index >= TreeImage::Count)
        return QIcon();
    if (overlay != 0 && overlay != 1)
        overlay = -1;
    static QHash<int, QIcon> cache;
    const int key = index * 8 + (overlay + 1) * 2 + (cut ? 1 : 0);
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QPixmap pm = TreeImagePixmap(index);
    if (overlay >= 0 || cut) {
        QPixmap composed = blank();
        QPainter p(&composed);
        if (cut)
            p.setOpacity(0.45);
        p.drawPixmap(0, 0, pm);
        if (overlay >= 0)
            p.drawPixmap(0, 0, TreeImagePixmap(TreeImage::OverlayAlternate + overlay));
        p.end();
        pm = composed;
    }
    const QIcon icon(pm);
    cache.insert(key, icon);
    return icon;
}

} // namespace kiro
