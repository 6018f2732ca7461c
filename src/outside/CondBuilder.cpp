#include "CondBuilder.h"

#include "DateBox.h"
#include "SqlDialect.h"

void CondBuilder::BuildWhere(const QString& conditions, const QString& extra, QString& out) {
    QStringList parts;
    for (const QString& c : {conditions, extra})
        if (!c.trimmed().isEmpty()) parts << QLatin1Char('(') + c.trimmed() + QLatin1Char(')');
    out = parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

void CondBuilder::DateRange(const QString& column, const DateBox* from, const DateBox* to, int,
                            QString& out) {
    const SqlDialect& d = SqlDialect::active();
    QStringList parts;
    if (from && from->HasDate())
        parts << column + QStringLiteral(" >= ") + d.dateLiteral(from->Value().toDate());
    // Before the next day, so that date-times of the last day are in.
    if (to && to->HasDate())
        parts << column + QStringLiteral(" < ") + d.dateLiteral(to->Value().toDate().addDays(1));
    out = parts.join(QStringLiteral(" AND "));
}
