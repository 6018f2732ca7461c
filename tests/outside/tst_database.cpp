#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

#include "DBHelper.h"
#include "DbMessages.h"
#include "Err.h"
#include "OwnCluster.h"
#include "Recordset.h"
#include "TestDatabase.h"

namespace {

QString autoKey(Backend b) {
    return b == Backend::PostgreSQL ? QStringLiteral("SERIAL PRIMARY KEY")
                                    : QStringLiteral("INTEGER PRIMARY KEY");
}

// T: ID, NAME, D (date), TS (date-time), five rows, one of them all NULL.
bool createT(const TestDatabase& db) {
    const ConnectionPtr c = db.conn();
    return c->Execute("CREATE TABLE T (ID " + autoKey(db.backend()) +
                      ", NAME VARCHAR(50), D DATE, TS TIMESTAMP)") &&
           c->Execute("INSERT INTO T (NAME, D, TS) VALUES ('Άλφα', '2026-12-10', '2026-12-10 09:42:00')") &&
           c->Execute("INSERT INTO T (NAME, D, TS) VALUES ('βήτα', '2026-01-01', '2026-01-01 00:00:00')") &&
           c->Execute("INSERT INTO T (NAME, D, TS) VALUES ('ΓΑΜΜΑ', '2025-12-31', '2025-12-31 23:59:59')") &&
           c->Execute("INSERT INTO T (NAME, D, TS) VALUES (NULL, NULL, NULL)") &&
           c->Execute("INSERT INTO T (NAME, D, TS) VALUES ('δέλτα', '2024-02-29', '2024-02-29 12:00:00')");
}

int count(const ConnectionPtr& c, const QString& table) {
    Recordset rs;
    if (!rs.Open("SELECT count(*) FROM " + table, c)) return -1;
    return rs.Value(0).toInt();
}

using Point = Connection::Point;
const QList<Point> kPoints{Point::Begin,      Point::Savepoint, Point::Statement, Point::Release,
                           Point::RollbackTo, Point::Probe,     Point::Commit,    Point::Rollback};

// The operations a walk cuts at each point: a save of two rows, with a statement on the way that
// fails as the schema upgrade's probes do (on PostgreSQL it runs every savepoint statement), and
// a save that is given up.
bool saveTwo(const ConnectionPtr& c, int first) {
    if (!c->BeginTrans()) return false;
    bool ok = c->Execute(QStringLiteral("INSERT INTO K VALUES (%1)").arg(first));
    c->Execute(QStringLiteral("SELECT nosuch FROM K"));
    ok = ok && c->Execute(QStringLiteral("INSERT INTO K VALUES (%1)").arg(first + 1));
    if (!ok) {
        c->RollbackTrans();
        return false;
    }
    return c->CommitTrans();
}

void giveUp(const ConnectionPtr& c, int value) {
    if (!c->BeginTrans()) return;
    c->Execute(QStringLiteral("INSERT INTO K VALUES (%1)").arg(value));
    c->RollbackTrans();
}

// How often each point comes in one save and one given-up save; in `ofSave` those of the save.
QMap<Point, int> pointsOfBoth(const ConnectionPtr& c, int first, QMap<Point, int>* ofSave = nullptr) {
    QMap<Point, qint64> before;
    for (const Point p : kPoints) before[p] = c->PointCount(p);
    saveTwo(c, first);
    if (ofSave)
        for (const Point p : kPoints) (*ofSave)[p] = int(c->PointCount(p) - before[p]);
    giveUp(c, first + 10);
    QMap<Point, int> out;
    for (const Point p : kPoints) out[p] = int(c->PointCount(p) - before[p]);
    return out;
}

}  // namespace

class tst_Database : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { Err().Clear(); }

    void providerNames_data();
    void providerNames();
    void parseConnStr();
    void openFailures_data();
    void openFailures();

    void transactions_data() { TestDatabase::addBackendRows(); }
    void transactions();
    void failedStatementKeepsTransaction_data() { TestDatabase::addBackendRows(); }
    void failedStatementKeepsTransaction();
    void executeFailure_data() { TestDatabase::addBackendRows(); }
    void executeFailure();
    void closedConnection_data() { TestDatabase::addBackendRows(); }
    void closedConnection();
    void injectedFailure_data() { TestDatabase::addBackendRows(); }
    void injectedFailure();
    void droppedConnection_data();
    void droppedConnection();
    void reconnectionFails();
    void everyPointRecovers_data();
    void everyPointRecovers();
    void serverStoppedAtEveryPoint();
    void savepointFailureBreaksTransaction_data();
    void savepointFailureBreaksTransaction();
    void failuresSaidInGreek_data() { TestDatabase::addBackendRows(); }
    void failuresSaidInGreek();
    void fileFailuresByPlace_data();
    void fileFailuresByPlace();
    void readOnlyPlaces();

    void recordsetWalk_data() { TestDatabase::addBackendRows(); }
    void recordsetWalk();
    void recordsetValues_data() { TestDatabase::addBackendRows(); }
    void recordsetValues();
    void recordsetFind_data() { TestDatabase::addBackendRows(); }
    void recordsetFind();
    void topIsAdapted_data() { TestDatabase::addBackendRows(); }
    void topIsAdapted();

    void insertedKey_data() { TestDatabase::addBackendRows(); }
    void insertedKey();
    void twoConnections_data() { TestDatabase::addBackendRows(); }
    void twoConnections();
    void secondSqliteWriterWaits();
    void sqliteGreekCollationAndLike();
    void postgresCommandTimeout();
    void postgresSessionSerial();

private:
    QTemporaryDir m_dir;
};

void tst_Database::initTestCase() {
    // A zone away from the servers' UTC shows whether stored wall-clock times are shifted.
    qputenv("TZ", "Europe/Athens");
    tzset();
}

void tst_Database::providerNames_data() {
    QTest::addColumn<QString>("provider");
    QTest::addColumn<bool>("known");
    QTest::addColumn<int>("backend");
    QTest::newRow("sqlite") << "SQLite" << true << int(Backend::SQLite);
    QTest::newRow("postgres lower case") << "postgresql" << true << int(Backend::PostgreSQL);
    QTest::newRow("sqloledb versioned") << "SQLOLEDB.1" << true << int(Backend::SqlServer);
    QTest::newRow("msoledbsql") << "MSOLEDBSQL" << true << int(Backend::SqlServer);
    QTest::newRow("sqlncli11") << " sqlncli11 " << true << int(Backend::SqlServer);
    QTest::newRow("unknown") << "Microsoft.Jet.OLEDB.4.0" << false << int(Backend::SQLite);
    QTest::newRow("empty") << "" << false << int(Backend::SQLite);
}

