#pragma once

#include <QStringList>

#include "Connection.h"
#include "DbServer.h"

// A PostgreSQL server on this computer. "Started" means running: an answering server counts as
// the service already running; a missing installation as the service not installed; a server that
// does not answer is started with StartCommand where the system allows it. The backup is the
// server's own pg_dump in custom format, under the installation's stored log-in, its password
// in its own environment only.
class PgServer : public DbServer {
public:
    PgServer(const QString& storedUser, const QString& storedPassword);

    void DisConnect() override;
    void Start(const QString& serverName) override;
    void Connect(const QString& serverName, const QString& login, const QString& password) override;
    void FindDatabase(const QString& name) override;
    void Backup(const QString& database, const QString& file) override;
    int VersionMajor() const override;
    int VersionMinor() const override;
    QString VersionString() const override;

    // Where the server's versions are installed (<root>/<version>/bin); tests point it elsewhere.
    static QString& InstallRoot();
    // How a server that does not answer is started; empty: it is not.
    static QStringList& StartCommand();
    // The newest installed program of that name ("pg_dump"), or "" when none.
    static QString Program(const QString& name);

private:
    bool ready(int seconds) const;

    QString m_user, m_password;
    QString m_host;
    int m_port = -1;
    std::unique_ptr<Connection> m_conn;
};
