#include "MssqlServer.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include "Err.h"

namespace {
const QString kSource = QStringLiteral("SQL Server");

// [name] with "]" doubled: a name cannot close the brackets.
QString bracketed(QString name) {
    name.replace(QLatin1Char(']'), QStringLiteral("]]"));
    return QLatin1Char('[') + name + QLatin1Char(']');
}

QString literal(const QString& text) {
    return SqlDialect::forBackend(Backend::SqlServer).textLiteral(text);
}
}  // namespace

QString MssqlServer::FindDatabaseSql(const QString& name) {
    return QStringLiteral("SELECT name FROM master.sys.databases WHERE name = ") + literal(name);
}

QString MssqlServer::BackupSql(const QString& database, const QString& file) {
    return QStringLiteral("BACKUP DATABASE ") + bracketed(database) + QStringLiteral(" TO DISK = ") +
           literal(QDir::toNativeSeparators(file)) + QStringLiteral(" WITH INIT, FORMAT");
}

QString MssqlServer::VersionSql() {
    return QStringLiteral("SELECT CAST(SERVERPROPERTY('ProductVersion') AS nvarchar(128)), "
                          "CAST(SERVERPROPERTY('Edition') AS nvarchar(128))");
}

void MssqlServer::DisConnect() {
    m_conn.reset();
}

void MssqlServer::Start(const QString&) {
    Err().Raise(ServiceErr::ServiceRunning, kSource, QStringLiteral("Η υπηρεσία εκτελείται ήδη."));
}

void MssqlServer::Connect(const QString& serverName, const QString& login, const QString& password) {
    m_conn = std::make_unique<Connection>();
    m_conn->Provider = QStringLiteral("SQLOLEDB");
    m_conn->ConnectionTimeout = LoginTimeout;
    m_conn->CommandTimeout = 0;  // a backup takes as long as it takes
    if (!m_conn->Open(QStringLiteral("server=") + serverName + QStringLiteral(";database=master;"), login, password))
        m_conn.reset();
}

void MssqlServer::FindDatabase(const QString& name) {
    if (!m_conn) {
        Err().Raise(ErrNo::ObjectNotSet, kSource, QStringLiteral("Δεν υπάρχει σύνδεση."));
        return;
    }
    QSqlQuery q(m_conn->database());
    if (!m_conn->exec(q, FindDatabaseSql(name))) return;
    if (!q.next()) Err().Raise(ServiceErr::NoSuchDatabase, kSource, QStringLiteral("Ανύπαρκτη database: ") + name);
}

void MssqlServer::Backup(const QString& database, const QString& file) {
    if (!m_conn) {
        Err().Raise(ErrNo::ObjectNotSet, kSource, QStringLiteral("Δεν υπάρχει σύνδεση."));
        return;
    }
    // The server's own account writes the file: it must make it, not find ours in its way.
    QFile::remove(file);
    m_conn->Execute(BackupSql(database, file));
}

QString MssqlServer::version(int part) const {
    if (!m_conn) return QString();
    QSqlQuery q(m_conn->database());
    if (!q.exec(VersionSql()) || !q.next()) return QString();
    return part < 2 ? q.value(0).toString().section(QLatin1Char('.'), part, part) : q.value(1).toString();
}

int MssqlServer::VersionMajor() const {
    return version(0).toInt();
}

int MssqlServer::VersionMinor() const {
    return version(1).toInt();
}

QString MssqlServer::VersionString() const {
    return version(2);
}
