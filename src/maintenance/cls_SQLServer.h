#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "DbServer.h"
#include "FileModes.h"

// Starts the local database service, connects as its administrator and backs one database up into
// a file. The backup is written under a temporary name and put in place only when complete, so a
// failed run leaves the previous backup file as it was.
class cls_SQLServer {
public:
    // The backend of the installation; PostgreSQL connects with its stored database log-in.
    explicit cls_SQLServer(Backend backend = Backend::SqlServer, const QString& storedUser = QString(),
                           const QString& storedPassword = QString());
    ~cls_SQLServer();

    bool TurnOn_and_Connect_SQLServer(QString dbServerName, QString dbInstanceName, QString saPassword);
    bool Backup_db(QString dbServerName, QString dbInstanceName, QString dbName, QString dbBackup_FileName,
                   QString saPassword);
    // The server's version: number "." number "." text.
    QString SQL_Info() const;

    // Called while the backup runs (done, total; total 0 when unknown).
    std::function<void(qint64, qint64)> Progress;
    // Who besides the owner may read the backup file: no one unless set.
    FileModes::Sharing Sharing;

    QString Step() const { return msStep; }

private:
    std::unique_ptr<DbServer> oSQLServer;
    QString msStep;
};
