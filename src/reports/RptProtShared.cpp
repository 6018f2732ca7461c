#include "RptProtShared.h"

#include "Err.h"
#include "Recordset.h"
#include "RptRows.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {
// Reports the pending error of a failed open; true when there was one.
bool reportFailure(const QString& source, const char* callerClass) {
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
    if (!rs.Open(sql, gConn) && reportFailure(QStringLiteral("Open : ") + sql, callerClass)) return out;
    for (; !rs.Eof(); rs.MoveNext())
        out.insert(QString::number(rs.Value(0).toLongLong()), rs.Value(1).toString());
    return out;
}

BlockLinks::BlockLinks(const QString& table, const QString& column, const QString& condition,
                       const QString& order)
    : m_head(QStringLiteral("SELECT PR_ID,") + column + QStringLiteral(" FROM ") + table +
             QStringLiteral(" WHERE PR_ID IN (")),
      m_tail(u')' + condition + QStringLiteral(" ORDER BY PR_ID,") + order) {}

QVariantList BlockLinks::Values(qlonglong entryId, const RptRows& rows, const QString& openSource,
                                const char* callerClass, bool* failed) {
    if (const auto it = m_block.constFind(entryId); it != m_block.cend()) {
        if (failed) *failed = m_failed;
        return it.value();
    }
    Clear();
    m_block.insert(entryId, {});
    QString ids = QString::number(entryId);
    for (const QVariant& key : rows.KeysAhead(kBlockEntries)) {
        const qlonglong id = key.toLongLong();
        if (m_block.contains(id)) continue;
        m_block.insert(id, {});
        ids += u',' + QString::number(id);
    }
    const QString sql = m_head + ids + m_tail;
    Recordset rs;
    Err().Clear();
    if (!rs.Open(sql, gConn) && reportFailure(openSource + sql, callerClass)) {
        m_failed = true;
        if (failed) *failed = true;
        return {};
    }
    if (failed) *failed = false;
    for (; !rs.Eof(); rs.MoveNext()) {
        const auto it = m_block.find(rs.Value(0).toLongLong());
        if (it != m_block.end()) it.value() << rs.Value(1);
    }
    return m_block.value(entryId);
}

QStringList DepartmentNames(BlockLinks& links, qlonglong entryId, const RptRows& rows,
                            const QHash<QString, QString>& departments, const QString& openSource,
                            const char* callerClass) {
    QStringList out;
    for (const QVariant& tm : links.Values(entryId, rows, openSource, callerClass)) {
        const auto it = departments.constFind(QString::number(tm.toLongLong()));
        if (it != departments.cend()) out << it.value();
    }
    return out;
}

}  // namespace RptProtShared
