// The pictures of frmMDI: the toolbar images of imlDBForm, drawn here so that the program needs no
// picture files, and the program's icon (AppIcons, which Kessbo shares).
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

#include "AppIcons.h"
#include "frmMDI.h"

namespace {
constexpr int kSize = 16;
const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kBlue(30, 90, 180);
const QColor kGreen(30, 140, 50);
const QColor kRed(190, 30, 30);

QPixmap draw(int size, const std::function<void(QPainter&)>& paint) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / double(kSize), size / double(kSize));
    paint(p);
    return pixmap;
}

void page(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(r);
}

void lines(QPainter& p, qreal left, qreal right, qreal top, int count) {
    p.setPen(QPen(kInk, 1));
    for (int i = 0; i < count; ++i) p.drawLine(QPointF(left, top + 2 * i), QPointF(right, top + 2 * i));
}

void triangle(QPainter& p, const QPolygonF& points, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(points);
}

void cross(QPainter& p, const QRectF& r, const QColor& colour, qreal width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void sortArrow(QPainter& p, bool ascending) {
    p.setPen(QPen(kInk, 1.5));
    for (int i = 0; i < 3; ++i) {
        const qreal y = 4.5 + 4 * i;
        const qreal length = ascending ? 3 + 2.5 * i : 8 - 2.5 * i;
        p.drawLine(QPointF(8, y), QPointF(8 + length, y));
    }
    p.drawLine(QPointF(4, 2.5), QPointF(4, 13.5));
    if (ascending)
        triangle(p, {QPointF(1, 6), QPointF(7, 6), QPointF(4, 1.5)}, kInk);
    else
        triangle(p, {QPointF(1, 10), QPointF(7, 10), QPointF(4, 14.5)}, kInk);
}

const std::pair<const char*, std::function<void(QPainter&)>> kToolbarImages[] = {
    {"print",
     [](QPainter& p) {
         page(p, QRectF(4.5, 1.5, 7, 5));
         p.setBrush(QColor(170, 170, 170));
         p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
         page(p, QRectF(4.5, 10.5, 7, 4));
     }},
    {"list",
     [](QPainter& p) {
         for (int i = 0; i < 4; ++i) {
             p.setPen(Qt::NoPen);
             p.setBrush(kBlue);
             p.drawRect(QRectF(1.5, 2.5 + 3.5 * i, 2, 2));
             p.setPen(QPen(kInk, 1));
             p.drawLine(QPointF(5.5, 3.5 + 3.5 * i), QPointF(14.5, 3.5 + 3.5 * i));
         }
     }},
    {"clear",
     [](QPainter& p) {
         page(p, QRectF(2.5, 1.5, 10, 13));
         lines(p, 4.5, 10.5, 4.5, 4);
         p.setPen(QPen(kRed, 2));
         p.drawLine(QPointF(6, 15), QPointF(15, 6));
     }},
    {"edit",
     [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(240, 190, 60));
         p.drawPolygon(QPolygonF{QPointF(3, 11), QPointF(11, 3), QPointF(13, 5), QPointF(5, 13)});
         triangle(p, {QPointF(3, 11), QPointF(5, 13), QPointF(1.5, 14.5)}, kInk);
     }},
    {"search",
     [](QPainter& p) {
         p.setPen(QPen(kInk, 1.5));
         p.setBrush(QColor(200, 225, 255));
         p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
         p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(10, 10), QPointF(14, 14));
     }},
    {"add",
     [](QPainter& p) {
         p.setPen(Qt::NoPen);
         p.setBrush(kGreen);
         p.drawRect(QRectF(6.5, 2, 3, 12));
         p.drawRect(QRectF(2, 6.5, 12, 3));
     }},
    {"next",
     [](QPainter& p) {
         triangle(p, {QPointF(4, 2), QPointF(13, 8), QPointF(4, 14)}, kBlue);
     }},
    {"empty", [](QPainter& p) { page(p, QRectF(2.5, 1.5, 11, 13)); }},
    {"prev",
     [](QPainter& p) {
         triangle(p, {QPointF(12, 2), QPointF(3, 8), QPointF(12, 14)}, kBlue);
     }},
    {"save",
     [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(kBlue);
         p.drawRect(QRectF(1.5, 1.5, 13, 13));
         p.setBrush(kPaper);
         p.drawRect(QRectF(4.5, 1.5, 7, 5));
         p.setBrush(QColor(210, 210, 210));
         p.drawRect(QRectF(3.5, 9.5, 9, 5));
     }},
    {"refresh",
     [](QPainter& p) {
         p.setPen(QPen(kGreen, 2));
         p.setBrush(Qt::NoBrush);
         p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 270 * 16);
         triangle(p, {QPointF(9, 0.5), QPointF(14, 3.5), QPointF(9, 7)}, kGreen);
     }},
    {"sAsc", [](QPainter& p) { sortArrow(p, true); }},
    {"sDesc", [](QPainter& p) { sortArrow(p, false); }},
    {"cancel", [](QPainter& p) { cross(p, QRectF(3, 3, 10, 10), kRed, 2.5); }},
    {"del",
     [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(200, 200, 200));
         p.drawRect(QRectF(3.5, 4.5, 9, 10));
         p.drawLine(QPointF(1.5, 3.5), QPointF(14.5, 3.5));
         p.drawRect(QRectF(6.5, 1.5, 3, 2));
         p.setPen(QPen(kInk, 1));
         for (qreal x : {6.0, 8.0, 10.0}) p.drawLine(QPointF(x, 6.5), QPointF(x, 12.5));
     }},
    {"copy",
     [](QPainter& p) {
         page(p, QRectF(1.5, 1.5, 8, 10));
         page(p, QRectF(6.5, 4.5, 8, 10));
         lines(p, 8.5, 12.5, 7.5, 3);
     }},
};
}  // namespace

QIcon frmMDI::AppIcon() {
    return AppIcons::Icon(AppIcons::Program::Protocol);
}

void frmMDI::buildImages() {
    for (const auto& [key, paint] : kToolbarImages)
        imlDBForm.Add(QString::fromLatin1(key), draw(kSize, paint));
}
