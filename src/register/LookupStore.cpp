#include "LookupStore.h"

#include <QUuid>

#include "DBHelper.h"
#include "DbMessages.h"
#include "Err.h"
#include "Recordset.h"
#include "StrHelper.h"

namespace LookupStore {

namespace {

constexpr const char* kToken = "SAVETOKEN";

// Ends the transaction, keeping the failure's text for the report.
AddResult failed(const ConnectionPtr& conn) {
    if (DBHelper::LastError().isEmpty()) DBHelper::SetLastError(conn->LastErrorText());
    const ErrObject pending = Err();
    if (conn->InTransaction()) conn->RollbackTrans();
    if (pending.Number != 0) Err().Raise(pending.Number, pending.Source, pending.Description);
    return AddResult::Failed;
}

enum class Stored { Yes, No, Unknown };

// Whether the entry written with the token is in the list; Unknown, with the error pending, when
// the list cannot be read.
Stored findToken(const ConnectionPtr& conn, const QString& table, const QString& token, QVariant* key) {
    Recordset rs;
    if (!rs.Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") +
                     QLatin1String(kToken) + QLatin1Char('=') + StrHelper::SqlValue(token),
                 conn))
        return Stored::Unknown;
    if (rs.Eof()) return Stored::No;
    if (key) *key = rs.Value(0);  // the key comes first in every table
    return Stored::Yes;
}

// The commit's answer was lost: judged by the token once the connection is back.
AddResult resolve(const ConnectionPtr& conn, const QString& table, const QString& token, QString* pending,
                  QVariant* key) {
    const QString driver = DbMessages::DriverPart(conn->LastErrorText());
    const auto withDriver = [&driver](const QString& sentence) -> QString {
        return sentence + QStringLiteral("\r\n") + DbMessages::AdministratorLine() + driver;
    };
    Err().Clear();
    switch (findToken(conn, table, token, key)) {
        case Stored::Yes:
            if (pending) pending->clear();
            Err().Clear();
            DBHelper::SetLastError(withDriver(RecoveredMessage()));
            return AddResult::Recovered;
        case Stored::No:
            if (pending) pending->clear();
            DBHelper::SetLastError(withDriver(CommitLostMessage()));
            Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("LookupStore"), DBHelper::LastError());
            return AddResult::Failed;
        case Stored::Unknown:
            break;
    }
    if (pending) *pending = token;
    DBHelper::SetLastError(withDriver(CommitUnknownMessage()));
    Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("LookupStore"), DBHelper::LastError());
    return AddResult::Unknown;
}

}  // namespace

AddResult Add(const ConnectionPtr& conn, const QString& table, const QString& codeField, const QString& code,
              const QString& descrField, const QString& descr, long userId, QString* pending, QVariant* key) {
    Err().Clear();
    DBHelper::SetLastError(QString());
    // An earlier addition whose answer was lost is judged before anything is written again.
    if (pending && !pending->isEmpty()) {
        QVariant found;
        switch (conn->IsOpen() ? findToken(conn, table, *pending, &found) : Stored::Unknown) {
            case Stored::Yes:
                pending->clear();
                if (key) *key = found;
                DBHelper::SetLastError(RecoveredMessage());
                return AddResult::Recovered;
            case Stored::Unknown:
                DBHelper::SetLastError(CommitUnknownMessage() + QStringLiteral("\r\n") +
                                       DbMessages::AdministratorLine() +
                                       DbMessages::DriverPart(conn->LastErrorText()));
                Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("LookupStore"), DBHelper::LastError());
                return AddResult::Unknown;
            case Stored::No:
                pending->clear();  // this addition is the one that counts
                break;
        }
    }
    const bool hasToken = DBHelper::ColumnSize(conn, table, QLatin1String(kToken)) > 0;
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
    const QString token = hasToken ? QUuid::createUuid().toString(QUuid::WithoutBraces) : QString();
    if (hasToken) {
        fields += QLatin1Char(',') + QLatin1String(kToken);
        values += QLatin1Char(',') + StrHelper::SqlValue(token);
    }
    const QVariant added = DBHelper::InsertRec(conn, table, 0, QString(), fields, values, {});
    if (added.isNull()) return failed(conn);
    if (!conn->CommitTrans()) {
        // A failed commit has rolled back already; one whose answer was lost may have been written.
        if (!conn->InTransaction() && conn->CommitUncertain() && hasToken)
            return resolve(conn, table, token, pending, key);
        return failed(conn);
    }
    if (key) *key = added;
    return AddResult::Added;
}

QString RecoveredMessage() {
    return QStringLiteral(
        "Η σύνδεση με τη βάση δεδομένων χάθηκε πριν φτάσει η απάντηση της βάσης· η καταχώρηση "
        "βρέθηκε αποθηκευμένη: προστέθηκε.");
}

QString CommitLostMessage() {
    return Connection::LostText() +
           QStringLiteral(
               " Η καταχώρηση δεν προστέθηκε. Ό,τι πληκτρολογήσατε είναι ακόμη στα πεδία: πατήστε "
               "«Προσθήκη» για να την προσθέσετε.");
}

QString CommitUnknownMessage() {
    return Connection::LostText() +
           QStringLiteral(
               " Δεν είναι ακόμη γνωστό αν η καταχώρηση προστέθηκε. Ό,τι πληκτρολογήσατε είναι ακόμη "
               "στα πεδία: όταν η σύνδεση αποκατασταθεί, πατήστε «Προσθήκη»· θα ελεγχθεί πρώτα αν η "
               "καταχώρηση προστέθηκε, ώστε να μη γραφτεί δύο φορές.");
}

}  // namespace LookupStore
