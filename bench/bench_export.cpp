// Times the register list's CSV export on the registers bench_list made, next to the same rows
// read through the driver and written by the databases' own clients (timed by their own clocks).

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "BenchSupport.h"
#include "ClientRefs.h"
#include "CommonDialog.h"
#include "Connection.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "SqlDialect.h"
#include "clsDBForm.h"
#include "cls_User.h"
#include "frmMDI.h"
#include "frmProtocol.h"
#include "modDeclare.h"

using namespace Bench;

namespace {

// The export's 22 columns, as the client writes them.
const char* kColumns =
    "PROT_AA, ETOS, HMEROM, APO, EIS_TYPOS_CODE, PROT_EIS, HMER_EIS, TOPOS_EPID, ARMODIOS_A, PERILIPSI_EIS,"
    " THEMA, ARXEIOTHETHSH, SYSXETIZOMENA, ARMODIOS, PROS, EX_TYPOS_CODE, PARATHR, DIEYTH_PARAL, POLH_PARAL,"
    " THEMA_EX, HMER_APANT, HMER_DIEKP";

struct Result {
    double ms = 0;
    qint64 bytes = 0;
    double extraMiB = 0;
};

Result exportThroughWindow(const ConnectionPtr& conn, const QString& path) {
    modDeclare::gConn = conn;
    SqlDialect::setActive(conn->backend());
    frmProtocol form;
    if (!form.Init()) die(QStringLiteral("the register window did not start"));
    form.txtSearch[1]->setText(QStringLiteral("2023"));
    form.mclsDBForm->ToolbarAction(QStringLiteral("list"));
    const int rows = form.mclsDBForm->List()->rowCount();
    out() << "  the list holds " << rows << " entries" << Qt::endl;
    QFile::remove(path);
    MsgBoxHook::Clear();
    MsgBoxHook::QueueAnswer(vb::vbYes);
    CommonDialogHook::QueueAnswer(path);
    resetPeak();
    const double before = residentMiB();
    QElapsedTimer t;
    t.start();
    form.cmdExport_Click();
    Result r;
    r.ms = t.nsecsElapsed() / 1e6;
    r.extraMiB = peakMiB() - before;
    r.bytes = QFileInfo(path).size();
    return r;
}

// The same rows written by psql's COPY, timed by psql itself (without its start and connection).
Result exportThroughPsql(const QStringList& connArgs, const QString& sql, const QString& path) {
    Result r;
    r.ms =
        psqlMs(connArgs,
               {QStringLiteral("COPY (") + sql + QStringLiteral(") TO STDOUT WITH (DELIMITER ';')")}, path);
    r.bytes = QFileInfo(path).size();
    return r;
}

// The same rows straight through the driver, one line each.
Result exportThroughDriver(const ConnectionPtr& conn, const QString& sql, const QString& path) {
    QElapsedTimer t;
    t.start();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) die(path);
    QSqlQuery q(conn->database());
    q.setForwardOnly(true);
    if (!q.exec(sql)) die(q.lastError().text());
    const int fields = q.record().count();
    while (q.next()) {
        QByteArray line;
        for (int i = 0; i < fields; ++i) line += q.value(i).toString().toUtf8() + ';';
        f.write(line + "\r\n");
    }
    f.close();
    Result r;
    r.ms = t.nsecsElapsed() / 1e6;
    r.bytes = QFileInfo(path).size();
    return r;
}

QString listSql(int max) {
    return QStringLiteral(
               "SELECT %1 FROM (SELECT P.*, EIS.CODE as EIS_TYPOS_CODE, EX.CODE as EX_TYPOS_CODE FROM "
               "PROTOCOL P"
               " LEFT JOIN L_TYPOI EIS ON EIS.ID = P.EIS_TYPOS_ID LEFT JOIN L_TYPOI EX ON EX.ID = "
               "P.EX_TYPOS_ID"
               " WHERE ETOS=2023) q ORDER BY PROT_AA LIMIT %2")
        .arg(QLatin1String(kColumns))
        .arg(max);
}

