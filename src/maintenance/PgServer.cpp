#include "PgServer.h"

#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <csignal>

#include "Err.h"

namespace {
const QString kSource = QStringLiteral("PostgreSQL");

// "host", "host:port" or "socket folder:port".
void splitServer(const QString& server, QString* host, int* port) {
    *host = server.trimmed();
    *port = -1;
    const qsizetype colon = host->lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && host->count(QLatin1Char(':')) == 1) {
        bool ok = false;
        const int p = host->mid(colon + 1).toInt(&ok);
        if (ok) {
            *port = p;
            host->truncate(colon);
        }
    }
}

// The database as a connection-info text: a name holding "=" is never read as further options.
QString conninfoDbName(QString name) {
    name.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    name.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QStringLiteral("dbname='") + name + QLatin1Char('\'');
}

QStringList hostArgs(const QString& host, int port) {
    QStringList args;
    if (!host.isEmpty()) args << QStringLiteral("-h") << host;
    if (port > 0) args << QStringLiteral("-p") << QString::number(port);
    return args;
}
}  // namespace

PgServer::PgServer(const QString& storedUser, const QString& storedPassword)
    : m_user(storedUser), m_password(storedPassword) {}

QString& PgServer::InstallRoot() {
    static QString root = QStringLiteral("/usr/lib/postgresql");
    return root;
}

QStringList& PgServer::StartCommand() {
    static QStringList command{QStringLiteral("systemctl"), QStringLiteral("start"), QStringLiteral("postgresql")};
    return command;
}

QString PgServer::Program(const QString& name) {
    QDir root(InstallRoot());
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), [&](const QString& a, const QString& b) { return numeric.compare(a, b) > 0; });
    for (const QString& v : versions) {
        const QString path = root.filePath(v + QStringLiteral("/bin/") + name);
        if (QFileInfo(path).isExecutable()) return path;
    }
    return QString();
}

bool PgServer::ready(int seconds) const {
    const QString isReady = Program(QStringLiteral("pg_isready"));
    if (isReady.isEmpty()) return false;
    QProcess p;
    p.start(isReady, hostArgs(m_host, m_port) << QStringLiteral("-t") << QString::number(seconds));
    return p.waitForFinished((seconds + 5) * 1000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void PgServer::DisConnect() {
    m_conn.reset();
}

void PgServer::Start(const QString& serverName) {
    splitServer(serverName, &m_host, &m_port);
    if (Program(QStringLiteral("postgres")).isEmpty() || Program(QStringLiteral("pg_dump")).isEmpty()) {
        Err().Raise(ServiceErr::ServiceMissing, kSource, QStringLiteral("Ο PostgreSQL δεν είναι εγκατεστημένος."));
        return;
    }
    if (ready(5)) {
        Err().Raise(ServiceErr::ServiceRunning, kSource, QStringLiteral("Η υπηρεσία εκτελείται ήδη."));
        return;
    }
    QString why = QStringLiteral("ο server δεν απαντά");
    if (!StartCommand().isEmpty()) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(StartCommand().first(), StartCommand().mid(1));
        if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && ready(30))
            return;
        if (p.state() != QProcess::NotRunning) p.kill();
        const QString out = QString::fromLocal8Bit(p.readAll()).trimmed();
        if (!out.isEmpty()) why = out;
        else if (p.error() == QProcess::FailedToStart) why = StartCommand().first() + QStringLiteral(": δεν εκτελείται");
    }
    Err().Raise(ErrNo::DbOpenFailed, kSource,
                QStringLiteral("Η υπηρεσία του PostgreSQL δεν ξεκίνησε (") + why + QLatin1Char(')'));
}

void PgServer::Connect(const QString& serverName, const QString& login, const QString& password) {
    splitServer(serverName, &m_host, &m_port);
    m_conn = std::make_unique<Connection>();
    m_conn->Provider = QStringLiteral("PostgreSQL");
    m_conn->ConnectionTimeout = LoginTimeout;
    m_conn->CommandTimeout = 0;
    // PostgreSQL has no "sa": the installation's own log-in stands for the administrator.
    const bool admin = login.compare(QLatin1String("sa"), Qt::CaseInsensitive) == 0;
    const QString user = admin ? m_user : login;
    const QString pwd = admin ? m_password : password;
    if (!m_conn->Open(QStringLiteral("server=") + serverName + QStringLiteral(";database=postgres;"), user, pwd)) {
        m_conn.reset();
        return;
    }
    m_user = user;
    m_password = pwd;
}

