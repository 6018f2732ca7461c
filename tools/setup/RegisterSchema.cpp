#include "RegisterSchema.h"

#include "PswFormat.h"
#include "Recordset.h"
#include "RegisterSchemaSql.h"
#include "Rights.h"

namespace {

bool fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

// The first line of a statement, to say which one failed.
QString head(const QString& sql) {
    const QString line = sql.section(QLatin1Char('\n'), 0, 0);
    return line.size() > 90 ? line.left(90) + QStringLiteral(" ...") : line;
}

class Writer {
public:
    explicit Writer(const ConnectionPtr& conn) : m_conn(conn) {}

    bool run(const QString& sql) {
        if (m_conn->Execute(sql)) return true;
        m_error = m_conn->LastErrorText() + QStringLiteral("\nStatement: ") + head(sql);
        return false;
    }
    bool runAll(const QStringList& statements) {
        for (const QString& sql : statements)
            if (!run(sql)) return false;
        return true;
    }
    QVariant value(const QString& sql) {
        Recordset rs;
        if (rs.Open(sql, m_conn) && !rs.Eof()) return rs.Value(0);
        m_error = m_conn->LastErrorText() + QStringLiteral("\nStatement: ") + head(sql);
        return {};
    }
    QString lit(const QString& text) const { return m_conn->dialect().textLiteral(text); }
    QString error() const { return m_error; }

private:
    ConnectionPtr m_conn;
    QString m_error;
};

bool seed(Writer& w, const RegisterSchema::Options& options) {
    if (!w.run(QStringLiteral("INSERT INTO L_USER_GROUPS (USER_GROUP_ID, USER_GROUP_DESCR, USER_GROUP_FLAG)"
                              " VALUES (1, %1, 0)")
                   .arg(w.lit(QStringLiteral("Διαχειριστές")))) ||
        !w.run(QStringLiteral("INSERT INTO L_USER_GROUPS (USER_GROUP_ID, USER_GROUP_DESCR, USER_GROUP_FLAG)"
                              " VALUES (2, %1, 0)")
                   .arg(w.lit(QStringLiteral("Χρήστες")))))
        return false;

    qint64 supervisorId = 0;
    if (!options.supervisorName.isEmpty()) {
        // Passwords are compared upper-cased; the password dialog stores them so too.
        const QString stored =
            PswFormat::Store(options.supervisorPassword.toUpper(), PswFormat::NewKeyCode());
        // Joined, not chained through arg(): a "%3" in the name must stay as typed.
        const QString lastName =
            options.supervisorLastName.isEmpty() ? QStringLiteral("NULL") : w.lit(options.supervisorLastName);
        if (!w.run(QStringLiteral(
                       "INSERT INTO USERS (U_NAME, U_PSW, U_AUTH, USER_GROUP_ID, U_EXP_DAYS, MODUSER, "
                       "U_LNAME) VALUES (") +
                   w.lit(options.supervisorName) + QStringLiteral(", ") + w.lit(stored) +
                   QStringLiteral(", ") + QString::number(RegisterSchema::SupervisorRights()) +
                   QStringLiteral(", 1, 0, 0, ") + lastName + u')'))
            return false;
        const QVariant id = w.value(QStringLiteral("SELECT max(USER_ID) FROM USERS"));
        if (id.isNull()) return false;
        supervisorId = id.toLongLong();
        if (!w.run(QStringLiteral("UPDATE USERS SET MODUSER = %1 WHERE USER_ID = %1").arg(supervisorId)))
            return false;
    }

    // A demonstration register can take a first entry at once; a real one starts empty.
    if (options.demoSamples) {
        const QList<std::tuple<const char*, const char*, const char*>> samples{
            {"L_TMHMATA", "ΓΡΑΜ", "Γραμματεία"}, {"L_TMHMATA", "ΛΟΓ", "Λογιστήριο"},
            {"L_TMHMATA", "ΠΡΟΜ", "Προμήθειες"}, {"L_TMHMATA", "ΤΕΧΝ", "Τεχνική Υπηρεσία"},
            {"L_TYPOI", "ΕΓΓ", "Έγγραφο"},       {"L_TYPOI", "ΑΙΤ", "Αίτηση"},
            {"L_TYPOI", "ΔΙΑΒ", "Διαβιβαστικό"}, {"L_TYPOI", "EMAIL", "Ηλεκτρονικό μήνυμα"},
        };
        for (const auto& [table, code, descr] : samples)
            if (!w.run(QStringLiteral("INSERT INTO %1 (CODE, DESCR, MODUSER) VALUES (%2, %3, %4)")
                           .arg(QLatin1String(table), w.lit(QString::fromUtf8(code)),
                                w.lit(QString::fromUtf8(descr)))
                           .arg(supervisorId)))
                return false;
    }

    const auto param = [&](const QString& code, const QString& value) {
        return w.run(QStringLiteral("INSERT INTO PARAM (PCODE, PVAL, MODUSER) VALUES (") + w.lit(code) +
                     QStringLiteral(", ") + w.lit(value) + QStringLiteral(", ") + QString::number(supervisorId) +
                     u')');
    };
    if (!param(QStringLiteral("PCHK"), QString::number(options.passwordWarningDays))) return false;
    if (!options.docsFolder.isEmpty() && !param(QStringLiteral("PFOLD"), options.docsFolder)) return false;
    return true;
}

}  // namespace

namespace RegisterSchema {

bool Create(const ConnectionPtr& conn, const Options& options, QString* error) {
    if (!conn || !conn->IsOpen()) return fail(error, QStringLiteral("The database connection is not open."));
    if (conn->backend() == Backend::SqlServer)
        return fail(error, QStringLiteral("The register schema is made for SQLite and PostgreSQL only."));
    if (conn->InTransaction())
        return fail(error, QStringLiteral("The connection is already inside a transaction."));
    if (!conn->BeginTrans()) return fail(error, conn->LastErrorText());

    // Both backends roll DDL back with the transaction, so a failure leaves the database as it was.
    Writer w(conn);
    // The support objects may exist already; their "already exists" notices are no news here.
    const bool quiet = conn->backend() != Backend::PostgreSQL ||
                       w.run(QStringLiteral("SET LOCAL client_min_messages = warning"));
    const bool made = quiet && w.runAll(conn->dialect().supportObjectsSql()) &&
                      w.runAll(RegisterSchemaSql::Objects(conn->backend(), options.preUpgrade)) &&
                      seed(w, options);
    if (!made) {
        conn->RollbackTrans();
        return fail(error, w.error());
    }
    if (!conn->CommitTrans()) return fail(error, conn->LastErrorText());
    return true;
}

bool UseWal(const ConnectionPtr& conn, QString* error) {
    if (!conn || !conn->IsOpen()) return fail(error, QStringLiteral("The database connection is not open."));
    if (conn->backend() != Backend::SQLite) return true;
    Recordset rs;
    if (!rs.Open(QStringLiteral("PRAGMA journal_mode = WAL"), conn))
        return fail(error, conn->LastErrorText());
    const QString mode = rs.Eof() ? QString() : rs.Value(0).toString();
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return fail(error, QStringLiteral("SQLite kept the journal mode \"%1\".").arg(mode));
    return true;
}

long SupervisorRights() {
    using namespace Rights;
    return Supervisor | ProtocolRead | ProtocolEdit | ProtocolEditIncoming | ProtocolDelete | Departments |
           DocTypes | Senders | Recipients | Places | Persons | Phrases | ExportReports;
}

}  // namespace RegisterSchema
