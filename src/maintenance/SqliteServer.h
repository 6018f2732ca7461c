#pragma once

#include "DbServer.h"

// The embedded database: nothing to start or connect to; the backup is SQLite's online backup of
// the register file, read in one snapshot while other connections may write.
class SqliteServer : public DbServer {
public:
    void DisConnect() override {}
    void Start(const QString& serverName) override;
    void Connect(const QString& serverName, const QString& login, const QString& password) override {}
    void FindDatabase(const QString& name) override;
    void Backup(const QString& database, const QString& file) override;
    int VersionMajor() const override;
    int VersionMinor() const override;
    QString VersionString() const override;

    // Pages copied per step, between which progress is reported.
    int PagesPerStep = 2048;
};
