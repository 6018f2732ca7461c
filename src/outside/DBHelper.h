#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "Connection.h"

// Single-statement database work on the connection the caller passes. A failing call returns
// false / a null value and keeps the error text in LastError() for gErr.DBErrorMsg.
class DBHelper {
public:
    // The columns of the first row meeting the condition, joined by the separator; "" when none.
    static QString LookupValue(const ConnectionPtr& conn, const QString& table, const QString& condition,
                               const QString& columns, int reserved, const QString& separator);
    // Inserts one row from the two lists and/or the "COL=literal" items; the new row's key, or null.
    static QVariant InsertRec(const ConnectionPtr& conn, const QString& table, int reserved,
                              const QString& reserved2, const QString& columns, const QString& values,
                              const QStringList& items);
    // Updates every row meeting the condition with the assignments and the further items; the
    // number of rows it changed goes to *affected when given.
    static bool UpdateRec(const ConnectionPtr& conn, const QString& table, const QString& condition,
                          const QString& assignments, const QStringList& items, qint64* affected = nullptr);
    // Deletes every row meeting the condition; the number of rows removed goes to *affected when given.
    static bool DeleteRecs(const ConnectionPtr& conn, const QString& table, const QString& condition,
                           qint64* affected = nullptr);
    static bool RecExists(const ConnectionPtr& conn, const QString& table, const QString& condition);
    // The declared length of a text column (varchar(50): 50) from the catalogue; 0 when it has none
    // or the look-up failed.
    static int ColumnSize(const ConnectionPtr& conn, const QString& table, const QString& column);

    // The date as the search page's date boxes are given it back: the day alone, no time.
    static QDate NormDate(const QVariant& date);
    // A date or date-time literal for conditions and assignments (the format text is accepted for the
    // callers' sake; the literal is the backend's unambiguous form). A date-time keeps its time.
    static QString DateToSQL(const QVariant& date, const QString& format = QStringLiteral("dd/mm/yyyy"),
                             bool quoted = true);
    // The server's clock; a null value when the call failed.
    static QVariant ServerNow(const ConnectionPtr& conn);
    static QVariant ServerDate(const ConnectionPtr& conn);

    static QString LastError();
    static void SetLastError(const QString& text);

    // A value as LookupValue writes it into its text: NULL as "", dates as dd/MM/yyyy (with the time
    // unless it is midnight), numbers in plain decimal.
    static QString ValueText(const QVariant& value);
};
