#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// What the register's detailed list and receipts share: the code tables and an entry's departments.
namespace RptProtShared {
// ID (as decimal text) to DESCR of every row of the lookup table, deleted rows included. A failed
// statement is reported under "Open : " and leaves the table empty.
QHash<QString, QString> LoadCodeTable(const QString& table, const char* callerClass);
// The names of the entry's departments in the link table ("R_YPEYTH WHERE PR_ID=" ...), in the
// database's order; a department missing from the table is skipped. A failed statement is
// reported under openSource and the statement, and gives no names.
QStringList DepartmentNames(const QString& linkTable, const QString& entryId,
                            const QHash<QString, QString>& departments, const QString& openSource,
                            const char* callerClass);
}  // namespace RptProtShared
