#pragma once

#include "Connection.h"
#include "DbServer.h"

// SQL Server through the ODBC driver: connect to master, look the database up in sys.databases,
// BACKUP DATABASE to the file. There is no service control here: the service counts as running.
class MssqlServer : public DbServer {
public:
    void DisConnect() override;
    void Start(const QString& serverName) override;
    void Connect(const QString& serverName, const QString& login, const QString& password) override;
    void FindDatabase(const QString& name) override;
    void Backup(const QString& database, const QString& file) override;
    int VersionMajor() const override;
    int VersionMinor() const override;
    QString VersionString() const override;

    // The statements, kept apart so that they can be read without a server.
    static QString FindDatabaseSql(const QString& name);
    static QString BackupSql(const QString& database, const QString& file);
    static QString VersionSql();

private:
    QString version(int part) const;
    std::unique_ptr<Connection> m_conn;
};
