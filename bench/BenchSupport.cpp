#include "BenchSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "App.h"
#include "Err.h"
#include "RegisterSchema.h"

namespace Bench {

namespace {
// Local times are read as the programs read them (their main() does this first).
const bool g_localZone = (App::UseLocalTimeZoneFile(), true);

double statusMiB(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

QString readLoad() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("?");
    return QString::fromLatin1(f.readAll()).section(u' ', 0, 2);
}

// Taken when the program starts, before any work.
const QString g_loadAtStart = readLoad();

// Samples the resident set (/proc/self/statm) every millisecond and keeps the highest since the
// last reset.
class RssSampler {
public:
    RssSampler() : m_fd(::open("/proc/self/statm", O_RDONLY | O_CLOEXEC)), m_page(sysconf(_SC_PAGESIZE)) {}
    ~RssSampler() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) m_thread.join();
        if (m_fd >= 0) ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    // Bytes resident now; -1 when unknown.
    qint64 sample() {
        char buf[128];
        const ssize_t n = m_fd >= 0 ? ::pread(m_fd, buf, sizeof buf - 1, 0) : -1;
        if (n <= 0) return -1;
        buf[n] = 0;
        long size = 0, resident = 0;
        if (std::sscanf(buf, "%ld %ld", &size, &resident) != 2) return -1;
        const qint64 bytes = qint64(resident) * m_page;
        qint64 seen = m_peak.load();
        while (bytes > seen && !m_peak.compare_exchange_weak(seen, bytes)) {
        }
        return bytes;
    }
    bool reset() {
        if (!ok()) return false;
        m_peak = 0;
        sample();
        if (!m_thread.joinable()) m_thread = std::thread([this] { run(); });
        return true;
    }
    double peakMiB() {
        if (!ok()) return -1;
        sample();
        return double(m_peak.load()) / 1048576.0;
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            lock.unlock();
            sample();
            lock.lock();
            m_wake.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_stop; });
        }
    }
    const int m_fd;
    const long m_page;
    std::atomic<qint64> m_peak{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

RssSampler& sampler() {
    static RssSampler s;
    return s;
}
}  // namespace

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

void die(const QString& text) {
    out() << QFileInfo(QCoreApplication::applicationFilePath()).fileName() << ": " << text << Qt::endl;
    std::exit(1);
}

double peakMiB() {
    return sampler().peakMiB();
}

double processPeakMiB() {
    return statusMiB("VmHWM:");
}

QString loadAverage() {
    return readLoad();
}

double residentMiB() {
    return statusMiB("VmRSS:");
}

bool resetPeak() {
    return sampler().reset();
}

ConnectionPtr openConn(const QString& provider, const QString& server, const QString& database,
                       const QString& user) {
    auto conn = std::make_shared<Connection>();
    conn->Provider = provider;
    conn->CommandTimeout = 0;
    conn->Open(QStringLiteral("server=%1;database=%2;").arg(server, database), user, QString());
    return conn;
}

ConnectionPtr mustOpen(const QString& provider, const QString& server, const QString& database,
                       const QString& user) {
    ConnectionPtr conn = openConn(provider, server, database, user);
    if (!conn->IsOpen()) die(conn->LastErrorText());
    return conn;
}

ServerOptions serverOptions(const QString& dbHelp) {
    return {QCommandLineOption(QStringLiteral("db"), dbHelp, QStringLiteral("PATH"),
                               QStringLiteral("/tmp/bench_list.db")),
            QCommandLineOption(QStringLiteral("pg"), QStringLiteral("PostgreSQL server host:port."),
                               QStringLiteral("SERVER")),
            QCommandLineOption(QStringLiteral("pg-user"), QStringLiteral("PostgreSQL user."),
                               QStringLiteral("USER"), QStringLiteral("postgres")),
            QCommandLineOption(QStringLiteral("pg-db"), QStringLiteral("bench_list's PostgreSQL database."),
                               QStringLiteral("NAME"), QStringLiteral("bench_list"))};
}

QStringList psqlArgs(const QString& server, const QString& user, const QString& database) {
    return {QStringLiteral("-h"), server.section(u':', 0, 0),
            QStringLiteral("-p"), server.section(u':', 1),
            QStringLiteral("-U"), user,
            QStringLiteral("-d"), database};
}

double psqlMs(const QStringList& connArgs, const QStringList& statements, const QString& output) {
    QByteArray script = "\\o " + QFile::encodeName(output) + "\n\\timing on\n";
    for (const QString& sql : statements) script += sql.toUtf8() + ";\n";
    QProcess p;
    p.start(QStringLiteral("psql"),
            connArgs + QStringList{QStringLiteral("-X"), QStringLiteral("-qAt"), QStringLiteral("-v"),
                                   QStringLiteral("ON_ERROR_STOP=1")});
    if (!p.waitForStarted(-1)) die(QStringLiteral("psql did not start"));
    p.write(script);
    p.closeWriteChannel();
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        die(QStringLiteral("psql: ") + QString::fromLocal8Bit(p.readAllStandardError()));
    static const QRegularExpression time(QStringLiteral("^Time: ([0-9.]+) ms"),
                                         QRegularExpression::MultilineOption);
    double ms = 0;
    int found = 0;
    for (auto it = time.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext(); ++found)
        ms += it.next().captured(1).toDouble();
    if (found != statements.size())
        die(QStringLiteral("psql printed %1 times for %2 statements").arg(found).arg(statements.size()));
    return ms;
}

void Summary::add(const QString& what, double ms, double referenceMs, const QString& target) {
    m_lines.append({what, ms, referenceMs, target});
}

void Summary::print() const {
    int width = 40;
    for (const Line& l : m_lines) width = std::max(width, int(l.what.size()));
    out() << Qt::endl
          << QStringLiteral("summary %1 %2 %3 %4  %5")
                 .arg(QString(), -width)
                 .arg(QStringLiteral("ms"), 9)
                 .arg(QStringLiteral("ref ms"), 9)
                 .arg(QStringLiteral("ratio"), 6)
                 .arg(QStringLiteral("target"))
          << Qt::endl;
    for (const Line& l : m_lines)
        out() << QStringLiteral("summary %1 %2 %3 %4  %5")
                     .arg(l.what, -width)
                     .arg(l.ms, 9, 'f', 1)
                     .arg(l.referenceMs > 0 ? QString::number(l.referenceMs, 'f', 1) : QStringLiteral("-"), 9)
                     .arg(l.referenceMs > 0 ? QString::number(l.ms / l.referenceMs, 'f', 2) : QStringLiteral("-"), 6)
                     .arg(l.target)
              << Qt::endl;
    out() << QStringLiteral("summary load average at start %1, at end %2; process peak %3 MiB")
                 .arg(g_loadAtStart, readLoad())
                 .arg(processPeakMiB(), 0, 'f', 1)
          << Qt::endl;
}

void makeSchema(const ConnectionPtr& conn) {
    for (const QString& sql : conn->dialect().supportObjectsSql())
        if (!conn->Execute(sql)) die(conn->LastErrorText());
    QString error;
    if (!RegisterSchema::Create(conn, RegisterSchema::Options{}, &error) ||
        !RegisterSchema::UseWal(conn, &error))
        die(QStringLiteral("schema: ") + error);
    Err().Clear();
}

}  // namespace Bench
