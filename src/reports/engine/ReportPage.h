#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

// One laid-out page: texts, rules and pictures placed in millimetres from the paper's top left.
namespace ReportPage {

struct Text {
    QRectF rect;
    QString text;
    QFont font;  // point size as printed
    QColor color;
    int flags = 0;  // Qt::Alignment | Qt::TextWordWrap or Qt::TextSingleLine
};

struct Picture {
    QRectF rect;
    QImage image;
};

struct Page {
    int number = 0;  // 1-based
    QSizeF size{210, 297};
    QList<Text> texts;
    QList<QLineF> rules;
    QList<Picture> pictures;
};

// Paints the page on a device whose resolution is dotsPerMm (fonts follow the device's own dpi).
void Paint(QPainter& painter, const Page& page, double dotsPerMm);

// Font measurements in millimetres, made at the PDF writer's resolution so that what is measured
// is what is printed.
class Metrics {
public:
    explicit Metrics(const QFont& font);
    double lineSpacing() const;
    // Height of the text wrapped at the width (both in mm).
    double wrappedHeight(const QString& text, double width) const;
    static constexpr int kDpi = 1200;

private:
    QFontMetricsF m_fm;
};

}  // namespace ReportPage
