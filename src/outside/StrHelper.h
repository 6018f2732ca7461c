#pragma once

#include <QString>
#include <QVariant>

class Recordset;

// Texts: SQL literals, cutting and filling, comma lists and paths.
class StrHelper {
public:
    // The value as an SQL literal of the active dialect, complete with its quotes: texts with quotes
    // doubled, numbers in plain decimal, dates and date-times as date literals, a null value as Null.
    static QString SqlValue(const QVariant& value);
    // The current row's value of a record-set field.
    static QString SqlValue(const Recordset& rs, const QString& field);

    static QString CutRight(const QString& text, int count);  // without its last `count` characters
    static QString CutLeft(const QString& text, int count);   // without its first `count` characters
    static QString PadLeft(const QString& text, int width, const QString& fill);
    // The comma list with the value added, unless it is already one of its items.
    static QString MergeList(const QString& list, const QString& value, const QString& separator);
    // One separator kind (the platform's), no doubled separators, no trailing separator.
    static QString NormPath(const QString& path);
};
