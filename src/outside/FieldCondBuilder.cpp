#include "FieldCondBuilder.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "GreekFold.h"
#include "SqlDialect.h"
#include "StrHelper.h"

namespace {

// Longest first, so that ">=" is not read as ">".
const char* const kOperators[] = {">=", "<=", "<>", "=", ">", "<"};

// The typed text as a LIKE pattern piece that matches itself only ('[' for SQL Server's sets).
QString escapeLike(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('['))
            out += QLatin1Char('!');
        out += c;
    }
    return out;
}

QString likeCond(const QString& column, const QString& pattern) {
    return SqlDialect::active().like(column, StrHelper::SqlValue(pattern));
}

// Digits have no case or accents, and a number compared with "=" also suits numeric columns.
bool isNumber(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^[+-]?[0-9]+([.][0-9]+)?$"));
    return re.match(text).hasMatch();
}

QString equalCond(const QString& column, const QString& value, bool negate) {
    if (isNumber(value))
        return column + (negate ? QStringLiteral(" <> ") : QStringLiteral(" = ")) +
               StrHelper::SqlValue(value);
    const QString like = likeCond(column, escapeLike(value));
    return negate ? QStringLiteral("NOT ") + like : like;
}

// One alternative: an optional "[marker]" or operator, then the value.
QString alternative(const QString& column, QString text, int mode) {
    QString op;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        const QString marker = close > 0 ? GreekFold::fold(text.mid(1, close - 1).trimmed()) : QString();
        bool known = true;
        if (marker == QStringLiteral("αρχ"))
            mode = FieldCondBuilder::BeginsWith;
        else if (marker == QStringLiteral("περ"))
            mode = FieldCondBuilder::Contains;
        else if (std::find(std::begin(kOperators), std::end(kOperators), marker) != std::end(kOperators))
            op = marker;
        else
            known = false;
        if (known) text = text.mid(close + 1).trimmed();
    }
    if (op.isEmpty()) {
        for (const char* o : kOperators) {
            if (text.startsWith(QLatin1String(o))) {
                op = QLatin1String(o);
                text = text.mid(op.size()).trimmed();
                break;
            }
        }
    }
    if (text.isEmpty()) return {};
    if (op.isEmpty() && mode == FieldCondBuilder::Equal) op = QStringLiteral("=");
    if (op == QLatin1String("=")) return equalCond(column, text, false);
    if (op == QLatin1String("<>")) return equalCond(column, text, true);
    if (!op.isEmpty()) return column + QLatin1Char(' ') + op + QLatin1Char(' ') + StrHelper::SqlValue(text);
    if (mode == FieldCondBuilder::BeginsWith) return likeCond(column, escapeLike(text) + QLatin1Char('%'));
    return likeCond(column, QLatin1Char('%') + escapeLike(text) + QLatin1Char('%'));
}

}  // namespace

void FieldCondBuilder::FieldCond(const QString& column, const QString& typed, int mode, int, int, QObject*,
                                 const QString&, QString& out) {
    out.clear();
    QStringList conds;
    const QStringList alternatives = typed.split(QLatin1Char(','));
    for (const QString& a : alternatives) {
        const QString text = a.trimmed();
        if (text.isEmpty()) continue;
        const QString c = alternative(column, text, mode);
        if (!c.isEmpty()) conds << c;
    }
    if (!conds.isEmpty()) out = QLatin1Char('(') + conds.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}
