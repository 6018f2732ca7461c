#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// One laid-out page: texts, rules and pictures placed in millimetres from the paper's top left.
namespace ReportPage {

struct Text {
    QRectF rect;  // the box of its lines
    QString text;
    QFont font;  // point size as printed
    QColor color;
    int flags = 0;  // Qt::Alignment | Qt::TextSingleLine
    // A wrapped text: its lines as printed, one below the other lineHeight apart; empty when the
    // text is one line.
    QStringList lines;
    double lineHeight = 0;
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

// Paints the page on a device whose resolution is dotsPerMm. Texts are drawn at the resolution
// Metrics measures at, scaled to the device's: at any resolution they are as wide as measured.
void Paint(QPainter& painter, const Page& page, double dotsPerMm);

// Font measurements in millimetres, made at the PDF writer's resolution so that what is measured
// is what is printed.
class Metrics {
public:
    explicit Metrics(const QFont& font);
    double lineSpacing() const;
    double height() const;  // of one line of text
    double advance(const QString& text) const;
    // The text cut to the width with "…" at its end, or as it is when it fits.
    QString elided(const QString& text, double width) const;
    // The lines of the text wrapped at the width: at blanks where it can, inside a word longer
    // than the width, and at every line break. One item when it fits on one line.
    QStringList wrap(const QString& text, double width) const;
    static constexpr int kDpi = 1200;

private:
    QFont m_font;
    QFontMetricsF m_fm;
};

}  // namespace ReportPage
