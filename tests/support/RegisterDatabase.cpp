#include "RegisterDatabase.h"

#include "Err.h"
#include "Recordset.h"

bool createRegister(TestDatabase& db, const RegisterSchema::Options& options) {
    if (!db.ok()) return false;
    QString error;
    if (!RegisterSchema::Create(db.conn(), options, &error) || !RegisterSchema::UseWal(db.conn(), &error)) {
        qWarning("register schema: %s", qPrintable(error));
        return false;
    }
    Err().Clear();
    return true;
}

int openSessionRows(const ConnectionPtr& conn, long userId) {
    Recordset rs;
    if (!rs.Open(QStringLiteral("SELECT ULOG_ID FROM USER_LOG WHERE LOGOUT_TIME IS NULL AND USER_ID=") +
                     QString::number(userId),
                 conn))
        return -1;
    return rs.RecordCount();
}
