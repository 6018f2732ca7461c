#include <QTest>

#include "Connection.h"
#include "DBHelper.h"
#include "Recordset.h"
#include "StrHelper.h"

// Runs only where a SQL Server is reachable: PROTOCOL_TEST_MSSQL holds the ConnStr
// ("server=host;database=name;"), PROTOCOL_TEST_MSSQL_USER / _PASSWORD the log-in.
class TestSqlServerLive : public QObject {
    Q_OBJECT
    ConnectionPtr m_conn;

private slots:
    void initTestCase() {
        const QString connStr = qEnvironmentVariable("PROTOCOL_TEST_MSSQL");
        if (connStr.isEmpty()) QSKIP("PROTOCOL_TEST_MSSQL names no SQL Server");
        m_conn = std::make_shared<Connection>();
        m_conn->Provider = QStringLiteral("SQLOLEDB");
        m_conn->ConnectionTimeout = 10;
        QVERIFY2(m_conn->Open(connStr, qEnvironmentVariable("PROTOCOL_TEST_MSSQL_USER"),
                              qEnvironmentVariable("PROTOCOL_TEST_MSSQL_PASSWORD")),
                 qPrintable(m_conn->LastErrorText()));
    }

    void serverTime() { QVERIFY(!DBHelper::ServerNow(m_conn).isNull()); }

    void greekTextAndKeyRoundTrip() {
        QVERIFY(m_conn->Execute(QStringLiteral(
            "CREATE TABLE #T (ID int IDENTITY(1,1) PRIMARY KEY, DESCR nvarchar(50) COLLATE Greek_CI_AI)")));
        const QString text = QStringLiteral("Διαγωνισμός 'α'");
        const QVariant key = DBHelper::InsertRec(m_conn, QStringLiteral("#T"), 0, QString(), QStringLiteral("DESCR"),
                                                 StrHelper::SqlValue(text), {});
        QVERIFY(!key.isNull());
        QCOMPARE(DBHelper::LookupValue(m_conn, QStringLiteral("#T"), QStringLiteral("ID=") + key.toString(),
                                       QStringLiteral("DESCR"), 0, QStringLiteral(",")),
                 text);
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("SELECT TOP 1 ID FROM #T WHERE ") +
                            m_conn->dialect().like(QStringLiteral("DESCR"), QStringLiteral("N'%ΔΙΑΓΩΝΙΣΜΟΣ%'")),
                        m_conn));
        QCOMPARE(rs.RecordCount(), 1);
        m_conn->Execute(QStringLiteral("DROP TABLE #T"));
    }
};

QTEST_MAIN(TestSqlServerLive)
#include "tst_sqlserver_live.moc"
