#include "AppIcons.h"

#include <QPainter>
#include <QPixmap>

namespace AppIcons {
namespace {
constexpr qreal kUnits = 16;  // the drawings are made on a 16 x 16 grid
const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kBlue(30, 90, 180);
const QColor kGreen(30, 140, 50);

// A register book: a bound cover with a page of lines.
void book(QPainter& p) {
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(150, 40, 40));
    p.drawRoundedRect(QRectF(1.5, 1, 13, 14), 1.5, 1.5);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 2.5, 9, 11));
    p.setPen(QPen(kBlue, 0.8));
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(5.5, 5 + 2.2 * i), QPointF(11.5, 5 + 2.2 * i));
}

// The book with a green arrow into a box at its corner: its copy put away.
void backup(QPainter& p) {
    book(p);
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(230, 230, 230));
    p.drawRoundedRect(QRectF(8, 11, 7.5, 4.5), 0.8, 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(QRectF(10.75, 6, 2, 4));
    p.drawPolygon(QPolygonF{QPointF(8.75, 9.5), QPointF(14.75, 9.5), QPointF(11.75, 13)});
}
}  // namespace

QImage Draw(Program program, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kUnits, size / kUnits);
    if (program == Program::Kessbo)
        backup(p);
    else
        book(p);
    return image;
}

QIcon Icon(Program program) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(Draw(program, size)));
    return icon;
}

QList<int> InstalledSizes() {
    return {16, 22, 24, 32, 48, 64, 128, 256};
}
}  // namespace AppIcons
