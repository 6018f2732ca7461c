#pragma once

#include <QList>
#include <QLocale>
#include <QString>

// The user's regional values ("Control Panel\International" on Windows), kept in the per-user
// settings store; a value the user never set comes from the system locale.
namespace RegionalSettings {
// The locale items the program reads, numbered as Windows numbers them.
constexpr long LOCALE_SDECIMAL = 14;
constexpr long LOCALE_STHOUSAND = 15;
constexpr long LOCALE_SDATE = 29;
constexpr long LOCALE_STIME = 30;
constexpr long LOCALE_ILDATE = 34;
constexpr long LOCALE_ITIME = 35;

// The settings section of the values: "\Control Panel\International".
QString Section();
// The value name of a locale item ("sDecimal" for 14); empty for an item the program does not read.
QString ValueName(long lcType);

// The value of a locale item: the user's, else the system locale's.
QString Value(long lcType);
// The value of a locale item as the given locale has it. The C locale is no regional choice of
// its own: it gives the Greek values the program works with.
QString SystemValue(long lcType, const QLocale& locale);

// The user's short-date and time formats as Qt date-time patterns ("dd/MM/yyyy", "HH:mm:ss"
// after the repair): the stored "sShortDate" and "sTimeFormat", else the system locale's.
QString ShortDateFormat();
QString TimeFormat();
// The value under that name as stored; a null text when it was never written.
QString StoredValue(const QString& name);
// Writes one value as it stands; true when written.
bool Write(const QString& name, const QString& value);

// The day-month-year order of a date pattern, as Windows numbers it: "1" day-month-year, "2"
// year first, "0" otherwise (month-day-year).
QString DateOrder(const QString& pattern);
// The first separator between the fields of a date or time pattern; empty when there is none.
QString FieldSeparator(const QString& pattern);
// True when a time pattern shows AM/PM.
bool HasAmPm(const QString& pattern);

struct NamedValue {
    QString name;
    QString text;
};
// The Greek regional values, in the order they are written: the 18 base values, then
// "LocaleName", "sYearMonth", "sShortTime".
const QList<NamedValue>& GreekValues();
}  // namespace RegionalSettings
