#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "Connection.h"

// A fresh, empty database per test on one backend: SQLite in a temporary folder, PostgreSQL in a
// database of its own on the server named by PROTOCOL_TEST_PG ("host:port" or "socketdir:port",
// user PROTOCOL_TEST_PG_USER, default "postgres"), dropped again at the end.
// The dialect's support objects (getdate(), the Greek fold) are created in it.
class TestDatabase {
public:
    explicit TestDatabase(Backend backend);
    ~TestDatabase();

    bool ok() const { return m_conn && m_conn->IsOpen(); }
    ConnectionPtr conn() const { return m_conn; }
    Backend backend() const { return m_backend; }
    QString provider() const;  // "SQLite" / "PostgreSQL"
    QString connStr() const;   // what ConnStr would hold for this database
    QString user() const;
    // Another connection to the same database (a second user).
    ConnectionPtr openAnother() const;
    // Points the machine's settings at the database, as the log-in window reads them: Provider,
    // ConnStr and the database log-in L (its password from PROTOCOL_TEST_PG_PASSWORD).
    void writeLoginSettings() const;

    // Adds a "backend" column and one row per configured backend ("sqlite", and "postgresql"
    // when PROTOCOL_TEST_PG is set). Use in a test's _data function.
    static void addBackendRows();
    // The backend of the current data row.
    static Backend currentBackend();
    static bool postgresConfigured();
    // The configured backends and their row tags, for _data functions that cross them with cases.
    static QList<Backend> configuredBackends();
    static QString backendTag(Backend backend);

private:
    Backend m_backend;
    ConnectionPtr m_conn;
    QTemporaryDir m_dir;
    QString m_dbName;
};

// Opens the current row's database or skips the test with the reason.
#define TEST_DATABASE(var)                            \
    TestDatabase var(TestDatabase::currentBackend()); \
    if (!var.ok()) QFAIL("test database could not be opened");
