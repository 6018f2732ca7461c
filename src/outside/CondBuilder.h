#pragma once

#include <QString>

class DateBox;

class CondBuilder {
public:
    // out = " WHERE " and the non-empty conditions joined by " AND " (each in parentheses); "" when
    // both are empty.
    static void BuildWhere(const QString& conditions, const QString& extra, QString& out);
    // out = the column between the boxes' days (from the first day, up to the end of the second);
    // each end only when its box holds a date; "" when neither does.
    static void DateRange(const QString& column, const DateBox* from, const DateBox* to, int reserved,
                          QString& out);
};
