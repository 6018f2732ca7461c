// Times a save of a shown row with the row-version check against the same save without it, side
// by side in one run, on SQLite and PostgreSQL: two registers made alike, one of them with the
// versions' triggers and columns dropped. A save is what the windows run for it: the row read as
// the record page shows it, the transaction with the UPDATE by key (with the version: "AND
// ROWVER=<shown>", and the trigger that counts the update), the commit, and the row read again.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "BenchSupport.h"
#include "Connection.h"
#include "NewVersionCheckFor.h"
#include "Recordset.h"

using namespace Bench;

namespace {

constexpr int kRows = 1000;

Summary& summary() {
    static Summary s;
    return s;
}

void run(const ConnectionPtr& conn, const QString& sql) {
    if (!conn->Execute(sql)) die(conn->LastErrorText());
}

// Entries, users and departments to save.
void fill(const ConnectionPtr& conn) {
    if (!conn->BeginTrans()) die(conn->LastErrorText());
    for (int i = 1; i <= kRows; ++i) {
        run(conn, QStringLiteral("INSERT INTO PROTOCOL (HMEROM, APO, PROT_EIS, THEMA, PARATHR, MODUSER)"
                                 " VALUES ('2026-03-02', 'Δήμος %1', 'Α-%1', 'Θέμα του εγγράφου %1', '', 1)")
                      .arg(i));
        run(conn,
            QStringLiteral(
                "INSERT INTO USERS (U_NAME, U_LNAME, U_PSW, U_AUTH, USER_GROUP_ID, U_EXP_DATE,"
                " U_EXP_DAYS, MODUSER) VALUES ('user%1', 'Παππά', 'AXYZW', 128, 2, '2027-01-01', 90, 1)")
                .arg(i));
        run(conn, QStringLiteral("INSERT INTO L_TMHMATA (CODE, DESCR, MODUSER) VALUES ('T%1', 'Τμήμα %1', 1)")
                      .arg(i));
    }
    if (!conn->CommitTrans()) die(conn->LastErrorText());
}

// The versions' triggers and columns dropped: the register as it saves without the check.
void dropVersions(const ConnectionPtr& conn) {
    for (const NewVersionCheckFor::VersionedTable& t : NewVersionCheckFor::VersionedTables()) {
        run(conn, conn->backend() == Backend::PostgreSQL
                      ? QStringLiteral("DROP TRIGGER %1_ROWVER ON %1").arg(t.table)
                      : QStringLiteral("DROP TRIGGER %1_ROWVER").arg(t.table));
        run(conn, QStringLiteral("ALTER TABLE %1 DROP COLUMN ROWVER").arg(t.table));
    }
}

ConnectionPtr sqliteRegister(const QString& path, bool versions) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) die(QStringLiteral("cannot create ") + path);
    file.close();
    ConnectionPtr conn = mustOpen(QStringLiteral("SQLite"), QStringLiteral("localhost"), path);
    makeSchema(conn);
    if (!versions) dropVersions(conn);
    fill(conn);
    run(conn, QStringLiteral("ANALYZE"));
    return conn;
}

ConnectionPtr pgRegister(const QString& server, const QString& user, const QString& name, bool versions) {
    ConnectionPtr admin = mustOpen(QStringLiteral("PostgreSQL"), server, QStringLiteral("postgres"), user);
    run(admin, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    run(admin, QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8'"
                              " TEMPLATE template0")
                   .arg(name));
    admin->Close();
    ConnectionPtr conn = mustOpen(QStringLiteral("PostgreSQL"), server, name, user);
    makeSchema(conn);
    if (!versions) dropVersions(conn);
    fill(conn);
    run(conn, QStringLiteral("VACUUM ANALYZE"));
    return conn;
}

struct Kind {
    QString name, table, key, set;
};

// The assignments a window writes for a row (%1: a number that changes with every save).
const QList<Kind>& kinds() {
    static const QList<Kind> k{
        {QStringLiteral("register entry"), QStringLiteral("PROTOCOL"), QStringLiteral("ID"),
         QStringLiteral(
             "HMEROM='2026-03-02',APO='Δήμος Αθηναίων',EIS_TYPOS_ID=Null,PROT_EIS='Α-%1',"
             "HMER_EIS=Null,TOPOS_EPID='',ARMODIOS_A='',ARMODIOS='Παππάς',HMER_APANT=Null,PROS='',"
             "EX_TYPOS_ID=Null,KOINOP='',PARATHR='Παρατήρηση %1',THEMA='Θέμα του εγγράφου %1',"
             "THEMA_EX='',ARXEIOTHETHSH='',SYSXETIZOMENA='',HMER_DIEKP=Null,MODUSER=1,MODFLAG='M'")},
        {QStringLiteral("user"), QStringLiteral("USERS"), QStringLiteral("USER_ID"),
         QStringLiteral(
             "U_FNAME='Μαρία',U_LNAME='Παππά',U_NAME='user%2',U_PSW='AXYZW',U_EXP_DATE='2027-01-01',"
             "U_EXP_DAYS=90,USER_GROUP_ID=2,U_ADDRESS='Οδός %1',U_PHONE1='210%1',U_PHONE2='',"
             "U_AUTH=128,MODUSER=1")},
        {QStringLiteral("lookup entry"), QStringLiteral("L_TMHMATA"), QStringLiteral("ID"),
         QStringLiteral("CODE='T%2',DESCR='Τμήμα %1',MODUSER = 1")},
    };
    return k;
}

