// The utility's error box and the database-server object's statements and steps.
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "App.h"
#include "Connection.h"
#include "Err.h"
#include "ModMain.h"
#include "MsgBox.h"
#include "MssqlServer.h"
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
};

QTEST_MAIN(TestBackupObjects)
#include "tst_backupobjects.moc"