void tst_Database::providerNames() {
    QFETCH(QString, provider);
    QFETCH(bool, known);
    QFETCH(int, backend);
    bool isKnown = !known;
    QCOMPARE(int(Connection::BackendForProvider(provider, &isKnown)), backend);
    QCOMPARE(isKnown, known);
}

void tst_Database::parseConnStr() {
    const auto p =
        Connection::ParseConnStr(" Server = db1:5432 ;DATABASE=Protocol; ;junk;Timeout= 5 ;pwd=a=b");
    QCOMPARE(p.value("server"), QString("db1:5432"));
    QCOMPARE(p.value("database"), QString("Protocol"));
    QCOMPARE(p.value("timeout"), QString("5"));
    QCOMPARE(p.value("pwd"), QString("a=b"));
    QCOMPARE(p.size(), 4);
}

void tst_Database::openFailures_data() {
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("connStr");
    QTest::addColumn<QByteArray>("content");  // written to the SQLite file first, when not empty
    const QString file = m_dir.filePath("register.db");
    QTest::newRow("wrong provider") << "Access"
                                    << "server=;database=x;" << QByteArray();
    QTest::newRow("no database") << "SQLite"
                                 << "server=;" << QByteArray();
    QTest::newRow("missing folder") << "SQLite"
                                    << "server=;database=/nonexistent/dir/register.db;" << QByteArray();
    QTest::newRow("missing file") << "SQLite"
                                  << "database=" + file << QByteArray();
    QTest::newRow("not a database") << "SQLite"
                                    << "database=" + file << QByteArray(4096, 'x');
    QTest::newRow("sql server unreachable")
        << "SQLOLEDB"
        << "server=127.0.0.1,1;database=Protocol;uid=sa;pwd=a;b}" << QByteArray();
    if (TestDatabase::postgresConfigured()) {
        QTest::newRow("postgres wrong port") << "PostgreSQL"
                                             << "server=127.0.0.1:1;database=postgres;" << QByteArray();
        QTest::newRow("postgres no such database")
            << "PostgreSQL"
            << "server=" + qEnvironmentVariable("PROTOCOL_TEST_PG") + ";database=no_such_db;" << QByteArray();
    }
}

void tst_Database::openFailures() {
    QFETCH(QString, provider);
    QFETCH(QString, connStr);
    QFETCH(QByteArray, content);
    const QString path = Connection::ParseConnStr(connStr).value("database");
    if (!path.isEmpty()) QFile::remove(path);
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    Connection c;
    c.Provider = provider;
    c.ConnectionTimeout = 2;
    QVERIFY(!c.Open(connStr, "postgres"));
    QVERIFY(!c.IsOpen());
    QVERIFY(Err().Pending());
    QCOMPARE(Err().Number, ErrNo::DbOpenFailed);
    QVERIFY(!Err().Description.isEmpty());
    QCOMPARE(c.LastErrorText(), Err().Description);
    // A wrong path must not leave an empty database behind.
    if (provider == "SQLite" && !path.isEmpty() && content.isEmpty()) QVERIFY(!QFile::exists(path));
    // The connection can be used again.
    QVERIFY(!c.Execute("SELECT 1"));
    QCOMPARE(Err().Number, ErrNo::DbNotOpen);
}

void tst_Database::transactions() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE K (ID INTEGER, NAME VARCHAR(20))"));

    QVERIFY(c->BeginTrans());
    QVERIFY(c->InTransaction());
    QVERIFY(c->Execute("INSERT INTO K VALUES (1, 'a')"));
    QVERIFY(c->RollbackTrans());
    QVERIFY(!c->InTransaction());
    QCOMPARE(count(c, "K"), 0);

    // Nested levels only count: the inner commit writes nothing, the outer one everything.
    const ConnectionPtr reader = db.openAnother();
    QVERIFY(c->BeginTrans());
    QVERIFY(c->Execute("INSERT INTO K VALUES (2, 'b')"));
    QVERIFY(c->BeginTrans());
    QCOMPARE(c->TransactionDepth(), 2);
    QVERIFY(c->Execute("INSERT INTO K VALUES (4, 'd')"));
    QVERIFY(c->CommitTrans());
    QVERIFY(c->InTransaction());
    if (db.backend() == Backend::PostgreSQL) QCOMPARE(count(reader, "K"), 0);
    QVERIFY(c->CommitTrans());
    QVERIFY(!c->InTransaction());
    QCOMPARE(count(reader, "K"), 2);
    reader->Close();
    // An inner rollback undoes the whole transaction at once.
    QVERIFY(c->BeginTrans());
    QVERIFY(c->Execute("INSERT INTO K VALUES (5, 'e')"));
    QVERIFY(c->BeginTrans());
    QVERIFY(c->RollbackTrans());
    QVERIFY(!c->InTransaction());
    QCOMPARE(count(c, "K"), 2);
    QVERIFY(c->Execute("DELETE FROM K WHERE ID = 4"));

    Err().Clear();
    QVERIFY(!c->CommitTrans());
    QVERIFY(Err().Pending());
    QVERIFY(!c->RollbackTrans());

    // Closing with a transaction open undoes it.
    QVERIFY(c->BeginTrans());
    QVERIFY(c->Execute("INSERT INTO K VALUES (3, 'c')"));
    c->Close();
    const ConnectionPtr again = db.openAnother();
    QCOMPARE(count(again, "K"), 1);
}

void tst_Database::failedStatementKeepsTransaction() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE K (ID INTEGER)"));
    QVERIFY(c->BeginTrans());
    QVERIFY(c->Execute("INSERT INTO K VALUES (1)"));
    Recordset probe;
    QVERIFY(!probe.Open("SELECT MISSING_COLUMN FROM K", c));
    QVERIFY(!c->Execute("INSERT INTO NO_SUCH_TABLE VALUES (1)"));
    QVERIFY(c->Execute("INSERT INTO K VALUES (2)"));
    QVERIFY(c->CommitTrans());
    QCOMPARE(count(c, "K"), 2);
}

void tst_Database::executeFailure() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(!c->Execute("SELEC nonsense"));
    QCOMPARE(Err().Number, ErrNo::DbCommandFailed);
    QCOMPARE(Err().Source, c->dialect().name());
    QVERIFY(!Err().Description.isEmpty());
    QCOMPARE(c->LastErrorText(), Err().Description);

    Err().Clear();
    QVERIFY(createT(db));
    qint64 affected = -1;
    QVERIFY(c->Execute("UPDATE T SET NAME = 'x' WHERE D >= '2026-01-01'", &affected));
    QCOMPARE(affected, 2);
    QVERIFY(!Err().Pending());
}

