#include "RegionalSettings.h"

#include "SettingsStore.h"

namespace RegionalSettings {
namespace {
struct Item {
    long lcType;
    const char* name;
};
// The one table from locale items to value names.
constexpr Item kItems[] = {
    {LOCALE_SDECIMAL, "sDecimal"}, {LOCALE_STHOUSAND, "sThousand"}, {LOCALE_ILDATE, "iLDate"},
    {LOCALE_SDATE, "sDate"},       {LOCALE_ITIME, "iTime"},         {LOCALE_STIME, "sTime"},
};

// Windows takes the long-date order from the long-date pattern when the user has one.
const QString kLongDate = QStringLiteral("sLongDate");

// Pattern letters outside quoted literal text, each run once: "dd/MM 'de' yyyy" -> dd, MM, yyyy.
struct Field {
    QChar letter;
    qsizetype length;
    qsizetype end;  // index after the run
};
QList<Field> fieldsOf(const QString& pattern) {
    QList<Field> fields;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted || !c.isLetter()) continue;
        qsizetype j = i;
        while (j < pattern.size() && pattern.at(j) == c) ++j;
        fields.append({c, j - i, j});
        i = j - 1;
    }
    return fields;
}

QString greekValue(const QString& name) {
    for (const NamedValue& v : GreekValues())
        if (v.name == name) return v.text;
    return QString();
}
}  // namespace

QString Section() {
    return QStringLiteral("\\Control Panel\\International");
}

QString ValueName(long lcType) {
    for (const Item& item : kItems)
        if (item.lcType == lcType) return QString::fromLatin1(item.name);
    return QString();
}

QString StoredValue(const QString& name) {
    // The store answers its default for a name never written; a written value can never be this.
    const QString unset(QChar(0xFFFF));
    const QString value = SettingsStore::GetValue(Section(), name, unset, true);
    return value == unset ? QString() : value;
}

bool Write(const QString& name, const QString& value) {
    return SettingsStore::SaveValue(Section(), name, value, true);
}

QString Value(long lcType) {
    const QString name = ValueName(lcType);
    if (name.isEmpty()) return QString();
    if (lcType == LOCALE_ILDATE) {
        const QString longDate = StoredValue(kLongDate);
        if (!longDate.isNull()) return DateOrder(longDate);
    }
    const QString stored = StoredValue(name);
    if (!stored.isNull()) return stored;
    return SystemValue(lcType, QLocale::system());
}

namespace {
// Windows writes the AM/PM marker as "tt"; Qt as "AP".
QString qtPattern(QString pattern) {
    pattern.replace(QLatin1String("tt"), QLatin1String("AP"));
    return pattern;
}

QString storedOr(const char* name, const QString& fallback) {
    const QString stored = StoredValue(QString::fromLatin1(name));
    return stored.trimmed().isEmpty() ? fallback : qtPattern(stored);
}
}  // namespace

QString ShortDateFormat() {
    const QLocale system = QLocale::system();
    return storedOr("sShortDate", system.language() == QLocale::C ? greekValue(QStringLiteral("sShortDate"))
                                                                  : system.dateFormat(QLocale::ShortFormat));
}

QString TimeFormat() {
    const QLocale system = QLocale::system();
    return storedOr("sTimeFormat", system.language() == QLocale::C ? greekValue(QStringLiteral("sTimeFormat"))
                                                                   : system.timeFormat(QLocale::LongFormat));
}

QString SystemValue(long lcType, const QLocale& locale) {
    if (locale.language() == QLocale::C) {
        if (lcType == LOCALE_ILDATE) return DateOrder(greekValue(kLongDate));
        return greekValue(ValueName(lcType));
    }
    switch (lcType) {
        case LOCALE_SDECIMAL:
            return locale.decimalPoint();
        case LOCALE_STHOUSAND:
            return locale.groupSeparator();
        case LOCALE_ILDATE:
            return DateOrder(locale.dateFormat(QLocale::LongFormat));
        case LOCALE_SDATE:
            return FieldSeparator(locale.dateFormat(QLocale::ShortFormat));
        case LOCALE_ITIME:
            return HasAmPm(locale.timeFormat()) ? QStringLiteral("0") : QStringLiteral("1");
        case LOCALE_STIME:
            return FieldSeparator(locale.timeFormat());
        default:
            return QString();
    }
}

QString DateOrder(const QString& pattern) {
    qsizetype day = -1, month = -1, year = -1, n = 0;
    for (const Field& f : fieldsOf(pattern)) {
        // "ddd" and "dddd" are the weekday's name, not the day of the month.
        if (f.letter == QLatin1Char('d') && f.length <= 2 && day < 0) day = n++;
        if (f.letter == QLatin1Char('M') && month < 0) month = n++;
        if (f.letter == QLatin1Char('y') && year < 0) year = n++;
    }
    if (day >= 0 && month > day && year > month) return QStringLiteral("1");
    if (year >= 0 && (day < 0 || year < day) && (month < 0 || year < month)) return QStringLiteral("2");
    return QStringLiteral("0");
}

QString FieldSeparator(const QString& pattern) {
    const QList<Field> fields = fieldsOf(pattern);
    if (fields.size() < 2) return QString();
    const QChar c = pattern.at(fields.first().end);
    return c == QLatin1Char('\'') ? QString() : QString(c);
}

bool HasAmPm(const QString& pattern) {
    for (const Field& f : fieldsOf(pattern))
        if (f.letter == QLatin1Char('A') || f.letter == QLatin1Char('a')) return true;
    return false;
}

const QList<NamedValue>& GreekValues() {
    static const QList<NamedValue> values = {
        {QStringLiteral("iTime"), QStringLiteral("1")},
        {QStringLiteral("iTLZero"), QStringLiteral("1")},
        {QStringLiteral("Locale"), QStringLiteral("00000408")},
        {QStringLiteral("s1159"), QStringLiteral("πμ")},
        {QStringLiteral("s2359"), QStringLiteral("μμ")},
        {QStringLiteral("sCountry"), QStringLiteral("Ελλάδα")},
        {QStringLiteral("sCurrency"), QStringLiteral("€")},
        {QStringLiteral("sDate"), QStringLiteral("/")},
        {QStringLiteral("sDecimal"), QStringLiteral(",")},
        {QStringLiteral("sLanguage"), QStringLiteral("ELL")},
        {QStringLiteral("sList"), QStringLiteral(";")},
        {QStringLiteral("sLongDate"), QStringLiteral("dddd, d MMMM yyyy")},
        {QStringLiteral("sShortDate"), QStringLiteral("dd/MM/yyyy")},
        {QStringLiteral("sThousand"), QStringLiteral(".")},
        {QStringLiteral("sTime"), QStringLiteral(":")},
        {QStringLiteral("sTimeFormat"), QStringLiteral("HH:mm:ss")},
        {QStringLiteral("sMonDecimalSep"), QStringLiteral(",")},
        {QStringLiteral("sMonThousandSep"), QStringLiteral(".")},
        {QStringLiteral("LocaleName"), QStringLiteral("el-GR")},
        {QStringLiteral("sYearMonth"), QStringLiteral("MMMM yyyy")},
        {QStringLiteral("sShortTime"), QStringLiteral("HH:mm")},
    };
    return values;
}
}  // namespace RegionalSettings
