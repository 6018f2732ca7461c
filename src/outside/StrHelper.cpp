#include "StrHelper.h"

#include <QDateTime>
#include <cmath>

#include "Recordset.h"
#include "SqlDialect.h"

QString StrHelper::SqlValue(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QStringLiteral("Null");
    const SqlDialect& d = SqlDialect::active();
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::SChar:
            return QString::number(value.toLongLong());
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::UChar:
            return QString::number(value.toULongLong());
        case QMetaType::Double:
        case QMetaType::Float: {
            const double v = value.toDouble();
            if (!std::isfinite(v)) return QStringLiteral("Null");
            // Fixed notation in the C locale: no exponent, no group separators, '.' as the point.
            return QString::number(v, 'f', QLocale::FloatingPointShortest);
        }
        case QMetaType::QDate:
            return d.dateLiteral(value.toDate());
        case QMetaType::QDateTime:
            return d.dateTimeLiteral(value.toDateTime());
        case QMetaType::QTime:
            return d.textLiteral(value.toTime().toString(QStringLiteral("HH:mm:ss")));
        case QMetaType::QByteArray:
            return d.textLiteral(QString::fromUtf8(value.toByteArray()));
        default:
            return d.textLiteral(value.toString());
    }
}

QString StrHelper::SqlValue(const Recordset& rs, const QString& field) {
    return SqlValue(rs.Value(field));
}

QString StrHelper::CutRight(const QString& text, int count) {
    if (count <= 0) return text;
    return count >= text.size() ? QString() : text.left(text.size() - count);
}

QString StrHelper::CutLeft(const QString& text, int count) {
    if (count <= 0) return text;
    return count >= text.size() ? QString() : text.mid(count);
}

QString StrHelper::PadLeft(const QString& text, int width, const QString& fill) {
    if (text.size() >= width) return text;
    const QChar c = fill.isEmpty() ? QLatin1Char(' ') : fill.at(0);
    return QString(width - text.size(), c) + text;
}

QString StrHelper::MergeList(const QString& list, const QString& value, const QString& separator) {
    const QString sep = separator.isEmpty() ? QStringLiteral(",") : separator;
    if (value.isEmpty()) return list;
    if (list.isEmpty()) return value;
    const QStringList items = list.split(sep);
    for (const QString& item : items)
        if (item.trimmed() == value.trimmed()) return list;
    return list + sep + value;
}

QString StrHelper::NormPath(const QString& path) {
    if (!path.contains(QLatin1Char('\\')) && !path.contains(QLatin1Char('/'))) return path;
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A leading pair names a network share and stays.
    const bool share = p.startsWith(QLatin1String("//"));
    QString out = share ? QStringLiteral("//") : QString();
    for (qsizetype i = share ? 2 : 0; i < p.size(); ++i) {
        if (p.at(i) == QLatin1Char('/') && out.endsWith(QLatin1Char('/'))) continue;
        out += p.at(i);
    }
    // "/", "//" and a drive's root "C:/" keep their separator.
    const bool driveRoot = out.size() == 3 && out.at(1) == QLatin1Char(':') && out.at(0).isLetter();
    if (out.size() > 1 && out.endsWith(QLatin1Char('/')) && !driveRoot && out != QLatin1String("//"))
        out.chop(1);
    return out;
}
