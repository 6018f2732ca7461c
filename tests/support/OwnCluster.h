#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <sys/types.h>

class Connection;

// A PostgreSQL cluster of the test's own in a temporary folder, to stop and start under a running
// connection (the shared cluster of PROTOCOL_TEST_PG is never stopped). As root the cluster
// belongs to postgres, as scripts/test makes its own. A watchdog process stops the cluster and
// removes its folder when the test process dies in any way (a kill, an abort, a sanitizer halt).
class OwnCluster {
public:
    OwnCluster();
    ~OwnCluster();
    OwnCluster(const OwnCluster&) = delete;
    OwnCluster& operator=(const OwnCluster&) = delete;
    // Why it cannot run here; empty when it can.
    static QString unavailable();
    bool init();
    // Starts on a free port, the same one again after a stop.
    bool start();
    // "fast" lets the sessions end; "immediate" kills the server as a crash would.
    bool stop(const QString& mode = QStringLiteral("fast"));
    // From the next start on, every log-in needs its password (scram-sha-256).
    bool requirePasswords();
    // ConnStr of its "postgres" database (user postgres, no password).
    QString connStr() const;
    // A connection to that database holding a new register; null, with the reason, when the
    // connection or the register cannot be made.
    std::shared_ptr<Connection> openRegister(QString* error) const;
    QString folder() const { return m_dir.path(); }
    // The folder of the port locks, shared by every run on the machine whatever its TMPDIR.
    static QString lockFolder();

private:
    QString data() const;
    bool run(const QString& program, const QStringList& args) const;
    bool startWatchdog();
    QTemporaryDir m_dir;
    int m_port = 0;
    // Held while the cluster owns its port, so that another test's cluster never takes it while
    // this one is stopped.
    std::unique_ptr<QLockFile> m_portLock;
    bool m_started = false;
    // The write end of the watchdog's pipe: its end of file, at our exit, wakes the watchdog.
    int m_watchFd = -1;
    pid_t m_watchPid = -1;
};
