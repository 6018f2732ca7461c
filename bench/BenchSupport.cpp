#include "BenchSupport.h"

#include <malloc.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

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
    return statusMiB("VmHWM:");
}

double residentMiB() {
    return statusMiB("VmRSS:");
}

bool resetPeak() {
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
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

void Summary::add(const QString& what, double ms, double referenceMs, const QString& target) {
    m_lines.append({what, ms, referenceMs, target});
}

void Summary::print() const {
    out() << Qt::endl
          << QStringLiteral("summary %1 %2 %3 %4  %5")
                 .arg(QString(), -40)
                 .arg(QStringLiteral("ms"), 9)
                 .arg(QStringLiteral("ref ms"), 9)
                 .arg(QStringLiteral("ratio"), 6)
                 .arg(QStringLiteral("target"))
          << Qt::endl;
    for (const Line& l : m_lines)
        out() << QStringLiteral("summary %1 %2 %3 %4  %5")
                     .arg(l.what, -40)
                     .arg(l.ms, 9, 'f', 1)
                     .arg(l.referenceMs > 0 ? QString::number(l.referenceMs, 'f', 1) : QStringLiteral("-"), 9)
                     .arg(l.referenceMs > 0 ? QString::number(l.ms / l.referenceMs, 'f', 2)
                                            : QStringLiteral("-"),
                          6)
                     .arg(l.target)
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
