#pragma once

#include <QString>

// The user's regional settings as the program checks them at start-up.
namespace Euros {
// First character of each value (a blank when the value is empty), read once at start-up.
extern QString gLocaleDecimal;
extern QString gLocaleThousand;
extern QString gLocaleLongDateOrder;
extern QString gLocaleTimeFormat;
extern QString gLocaleDateSep;
extern QString gLocaleTimeSep;

// The value of a locale item (LOCALE_SDECIMAL ...) of the user's settings.
QString GetLocaleValue(long LCType);
// Reads the six values into the globals.
void ReadRegionalSettings();
// True when the globals are unfit for the program.
bool RegionalSettingsWrong();

// The three parts of the rule, each true when its part is unfit.
bool NumbersWrong();
bool DateWrong();
bool TimeWrong();
}  // namespace Euros