void tst_Database::closedConnection() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    c->Close();
    QVERIFY(!c->IsOpen());
    QVERIFY(!c->database().isValid());
    Recordset rs;
    QVERIFY(!rs.Open("SELECT 1", c));
    QVERIFY(!rs.IsOpen());
    QCOMPARE(Err().Number, ErrNo::DbNotOpen);
    Err().Clear();
    QVERIFY(!c->BeginTrans());
    QCOMPARE(Err().Number, ErrNo::DbNotOpen);
    QVERIFY(!rs.Open("SELECT 1", nullptr));
    QCOMPARE(Err().Number, ErrNo::ObjectNotSet);
}

void tst_Database::injectedFailure() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE K (ID INTEGER)"));
    QVERIFY(c->BeginTrans());
    c->InjectFault(2, Connection::Fault::FailStatement, Point::Statement);
    QVERIFY(c->Execute("INSERT INTO K VALUES (1)"));
    QVERIFY(!c->Execute("INSERT INTO K VALUES (2)"));
    QVERIFY(c->LastErrorText().contains("injected_fault"));  // a real driver error, not an empty one
    QVERIFY(!c->Lost());
    QVERIFY(c->Execute("INSERT INTO K VALUES (3)"));  // one statement only, the transaction goes on
    QVERIFY(c->CommitTrans());
    QCOMPARE(count(c, "K"), 2);
    // The commit counts too: its failure keeps its reason and leaves nothing.
    QVERIFY(c->BeginTrans());
    QVERIFY(c->Execute("INSERT INTO K VALUES (4)"));
    c->InjectFault(1, Connection::Fault::FailStatement);
    Err().Clear();
    QVERIFY(!c->CommitTrans());
    QVERIFY(c->LastErrorText().contains("COMMIT"));
    QCOMPARE(Err().Description, c->LastErrorText());
    QVERIFY(!c->InTransaction());
    QCOMPARE(count(c, "K"), 2);
}

void tst_Database::droppedConnection_data() {
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<bool>("inTransaction");
    for (const Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        QTest::newRow(qPrintable(tag + " idle")) << b << false;
        QTest::newRow(qPrintable(tag + " in a transaction")) << b << true;
    }
}

// A connection that breaks says so, once, in Greek; a transaction it held is gone and its later
// statements fail without running elsewhere; then the next statement opens it again.
void tst_Database::droppedConnection() {
    QFETCH(Backend, backend);
    QFETCH(bool, inTransaction);
    TestDatabase db(backend);
    QVERIFY(db.ok());
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE K (ID INTEGER)"));
    if (inTransaction) {
        QVERIFY(c->BeginTrans());
        QVERIFY(c->Execute("INSERT INTO K VALUES (1)"));
    }
    c->InjectFault(1, Connection::Fault::DropConnection);
    QVERIFY(!c->Execute("INSERT INTO K VALUES (2)"));
    QVERIFY(c->Lost());
    QVERIFY(c->LastErrorText().startsWith(Connection::LostText()));
    QVERIFY(Err().Description.startsWith(Connection::LostText()));
    if (inTransaction) {
        Err().Clear();
        QVERIFY(!c->Execute("INSERT INTO K VALUES (3)"));
        QVERIFY(Err().Description.startsWith(Connection::LostText()));
        QVERIFY(!c->CommitTrans());
        QVERIFY(c->LastErrorText().startsWith(Connection::LostText()));
        QVERIFY(!c->InTransaction());
    }
    QVERIFY(c->Execute("INSERT INTO K VALUES (9)"));
    QVERIFY(!c->Lost());
    QCOMPARE(count(c, "K"), 1);
    QCOMPARE(count(db.openAnother(), "K"), 1);
}

void tst_Database::reconnectionFails() {
    TestDatabase db(Backend::SQLite);
    QVERIFY(db.ok());
    const ConnectionPtr c = db.conn();
    const QString path = c->DatabaseName();
    c->InjectFault(1, Connection::Fault::DropConnection);
    QVERIFY(!c->Execute("SELECT 1"));
    QVERIFY(QFile::rename(path, path + ".away"));
    Recordset rs;
    QVERIFY(!rs.Open("SELECT 1", c));
    QVERIFY(Err().Description.startsWith(Connection::NotRestoredText()));
    QVERIFY(!DBHelper::ServerNow(c).isValid());
    QVERIFY(DBHelper::LastError().startsWith(Connection::NotRestoredText()));
    QVERIFY(QFile::rename(path + ".away", path));
    QVERIFY(rs.Open("SELECT 1", c));
    QCOMPARE(rs.Value(0).toInt(), 1);
}

void tst_Database::everyPointRecovers_data() {
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<int>("fault");
    for (const Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        QTest::newRow(qPrintable(tag + " fails")) << b << int(Connection::Fault::FailStatement);
        QTest::newRow(qPrintable(tag + " drops before")) << b << int(Connection::Fault::DropConnection);
        QTest::newRow(qPrintable(tag + " loses the answer")) << b << int(Connection::Fault::LoseAnswer);
    }
}

