#include "Connection.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include "Err.h"

namespace {

QAtomicInteger<quint64> g_connectionCounter;

const QString kNotOpen = QStringLiteral("Operation is not allowed when the object is closed.");
const QString kSavepoint = QStringLiteral("protocol_statement");

QString firstOf(const QMap<QString, QString>& params, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        const auto it = params.constFind(QString::fromLatin1(key));
        if (it != params.constEnd() && !it->isEmpty()) return *it;
    }
    return {};
}

// "host:port", "host,port", "[v6]:port", "/socket/dir:port" → host and port (-1 when none).
void splitServer(const QString& server, QString* host, int* port) {
    *host = server;
    *port = -1;
    const qsizetype sep =
        std::max(server.lastIndexOf(QLatin1Char(':')), server.lastIndexOf(QLatin1Char(',')));
    if (sep > 0 && !(server.startsWith(QLatin1Char('[')) && server.lastIndexOf(QLatin1Char(']')) > sep)) {
        bool ok = false;
        const int p = server.mid(sep + 1).trimmed().toInt(&ok);
        if (ok) {
            *host = server.left(sep).trimmed();
            *port = p;
        }
    }
    if (host->startsWith(QLatin1Char('[')) && host->endsWith(QLatin1Char(']')))
        *host = host->mid(1, host->size() - 2);
}

// An ODBC value in braces when it holds characters that would end it.
QString odbcValue(const QString& value) {
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{')) &&
        !value.contains(QLatin1Char('}')) && value.trimmed() == value)
        return value;
    QString v = value;
    v.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

}  // namespace

Connection::Connection() : m_name(QStringLiteral("Protocol.Connection.%1").arg(++g_connectionCounter)) {}

Connection::~Connection() {
    Close();
}

Backend Connection::BackendForProvider(const QString& provider, bool* known) {
    QString p = provider.trimmed().toLower();
    // Version suffixes as in "SQLOLEDB.1".
    const qsizetype dot = p.indexOf(QLatin1Char('.'));
    if (dot > 0) p.truncate(dot);
    if (known) *known = true;
    if (p == QLatin1String("sqlite")) return Backend::SQLite;
    if (p == QLatin1String("postgresql")) return Backend::PostgreSQL;
    if (p == QLatin1String("sqloledb") || p == QLatin1String("msoledbsql") || p == QLatin1String("sqlncli11"))
        return Backend::SqlServer;
    if (known) *known = false;
    return Backend::SQLite;
}

QMap<QString, QString> Connection::ParseConnStr(const QString& connStr) {
    QMap<QString, QString> out;
    const QStringList parts = connStr.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QString key = part.left(eq).trimmed().toLower();
        if (!key.isEmpty()) out.insert(key, part.mid(eq + 1).trimmed());
    }
    return out;
}

QString Connection::DescribeError(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.driverText().trimmed();
    if (text.isEmpty()) text = QStringLiteral("Unknown database error.");
    const QString code = error.nativeErrorCode();
    if (!code.isEmpty() && !text.contains(QLatin1Char('(') + code + QLatin1Char(')')))
        text += QStringLiteral(" (") + code + QLatin1Char(')');
    return text;
}

QString Connection::LostText() {
    return QStringLiteral("Η σύνδεση με τη βάση δεδομένων χάθηκε.");
}

QString Connection::NotRestoredText() {
    return QStringLiteral("Η σύνδεση με τη βάση δεδομένων χάθηκε και δεν ήταν δυνατό να αποκατασταθεί.");
}

void Connection::fail(long number, const QString& description) {
    // While the connection is lost, that is the reason of every failure, whatever the driver said.
    m_lastError = m_lost ? m_lostMessage : description;
    Err().Raise(number, dialect().name(), m_lastError);
}

void Connection::InjectFault(int nth, Fault kind) {
    m_faultCountdown = std::max(nth, 0);
    m_fault = kind;
}

