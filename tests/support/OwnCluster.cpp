#include "OwnCluster.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

QString binary(const char* name) {
    return QStringLiteral("/usr/lib/postgresql/15/bin/") + QLatin1String(name);
}

}  // namespace

OwnCluster::~OwnCluster() {
    if (m_started) stop(QStringLiteral("immediate"));
}

QString OwnCluster::unavailable() {
    if (qEnvironmentVariableIsEmpty("PROTOCOL_TEST_PG"))
        return QStringLiteral("PROTOCOL_TEST_PG is not set: the PostgreSQL tests do not run here");
    if (!QFileInfo::exists(binary("initdb"))) return QStringLiteral("PostgreSQL 15 is not installed");
    return {};
}

bool OwnCluster::init() {
    if (!m_dir.isValid()) return false;
    if (::geteuid() == 0 &&
        QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres:"), m_dir.path()}) != 0)
        return false;
    return run(binary("initdb"),
               {QStringLiteral("-D"), data(), QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("--locale=C.UTF-8"),
                QStringLiteral("-E"), QStringLiteral("UTF8")});
}

bool OwnCluster::start() {
    for (int port = m_port ? m_port : 54600; port < 54700; ++port) {
        if (!m_port) {
            auto lock = std::make_unique<QLockFile>(
                QDir::temp().filePath(QStringLiteral("protocol-owncluster-%1.lock").arg(port)));
            lock->setStaleLockTime(0);
            if (!lock->tryLock(0)) continue;
            m_portLock = std::move(lock);
        }
        const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                    .arg(port)
                                    .arg(m_dir.path());
        if (run(binary("pg_ctl"), {QStringLiteral("-D"), data(), QStringLiteral("-w"), QStringLiteral("-l"),
                                   m_dir.path() + QStringLiteral("/log"), QStringLiteral("-o"), options,
                                   QStringLiteral("start")})) {
            m_port = port;
            m_started = true;
            return true;
        }
        if (m_port) return false;  // the port it had must serve again
        m_portLock.reset();
    }
    return false;
}

bool OwnCluster::stop(const QString& mode) {
    m_started = false;
    return run(binary("pg_ctl"), {QStringLiteral("-D"), data(), QStringLiteral("-m"), mode,
                                  QStringLiteral("-w"), QStringLiteral("stop")});
}

bool OwnCluster::requirePasswords() {
    QFile hba(data() + QStringLiteral("/pg_hba.conf"));
    return hba.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           hba.write("local all all scram-sha-256\nhost all all 127.0.0.1/32 scram-sha-256\n") > 0;
}

QString OwnCluster::connStr() const {
    return QStringLiteral("server=127.0.0.1:%1;database=postgres;").arg(m_port);
}

QString OwnCluster::data() const {
    return m_dir.path() + QStringLiteral("/data");
}

bool OwnCluster::run(const QString& program, const QStringList& args) const {
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    if (::geteuid() == 0)
        p.start(QStringLiteral("runuser"),
                QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program} +
                    args);
    else
        p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