// A fault at any point the connection talks to the server (every transaction statement, every
// savepoint statement, the probe): every transaction level ends, a save is stored whole or not at
// all, a given-up save never, and the next save on the same connection succeeds.
void tst_Database::everyPointRecovers() {
    QFETCH(Backend, backend);
    QFETCH(int, fault);
    TestDatabase db(backend);
    QVERIFY(db.ok());
    const ConnectionPtr c = db.conn();
    const ConnectionPtr other = db.openAnother();
    QVERIFY(c->Execute("CREATE TABLE K (ID INTEGER)"));
    const QMap<Point, int> points = pointsOfBoth(c, 1);
    const bool pg = backend == Backend::PostgreSQL;
    QCOMPARE(points[Point::Begin], 2);
    QCOMPARE(points[Point::Commit], 1);
    QCOMPARE(points[Point::Rollback], 1);
    QCOMPARE(points[Point::Probe], 1);
    QCOMPARE(points[Point::Savepoint], pg ? 4 : 0);
    QCOMPARE(points[Point::Release], pg ? 3 : 0);
    QCOMPARE(points[Point::RollbackTo], pg ? 1 : 0);
    QCOMPARE(count(other, "K"), 2);

    for (const Point p : kPoints) {
        for (int n = 1; n <= points[p]; ++n) {
            const QString at = Connection::PointName(p) + QStringLiteral(" #%1").arg(n);
            QVERIFY2(c->Execute("DELETE FROM K"), qPrintable(at + ": " + c->LastErrorText()));
            c->InjectFault(n, Connection::Fault(fault), p);
            const bool saved = saveTwo(c, 10);
            giveUp(c, 20);
            c->ClearFault();
            QVERIFY2(!c->InTransaction(), qPrintable(at));
            const int stored = count(other, "K WHERE ID IN (10, 11)");
            QVERIFY2(stored == (saved ? 2 : 0) || (!saved && stored == 2 && c->CommitUncertain()),
                     qPrintable(at + QStringLiteral(": %1 stored").arg(stored)));
            QCOMPARE(count(other, "K WHERE ID = 20"), 0);
            if (p == Point::Commit && fault != int(Connection::Fault::FailStatement)) {
                // The commit's fate is not known to the connection; what the server did is.
                QVERIFY2(!saved && c->CommitUncertain(), qPrintable(at));
                QCOMPARE(stored, fault == int(Connection::Fault::LoseAnswer) ? 2 : 0);
            }
            QVERIFY2(saveTwo(c, 30), qPrintable(at + ", saved again: " + c->LastErrorText()));
            QVERIFY2(!c->Lost(), qPrintable(at));
            QCOMPARE(count(other, "K WHERE ID IN (30, 31)"), 2);
        }
    }
}

// The same walk with the server really stopped (as a crash stops it) right before each point and
// started again: the session recovers by itself, nothing is half-written.
void tst_Database::serverStoppedAtEveryPoint() {
    if (const QString why = OwnCluster::unavailable(); !why.isEmpty()) QSKIP(qPrintable(why));
    OwnCluster cluster;
    QVERIFY(cluster.init());
    QVERIFY(cluster.start());
    const auto open = [&cluster] {
        auto conn = std::make_shared<Connection>();
        conn->Provider = QStringLiteral("PostgreSQL");
        conn->ConnectionTimeout = 5;
        conn->Open(cluster.connStr(), QStringLiteral("postgres"));
        return conn;
    };
    const ConnectionPtr c = open();
    QVERIFY2(c->IsOpen(), qPrintable(c->LastErrorText()));
    QVERIFY(c->Execute("CREATE TABLE K (ID INTEGER)"));
    QMap<Point, int> ofSave;
    const QMap<Point, int> points = pointsOfBoth(c, 1, &ofSave);
    int walked = 0;
    for (const Point p : kPoints) {
        for (int n = 1; n <= points[p]; ++n) {
            const QString at = Connection::PointName(p) + QStringLiteral(" #%1").arg(n);
            QVERIFY2(c->Execute("DELETE FROM K"), qPrintable(at + ": " + c->LastErrorText()));
            bool stopped = false;
            c->InjectCall(n, p, [&] { stopped = cluster.stop(QStringLiteral("immediate")); });
            const bool saved = saveTwo(c, 10);
            giveUp(c, 20);
            c->ClearFault();
            QVERIFY2(stopped, qPrintable(at));
            QVERIFY2(saved == (n > ofSave[p]), qPrintable(at));  // stopped in the given-up save
            QVERIFY2(!c->InTransaction(), qPrintable(at));
            QVERIFY2(c->LastErrorText().startsWith(Connection::LostText()) ||
                         c->LastErrorText().startsWith(Connection::NotRestoredText()),
                     qPrintable(at + ": " + c->LastErrorText()));
            // While the server is away the session says so and does not stick.
            QVERIFY(!c->Execute("DELETE FROM K"));
            QVERIFY2(c->LastErrorText().startsWith(Connection::NotRestoredText()),
                     qPrintable(c->LastErrorText()));
            QVERIFY2(cluster.start(), qPrintable(at));
            const ConnectionPtr other = open();
            QVERIFY2(other->IsOpen(), qPrintable(other->LastErrorText()));
            QCOMPARE(count(other, "K WHERE ID IN (10, 11)"), saved ? 2 : 0);
            QCOMPARE(count(other, "K WHERE ID = 20"), 0);
            QVERIFY2(saveTwo(c, 30), qPrintable(at + ", saved again: " + c->LastErrorText()));
            QCOMPARE(count(other, "K WHERE ID IN (30, 31)"), 2);
            ++walked;
        }
    }
    QVERIFY(walked >= int(kPoints.size()));
}

void tst_Database::savepointFailureBreaksTransaction_data() {
    QTest::addColumn<int>("pointNumber");
    QTest::addColumn<QString>("statement");  // the statement the failure cuts
    QTest::newRow("SAVEPOINT") << int(Point::Savepoint) << "INSERT INTO K VALUES (2)";
    QTest::newRow("ROLLBACK TO SAVEPOINT") << int(Point::RollbackTo) << "SELECT nosuch FROM K";
}

// Inside a PostgreSQL transaction a savepoint statement that fails leaves the fate of the
// statement it guards unknown: that statement and every later one fail without running, with the
// broken-transaction reason (never the server's own "current transaction is aborted"), the commit
// is refused with it, nothing of the transaction is stored, and the connection goes on.
void tst_Database::savepointFailureBreaksTransaction() {
    if (!TestDatabase::postgresConfigured()) QSKIP("PostgreSQL is not configured");
    QFETCH(int, pointNumber);
    const Point point = Point(pointNumber);
    QFETCH(QString, statement);
    TestDatabase db(Backend::PostgreSQL);
    QVERIFY(db.ok());
    const ConnectionPtr c = db.conn();
    const ConnectionPtr other = db.openAnother();
    QVERIFY(c->Execute("CREATE TABLE K (ID INTEGER)"));
    QVERIFY(c->Execute("CREATE SEQUENCE S"));  // a step of it is never undone: it shows what ran
    const QString injected = QStringLiteral("Injected fault at ") + Connection::PointName(point);
    const auto refused = [&](const QString& text) {
        QVERIFY2(text.startsWith(QStringLiteral(
                     "Η εργασία στη βάση δεδομένων διακόπηκε και τίποτα από αυτήν δεν γράφτηκε.")),
                 qPrintable(text));
        QVERIFY2(DbMessages::DriverPart(text).startsWith(injected), qPrintable(text));
        QCOMPARE(Err().Description, text);
        QVERIFY(!c->Lost());
    };

    QVERIFY(c->BeginTrans());
    QVERIFY(c->Execute("INSERT INTO K VALUES (1)"));
    c->InjectFault(1, Connection::Fault::FailStatement, point);
    QVERIFY(!c->Execute(statement));
    c->ClearFault();
    refused(c->LastErrorText());
    Err().Clear();
    QVERIFY(!c->Execute("SELECT nextval('S')"));
    refused(c->LastErrorText());
    Err().Clear();
    Recordset rs;
    QVERIFY(!rs.Open("SELECT count(*) FROM K", c));
    refused(c->LastErrorText());
    Err().Clear();
    QVERIFY(!c->CommitTrans());
    refused(c->LastErrorText());
    QVERIFY(!c->InTransaction());
    QCOMPARE(count(other, "K"), 0);
    Recordset step;
    QVERIFY(step.Open("SELECT nextval('S')", other));
    QCOMPARE(step.Value(0).toInt(), 1);

    QVERIFY(c->BeginTrans());
    QVERIFY(c->Execute("INSERT INTO K VALUES (3)"));
    QVERIFY(c->CommitTrans());
    QCOMPARE(count(other, "K"), 1);
}

