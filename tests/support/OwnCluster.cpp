#include "OwnCluster.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <string>
#include <vector>

#include "Connection.h"
#include "RegisterSchema.h"

namespace {

QString binary(const char* name) {
    return QStringLiteral("/usr/lib/postgresql/15/bin/") + QLatin1String(name);
}

// scripts/test names a folder of its run for the clusters, so that its exit stops any left over.
QString clusterTemplate() {
    const QString base = qEnvironmentVariable("PROTOCOL_TEST_CLUSTERS");
    if (base.isEmpty() || !QDir().mkpath(base)) return QDir::temp().filePath(QStringLiteral("owncluster-XXXXXX"));
    return QDir(base).filePath(QStringLiteral("owncluster-XXXXXX"));
}

QString shellQuoted(const QString& s) {
    QString out = s;
    out.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

}  // namespace

OwnCluster::OwnCluster() : m_dir(clusterTemplate()) {}

OwnCluster::~OwnCluster() {
    if (m_started) stop(QStringLiteral("immediate"));
    if (m_watchFd >= 0) {
        ::close(m_watchFd);
        // It finds the cluster stopped; waited for so that it removes nothing after we return.
        ::waitpid(m_watchPid, nullptr, 0);
    }
}

QString OwnCluster::unavailable() {
    if (qEnvironmentVariableIsEmpty("PROTOCOL_TEST_PG"))
        return QStringLiteral("PROTOCOL_TEST_PG is not set: the PostgreSQL tests do not run here");
    if (!QFileInfo::exists(binary("initdb"))) return QStringLiteral("PostgreSQL 15 is not installed");
    return {};
}

QString OwnCluster::lockFolder() {
    return QStringLiteral("/tmp");
}

bool OwnCluster::init() {
    if (!m_dir.isValid()) return false;
    if (::geteuid() == 0 &&
        QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres:"), m_dir.path()}) != 0)
        return false;
    if (!startWatchdog()) return false;
    return run(binary("initdb"),
               {QStringLiteral("-D"), data(), QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("--locale=C.UTF-8"),
                QStringLiteral("-E"), QStringLiteral("UTF8")});
}

// A shell in a session of its own waits for the end of file of a pipe that only this process
// holds (close-on-exec, so no child of the test keeps it open); the kernel closes it however the
// test ends. The shell then stops the cluster and removes its folder.
bool OwnCluster::startWatchdog() {
    QString stopCmd = shellQuoted(binary("pg_ctl")) + QStringLiteral(" -D ") + shellQuoted(data()) +
                      QStringLiteral(" -m immediate -w stop");
    if (::geteuid() == 0) stopCmd = QStringLiteral("runuser -u postgres -- ") + stopCmd;
    const QString dir = shellQuoted(m_dir.path());
    const QString text = QStringLiteral("cat >/dev/null; cd ") + dir + QStringLiteral(" && ") + stopCmd +
                         QStringLiteral("; cd / && rm -rf ") + dir;
    const std::string script = text.toStdString();
    std::vector<const char*> argv{"/bin/sh", "-c", script.c_str(), nullptr};
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls until exec.
        ::setsid();
        ::dup2(fds[0], 0);
        const int nul = ::open("/dev/null", O_RDWR);
        if (nul >= 0) {
            ::dup2(nul, 1);
            ::dup2(nul, 2);
        }
        ::execv("/bin/sh", const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(fds[0]);
    m_watchFd = fds[1];
    m_watchPid = pid;
    return true;
}

bool OwnCluster::start() {
    for (int port = m_port ? m_port : 54600; port < 54700; ++port) {
        if (!m_port) {
            auto lock = std::make_unique<QLockFile>(
                QDir(lockFolder()).filePath(QStringLiteral("protocol-owncluster-%1.lock").arg(port)));
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

std::shared_ptr<Connection> OwnCluster::openRegister(QString* error) const {
    auto conn = std::make_shared<Connection>();
    conn->Provider = QStringLiteral("PostgreSQL");
    conn->ConnectionTimeout = 5;
    if (!conn->Open(connStr(), QStringLiteral("postgres"))) {
        *error = conn->LastErrorText();
        return nullptr;
    }
    if (!RegisterSchema::Create(conn, {}, error)) return nullptr;
    return conn;
}
