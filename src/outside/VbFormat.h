#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// Date and time texts in the computer's formats.
namespace VbFormat {
// The general date-time form: short date, then the long time unless the time is midnight.
QString GeneralDate(const QDateTime& value);
QString ShortDate(const QDate& value);
QString LongTime(const QTime& value);
}  // namespace VbFormat