// The failures a clerk meets say in Greek what happened and what to do; the driver's own text
// follows for the administrator.
void tst_Database::failuresSaidInGreek() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    const auto check = [](const QString& text, const QString& greek, const QString& driver) {
        QVERIFY2(text.startsWith(greek), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\r\n") + DbMessages::AdministratorLine()), qPrintable(text));
        QVERIFY2(text.contains(driver, Qt::CaseInsensitive), qPrintable(text));
        QCOMPARE(Err().Description, text);
    };
    // The closed connection.
    {
        Connection closed;
        QVERIFY(!closed.Execute("SELECT 1"));
        check(closed.LastErrorText(), QStringLiteral("Η σύνδεση με τη βάση δεδομένων είναι κλειστή"),
              QStringLiteral("Operation is not allowed when the object is closed."));
    }
    // A key stored twice names what clashed, as the clerk knows it; the server's own words follow.
    {
        const QString sentence = QStringLiteral(
            " υπάρχει ήδη στη βάση δεδομένων και δεν καταχωρίζεται δεύτερη φορά· η αλλαγή δεν αποθηκεύτηκε.");
        const QString driver = db.backend() == Backend::SQLite ? QStringLiteral("UNIQUE constraint failed")
                                                               : QStringLiteral("duplicate key value");
        QVERIFY(
            c->Execute("CREATE TABLE R_YPEYTH (PR_ID INTEGER, TM_ID INTEGER, PRIMARY KEY (PR_ID, TM_ID))"));
        QVERIFY(c->Execute("CREATE TABLE R_YPEYTH2 (PR_ID INTEGER PRIMARY KEY)"));
        QVERIFY(c->Execute("INSERT INTO R_YPEYTH VALUES (1, 2)"));
        QVERIFY(c->Execute("INSERT INTO R_YPEYTH2 VALUES (1)"));
        QVERIFY(!c->Execute("INSERT INTO R_YPEYTH VALUES (1, 2)"));
        check(c->LastErrorText(), QStringLiteral("Ένα από τα «Υπεύθυνα τμήματα» της εγγραφής") + sentence,
              driver);
        // Not a table the clerk knows by name (nor one whose name only begins like one).
        QVERIFY(!c->Execute("INSERT INTO R_YPEYTH2 VALUES (1)"));
        check(c->LastErrorText(), QStringLiteral("Μια τιμή που πρέπει να είναι μοναδική") + sentence, driver);
        QVERIFY(
            DbMessages::Explained(
                QStringLiteral("Cannot insert duplicate key row in object 'dbo.PROTOCOL' with unique index "
                               "'UX_PROTOCOL_ETOS_AA'. (2601)"))
                .startsWith(QStringLiteral("Ο Α/Α Πρωτοκόλλου της χρονιάς") + sentence));
    }
    if (db.backend() == Backend::SQLite) {
        QVERIFY(c->Execute("CREATE TABLE BIG (V TEXT)"));
        // A full disk, as a register that may grow no further meets it.
        Recordset pages;
        QVERIFY(pages.Open("PRAGMA page_count", c));
        QVERIFY(c->Execute(QStringLiteral("PRAGMA max_page_count = %1").arg(pages.Value(0).toInt() + 1)));
        QVERIFY(!c->Execute("INSERT INTO BIG VALUES (printf('%.*c', 100000, 'x'))"));
        check(c->LastErrorText(), QStringLiteral("Ο δίσκος της βάσης δεδομένων γέμισε"),
              QStringLiteral("database or disk is full"));
        // A register opened for reading only.
        Connection reader;
        reader.Provider = db.provider();
        reader.Mode = 1;
        QVERIFY(reader.Open(db.connStr()));
        QVERIFY(!reader.Execute("DELETE FROM BIG"));
        check(reader.LastErrorText(), QStringLiteral("Η βάση δεδομένων είναι μόνο για ανάγνωση"),
              QStringLiteral("attempt to write a readonly database"));
        // A register file that is not there.
        Connection missing;
        missing.Provider = db.provider();
        QVERIFY(!missing.Open(QStringLiteral("database=") + c->DatabaseName() + QStringLiteral(".away")));
        check(missing.LastErrorText(), QStringLiteral("Το αρχείο της βάσης δεδομένων δεν βρέθηκε"),
              QStringLiteral("The database file does not exist: "));
    } else {
        // A server that does not listen.
        Connection refused;
        refused.Provider = db.provider();
        refused.ConnectionTimeout = 2;
        QVERIFY(!refused.Open(QStringLiteral("server=127.0.0.1:1;database=postgres;"), db.user()));
        check(refused.LastErrorText(), QStringLiteral("Ο διακομιστής της βάσης δεδομένων δεν απαντά"),
              QStringLiteral("Connection refused"));
    }
    // What the server says while it starts (no test makes it say so on cue).
    QVERIFY(DbMessages::Explained(QStringLiteral("FATAL:  the database system is starting up"))
                .startsWith(QStringLiteral("Ο διακομιστής της βάσης δεδομένων ξεκινά")));
}

