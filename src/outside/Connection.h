#pragma once

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "SqlDialect.h"

class QSqlError;
class QSqlQuery;

// The session's database connection. Set the properties, then Open. Every failure leaves the
// pending error (Err()) and LastErrorText(); nothing fails silently.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Set before Open. Provider names the backend: "SQLite", "PostgreSQL", or the SQL Server
    // providers "SQLOLEDB", "MSOLEDBSQL", "SQLNCLI11" (case does not matter).
    QString Provider;
    QString ConnectionString;      // "server=...;database=...;" then further keywords
    int Mode = 0;                  // 3 read-write
    int CursorLocation = 2;        // 2 server, 3 client, 1 other
    int CommandTimeout = 30;       // seconds; 0 = no limit
    int ConnectionTimeout = 15;    // seconds; 0 = no limit
    long IsolationLevel = 0x1000;  // read committed

    // Opens with ConnectionString (or connStr when given) and the log-in.
    bool Open(const QString& connStr = QString(), const QString& user = QString(),
              const QString& password = QString());
    void Close();
    // True when statements can run. After a lost connection (and outside a transaction) this
    // first opens it again with the settings of the last successful Open: the same user, no
    // new log-in. False, with the reason in LastErrorText(), when that fails.
    bool IsOpen() const;
    // The connection broke (the server went away); cleared by a successful reconnection.
    bool Lost() const { return m_lost; }

    // Transactions nest as counted levels: an inner BeginTrans/CommitTrans pair only counts, the
    // outermost commit writes everything, and a RollbackTrans at any level undoes the whole
    // transaction at once. So a form's own transaction inside the framework's save is part of it.
    bool BeginTrans();
    bool CommitTrans();
    bool RollbackTrans();
    bool InTransaction() const { return m_depth > 0; }
    int TransactionDepth() const { return m_depth; }

    // Runs one statement that returns no rows. recordsAffected receives the count when given.
    bool Execute(const QString& sql, qint64* recordsAffected = nullptr);

    // Lets the statements that follow read whole tables with the server's parallel workers (the
    // totals), or puts the session back to serial reads. False when the setting could not be
    // changed; a session that could not be put back is opened again, which makes it serial.
    bool AllowParallelReads(bool allow);

    Backend backend() const { return m_backend; }
    const SqlDialect& dialect() const { return SqlDialect::forBackend(m_backend); }
    QSqlDatabase database() const;  // invalid while closed; reconnects first when lost
    QString LastErrorText() const { return m_lastError; }
    QString DatabaseName() const { return m_databaseName; }

    // Records a failure: pending error, LastErrorText. Used by Recordset and DBHelper too.
    void fail(long number, const QString& description);

    // Runs a statement on a query of this connection. Inside a PostgreSQL transaction a failed
    // statement is undone alone, so that the transaction stays usable as on the other backends.
    bool exec(QSqlQuery& query, const QString& sql);
    // The driver's text of an error, with the native code.
    static QString DescribeError(const QSqlError& error);

    // The points where the connection talks to the server: each counts, and each can be made to
    // fail or to lose the connection (tests walk them all).
    enum class Point { Any, Statement, Savepoint, Release, RollbackTo, Begin, Commit, Rollback, Probe };
    static QString PointName(Point point);
    // Fault injection for tests: at the nth point of that kind from now (1 the next) the statement
    // fails without running, the connection drops right before it, or the statement runs and the
    // connection drops before its answer is read (the server did it; the caller hears it failed).
    // Several faults may wait at once, each on its own count.
    enum class Fault { FailStatement, DropConnection, LoseAnswer };
    void InjectFault(int nth, Fault kind, Point at = Point::Any);
    // Runs `call` right before the nth point of that kind (a test stops the server there).
    void InjectCall(int nth, Point at, std::function<void()> call);
    void ClearFault() { m_faults.clear(); }
    // Points counted so far (all kinds; the count Point::Any faults use).
    qint64 StatementCount() const { return m_statements; }
    // Points of one kind counted so far.
    qint64 PointCount(Point point) const { return m_pointCounts[int(point)]; }
    // The last outermost commit failed with the connection: it may have been written or not.
    bool CommitUncertain() const { return m_commitUncertain; }

    // The texts of a lost connection, reported instead of the driver's.
    static QString LostText();
    static QString NotRestoredText();

    // Backend named by a provider; *known is false for an unknown provider.
    static Backend BackendForProvider(const QString& provider, bool* known = nullptr);
    // The ";"-separated key=value parts of a connection string, keys in lower case, values trimmed.
    static QMap<QString, QString> ParseConnStr(const QString& connStr);

private:
    struct PendingFault {
        int countdown = 0;
        Fault kind = Fault::FailStatement;
        Point at = Point::Any;
        std::function<void()> call;
    };
    bool openFailed(const QString& description);
    // A commit or rollback without a transaction: the reason, pending.
    bool noTransaction();
    // A statement that controls the transaction or probes the connection, through the fault seam
    // and the lost-connection check. False, with the error pending, when it failed.
    bool control(Point point, const QString& sql);
    // Counts a point and applies an injected fault: what the fault does to it, when one is due.
    std::optional<Fault> countPoint(Point point);
    // After a failed statement: whether the connection is gone; if so it is marked lost.
    bool checkLost(const QString& driverText);
    // The connection is gone: the handle is closed and every transaction level with it.
    void markLost(const QString& driverText);
    // The transaction cannot go on (a savepoint statement failed on a live connection): every
    // later statement of it fails, and it ends with its rollback or commit.
    void breakTransaction(const QString& why);
    // The driver's handle is open (it notices a server gone away).
    bool handleOpen() const;
    bool reconnect() const;
    void dropHandle();
    void endTransaction();

    QString m_name;  // the Qt connection name
    Backend m_backend = Backend::SQLite;
    bool m_open = false;
    bool m_registered = false;  // the Qt connection name exists
    int m_depth = 0;
    bool m_lost = false;
    bool m_transactionLost = false;    // the server dropped the open transaction with the connection
    bool m_transactionBroken = false;  // the open transaction cannot go on; only its end is left
    bool m_commitUncertain = false;
    qint64 m_statements = 0;
    qint64 m_pointCounts[int(Point::Probe) + 1] = {};
    std::vector<PendingFault> m_faults;
    QString m_openConnStr, m_openUser, m_openPassword;  // of the last successful Open
    QString m_lostMessage;                              // the reason of every failure while lost or broken
    QString m_lastError;
    QString m_openError;  // the driver's reason of the last failed Open
    QString m_databaseName;
    QString m_sqliteFile;  // the register file being opened or open (SQLite), to name why it fails
};

using ConnectionPtr = std::shared_ptr<Connection>;

// Parallel reads for the statements of its lifetime.
class ParallelReads {
public:
    explicit ParallelReads(ConnectionPtr conn) : m_conn(std::move(conn)) {
        if (m_conn) m_conn->AllowParallelReads(true);
    }
    ~ParallelReads() {
        if (m_conn) m_conn->AllowParallelReads(false);
    }
    ParallelReads(const ParallelReads&) = delete;
    ParallelReads& operator=(const ParallelReads&) = delete;

private:
    ConnectionPtr m_conn;
};