void report(const QString& backend, const Result& window, const Result& client) {
    out() << QStringLiteral("%1 window %2 ms (%3 bytes, +%4 MiB peak)   client %5 ms (%6 bytes)   ratio %7")
                 .arg(backend, -10)
                 .arg(window.ms, 0, 'f', 1)
                 .arg(window.bytes)
                 .arg(window.extraMiB, 0, 'f', 1)
                 .arg(client.ms, 0, 'f', 1)
                 .arg(client.bytes)
                 .arg(client.ms > 0 ? window.ms / client.ms : 0, 0, 'f', 2)
          << Qt::endl;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Times the CSV export of a 20,000-entry list on the registers that bench_list made (run it first)."));
    p.addHelpOption();
    const ServerOptions server = serverOptions(QStringLiteral("bench_list's SQLite file."));
    const QCommandLineOption& dbOpt = server.db;
    const QCommandLineOption& pgOpt = server.pg;
    const QCommandLineOption& pgUserOpt = server.pgUser;
    const QCommandLineOption& pgDbOpt = server.pgDb;
    p.addOptions({dbOpt, pgOpt, pgUserOpt, pgDbOpt});
    p.process(app);

    constexpr int kMax = 20000;
    QTemporaryDir settings;
    qputenv("PROTOCOL_CONFIG_DIR", QFile::encodeName(settings.path()));
    // The list limit the window reads.
    QFile ini(settings.path() + QStringLiteral("/user.ini"));
    if (ini.open(QIODevice::WriteOnly)) ini.write("[Protocol]\ngrdMaxRecs=20000\n");
    ini.close();
    QTemporaryDir dir;
    MsgBoxHook::Install();
    CommonDialogHook::Install();
    modDeclare::gUser = std::make_shared<cls_User>();
    modDeclare::gUser->UserId = 1;
    modDeclare::gUser->Auth = 0x80;
    frmMDI::instance();

    out() << "export of the year-2023 list (limit " << kMax << ") through the register window, against the"
          << " database's client writing the same 22 columns of the same rows" << Qt::endl;
    const QString db = p.value(dbOpt);
    const ConnectionPtr liteConn = mustOpen(QStringLiteral("SQLite"), QStringLiteral("localhost"), db);
    const Result lite = exportThroughWindow(liteConn, dir.path() + QStringLiteral("/sqlite.csv"));
    const Result liteDriver =
        exportThroughDriver(liteConn, listSql(kMax), dir.path() + QStringLiteral("/sqlite-driver.csv"));
    report(QStringLiteral("SQLite"), lite, liteDriver);
    const ClientRefs::Read shell = ClientRefs::sqliteShellCsv(
        db, ClientRefs::standInModule(), listSql(kMax), dir.path() + QStringLiteral("/sqlite-shell.csv"));
    if (shell.ms < 0) die(shell.text);
    out() << "SQLite     sqlite3 -csv (stand-in collation), by its .timer: " << shell.ms << " ms, "
          << shell.rows << " lines" << Qt::endl;
    Summary summary;
    summary.add(QStringLiteral("SQLite export (ref: the driver)"), lite.ms, liteDriver.ms,
                QStringLiteral("<= 1.3x ref"));
    summary.add(QStringLiteral("SQLite export (ref: sqlite3 -csv, .timer)"), lite.ms, shell.ms,
                QStringLiteral("<= 1.5x ref"));
    summary.add(QStringLiteral("SQLite export, peak MiB over start"), lite.extraMiB, 0,
                QStringLiteral("flat in the list's length"));
    if (p.isSet(pgOpt)) {
        const QString server = p.value(pgOpt);
        const ConnectionPtr pgConn =
            mustOpen(QStringLiteral("PostgreSQL"), server, p.value(pgDbOpt), p.value(pgUserOpt));
        const Result pg = exportThroughWindow(pgConn, dir.path() + QStringLiteral("/pg.csv"));
        const Result pgClient =
            exportThroughPsql(psqlArgs(server, p.value(pgUserOpt), p.value(pgDbOpt)), listSql(kMax),
                              dir.path() + QStringLiteral("/pg-client.csv"));
        report(QStringLiteral("PostgreSQL"), pg, pgClient);
        const Result pgDriver =
            exportThroughDriver(pgConn, listSql(kMax), dir.path() + QStringLiteral("/pg-driver.csv"));
        report(QStringLiteral("PostgreSQL"), pg, pgDriver);
        summary.add(QStringLiteral("PostgreSQL export (ref: the driver)"), pg.ms, pgDriver.ms,
                    QStringLiteral("<= 1.3x ref"));
        summary.add(QStringLiteral("PostgreSQL export (ref: psql COPY, \\timing)"), pg.ms, pgClient.ms,
                    QStringLiteral("<= 1.5x ref"));
        summary.add(QStringLiteral("PostgreSQL export, peak MiB over start"), pg.extraMiB, 0,
                    QStringLiteral("flat in the list's length"));
    }
    summary.print();
    // The session's connection must go before the application object, or its driver outlives Qt SQL.
    modDeclare::gConn.reset();
    return 0;
}
