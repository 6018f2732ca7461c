#include "RptProtShared.h"

#include "Err.h"
#include "Recordset.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {
// Reports the pending error of a failed open; true when there was one.
bool failed(const QString& source, const char* callerClass) {
    const bool pending = gErr ? gErr->ErrorMsg(source, true, callerClass) : Err().Pending();
    Err().Clear();
    return pending;
}
}  // namespace

namespace RptProtShared {

QHash<QString, QString> LoadCodeTable(const QString& table, const char* callerClass) {
    QHash<QString, QString> out;
    const QString sql = QStringLiteral("SELECT ID,DESCR FROM ") + table;
    Recordset rs;
    Err().Clear();
    if (!rs.Open(sql, gConn) && failed(QStringLiteral("Open : ") + sql, callerClass)) return out;
    for (; !rs.Eof(); rs.MoveNext())
        out.insert(QString::number(rs.Value(0).toLongLong()), rs.Value(1).toString());
    return out;
}

QStringList DepartmentNames(const QString& linkTable, const QString& entryId,
                            const QHash<QString, QString>& departments, const QString& openSource,
                            const char* callerClass) {
    QStringList out;
    const QString sql = QStringLiteral("SELECT TM_ID FROM ") + linkTable + entryId;
    Recordset rs;
    Err().Clear();
    if (!rs.Open(sql, gConn) && failed(openSource + sql, callerClass)) return out;
    for (; !rs.Eof(); rs.MoveNext()) {
        const auto it = departments.constFind(QString::number(rs.Value(0).toLongLong()));
        if (it != departments.cend()) out << it.value();
    }
    return out;
}

}  // namespace RptProtShared