// `saves` saves of rows in turn; the milliseconds they took.
double saveRound(const ConnectionPtr& conn, const Kind& kind, int saves, int round) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < saves; ++i) {
        const int row = (round * saves + i) % kRows + 1;
        const QString where = kind.key + QLatin1Char('=') + QString::number(row);
        // The row as the record page shows it.
        Recordset shown;
        if (!shown.Open(QStringLiteral("SELECT * FROM ") + kind.table + QStringLiteral(" WHERE ") + where,
                        conn))
            die(conn->LastErrorText());
        QString cond = where;
        if (shown.FieldIndex(QStringLiteral("ROWVER")) >= 0)
            cond += QStringLiteral(" AND ROWVER=") + shown.Value(QStringLiteral("ROWVER")).toString();
        if (!conn->BeginTrans()) die(conn->LastErrorText());
        qint64 affected = 0;
        if (!conn->Execute(QStringLiteral("UPDATE ") + kind.table + QStringLiteral(" SET ") +
                               QString(kind.set)
                                   .replace(QLatin1String("%1"), QString::number(round * saves + i))
                                   .replace(QLatin1String("%2"), QString::number(row)) +
                               QStringLiteral(" WHERE ") + cond,
                           &affected) ||
            affected != 1)
            die(QStringLiteral("the save was refused: ") + conn->LastErrorText());
        if (!conn->CommitTrans()) die(conn->LastErrorText());
        // Shown again after the save.
        Recordset again;
        if (!again.Open(QStringLiteral("SELECT * FROM ") + kind.table + QStringLiteral(" WHERE ") + where,
                        conn))
            die(conn->LastErrorText());
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// The fastest round: what the machine's other work added least to.
double fastest(const QList<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

// The two registers in alternating rounds, so that whatever else the machine does falls on both.
void compare(const QString& backend, const ConnectionPtr& with, const ConnectionPtr& without, int saves,
             int rounds) {
    out() << QStringLiteral("  %1 %2 %3 %4 %5")
                 .arg(QStringLiteral("save of a"), -16)
                 .arg(QStringLiteral("with ms"), 9)
                 .arg(QStringLiteral("w/o ms"), 9)
                 .arg(QStringLiteral("µs/save"), 9)
                 .arg(QStringLiteral("ratio"), 6)
          << Qt::endl;
    for (const Kind& kind : kinds()) {
        QList<double> a, b;
        saveRound(with, kind, saves / 10, rounds);  // warm-up of both
        saveRound(without, kind, saves / 10, rounds);
        for (int r = 0; r < rounds; ++r) {
            if (r % 2 == 0) {
                a << saveRound(with, kind, saves, r);
                b << saveRound(without, kind, saves, r);
            } else {
                b << saveRound(without, kind, saves, r);
                a << saveRound(with, kind, saves, r);
            }
        }
        const double ma = fastest(a), mb = fastest(b);
        out() << QStringLiteral("  %1 %2 %3 %4 %5")
                     .arg(kind.name, -16)
                     .arg(ma, 9, 'f', 1)
                     .arg(mb, 9, 'f', 1)
                     .arg((ma - mb) * 1000.0 / saves, 9, 'f', 1)
                     .arg(ma / mb, 6, 'f', 3)
              << Qt::endl;
        summary().add(QStringLiteral("%1 %2 x%3 saves").arg(backend, kind.name).arg(saves), ma, mb,
                      QStringLiteral("ratio: the check's share"));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times saves with the row-version check against the same saves without it."));
    parser.addHelpOption();
    QCommandLineOption savesOpt(QStringLiteral("saves"), QStringLiteral("Saves per round (2000)."),
                                QStringLiteral("n"), QStringLiteral("2000"));
    QCommandLineOption roundsOpt(QStringLiteral("rounds"), QStringLiteral("Rounds of each (9)."),
                                 QStringLiteral("n"), QStringLiteral("9"));
    QCommandLineOption pgOpt(QStringLiteral("pg"), QStringLiteral("Also on PostgreSQL at host:port."),
                             QStringLiteral("server"));
    QCommandLineOption userOpt(QStringLiteral("pg-user"), QStringLiteral("PostgreSQL user (postgres)."),
                               QStringLiteral("user"), QStringLiteral("postgres"));
    parser.addOptions({savesOpt, roundsOpt, pgOpt, userOpt});
    parser.process(app);
    const int saves = parser.value(savesOpt).toInt();
    const int rounds = parser.value(roundsOpt).toInt();
    if (saves < 10 || rounds < 1) die(QStringLiteral("--saves must be 10 or more, --rounds 1 or more"));

    QTemporaryDir dir;
    out() << "SQLite (WAL), " << saves << " saves a round, fastest of " << rounds << " rounds" << Qt::endl;
    {
        ConnectionPtr with = sqliteRegister(dir.filePath(QStringLiteral("with.db")), true);
        ConnectionPtr without = sqliteRegister(dir.filePath(QStringLiteral("without.db")), false);
        compare(QStringLiteral("SQLite"), with, without, saves, rounds);
        with->Close();
        without->Close();
    }
    if (parser.isSet(pgOpt)) {
        out() << "PostgreSQL " << parser.value(pgOpt) << ", " << saves << " saves a round, fastest of "
              << rounds << " rounds" << Qt::endl;
        ConnectionPtr with =
            pgRegister(parser.value(pgOpt), parser.value(userOpt), QStringLiteral("bench_rowver_with"), true);
        ConnectionPtr without = pgRegister(parser.value(pgOpt), parser.value(userOpt),
                                           QStringLiteral("bench_rowver_without"), false);
        compare(QStringLiteral("PostgreSQL"), with, without, saves, rounds);
        with->Close();
        without->Close();
    }
    summary().print();
    return 0;
}
