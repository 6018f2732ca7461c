#include "LookupStore.h"

#include "DBHelper.h"
#include "Err.h"
#include "StrHelper.h"

namespace LookupStore {

namespace {

// Ends the transaction, keeping the failure's text for the report.
AddResult failed(const ConnectionPtr& conn) {
    if (DBHelper::LastError().isEmpty()) DBHelper::SetLastError(conn->LastErrorText());
    const ErrObject pending = Err();
    if (conn->InTransaction()) conn->RollbackTrans();
    if (pending.Number != 0) Err().Raise(pending.Number, pending.Source, pending.Description);
    return AddResult::Failed;
}

}  // namespace

AddResult Add(const ConnectionPtr& conn, const QString& table, const QString& codeField, const QString& code,
              const QString& descrField, const QString& descr, long userId) {
    Err().Clear();
    DBHelper::SetLastError(QString());
    if (!conn->BeginTrans()) return failed(conn);
    const bool hasCode = !codeField.isEmpty();
    if (hasCode) {
        // SQLite's transaction holds the one write lock already; elsewhere the list's own lock.
        const QString lock = conn->dialect().writerLockSql(table);
        if (!lock.isEmpty() && !conn->Execute(lock)) return failed(conn);
        const bool exists =
            DBHelper::RecExists(conn, table, codeField + QLatin1Char('=') + StrHelper::SqlValue(code));
        if (!exists && !DBHelper::LastError().isEmpty()) return failed(conn);
        if (exists) {
            if (!conn->RollbackTrans()) return failed(conn);
            return AddResult::CodeTaken;
        }
    }
    QString fields, values;
    if (hasCode) {
        fields += codeField + QLatin1Char(',');
        values += StrHelper::SqlValue(code) + QLatin1Char(',');
    }
    fields += descrField + QStringLiteral(",MODUSER");
    values += StrHelper::SqlValue(descr) + QLatin1Char(',') + QString::number(userId);
    const QVariant added = DBHelper::InsertRec(conn, table, 0, QString(), fields, values, {});
    if (added.isNull()) return failed(conn);
    // A failed commit has rolled back already.
    if (!conn->CommitTrans()) return failed(conn);
    return AddResult::Added;
}

}  // namespace LookupStore
