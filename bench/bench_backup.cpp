// Times Kessbo's backup and archive of the registers bench_list made, next to the database's own
// tools followed by `zip -9`: SQLite's online backup API (a plain one-call copy) and pg_dump -Fc;
// and for SQLite also the copy followed by `pigz -9` (a parallel compressor) making the zip.

#include <sqlite3.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "BenchSupport.h"
#include "MsgBox.h"
#include "PgServer.h"
#include "SqlDialect.h"
#include "cls_SQLServer.h"
#include "cls_Zip.h"

using namespace Bench;

namespace {
struct Result {
    double backupMs = 0;
    double zipMs = 0;
    qint64 backupBytes = 0;
    qint64 zipBytes = 0;
    double ms = 0;  // the whole run
};

void removeIfThere(const QString& path) {
    QFile::remove(path);
}

Result kessbo(Backend backend, const QString& server, const QString& database, const QString& user,
              const QString& folder, const QString& name) {
    const QString bak = folder + QLatin1Char('/') + name + QStringLiteral(".bak");
    const QString zip = folder + QLatin1Char('/') + name + QStringLiteral("-kessbo.zip");
    removeIfThere(bak);
    removeIfThere(zip);
    MsgBoxHook::Clear();
    Result r;
    QElapsedTimer t;
    t.start();
    {
        cls_SQLServer sql(backend, user, QString());
        if (!sql.Backup_db(server, QString(), database, bak, QString()))
            die(QStringLiteral("the backup failed: ") + MsgBoxHook::Log().value(0).prompt);
    }
    r.backupMs = t.nsecsElapsed() / 1e6;
    cls_Zip z;
    if (!z.ZipFile(bak, zip, QString())) die(QStringLiteral("the archive failed: ") + MsgBoxHook::Log().value(0).prompt);
    r.ms = t.nsecsElapsed() / 1e6;
    r.zipMs = r.ms - r.backupMs;
    r.backupBytes = QFileInfo(bak).size();
    r.zipBytes = QFileInfo(zip).size();
    return r;
}

// Runs the program to its end; its output goes to `output` when given.
void runTool(const QString& program, const QStringList& args, const QString& output = {}) {
    QProcess p;
    if (output.isEmpty())
        p.setProcessChannelMode(QProcess::MergedChannels);
    else
        p.setStandardOutputFile(output);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        die(program + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAll() + p.readAllStandardError()));
}

// The archivers a reference copy can be followed by.
enum class Archiver { Zip9, Pigz9 };

// The reference SQLite copy: the online backup API in one call, as the sqlite3 shell's .backup does.
void sqliteCopy(const QString& from, const QString& to) {
    sqlite3 *src = nullptr, *dst = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(from).constData(), &src, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_open(QFile::encodeName(to).constData(), &dst) != SQLITE_OK)
        die(QStringLiteral("sqlite open failed"));
    sqlite3_backup* b = sqlite3_backup_init(dst, "main", src, "main");
    if (!b || sqlite3_backup_step(b, -1) != SQLITE_DONE) die(QStringLiteral("sqlite backup failed"));
    sqlite3_backup_finish(b);
    sqlite3_close(dst);
    sqlite3_close(src);
}

Result reference(const std::function<void(const QString&)>& backup, const QString& folder,
                 const QString& name, Archiver archiver = Archiver::Zip9) {
    const QString bak = folder + QLatin1Char('/') + name + QStringLiteral("-ref.bak");
    const QString zip = folder + QLatin1Char('/') + name + QStringLiteral("-ref.zip");
    removeIfThere(bak);
    removeIfThere(zip);
    Result r;
    QElapsedTimer t;
    t.start();
    backup(bak);
    r.backupMs = t.nsecsElapsed() / 1e6;
    if (archiver == Archiver::Zip9)
        runTool(QStringLiteral("zip"),
                {QStringLiteral("-9"), QStringLiteral("-j"), QStringLiteral("-q"), zip, bak});
    else  // as many threads as Kessbo's own compressor uses
        runTool(QStringLiteral("pigz"),
                {QStringLiteral("-9"), QStringLiteral("--zip"), QStringLiteral("-p"),
                 QString::number(QThread::idealThreadCount()), QStringLiteral("-c"), bak},
                zip);
    r.ms = t.nsecsElapsed() / 1e6;
    r.zipMs = r.ms - r.backupMs;
    r.backupBytes = QFileInfo(bak).size();
    r.zipBytes = QFileInfo(zip).size();
    return r;
}

