#include "VbFormat.h"

#include <QLocale>

#include "RegionalSettings.h"

namespace VbFormat {
// The user's regional formats, as the repair of the regional settings leaves them.
QString ShortDate(const QDate& value) {
    return QLocale::system().toString(value, RegionalSettings::ShortDateFormat());
}

QString LongTime(const QTime& value) {
    // A format may carry a time-zone name; the stamp wants the clock only.
    QString format = RegionalSettings::TimeFormat();
    format.remove(QLatin1Char('t'));
    return QLocale::system().toString(value, format.trimmed());
}

QString GeneralDate(const QDateTime& value) {
    if (!value.isValid()) return QString();
    if (value.time() == QTime(0, 0)) return ShortDate(value.date());
    return ShortDate(value.date()) + QLatin1Char(' ') + LongTime(value.time());
}
}  // namespace VbFormat
