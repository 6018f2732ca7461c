#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class RptRows;

// What the register's detailed list and receipts share: the code tables and an entry's departments.
namespace RptProtShared {
// ID (as decimal text) to DESCR of every row of the lookup table, deleted rows included. A failed
// statement is reported under "Open : " and leaves the table empty.
QHash<QString, QString> LoadCodeTable(const QString& table, const char* callerClass);
// The rows a link table holds for each entry, read for a block of the report's entries at a time
// (one statement instead of one an entry): "SELECT PR_ID," column " FROM " table " WHERE PR_ID IN
// (...)" condition " ORDER BY PR_ID," order. Only the last block is kept.
class BlockLinks {
public:
    BlockLinks(const QString& table, const QString& column, const QString& condition, const QString& order);
    // The entry's values, in the statement's order. When the entry is not in the block read last,
    // reads the block of the report's rows from the current one on (the entry's own). A failed
    // statement is reported under openSource and the statement, once: its block's entries then have
    // no values, and `failed` (when given) is set for each of them.
    QVariantList Values(qlonglong entryId, const RptRows& rows, const QString& openSource,
                        const char* callerClass, bool* failed = nullptr);
    // Forgets the block read (the report reads its data again).
    void Clear() {
        m_block.clear();
        m_failed = false;
    }
    static constexpr int kBlockEntries = 100;

private:
    QString m_head, m_tail;
    QHash<qlonglong, QVariantList> m_block;  // every entry of the block, with or without rows
    bool m_failed = false;                   // the block's statement failed
};

// The names of the entry's departments in the link table, in TM_ID order; a department missing
// from the table is skipped.
QStringList DepartmentNames(BlockLinks& links, qlonglong entryId, const RptRows& rows,
                            const QHash<QString, QString>& departments, const QString& openSource,
                            const char* callerClass);
}  // namespace RptProtShared