bool Connection::countStatement() {
    ++m_statements;
    if (m_faultCountdown <= 0 || --m_faultCountdown > 0) return true;
    if (m_fault == Fault::DropConnection) dropHandle();
    return false;
}

void Connection::dropHandle() {
    if (!m_registered) return;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (db.isValid()) db.close();  // the server (or SQLite) undoes an open transaction
    m_open = false;
}

bool Connection::checkLost(const QString& driverText) {
    if (m_lost) return true;
    bool alive = false;
    if (m_open && m_registered) {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen()) {
            QSqlQuery probe(db);
            alive = probe.exec(QStringLiteral("SELECT 1"));
        }
    }
    if (alive) return false;
    m_lost = true;
    if (m_depth > 0) m_transactionLost = true;
    m_lostMessage = LostText();
    if (!driverText.isEmpty()) m_lostMessage += QLatin1Char(' ') + driverText;
    dropHandle();
    return true;
}

bool Connection::reconnect() const {
    auto* self = const_cast<Connection*>(this);
    // Statements of a transaction the server dropped must not run on a new connection.
    if (m_transactionLost) return false;
    const QString connStr = m_openConnStr, user = m_openUser, password = m_openPassword;
    if (self->Open(connStr, user, password)) return true;
    self->m_lost = true;
    self->m_lostMessage = NotRestoredText() + QLatin1Char(' ') + m_lastError;
    self->m_lastError = self->m_lostMessage;
    return false;
}

bool Connection::openFailed(const QString& description) {
    if (m_registered) QSqlDatabase::removeDatabase(m_name);
    m_registered = false;
    fail(ErrNo::DbOpenFailed, description);
    return false;
}