namespace {
const QString kReadOnlyMedium =
    QStringLiteral("Η βάση δεδομένων βρίσκεται σε δίσκο που είναι μόνο για ανάγνωση");
const QString kReadOnlyFolder = QStringLiteral("Ο φάκελος της βάσης δεδομένων είναι μόνο για ανάγνωση");
const QString kCannotOpen =
    QStringLiteral("Το αρχείο της βάσης δεδομένων υπάρχει, αλλά δεν ήταν δυνατό να ανοιχτεί");
const QString kNotFound = QStringLiteral("Το αρχείο της βάσης δεδομένων δεν βρέθηκε");
const QString kReadOnlyFile =
    QStringLiteral("Η βάση δεδομένων είναι μόνο για ανάγνωση και η αλλαγή δεν αποθηκεύτηκε");
const QString kDiskFull = QStringLiteral("Ο δίσκος της βάσης δεδομένων γέμισε");

// The child of readOnlyPlaces: opens the register and reads it, and prints how that went.
int openRegister(const QString& path) {
    Connection c;
    c.Provider = QStringLiteral("SQLite");
    const bool ok =
        c.Open(QStringLiteral("database=") + path) && c.Execute(QStringLiteral("SELECT count(*) FROM T"));
    printf("%s\n", ok ? "read" : qPrintable(c.LastErrorText().replace(QLatin1Char('\n'), QLatin1Char(' '))));
    return 0;
}
}  // namespace

// An SQLite register whose file cannot be opened or written is told apart by where it lies.
void tst_Database::fileFailuresByPlace_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("mediumReadOnly");
    QTest::addColumn<QString>("sentence");
    const QString cantOpen = QStringLiteral("unable to open database file (14)");
    const QString readOnly = QStringLiteral("attempt to write a readonly database (8)");
    const QString folder = QStringLiteral("attempt to write a readonly database (1544)");
    QTest::newRow("cannot open, read-only medium") << cantOpen << true << true << kReadOnlyMedium;
    QTest::newRow("cannot open, file there") << cantOpen << true << false << kCannotOpen;
    QTest::newRow("cannot open, no file") << cantOpen << false << false << kNotFound;
    QTest::newRow("read-only folder") << folder << true << false << kReadOnlyFolder;
    QTest::newRow("read-only file") << readOnly << true << false << kReadOnlyFile;
    QTest::newRow("read-only file, read-only medium") << readOnly << true << true << kReadOnlyMedium;
    QTest::newRow("full disk, read-only medium")
        << QStringLiteral("database or disk is full (13)") << true << true << kDiskFull;
}

void tst_Database::fileFailuresByPlace() {
    QFETCH(QString, driver);
    QFETCH(bool, exists);
    QFETCH(bool, mediumReadOnly);
    QFETCH(QString, sentence);
    const QString text = DbMessages::Explained(driver, DbMessages::FileFacts{exists, mediumReadOnly});
    QVERIFY2(text.startsWith(sentence), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("\r\n") + DbMessages::AdministratorLine() + driver),
             qPrintable(text));
}

// The same with real places: a register on a file system mounted read-only (in a mount namespace
// of its own), and one in a folder its user may not write to (as another user when run as root).
void tst_Database::readOnlyPlaces() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("source.db"));
    {
        QFile(source).open(QIODevice::WriteOnly);
        Connection c;
        c.Provider = QStringLiteral("SQLite");
        QVERIFY(c.Open(QStringLiteral("database=") + source));
        Recordset mode;
        QVERIFY(mode.Open(QStringLiteral("PRAGMA journal_mode = WAL"),
                          std::shared_ptr<Connection>(&c, [](Connection*) {})));
        mode.Close();
        QVERIFY(c.Execute(QStringLiteral("CREATE TABLE T (A int)")));
        c.Close();
    }
    const QString self = QCoreApplication::applicationFilePath();
    const auto child = [](const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(30000) || p.exitCode() != 0) return QString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };

    // The medium: the register copied into a tmpfs that is then made read-only.
    const QString medium = dir.filePath(QStringLiteral("medium"));
    QVERIFY(QDir().mkpath(medium));
    const QString shown =
        QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty()
            ? QString()
            : child(QStringLiteral("unshare"),
                    {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                     QStringLiteral("mount -t tmpfs none \"$1\" && cp \"$2\" \"$1/r.db\" && "
                                    "mount -o remount,ro \"$1\" && exec \"$3\" --open-register \"$1/r.db\""),
                     QStringLiteral("sh"), medium, source, self});
    if (shown.isEmpty()) {
        qWarning("no mount namespace here: the read-only medium is not tried");
    } else {
        QVERIFY2(shown.startsWith(kReadOnlyMedium), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("unable to open database file")), qPrintable(shown));
    }

    // The folder.
    const QString folder = dir.filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkpath(folder));
    const QString inFolder = folder + QStringLiteral("/r.db");
    QVERIFY(QFile::copy(source, inFolder));
    QVERIFY(QFile::setPermissions(inFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                QFile::ReadOther | QFile::WriteOther));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ExeGroup | QFile::ExeOther));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    QString fromFolder;
    if (geteuid() != 0) {
        Connection c;
        c.Provider = QStringLiteral("SQLite");
        const bool ok = c.Open(QStringLiteral("database=") + inFolder) &&
                        c.Execute(QStringLiteral("SELECT count(*) FROM T"));
        fromFolder = ok ? QStringLiteral("read") : c.LastErrorText();
    } else if (!QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty()) {
        fromFolder = child(QStringLiteral("runuser"),
                           {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"), self,
                            QStringLiteral("--open-register"), inFolder});
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (fromFolder.isEmpty()) QSKIP("no other user to try the read-only folder as");
    QVERIFY2(fromFolder.startsWith(kReadOnlyFolder), qPrintable(fromFolder));
    QVERIFY2(fromFolder.contains(QStringLiteral("readonly database")), qPrintable(fromFolder));
}

