#include "RowVersion.h"

#include "BoundControl.h"
#include "Recordset.h"

namespace RowVersion {

QString Condition(const QVariant& version) {
    if (version.isNull()) return QString();
    return QStringLiteral(" AND ") + QLatin1String(Column) + QLatin1Char('=') +
           BoundControl::SqlLiteral(version);
}

State Judge(const ConnectionPtr& conn, const QString& table, const QString& keyCondition,
            const QVariant& shownVersion) {
    Recordset rs;
    if (!rs.Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + keyCondition, conn))
        return State::Unread;
    if (rs.Eof()) return State::Gone;
    const int flag = rs.FieldIndex(QStringLiteral("MODFLAG"));
    if (flag >= 0 && rs.Value(flag).toString() == QLatin1String("D")) return State::Gone;
    const int version = rs.FieldIndex(QLatin1String(Column));
    if (version < 0 || shownVersion.isNull()) return State::Unchanged;
    return rs.Value(version).toLongLong() == shownVersion.toLongLong() ? State::Unchanged : State::Changed;
}

}  // namespace RowVersion