bool Connection::Open(const QString& connStr, const QString& user, const QString& password) {
    Close();
    if (!connStr.isEmpty()) ConnectionString = connStr;
    bool known = false;
    const Backend backend = BackendForProvider(Provider, &known);
    if (!known) {
        m_lastError = QStringLiteral("Provider cannot be found: \"%1\".").arg(Provider);
        Err().Raise(ErrNo::DbOpenFailed, QStringLiteral("Connection"), m_lastError);
        return false;
    }
    m_backend = backend;
    const SqlDialect& d = dialect();
    if (!QSqlDatabase::isDriverAvailable(d.driverName()))
        return openFailed(QStringLiteral("The Qt SQL driver %1 is not installed.").arg(d.driverName()));

    const QMap<QString, QString> params = ParseConnStr(ConnectionString);
    const QString server = firstOf(params, {"server", "data source", "address", "addr", "host"});
    const QString database = firstOf(params, {"database", "initial catalog", "dbname"});
    const QString uid = user.isEmpty() ? firstOf(params, {"uid", "user id", "user"}) : user;
    const QString pwd = password.isEmpty() ? firstOf(params, {"pwd", "password"}) : password;
    if (database.isEmpty()) return openFailed(QStringLiteral("The connection string names no database."));

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(d.driverName(), m_name);
        m_registered = true;
        QStringList options;
        switch (backend) {
            case Backend::SQLite: {
                // Opening a wrong path must not leave an empty database behind.
                const QFileInfo file(database);
                if (!file.isFile()) {
                    db = QSqlDatabase();
                    return openFailed(QStringLiteral("The database file does not exist: %1").arg(database));
                }
                db.setDatabaseName(file.absoluteFilePath());
                const qint64 busyMs = CommandTimeout > 0 ? qint64(CommandTimeout) * 1000 : qint64(INT_MAX);
                options << QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(std::min<qint64>(busyMs, INT_MAX));
                if (Mode == 1) options << QStringLiteral("QSQLITE_OPEN_READONLY");
                break;
            }
            case Backend::PostgreSQL: {
                QString host;
                int port = -1;
                splitServer(server, &host, &port);
                if (!host.isEmpty()) db.setHostName(host);
                if (port > 0) db.setPort(port);
                db.setDatabaseName(database);
                db.setUserName(uid);
                db.setPassword(pwd);
                if (ConnectionTimeout > 0)
                    options << QStringLiteral("connect_timeout=%1").arg(ConnectionTimeout);
                break;
            }
            case Backend::SqlServer: {
                QString host;
                int port = -1;
                splitServer(server, &host, &port);
                QString odbc = QStringLiteral("DRIVER={FreeTDS};SERVER=") + odbcValue(host);
                if (port > 0) odbc += QStringLiteral(";PORT=%1").arg(port);
                odbc += QStringLiteral(";DATABASE=") + odbcValue(database) + QStringLiteral(";UID=") +
                        odbcValue(uid) + QStringLiteral(";PWD=") + odbcValue(pwd) +
                        QStringLiteral(";TDS_Version=7.4");
                db.setDatabaseName(odbc);
                if (ConnectionTimeout > 0)
                    options << QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(ConnectionTimeout);
                break;
            }
        }
        db.setConnectOptions(options.join(QLatin1Char(';')));
        if (!db.open()) {
            const QString text = DescribeError(db.lastError());
            db = QSqlDatabase();
            return openFailed(text);
        }
        QString why;
        if (!d.prepare(db, &why)) {
            db.close();
            db = QSqlDatabase();
            return openFailed(why);
        }
        if (backend == Backend::PostgreSQL) {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SET statement_timeout = %1")
                            .arg(qint64(std::max(CommandTimeout, 0)) * 1000))) {
                const QString text = DescribeError(q.lastError());
                q = QSqlQuery();
                db.close();
                db = QSqlDatabase();
                return openFailed(text);
            }
        }
    }
    m_open = true;
    m_depth = 0;
    m_lost = false;
    m_transactionLost = false;
    m_openConnStr = ConnectionString;
    m_openUser = user;
    m_openPassword = password;
    m_databaseName = database;
    SqlDialect::setActive(backend);
    SqlDialect::ColumnProbe probe;
    if (backend == Backend::PostgreSQL) {
        probe = [name = m_name]() -> std::optional<QStringList> {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (!db.isOpen()) return std::nullopt;
            QSqlQuery q(db);
            q.setForwardOnly(true);
            // Catalogue only: cannot fail inside a transaction and abort it.
            if (!q.exec(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = to_regclass('protocol')"
                                       " AND attnum > 0 AND NOT attisdropped")))
                return std::nullopt;
            QStringList columns;
            while (q.next()) columns << q.value(0).toString();
            // No columns: the register is not made yet; ask again later.
            if (columns.isEmpty()) return std::nullopt;
            return columns;
        };
    }
    SqlDialect::setStoredFoldsProbe(std::move(probe));
    return true;
}

void Connection::Close() {
    // Once removed, never ask Qt again: a connection released at exit may outlive Qt's registry.
    m_lost = false;
    m_transactionLost = false;
    if (!m_registered) return;
    if (m_open && m_depth > 0) RollbackTrans();
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_registered = false;
    m_open = false;
    m_depth = 0;
}

