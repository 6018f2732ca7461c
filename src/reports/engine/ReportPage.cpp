#include "ReportPage.h"

#include <QFontMetricsF>
#include <QPainter>

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

Metrics::Metrics(const QFont& font) : m_fm(font, &measureDevice()) {}

double Metrics::lineSpacing() const {
    return toMm(m_fm.lineSpacing());
}

double Metrics::wrappedHeight(const QString& text, double width) const {
    if (!text.contains(u'\n') && !text.contains(u'\r') && toMm(m_fm.horizontalAdvance(text)) <= width)
        return toMm(m_fm.height());
    const QRectF r = m_fm.boundingRect(QRectF(0, 0, toDots(width), 1e9), Qt::AlignLeft | Qt::TextWordWrap, text);
    return toMm(r.height());
}

void Paint(QPainter& painter, const Page& page, double dotsPerMm) {
    painter.save();
    const auto at = [dotsPerMm](const QRectF& r) {
        return QRectF(r.x() * dotsPerMm, r.y() * dotsPerMm, r.width() * dotsPerMm, r.height() * dotsPerMm);
    };
    for (const Picture& p : page.pictures) painter.drawImage(at(p.rect), p.image);
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, 0.2 * dotsPerMm));
    painter.setPen(pen);
    for (const QLineF& l : page.rules)
        painter.drawLine(QLineF(l.p1() * dotsPerMm, l.p2() * dotsPerMm));
    for (const Text& t : page.texts) {
        if (t.text.isEmpty()) continue;
        painter.setFont(t.font);
        painter.setPen(t.color);
        painter.drawText(at(t.rect), t.flags, t.text);
    }
    painter.restore();
}

}  // namespace ReportPage
