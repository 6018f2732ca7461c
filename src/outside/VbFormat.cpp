#include "VbFormat.h"

#include <QLocale>

namespace VbFormat {
QString ShortDate(const QDate& value) {
    return QLocale::system().toString(value, QLocale::ShortFormat);
}

QString LongTime(const QTime& value) {
    // The locale's long format may carry a time-zone name; the stamp wants the clock only.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale::system().toString(value, format.trimmed());
}

QString GeneralDate(const QDateTime& value) {
    if (!value.isValid()) return QString();
    if (value.time() == QTime(0, 0)) return ShortDate(value.date());
    return ShortDate(value.date()) + QLatin1Char(' ') + LongTime(value.time());
}
}  // namespace VbFormat