void PgServer::FindDatabase(const QString& name) {
    if (!m_conn) {
        Err().Raise(ErrNo::ObjectNotSet, kSource, QStringLiteral("Δεν υπάρχει σύνδεση."));
        return;
    }
    QSqlQuery q(m_conn->database());
    q.prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"));
    q.addBindValue(name);
    if (!q.exec()) {
        m_conn->fail(ErrNo::DbCommandFailed, Connection::DescribeError(q.lastError()));
        return;
    }
    if (!q.next()) Err().Raise(ServiceErr::NoSuchDatabase, kSource, QStringLiteral("Ανύπαρκτη database: ") + name);
}

void PgServer::Backup(const QString& database, const QString& file) {
    const QString dump = Program(QStringLiteral("pg_dump"));
    if (dump.isEmpty()) {
        Err().Raise(ServiceErr::ServiceMissing, kSource, QStringLiteral("Δεν βρέθηκε το pg_dump."));
        return;
    }
    QProcess p;
    // The password goes in pg_dump's own environment, which only this user (and root) can read:
    // never on its command line, never in a file that a killed run would leave behind.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), m_password);
    p.setProcessEnvironment(env);
    // pg_dump ends with Kessbo, even when Kessbo is killed.
    const pid_t parent = ::getpid();
    // The dump goes to pg_dump's standard output, the descriptor the caller holds: pg_dump never
    // opens the file by name, where another user could have put a link or a file of theirs.
    const int output = Output;
    if (output >= 0) p.setStandardOutputFile(QProcess::nullDevice());
    p.setChildProcessModifier([parent, output] {
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) ::_exit(127);
        if (output >= 0 && ::dup2(output, STDOUT_FILENO) < 0) ::_exit(127);
    });
    // Custom format with pg_dump's own compression: without it the dump's block headers cut the
    // row text, and even zip -9 then leaves the archive some 1.6 % larger.
    QStringList args = hostArgs(m_host, m_port);
    if (!m_user.isEmpty()) args << QStringLiteral("-U") << m_user;
    args << QStringLiteral("-w") << QStringLiteral("-Fc");
    if (output < 0) args << QStringLiteral("-f") << file;
    args << QStringLiteral("-d") << conninfoDbName(database);
    const auto written = [&] {
        struct stat st {};
        return output >= 0 ? (::fstat(output, &st) == 0 ? qint64(st.st_size) : 0) : QFileInfo(file).size();
    };
    p.start(dump, args);
    while (!p.waitForFinished(100)) {
        if (p.state() == QProcess::NotRunning) break;
        // The compressed dump's final size is not known beforehand.
        if (Progress) Progress(written(), 0);
    }
    if (p.error() == QProcess::FailedToStart) {
        Err().Raise(ServiceErr::BackupFailed, kSource, QStringLiteral("Το pg_dump δεν εκτελέστηκε: ") + dump);
        return;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QString text = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (text.contains(QLatin1String("No space left")) || text.contains(QLatin1String("File too large")) ||
            text.contains(QLatin1String("Disk quota exceeded"))) {
            RaiseFileError(ENOSPC, kSource, file);
            return;
        }
        Err().Raise(ServiceErr::BackupFailed, kSource, QStringLiteral("Το pg_dump απέτυχε: ") + text);
    }
}

int PgServer::VersionMajor() const {
    if (!m_conn) return 0;
    QSqlQuery q(m_conn->database());
    return q.exec(QStringLiteral("SHOW server_version_num")) && q.next() ? q.value(0).toInt() / 10000 : 0;
}

int PgServer::VersionMinor() const {
    if (!m_conn) return 0;
    QSqlQuery q(m_conn->database());
    return q.exec(QStringLiteral("SHOW server_version_num")) && q.next() ? q.value(0).toInt() % 10000 : 0;
}

QString PgServer::VersionString() const {
    return kSource;
}
