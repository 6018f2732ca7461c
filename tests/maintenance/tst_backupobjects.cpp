// The utility's error box and the database-server object's statements and steps.
#include <sys/resource.h>

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>

#include "App.h"
#include "Connection.h"
#include "Err.h"
#include "ModMain.h"
#include "MsgBox.h"
#include "MssqlServer.h"
#include "SqliteServer.h"
#include "TestSupport.h"
#include "cls_SQLServer.h"

class TestBackupObjects : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { App::SetTitle(QStringLiteral("Kessbo")); }

    void showErrWithoutPendingError() {
        AnswerQueues answers;
        Err().Clear();
        QVERIFY(!ModMain::ShowErr(QStringLiteral("Server_start 2")));
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    void showErrReportsAndClears() {
        AnswerQueues answers;
        Err().Raise(-2147023838, QStringLiteral("SQL-DMO"), QStringLiteral("Η υπηρεσία δεν ξεκίνησε."));
        QVERIFY(ModMain::ShowErr(QStringLiteral("Server_start 2")));
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log().at(0).prompt,
                 QStringLiteral("### Server_start 2 ###\r\nΠροέλευση : SQL-DMO\r\nΚωδικός   : -2147023838\r\n"
                                "Περιγραφή : Η υπηρεσία δεν ξεκίνησε."));
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbCritical));
        QCOMPARE(MsgBoxHook::Log().at(0).title, QStringLiteral("Kessbo"));
        QVERIFY(!Err().Pending());
        QVERIFY(!ModMain::ShowErr(QStringLiteral("again")));
    }

    // SQL Server has no server here: its statements are read as text. A name cannot break out of
    // its brackets or quotes.
    void sqlServerStatements() {
        QCOMPARE(MssqlServer::FindDatabaseSql(QStringLiteral("Prot")),
                 QStringLiteral("SELECT name FROM master.sys.databases WHERE name = N'Prot'"));
        QCOMPARE(MssqlServer::BackupSql(QStringLiteral("Prot"), QStringLiteral("/srv/dbBackup/Prot.bak.tmp")),
                 QStringLiteral("BACKUP DATABASE [Prot] TO DISK = N'/srv/dbBackup/Prot.bak.tmp' WITH INIT, FORMAT"));
        QCOMPARE(MssqlServer::BackupSql(QStringLiteral("a]; DROP DATABASE x; --"), QStringLiteral("/b/O'Brien.bak")),
                 QStringLiteral("BACKUP DATABASE [a]]; DROP DATABASE x; --] TO DISK = N'/b/O''Brien.bak' WITH INIT, FORMAT"));
        QCOMPARE(MssqlServer::FindDatabaseSql(QStringLiteral("Πρωτ'όκολλο")),
                 QStringLiteral("SELECT name FROM master.sys.databases WHERE name = N'Πρωτ''όκολλο'"));
    }

    // Live only where a SQL Server on this computer is named (as for the register's live test).
    void sqlServerLive() {
        const QMap<QString, QString> conn = Connection::ParseConnStr(qEnvironmentVariable("PROTOCOL_TEST_MSSQL"));
        if (conn.isEmpty()) QSKIP("PROTOCOL_TEST_MSSQL is not set");
        if (qEnvironmentVariable("PROTOCOL_TEST_MSSQL_USER").compare(QLatin1String("sa"), Qt::CaseInsensitive) != 0)
            QSKIP("the backup logs in as sa");
        AnswerQueues answers;
        QTemporaryDir dir;
        const QString server = conn.value(QStringLiteral("server"));
        const QString bak = dir.filePath(QStringLiteral("live.bak"));
        cls_SQLServer sql(Backend::SqlServer);
        QVERIFY2(sql.Backup_db(server.section(QLatin1Char('\\'), 0, 0), server.section(QLatin1Char('\\'), 1, 1),
                               conn.value(QStringLiteral("database")), bak,
                               qEnvironmentVariable("PROTOCOL_TEST_MSSQL_PASSWORD")),
                 qPrintable(MsgBoxHook::Log().value(0).prompt));
        QVERIFY(QFileInfo(bak).size() > 0);
    }

    // The embedded database runs with the program: its "service" is always running, and the
    // connection needs no log-in.
    void sqliteServiceRuns() {
        AnswerQueues answers;
        cls_SQLServer sql(Backend::SQLite);
        QVERIFY(sql.TurnOn_and_Connect_SQLServer(QStringLiteral("localhost"), QString(), QString()));
        QCOMPARE(sql.Step(), QStringLiteral("3"));
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(!Err().Pending());
        QVERIFY(sql.SQL_Info().startsWith(QStringLiteral("3.")));
    }

    // The copy fails at the file-size limit while the progress window, repainting between steps,
    // leaves another errno behind: still the disk-full text, never "disk I/O error".
    void sqliteBackupAtTheFileSizeLimit() {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("register.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
            db.setDatabaseName(source);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE T (V BLOB)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO T VALUES (zeroblob(200000))")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fill"));
        const QString copy = dir.filePath(QStringLiteral("register.bak"));
        QFile(copy).open(QIODevice::WriteOnly);

        SqliteServer server;
        server.PagesPerStep = 1;
        server.Progress = [](qint64, qint64) { errno = EAGAIN; };
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 16 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        Err().Clear();
        server.Backup(source, copy);
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(Err().Number, ServiceErr::DiskFull);
        QCOMPARE(Err().Description, QStringLiteral("Δεν υπάρχει αρκετός ελεύθερος χώρος στο δίσκο: ") + copy);
        Err().Clear();
    }
};

QTEST_MAIN(TestBackupObjects)
#include "tst_backupobjects.moc"
