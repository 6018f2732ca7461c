#include "Euros.h"

#include "RegionalSettings.h"

namespace Euros {
QString gLocaleDecimal;
QString gLocaleThousand;
QString gLocaleLongDateOrder;
QString gLocaleTimeFormat;
QString gLocaleDateSep;
QString gLocaleTimeSep;

namespace {
// A one-character text: the first character, or a blank.
QString firstChar(const QString& value) {
    return value.isEmpty() ? QStringLiteral(" ") : value.left(1);
}
}  // namespace

QString GetLocaleValue(long LCType) {
    return RegionalSettings::Value(LCType);
}

void ReadRegionalSettings() {
    using namespace RegionalSettings;
    gLocaleDecimal = firstChar(GetLocaleValue(LOCALE_SDECIMAL));
    gLocaleThousand = firstChar(GetLocaleValue(LOCALE_STHOUSAND));
    gLocaleLongDateOrder = firstChar(GetLocaleValue(LOCALE_ILDATE));
    gLocaleDateSep = firstChar(GetLocaleValue(LOCALE_SDATE));
    gLocaleTimeFormat = firstChar(GetLocaleValue(LOCALE_ITIME));
    gLocaleTimeSep = firstChar(GetLocaleValue(LOCALE_STIME));
}

bool NumbersWrong() {
    return gLocaleDecimal == gLocaleThousand;
}

bool DateWrong() {
    return gLocaleDateSep != QLatin1String("/") || gLocaleLongDateOrder != QLatin1String("1");
}

bool TimeWrong() {
    // One character read as a number is 1 only for "1".
    return gLocaleTimeFormat != QLatin1String("1") || gLocaleTimeSep != QLatin1String(":");
}

bool RegionalSettingsWrong() {
    return NumbersWrong() || DateWrong() || TimeWrong();
}
}  // namespace Euros