void tst_Database::recordsetWalk() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(createT(db));
    Recordset rs;
    QCOMPARE(rs.RecordCount(), -1);
    QVERIFY(rs.Eof() && rs.Bof());
    QVERIFY(rs.Open("SELECT ID, NAME FROM T ORDER BY ID", c));
    QCOMPARE(rs.RecordCount(), 5);
    QCOMPARE(rs.AbsolutePosition(), 1);
    QVERIFY(!rs.Eof() && !rs.Bof());
    int seen = 0;
    for (; !rs.Eof(); rs.MoveNext()) ++seen;
    QCOMPARE(seen, 5);
    QCOMPARE(rs.AbsolutePosition(), 0);
    rs.MoveNext();  // stays at the end
    QVERIFY(rs.Eof());
    rs.MoveLast();
    QCOMPARE(rs.Value("ID").toInt(), 5);
    rs.Move(-10);
    QVERIFY(rs.Bof());
    rs.SetAbsolutePosition(3);
    QCOMPARE(rs.Value(0).toInt(), 3);
    rs.MovePrevious();
    rs.MovePrevious();
    rs.MovePrevious();
    QVERIFY(rs.Bof());
    QCOMPARE(rs.ValueAt(4, 1).toString(), QString("δέλτα"));
    QVERIFY(!rs.ValueAt(5, 1).isValid());

    // Requery sees rows written since, and starts over.
    QVERIFY(c->Execute("INSERT INTO T (NAME) VALUES ('έψιλον')"));
    rs.MoveLast();
    QVERIFY(rs.Requery());
    QCOMPARE(rs.RecordCount(), 6);
    QCOMPARE(rs.AbsolutePosition(), 1);

    QVERIFY(rs.Open("SELECT ID FROM T WHERE ID < 0", c));
    QCOMPARE(rs.RecordCount(), 0);
    QVERIFY(rs.Eof() && rs.Bof());
    QVERIFY(!rs.Value(0).isValid());
    rs.Close();
    QVERIFY(!rs.IsOpen());
    QCOMPARE(rs.RecordCount(), -1);
}

void tst_Database::recordsetValues() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(createT(db));
    Recordset rs;
    QVERIFY(rs.Open("SELECT ID, NAME, D, TS FROM T ORDER BY ID", c));
    // Names match without regard to case (PostgreSQL reports them in lower case).
    QCOMPARE(rs.FieldIndex("name"), 1);
    QCOMPARE(rs.FieldIndex("Ts"), 3);
    QCOMPARE(rs.FieldIndex("nothing"), -1);
    QVERIFY(!rs.Value("nothing").isValid());

    QCOMPARE(rs.Value("NAME").toString(), QString("Άλφα"));
    QCOMPARE(rs.Value("D").metaType().id(), int(QMetaType::QDate));
    QCOMPARE(rs.Value("D").toDate(), QDate(2026, 12, 10));
    QCOMPARE(rs.Value("TS").metaType().id(), int(QMetaType::QDateTime));
    QCOMPARE(rs.Value("TS").toDateTime(), QDateTime(QDate(2026, 12, 10), QTime(9, 42)));
    rs.SetAbsolutePosition(3);
    QCOMPARE(rs.Value("TS").toDateTime(), QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)));
    rs.SetAbsolutePosition(4);
    for (int i = 1; i < 4; ++i) {
        QVERIFY2(rs.Value(i).isNull(), qPrintable(rs.FieldName(i)));
        QVERIFY(!rs.Value(i).isValid());
    }
}

void tst_Database::recordsetFind() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(createT(db));
    Recordset rs;
    QVERIFY(rs.Open("SELECT ID, NAME, D FROM T ORDER BY ID", c));
    QVERIFY(rs.Find("NAME = 'ΒΗΤΑ'"));
    QCOMPARE(rs.Value("ID").toInt(), 2);
    QVERIFY(rs.Find("ID > 2"));
    QCOMPARE(rs.Value("ID").toInt(), 3);
    // Skipping the current row finds the next one.
    QVERIFY(rs.Find("ID >= 3", 1));
    QCOMPARE(rs.Value("ID").toInt(), 4);
    QVERIFY(rs.Find("NAME LIKE 'Δ*'"));
    QCOMPARE(rs.Value("ID").toInt(), 5);
    QVERIFY(rs.Find("ID < 3", 0, false));
    QCOMPARE(rs.Value("ID").toInt(), 2);
    QVERIFY(rs.Find("D = #2026-12-10#", 0, false));
    QCOMPARE(rs.Value("ID").toInt(), 1);
    QVERIFY(!rs.Find("ID = 2", 1, false));
    QVERIFY(rs.Bof());
    rs.MoveFirst();
    QVERIFY(!rs.Find("NAME = 'ωμέγα'"));
    QVERIFY(rs.Eof());
    QVERIFY(!Err().Pending());
    QVERIFY(!rs.Find("NO_SUCH = 1"));
    QCOMPARE(Err().Number, ErrNo::InvalidUse);
}

void tst_Database::topIsAdapted() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(createT(db));
    Recordset rs;
    QVERIFY(rs.Open("Select top 2 NAME From T order by ID;", c));
    QCOMPARE(rs.RecordCount(), 2);
    QVERIFY(c->Execute("select top 1 ID from T"));
}

void tst_Database::insertedKey() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE NUMS (ID " + autoKey(db.backend()) + ", V VARCHAR(10))"));
    QVERIFY(c->Execute("CREATE TABLE CODES (PCODE VARCHAR(10) PRIMARY KEY, PVAL VARCHAR(10))"));
    QVERIFY(c->Execute("CREATE TABLE LINKS (PR_ID INTEGER, TM_ID INTEGER)"));

    QVERIFY(c->Execute("INSERT INTO NUMS (V) VALUES ('a'), ('b')"));
    const QVariant id = DBHelper::InsertRec(c, "NUMS", 0, "", "V", "'c'", {});
    QCOMPARE(id.toInt(), 3);
    QCOMPARE(DBHelper::InsertRec(c, "nums", 0, "", "", "", {"V='d'"}).toInt(), 4);

    QCOMPARE(DBHelper::InsertRec(c, "CODES", 0, "", "PCODE,PVAL", "'PFOLD','x'", {}).toString(),
             QString("PFOLD"));
    // No key column: the row is still reported as inserted.
    const QVariant link = DBHelper::InsertRec(c, "LINKS", 0, "", "PR_ID,TM_ID", "1,2", {});
    QVERIFY(!link.isNull());
    QCOMPARE(count(c, "LINKS"), 1);

    // A duplicate key fails: null, with the error kept.
    DBHelper::SetLastError(QString());
    QVERIFY(DBHelper::InsertRec(c, "CODES", 0, "", "PCODE", "'PFOLD'", {}).isNull());
    QVERIFY(!DBHelper::LastError().isEmpty());
    QCOMPARE(Err().Number, ErrNo::DbCommandFailed);
    QVERIFY(DBHelper::InsertRec(c, "NO_SUCH", 0, "", "A", "1", {}).isNull());
}

void tst_Database::twoConnections() {
    TEST_DATABASE(db);
    const ConnectionPtr a = db.conn();
    const ConnectionPtr b = db.openAnother();
    QVERIFY(b->IsOpen());
    QVERIFY(a->database().connectionName() != b->database().connectionName());
    QVERIFY(a->Execute("CREATE TABLE K (ID INTEGER)"));
    QVERIFY(a->BeginTrans());
    QVERIFY(a->Execute("INSERT INTO K VALUES (1)"));
    QCOMPARE(count(b, "K"), 0);  // not before the commit
    QVERIFY(a->CommitTrans());
    QCOMPARE(count(b, "K"), 1);
    QVERIFY(b->Execute("INSERT INTO K VALUES (2)"));
    QCOMPARE(count(a, "K"), 2);
}

