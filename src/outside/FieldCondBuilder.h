#pragma once

#include <QString>

class QObject;

// The condition for one typed search box. Alternatives are separated by commas (OR); each may start
// with ">=", "<=", "<>", "=", ">" or "<" (bare or in brackets, "[>=]"), or carry "[αρχ]" (begins with)
// or "[περ]" (contains) in front; otherwise the mode decides: 1 equal, 2 begins with, 5 contains.
// Equality and the patterns ignore Greek case and accents; values reach SQL only as literals.
class FieldCondBuilder {
public:
    enum Mode { Equal = 1, BeginsWith = 2, Contains = 5 };
    static void FieldCond(const QString& column, const QString& typed, int mode, int reserved1, int reserved2,
                          QObject* reserved3, const QString& reserved4, QString& out);
};
