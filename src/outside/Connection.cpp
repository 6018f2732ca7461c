#include "Connection.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include "DbMessages.h"
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

QString Connection::PointName(Point point) {
    switch (point) {
        case Point::Any:
            return QStringLiteral("any");
        case Point::Statement:
            return QStringLiteral("statement");
        case Point::Savepoint:
            return QStringLiteral("SAVEPOINT");
        case Point::Release:
            return QStringLiteral("RELEASE SAVEPOINT");
        case Point::RollbackTo:
            return QStringLiteral("ROLLBACK TO SAVEPOINT");
        case Point::Begin:
            return QStringLiteral("BEGIN");
        case Point::Commit:
            return QStringLiteral("COMMIT");
        case Point::Rollback:
            return QStringLiteral("ROLLBACK");
        case Point::Probe:
            return QStringLiteral("probe");
    }
    return {};
}

void Connection::fail(long number, const QString& description) {
    // While the connection is lost (or its transaction broken), that is the reason of every
    // failure, whatever the driver said.
    if (m_lost || m_transactionBroken)
        m_lastError = m_lostMessage;
    else if (m_backend == Backend::SQLite && !m_sqliteFile.isEmpty())
        m_lastError = DbMessages::Explained(description, DbMessages::FactsOf(m_sqliteFile));
    else
        m_lastError = DbMessages::Explained(description);
    Err().Raise(number, dialect().name(), m_lastError);
}

void Connection::InjectFault(int nth, Fault kind, Point at) {
    if (nth <= 0) return;
    m_faults.push_back({nth, kind, at, {}});
}

void Connection::InjectCall(int nth, Point at, std::function<void()> call) {
    if (nth <= 0 || !call) return;
    m_faults.push_back({nth, Fault::FailStatement, at, std::move(call)});
}

std::optional<Connection::Fault> Connection::countPoint(Point point) {
    ++m_statements;
    ++m_pointCounts[int(point)];
    ++m_pointCounts[int(Point::Any)];
    std::optional<Fault> due;
    std::vector<std::function<void()>> calls;
    for (auto it = m_faults.begin(); it != m_faults.end();) {
        if ((it->at != Point::Any && it->at != point) || --it->countdown > 0) {
            ++it;
            continue;
        }
        if (it->call)
            calls.push_back(std::move(it->call));
        else if (!due)
            due = it->kind;
        it = m_faults.erase(it);
    }
    for (const auto& call : calls) call();
    if (due == Fault::DropConnection) dropHandle();
    return due;
}

void Connection::dropHandle() {
    if (!m_registered) return;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (db.isValid()) db.close();  // the server (or SQLite) undoes an open transaction
    m_open = false;
}

bool Connection::handleOpen() const {
    return m_registered && QSqlDatabase::database(m_name, false).isOpen();
}

void Connection::markLost(const QString& driverText) {
    m_lost = true;
    if (m_depth > 0) m_transactionLost = true;
    m_lostMessage = DbMessages::LostConnection(LostText(), driverText);
    dropHandle();
}

void Connection::breakTransaction(const QString& why) {
    if (m_depth == 0) return;
    m_transactionBroken = true;
    m_lostMessage = DbMessages::BrokenTransaction(why);
}

void Connection::endTransaction() {
    m_depth = 0;
    m_transactionLost = false;
    m_transactionBroken = false;
}

bool Connection::checkLost(const QString& driverText) {
    if (m_lost) return true;
    bool alive = false;
    if (m_open && handleOpen()) {
        // The probe is a point like any other: a fault there loses the connection too.
        const std::optional<Fault> fault = countPoint(Point::Probe);
        if (fault != Fault::FailStatement && handleOpen()) {
            QSqlQuery probe(QSqlDatabase::database(m_name, false));
            // A server that refuses it inside an aborted transaction (a failed ROLLBACK TO
            // SAVEPOINT leaves one) still answers: the transaction is broken, not the connection.
            alive = (probe.exec(QStringLiteral("SELECT 1")) ||
                     probe.lastError().nativeErrorCode() == QLatin1String("25P02")) &&
                    fault != Fault::LoseAnswer;
        }
    }
    if (alive) return false;
    markLost(driverText);
    return true;
}