void tst_Database::secondSqliteWriterWaits() {
    TestDatabase db(Backend::SQLite);
    QVERIFY(db.ok());
    QVERIFY(db.conn()->BeginTrans());
    Connection other;
    other.Provider = db.provider();
    other.CommandTimeout = 1;
    QVERIFY(other.Open(db.connStr()));
    QElapsedTimer clock;
    clock.start();
    // The write lock is taken at the begin, so the second writer waits there and then gives up.
    QVERIFY(!other.BeginTrans());
    QVERIFY(clock.elapsed() >= 900);
    QVERIFY(!other.InTransaction());
    QVERIFY(db.conn()->CommitTrans());
    QVERIFY(other.BeginTrans());
    QVERIFY(other.RollbackTrans());
}

void tst_Database::sqliteGreekCollationAndLike() {
    TestDatabase db(Backend::SQLite);
    QVERIFY(db.ok());
    const ConnectionPtr c = db.conn();
    QVERIFY(
        c->Execute(QString("CREATE TABLE G (ID INTEGER, NAME VARCHAR(20) COLLATE %1)").arg(kGreekCollation)));
    QVERIFY(
        c->Execute("INSERT INTO G VALUES (1, 'βήτα'), (2, 'Άλφα'), (3, 'ΓΑΜΜΑ'), (4, 'αλφα'), (5, NULL)"));
    Recordset rs;
    QVERIFY(rs.Open("SELECT ID FROM G WHERE NAME = 'ΑΛΦΑ' ORDER BY ID", c));
    QCOMPARE(rs.RecordCount(), 2);
    QVERIFY(rs.Open("SELECT count(DISTINCT NAME) FROM G", c));
    QCOMPARE(rs.Value(0).toInt(), 3);
    QVERIFY(rs.Open("SELECT NAME FROM G WHERE NAME IS NOT NULL ORDER BY NAME, ID", c));
    QStringList order;
    for (; !rs.Eof(); rs.MoveNext()) order << rs.Value(0).toString();
    QCOMPARE(order, QStringList({"Άλφα", "αλφα", "βήτα", "ΓΑΜΜΑ"}));
    // LIKE ignores case and accents on any column; NULL matches nothing.
    QVERIFY(rs.Open("SELECT ID FROM G WHERE ID || NAME LIKE '%ΛΦ%' ORDER BY ID", c));
    QCOMPARE(rs.RecordCount(), 2);
    QVERIFY(rs.Open("SELECT count(*) FROM G WHERE NAME LIKE '%'", c));
    QCOMPARE(rs.Value(0).toInt(), 4);
    QVERIFY(!rs.Open("SELECT ID FROM G WHERE NAME LIKE 'a' ESCAPE '!!'", c));
    // A non-ASCII escape: the wildcards stay wildcards, and the escaped one is taken literally.
    QVERIFY(c->Execute("INSERT INTO G VALUES (6, 'α%β'), (7, 'ά')"));
    const auto ids = [&](const QString& where) {
        QList<int> found;
        if (!rs.Open("SELECT ID FROM G WHERE " + where + " ORDER BY ID", c)) return QList<int>{-1};
        for (; !rs.Eof(); rs.MoveNext()) found << rs.Value(0).toInt();
        return found;
    };
    QCOMPARE(ids("NAME LIKE '%' ESCAPE 'ά'"), (QList<int>{1, 2, 3, 4, 6, 7}));
    QCOMPARE(ids("NAME LIKE '%ά%%' ESCAPE 'ά'"), QList<int>{6});
    QCOMPARE(ids("NAME LIKE 'Α_Β' ESCAPE 'ά'"), QList<int>{6});
    QCOMPARE(ids("NAME LIKE 'άά' ESCAPE 'ά'"), QList<int>{7});
}

// The program's PostgreSQL sessions plan without parallel workers, except while whole tables are
// read; a session whose setting cannot be put back is opened again, serial.
void tst_Database::postgresSessionSerial() {
    if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG is not set");
    TestDatabase db(Backend::PostgreSQL);
    QVERIFY(db.ok());
    const ConnectionPtr c = db.conn();
    const auto setting = [&](const char* sql) {
        Recordset rs;
        return rs.Open(sql, c) ? rs.Value(0).toString() : QStringLiteral("failed");
    };
    const auto workers = [&] { return setting("SHOW max_parallel_workers_per_gather"); };
    const QString serverDefault =
        setting("SELECT reset_val FROM pg_settings WHERE name = 'max_parallel_workers_per_gather'");
    QVERIFY(serverDefault != "0" && serverDefault != "failed");
    QCOMPARE(workers(), QString("0"));
    {
        const ParallelReads parallel(c);
        QCOMPARE(workers(), serverDefault);
    }
    QCOMPARE(workers(), QString("0"));

    QVERIFY(c->AllowParallelReads(true));
    c->InjectFault(1, Connection::Fault::FailStatement, Connection::Point::Statement);
    QVERIFY(!c->AllowParallelReads(false));
    QCOMPARE(workers(), QString("0"));
    QVERIFY(!c->Lost());
}

void tst_Database::postgresCommandTimeout() {
    if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG is not set");
    TestDatabase db(Backend::PostgreSQL);
    QVERIFY(db.ok());
    Connection c;
    c.Provider = db.provider();
    c.CommandTimeout = 1;
    QVERIFY(c.Open(db.connStr(), db.user()));
    QVERIFY(c.Execute("SELECT pg_sleep(0.2)"));
    QVERIFY(!c.Execute("SELECT pg_sleep(3)"));
    QCOMPARE(Err().Number, ErrNo::DbCommandFailed);
    QVERIFY(c.Execute("SELECT 1"));
}

int main(int argc, char* argv[]) {
    if (argc > 2 && qstrcmp(argv[1], "--open-register") == 0) {
        QCoreApplication app(argc, argv);
        return openRegister(QString::fromLocal8Bit(argv[2]));
    }
    TESTLIB_SELFCOVERAGE_START("tst_Database")
    QTest::Internal::callInitMain<tst_Database>();
    QCoreApplication app(argc, argv);
    tst_Database tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_database.moc"
