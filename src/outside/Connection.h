#pragma once

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <memory>

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

    // Fault injection for tests: the nth statement from now (1 the next; BEGIN and COMMIT count,
    // ROLLBACK does not) fails without running, or the connection drops right before it.
    enum class Fault { FailStatement, DropConnection };
    void InjectFault(int nth, Fault kind);
    void ClearFault() { m_faultCountdown = 0; }
    // Statements counted so far (the same count the faults use).
    qint64 StatementCount() const { return m_statements; }

    // The texts of a lost connection, reported instead of the driver's.
    static QString LostText();
    static QString NotRestoredText();

    // Backend named by a provider; *known is false for an unknown provider.
    static Backend BackendForProvider(const QString& provider, bool* known = nullptr);
    // The ";"-separated key=value parts of a connection string, keys in lower case, values trimmed.
    static QMap<QString, QString> ParseConnStr(const QString& connStr);

private:
    bool requireTransaction();
    bool openFailed(const QString& description);
    bool runTransactionStatement(const QString& sql);
    // Counts a statement and applies an injected fault: false when it must not run.
    bool countStatement();
    // After a failed statement: whether the connection is gone; if so it is marked lost.
    bool checkLost(const QString& driverText);
    bool reconnect() const;
    void dropHandle();

    QString m_name;  // the Qt connection name
    Backend m_backend = Backend::SQLite;
    bool m_open = false;
    bool m_registered = false;  // the Qt connection name exists
    int m_depth = 0;
    bool m_lost = false;
    bool m_transactionLost = false;  // the server dropped the open transaction with the connection
    qint64 m_statements = 0;
    int m_faultCountdown = 0;
    Fault m_fault = Fault::FailStatement;
    QString m_openConnStr, m_openUser, m_openPassword;  // of the last successful Open
    QString m_lostMessage;
    QString m_lastError;
    QString m_databaseName;
};

using ConnectionPtr = std::shared_ptr<Connection>;