bool Connection::reconnect() const {
    auto* self = const_cast<Connection*>(this);
    // Statements of a transaction the server dropped must not run on a new connection.
    if (m_transactionLost) return false;
    const QString connStr = m_openConnStr, user = m_openUser, password = m_openPassword;
    if (self->Open(connStr, user, password)) return true;
    self->m_lost = true;
    if (m_backend == Backend::SQLite && !m_sqliteFile.isEmpty()) {
        const DbMessages::FileFacts facts = DbMessages::FactsOf(m_sqliteFile);
        self->m_lostMessage = DbMessages::NotRestored(NotRestoredText(), m_openError, &facts);
    } else {
        self->m_lostMessage = DbMessages::NotRestored(NotRestoredText(), m_openError);
    }
    self->m_lastError = self->m_lostMessage;
    return false;
}

bool Connection::openFailed(const QString& description) {
    m_openError = description;
    if (m_registered) QSqlDatabase::removeDatabase(m_name);
    m_registered = false;
    fail(ErrNo::DbOpenFailed, description);
    return false;
}

bool Connection::Open(const QString& connStr, const QString& user, const QString& password) {
    Close();
    m_sqliteFile.clear();
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
                m_sqliteFile = file.absoluteFilePath();
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
    endTransaction();
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
            if (!q.exec(
                    QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = to_regclass('protocol')"
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
    if (m_registered && m_open && m_depth > 0) RollbackTrans();
    m_lost = false;
    endTransaction();
    if (!m_registered) return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_registered = false;
    m_open = false;
}

bool Connection::IsOpen() const {
    // The driver noticed that the server went away: a lost connection like any other.
    if (m_open && !m_lost && !handleOpen()) const_cast<Connection*>(this)->markLost(QString());
    if (m_lost && !reconnect()) return false;
    return m_open && handleOpen();
}

QSqlDatabase Connection::database() const {
    if (m_lost) reconnect();
    return m_open ? QSqlDatabase::database(m_name, false) : QSqlDatabase();
}

bool Connection::control(Point point, const QString& sql) {
    const std::optional<Fault> fault = countPoint(point);
    bool ok = false;
    QString error;
    if (fault == Fault::FailStatement) {
        error = QStringLiteral("Injected fault at ") + sql;
    } else {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        const bool transaction = point == Point::Begin || point == Point::Commit || point == Point::Rollback;
        if (transaction && m_backend != Backend::SQLite) {
            // The ODBC driver must switch its auto-commit mode itself.
            ok = point == Point::Begin    ? db.transaction()
                 : point == Point::Commit ? db.commit()
                                          : db.rollback();
            if (!ok) error = DescribeError(db.lastError());
        } else {
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok) error = DescribeError(q.lastError());
        }
        if (ok && fault == Fault::LoseAnswer) {
            // The server did it; its answer never came.
            dropHandle();
            ok = false;
            error = QStringLiteral("Injected loss of the answer to ") + sql;
        }
    }
    if (!ok) {
        checkLost(error);
        fail(ErrNo::DbCommandFailed, error);
    }
    return ok;
}

bool Connection::BeginTrans() {
    if (m_depth > 0) {
        // An inner level only counts, also in a transaction that is gone: its end must pair.
        ++m_depth;
        if (m_transactionLost || m_transactionBroken || m_lost) {
            fail(ErrNo::DbCommandFailed, m_lostMessage);
            return false;
        }
        return true;
    }
    if (!IsOpen()) {
        fail(ErrNo::DbNotOpen, kNotOpen);
        return false;
    }
    // IMMEDIATE takes the write lock now: two writers then wait on the busy timeout instead of
    // both holding a read lock and failing at their first write.
    if (!control(Point::Begin,
                 m_backend == Backend::SQLite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")))
        return false;
    m_depth = 1;
    return true;
}

bool Connection::noTransaction() {
    if (!IsOpen())
        fail(ErrNo::DbNotOpen, kNotOpen);
    else
        fail(ErrNo::DbCommandFailed, QStringLiteral("No transaction is active on this connection."));
    return false;
}

bool Connection::CommitTrans() {
    if (m_depth == 0) return noTransaction();
    if (m_open && !m_lost && !handleOpen()) markLost(QString());
    if (m_transactionLost || m_lost || m_transactionBroken) {
        // Nothing of it can be written: the server undid it with the connection, or it broke.
        // Every level ends here.
        const QString why = m_lostMessage;
        if (!m_lost && !control(Point::Rollback, QStringLiteral("ROLLBACK")) && !m_lost)
            markLost(m_lastError);
        endTransaction();
        m_lastError = why;
        Err().Raise(ErrNo::DbCommandFailed, dialect().name(), why);
        return false;
    }
    if (m_depth > 1) {
        --m_depth;
        return true;
    }
    m_commitUncertain = false;
    if (control(Point::Commit, QStringLiteral("COMMIT"))) {
        m_depth = 0;
        return true;
    }
    // A commit that failed leaves nothing worth keeping; end the transaction so the connection
    // is usable again, but keep the commit's error.
    const QString error = m_lastError;
    const long number = Err().Number;
    const QString source = Err().Source;
    m_depth = 0;
    if (m_lost) {
        // The COMMIT went out and the connection died: the server may have written it.
        m_commitUncertain = true;
    } else if (!control(Point::Rollback, QStringLiteral("ROLLBACK")) && !m_lost) {
        // Whatever the server still holds goes with the handle.
        markLost(m_lastError);
    }
    endTransaction();
    m_lastError = error;
    Err().Raise(number, source, error);
    return false;
}

bool Connection::RollbackTrans() {
    if (m_depth == 0) return noTransaction();
    if (m_open && !m_lost && !handleOpen()) markLost(QString());
    // Every level ends, whatever the ROLLBACK does.
    const bool gone = m_lost || m_transactionLost;
    endTransaction();
    if (gone) return true;  // the server already undid it
    if (control(Point::Rollback, QStringLiteral("ROLLBACK"))) return true;
    // Whatever the server still holds goes with the handle.
    if (!m_lost) markLost(m_lastError);
    return false;
}

bool Connection::exec(QSqlQuery& query, const QString& sql) {
    // Nothing more of a transaction that is gone or broken runs.
    if (m_depth > 0 && (m_transactionLost || m_transactionBroken)) return false;
    const bool guard = m_depth > 0 && m_backend == Backend::PostgreSQL && m_open;
    // A savepoint statement that fails on a live connection leaves the statement's fate unknown:
    // the transaction cannot go on.
    const auto controlFailed = [this] {
        if (!m_lost) breakTransaction(m_lastError);
        return false;
    };
    if (guard && !control(Point::Savepoint, QStringLiteral("SAVEPOINT ") + kSavepoint))
        return controlFailed();
    QString statement = sql;
    const std::optional<Fault> fault = countPoint(Point::Statement);
    // An injected failure runs a statement that fails for real, so the caller reads a genuine
    // driver error; a dropped connection fails on its own.
    if (fault == Fault::FailStatement)
        statement = QStringLiteral("SELECT injected_fault FROM injected_fault");
    bool ok = query.exec(statement);
    if (ok && fault == Fault::LoseAnswer) {
        dropHandle();
        ok = false;
    }
    if (guard && m_open) {
        if (ok && !control(Point::Release, QStringLiteral("RELEASE SAVEPOINT ") + kSavepoint))
            return controlFailed();
        if (!ok && !control(Point::RollbackTo, QStringLiteral("ROLLBACK TO SAVEPOINT ") + kSavepoint))
            return controlFailed();
    }
    if (!ok) checkLost(DescribeError(query.lastError()));
    return ok;
}

bool Connection::AllowParallelReads(bool allow) {
    const QString sql = dialect().parallelReadsSql(allow);
    if (sql.isEmpty()) return true;
    if (!IsOpen()) return false;
    QSqlQuery q(database());
    if (exec(q, sql)) return true;
    // Left parallel, every keystroke's statement would pay for starting workers. Inside a
    // transaction only its rollback would undo the setting; the session is not dropped there.
    if (!allow && !m_lost && m_depth == 0) markLost(DescribeError(q.lastError()));
    return false;
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
