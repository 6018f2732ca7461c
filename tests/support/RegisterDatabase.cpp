#include "RegisterDatabase.h"

#include "Err.h"

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