void report(const QString& backend, const QString& refName, const Result& ours, const Result& ref) {
    const auto line = [](const QString& who, const Result& r) {
        out() << qSetFieldWidth(24) << Qt::left << who << qSetFieldWidth(10) << Qt::right
              << QString::number(r.backupMs / 1000, 'f', 2) << QString::number(r.zipMs / 1000, 'f', 2)
              << QString::number(r.ms / 1000, 'f', 2) << QString::number(r.backupBytes / 1048576.0, 'f', 1)
              << QString::number(r.zipBytes / 1048576.0, 'f', 2) << qSetFieldWidth(0) << Qt::endl;
    };
    out() << backend << Qt::endl;
    out() << qSetFieldWidth(24) << Qt::left << "  " << qSetFieldWidth(10) << Qt::right << "backup s" << "zip s"
          << "total s" << "bak MiB" << "zip MiB" << qSetFieldWidth(0) << Qt::endl;
    line(QStringLiteral("  Kessbo"), ours);
    line(QStringLiteral("  ") + refName, ref);
    out() << "  time ratio " << QString::number(ours.ms / ref.ms, 'f', 3) << ", archive size ratio "
          << QString::number(double(ours.zipBytes) / double(ref.zipBytes), 'f', 4) << Qt::endl;
}
}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Times Kessbo's backup and archive of bench_list's registers next to the database's own tools and zip -9."));
    p.addHelpOption();
    const ServerOptions server = serverOptions(QStringLiteral("bench_list's SQLite file."));
    const QCommandLineOption outOpt(
        QStringLiteral("out"), QStringLiteral("Folder for the backups and archives (emptied at the end)."),
        QStringLiteral("DIR"), QStringLiteral("/tmp/kessbo-bench"));
    p.addOptions({server.db, server.pg, server.pgUser, server.pgDb, outOpt});
    p.process(app);
    MsgBoxHook::Install();

    const QString folder = p.value(outOpt);
    if (!QDir().mkpath(folder)) die(QStringLiteral("cannot make ") + folder);
    out() << "compression on " << QThread::idealThreadCount() << " cores" << Qt::endl;

    const bool havePigz = !QStandardPaths::findExecutable(QStringLiteral("pigz")).isEmpty();
    if (!havePigz)
        out() << "pigz is not installed (apt-get install pigz): the SQLite reference .backup + pigz -9 is "
                 "left out"
              << Qt::endl;
    Summary summary;
    const auto mib = [](qint64 bytes) { return double(bytes) / 1048576.0; };
    const QString db = p.value(server.db);
    if (QFileInfo(db).isFile()) {
        const Result ours = kessbo(Backend::SQLite, QStringLiteral("localhost"), db, QString(), folder,
                                   QStringLiteral("sqlite"));
        const auto copy = [&](const QString& bak) { sqliteCopy(db, bak); };
        const Result ref = reference(copy, folder, QStringLiteral("sqlite"));
        report(QStringLiteral("SQLite ") + db, QStringLiteral("backup API + zip -9"), ours, ref);
        summary.add(QStringLiteral("SQLite archive MiB (ref: zip -9's)"), mib(ours.zipBytes),
                    mib(ref.zipBytes), QStringLiteral("<= 1.0x ref"));
        if (havePigz) {
            const Result pigz = reference(copy, folder, QStringLiteral("sqlite"), Archiver::Pigz9);
            report(QStringLiteral("SQLite ") + db, QStringLiteral("backup API + pigz -9"), ours, pigz);
            summary.add(QStringLiteral("SQLite backup (ref: .backup + pigz -9)"), ours.ms, pigz.ms,
                        QStringLiteral("<= 1.0x ref"));
        }
        summary.add(QStringLiteral("SQLite backup (ref: .backup + zip -9)"), ours.ms, ref.ms, QString());
    }
    if (p.isSet(server.pg)) {
        const QString pg = p.value(server.pg);
        const QString user = p.value(server.pgUser);
        const QString database = p.value(server.pgDb);
        const Result ours = kessbo(Backend::PostgreSQL, pg, database, user, folder, QStringLiteral("pg"));
        const QString dump = PgServer::Program(QStringLiteral("pg_dump"));
        const Result ref = reference(
            [&](const QString& bak) {
                runTool(dump, {QStringLiteral("-h"), pg.section(QLatin1Char(':'), 0, 0), QStringLiteral("-p"),
                               pg.section(QLatin1Char(':'), 1, 1), QStringLiteral("-U"), user,
                               QStringLiteral("-Fc"), QStringLiteral("-f"), bak,
                               QStringLiteral("dbname=") + database});
            },
            folder, QStringLiteral("pg"));
        report(QStringLiteral("PostgreSQL ") + pg, QStringLiteral("pg_dump -Fc + zip -9"), ours, ref);
        // What no compression can go below: the server's rows written out, uncompressed (tar format).
        QElapsedTimer floor;
        floor.start();
        runTool(dump, {QStringLiteral("-h"), pg.section(QLatin1Char(':'), 0, 0), QStringLiteral("-p"),
                       pg.section(QLatin1Char(':'), 1, 1), QStringLiteral("-U"), user, QStringLiteral("-Ft"),
                       QStringLiteral("-f"), folder + QStringLiteral("/pg-floor.tar"),
                       QStringLiteral("dbname=") + database});
        const double floorMs = floor.nsecsElapsed() / 1e6;
        removeIfThere(folder + QStringLiteral("/pg-floor.tar"));
        out() << "  pg_dump -Ft alone (no compression) " << QString::number(floorMs / 1000, 'f', 2) << " s"
              << Qt::endl;
        summary.add(QStringLiteral("PostgreSQL backup (ref: pg_dump -Fc + zip -9)"), ours.ms, ref.ms,
                    QStringLiteral("<= 0.6x ref"));
        summary.add(QStringLiteral("PostgreSQL archive MiB (ref: pg_dump -Fc + zip -9)"), mib(ours.zipBytes),
                    mib(ref.zipBytes), QStringLiteral("<= 1.02x ref"));
        summary.add(QStringLiteral("PostgreSQL pg_dump -Ft alone (ref: pg_dump -Fc + zip -9)"), floorMs, ref.ms,
                    QStringLiteral("the floor"));
    }
    summary.print();
    QDir(folder).removeRecursively();
    return 0;
}
