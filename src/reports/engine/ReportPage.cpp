#include "ReportPage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>

namespace ReportPage {

namespace {
constexpr double kMmPerInch = 25.4;

const QImage& measureDevice() {
    static const QImage image = [] {
        QImage img(1, 1, QImage::Format_RGB32);
        const int dpm = qRound(Metrics::kDpi / kMmPerInch * 1000);
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        return img;
    }();
    return image;
}

double toMm(double dots) {
    return dots * kMmPerInch / Metrics::kDpi;
}
double toDots(double mm) {
    return mm * Metrics::kDpi / kMmPerInch;
}
}  // namespace

Metrics::Metrics(const QFont& font) : m_font(font), m_fm(font, &measureDevice()) {}

double Metrics::lineSpacing() const {
    return toMm(m_fm.lineSpacing());
}

double Metrics::height() const {
    return toMm(m_fm.height());
}

double Metrics::advance(const QString& text) const {
    return toMm(m_fm.horizontalAdvance(text));
}

QString Metrics::elided(const QString& text, double width) const {
    if (toMm(m_fm.horizontalAdvance(text)) <= width) return text;
    QString out = m_fm.elidedText(text, Qt::ElideRight, toDots(width));
    // Too narrow even for the sign alone: the sign still shows that something was there.
    return out.isEmpty() ? QStringLiteral("…") : out;
}

QStringList Metrics::wrap(const QString& text, double width) const {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QString laid = text;
    laid.replace(breaks, QString(QChar::LineSeparator));
    if (!laid.contains(QChar::LineSeparator) && toMm(m_fm.horizontalAdvance(laid)) <= width) return {text};
    QTextLayout layout(laid, m_font, &measureDevice());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(toDots(width));
        QString part = laid.mid(line.textStart(), line.textLength());
        while (!part.isEmpty() && (part.back() == QChar::LineSeparator || part.back() == u' ')) part.chop(1);
        lines << part;
    }
    layout.endLayout();
    if (lines.isEmpty()) lines << QString();
    return lines;
}

void Paint(QPainter& painter, const Page& page, double dotsPerMm) {
    painter.save();
    const auto at = [](const QRectF& r, double dpm) {
        return QRectF(r.x() * dpm, r.y() * dpm, r.width() * dpm, r.height() * dpm);
    };
    for (const Picture& p : page.pictures) painter.drawImage(at(p.rect, dotsPerMm), p.image);
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, 0.2 * dotsPerMm));
    painter.setPen(pen);
    for (const QLineF& l : page.rules) painter.drawLine(QLineF(l.p1() * dotsPerMm, l.p2() * dotsPerMm));
    // Texts are drawn at the resolution they were measured at and scaled to the device's: glyph
    // widths rounded to a screen's pixels would make a line wider than its cell, so that its end
    // is clipped, or narrower. Scaled, every zoom shows the lines as they print.
    const double measured = toDots(1);
    painter.scale(dotsPerMm / measured, dotsPerMm / measured);
    // The painter sizes a font for its device's resolution; sized for the measuring one instead.
    const int deviceDpi = painter.device() ? painter.device()->logicalDpiY() : Metrics::kDpi;
    const double fontScale = deviceDpi > 0 ? double(Metrics::kDpi) / deviceDpi : 1.0;
    for (const Text& t : page.texts) {
        if (t.text.isEmpty()) continue;
        QFont font = t.font;
        if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * fontScale);
        painter.setFont(font);
        painter.setPen(t.color);
        if (t.lines.isEmpty()) {
            painter.drawText(at(t.rect, measured), t.flags, t.text);
            continue;
        }
        QRectF line(t.rect.x(), t.rect.y(), t.rect.width(), t.lineHeight);
        for (const QString& l : t.lines) {
            if (!l.isEmpty()) painter.drawText(at(line, measured), t.flags, l);
            line.translate(0, t.lineHeight);
        }
    }
    painter.restore();
}

}  // namespace ReportPage