bool Connection::IsOpen() const {
    if (m_lost && !reconnect()) return false;
    return m_open && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase Connection::database() const {
    if (m_lost) reconnect();
    return m_open ? QSqlDatabase::database(m_name, false) : QSqlDatabase();
}

bool Connection::runTransactionStatement(const QString& sql) {
    const bool rollback = sql == QLatin1String("ROLLBACK");
    if (!rollback && !countStatement()) {
        const QString text = m_fault == Fault::FailStatement ? QStringLiteral("Injected fault at ") + sql
                                                             : QString();
        checkLost(text);
        fail(ErrNo::DbCommandFailed, text);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    bool ok = false;
    QSqlError error;
    if (m_backend == Backend::SQLite) {
        QSqlQuery q(db);
        ok = q.exec(sql);
        error = q.lastError();
    } else {
        // The ODBC driver must switch its auto-commit mode itself.
        if (sql.startsWith(QLatin1String("BEGIN")))
            ok = db.transaction();
        else if (sql == QLatin1String("COMMIT"))
            ok = db.commit();
        else
            ok = db.rollback();
        error = db.lastError();
    }
    if (!ok) {
        const QString text = DescribeError(error);
        checkLost(text);
        fail(ErrNo::DbCommandFailed, text);
    }
    return ok;
}

bool Connection::BeginTrans() {
    if (!IsOpen()) {
        fail(ErrNo::DbNotOpen, kNotOpen);
        return false;
    }
    if (m_depth > 0) {
        ++m_depth;
        return true;
    }
    // IMMEDIATE takes the write lock now: two writers then wait on the busy timeout instead of
    // both holding a read lock and failing at their first write.
    if (!runTransactionStatement(m_backend == Backend::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                                              : QStringLiteral("BEGIN")))
        return false;
    m_depth = 1;
    return true;
}

bool Connection::requireTransaction() {
    if (!IsOpen()) {
        fail(ErrNo::DbNotOpen, kNotOpen);
        return false;
    }
    if (m_depth == 0) {
        fail(ErrNo::DbCommandFailed, QStringLiteral("No transaction is active on this connection."));
        return false;
    }
    return true;
}

bool Connection::CommitTrans() {
    if (m_depth > 0 && m_transactionLost) {
        // The server undid the transaction when the connection broke: nothing was written.
        m_depth = 0;
        m_transactionLost = false;
        fail(ErrNo::DbCommandFailed, m_lostMessage);
        return false;
    }
    if (!requireTransaction()) return false;
    if (m_depth > 1) {
        --m_depth;
        return true;
    }
    if (runTransactionStatement(QStringLiteral("COMMIT"))) {
        m_depth = 0;
        return true;
    }
    // A commit that failed leaves nothing worth keeping; end the transaction so the connection
    // is usable again, but keep the commit's error.
    const QString error = m_lastError;
    const long number = Err().Number;
    const QString source = Err().Source;
    if (!m_lost) runTransactionStatement(QStringLiteral("ROLLBACK"));
    m_depth = 0;
    m_transactionLost = false;
    m_lastError = error;
    Err().Raise(number, source, error);
    return false;
}

bool Connection::RollbackTrans() {
    if (m_depth > 0 && (m_transactionLost || m_lost)) {
        m_depth = 0;
        m_transactionLost = false;
        return true;  // the server already undid it
    }
    if (!requireTransaction()) return false;
    m_depth = 0;
    return runTransactionStatement(QStringLiteral("ROLLBACK"));
}

bool Connection::exec(QSqlQuery& query, const QString& sql) {
    QString statement = sql;
    if (!countStatement()) {
        // An injected failure runs a statement that fails for real, so the caller reads a
        // genuine driver error; a dropped connection fails on its own.
        if (m_fault == Fault::FailStatement) statement = QStringLiteral("SELECT injected_fault FROM injected_fault");
    }
    const bool guard = m_depth > 0 && m_backend == Backend::PostgreSQL && m_open;
    bool ok = false;
    if (!guard) {
        ok = query.exec(statement);
    } else {
        QSqlQuery mark(QSqlDatabase::database(m_name, false));
        mark.exec(QStringLiteral("SAVEPOINT ") + kSavepoint);
        ok = query.exec(statement);
        mark.exec((ok ? QStringLiteral("RELEASE SAVEPOINT ") : QStringLiteral("ROLLBACK TO SAVEPOINT ")) +
                  kSavepoint);
    }
    if (!ok) checkLost(DescribeError(query.lastError()));
    return ok;
}

bool Connection::Execute(const QString& sql, qint64* recordsAffected) {
    if (!IsOpen()) {
        fail(ErrNo::DbNotOpen, kNotOpen);
        return false;
    }
    QSqlQuery q(database());
    if (!exec(q, dialect().adapt(sql))) {
        fail(ErrNo::DbCommandFailed, DescribeError(q.lastError()));
        return false;
    }
    if (recordsAffected) *recordsAffected = q.numRowsAffected();
    return true;
}
