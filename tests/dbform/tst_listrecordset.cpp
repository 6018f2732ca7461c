#include <QDate>
#include <QDateTime>
#include <QTest>

#include "Err.h"
#include "ListRecordset.h"
#include "Recordset.h"
#include "RegisterDatabase.h"

namespace {

constexpr int kEntries = 14;

const char* const kJoined =
    "SELECT P.*, EIS.CODE as EIS_TYPOS_CODE FROM PROTOCOL P LEFT JOIN L_TYPOI EIS ON EIS.ID = P.EIS_TYPOS_ID"
    " WHERE P.MODFLAG<>'D'";

// kEntries entries three days apart from 20/12/2025, so over two years (IDs 1..kEntries): NULL
// dates and types in some, date-times in others, every fifth one soft-deleted.
bool fillRegister(const ConnectionPtr& c) {
    for (const char* code : {"ΕΓΓ", "FAX", "EMAIL"})
        if (!c->Execute(
                QStringLiteral("INSERT INTO L_TYPOI (CODE, DESCR, MODUSER) VALUES ('%1', 'Τύπος %1', 1)")
                    .arg(QString::fromUtf8(code))))
            return false;
    Recordset types;
    if (!types.Open(QStringLiteral("SELECT ID FROM L_TYPOI ORDER BY ID"), c) || types.RecordCount() < 3)
        return false;
    for (int i = 0; i < kEntries; ++i) {
        const QDate day = QDate(2025, 12, 20).addDays(3 * i);
        const QString type = i % 4 == 3 ? QStringLiteral("NULL") : types.ValueAt(i % 3, 0).toString();
        const QString eis = i % 2 ? QStringLiteral("'%1'").arg(day.addDays(-1).toString(Qt::ISODate))
                                  : QStringLiteral("NULL");
        const QString diekp = i % 3 == 0 ? QStringLiteral("'%1 09:%2:00'")
                                               .arg(day.toString(Qt::ISODate))
                                               .arg(i, 2, 10, QLatin1Char('0'))
                                         : QStringLiteral("NULL");
        const QString sql =
            QStringLiteral(
                "INSERT INTO PROTOCOL (HMEROM, HMER_EIS, HMER_DIEKP, APO, EIS_TYPOS_ID, THEMA, MODUSER)"
                " VALUES ('%1', %2, %3, 'Δήμος ''%4''', %5, 'Θέμα %4', 1)")
                .arg(day.toString(Qt::ISODate), eis, diekp)
                .arg(i)
                .arg(type);
        if (!c->Execute(sql)) return false;
    }
    return c->Execute(QStringLiteral("UPDATE PROTOCOL SET MODFLAG = 'D' WHERE ID % 5 = 0"));
}

// Every value of every row, as the reference snapshot holds it (type included: dates stay dates).
void compareRows(const ListRecordset& list, const Recordset& ref, const QList<int>& rows) {
    for (int r : rows)
        for (int f = 0; f < ref.FieldCount(); ++f) {
            const QVariant got = list.value(r, f), want = ref.ValueAt(r, f);
            if (got.typeId() != want.typeId() || got != want)
                QFAIL(
                    qPrintable(QStringLiteral("row %1 %2: %3 (%4), expected %5 (%6)")
                                   .arg(r)
                                   .arg(ref.FieldName(f), got.toString(), QString::fromLatin1(got.typeName()),
                                        want.toString(), QString::fromLatin1(want.typeName()))));
        }
}

}  // namespace

class tst_ListRecordset : public QObject {
    Q_OBJECT
private slots:
    void init() { Err().Clear(); }
    void statementTexts_data();
    void statementTexts();
    void unconditioned_data();
    void unconditioned();
    void firstKeysFirst_data();
    void firstKeysFirst();
    void listChangedBetweenReads_data() { TestDatabase::addBackendRows(); }
    void listChangedBetweenReads();
    void blocksKeepNoCondition_data() { TestDatabase::addBackendRows(); }
    void blocksKeepNoCondition();
    void keyListedTwice_data() { TestDatabase::addBackendRows(); }
    void keyListedTwice();
    void sameAsRecordset_data();
    void sameAsRecordset();
    void rowOfKey_data();
    void rowOfKey();
    void changesByAnotherUser_data() { TestDatabase::addBackendRows(); }
    void changesByAnotherUser();
    void walkFallsBack_data() { TestDatabase::addBackendRows(); }
    void walkFallsBack();
    void emptyResult_data() { TestDatabase::addBackendRows(); }
    void emptyResult();
    void withoutKeyColumn_data() { TestDatabase::addBackendRows(); }
    void withoutKeyColumn();
    void blockFailure_data() { TestDatabase::addBackendRows(); }
    void blockFailure();
    void failing_data();
    void failing();
};

void tst_ListRecordset::statementTexts_data() {
    // SQL Server runs them as written; the others after the dialect's rewrite of TOP.
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    const QString st = QStringLiteral("SELECT * FROM PROTOCOL WHERE ETOS=2026");
    const SqlDialect& mssql = SqlDialect::forBackend(Backend::SqlServer);
    const SqlDialect& lite = SqlDialect::forBackend(Backend::SQLite);
    QTest::newRow("keys")
        << ListRecordset::KeySql(st, "ID", "PROT_AA", 20000)
        << "SELECT TOP 20000 ID FROM (SELECT * FROM PROTOCOL WHERE ETOS=2026) q ORDER BY PROT_AA, ID";
    QTest::newRow("keys, ordered by the key already")
        << ListRecordset::KeySql(st, "ID", "PROT_AA, P.id DESC", 5)
        << "SELECT TOP 5 ID FROM (SELECT * FROM PROTOCOL WHERE ETOS=2026) q ORDER BY PROT_AA, P.id DESC";
    QTest::newRow("keys, no limit, no order") << ListRecordset::KeySql(st + " ;", "ID", "", 0)
                                              << "SELECT ID FROM (SELECT * FROM PROTOCOL WHERE ETOS=2026) q";
    QTest::newRow("keys on SQLite")
        << lite.adapt(ListRecordset::KeySql(st, "ID", "ETOS, PROT_AA", 50))
        << "SELECT ID FROM (SELECT * FROM PROTOCOL WHERE ETOS=2026) q ORDER BY ETOS, "
           "PROT_AA, ID LIMIT 50";
    QTest::newRow("snapshot")
        << ListRecordset::SnapshotSql(st, "PROT_AA DESC", 7)
        << "SELECT TOP 7 * FROM (SELECT * FROM PROTOCOL WHERE ETOS=2026) q ORDER BY PROT_AA DESC";
    QTest::newRow("snapshot, no limit") << ListRecordset::SnapshotSql(st, "", -1)
                                        << "SELECT * FROM (SELECT * FROM PROTOCOL WHERE ETOS=2026) q";
    QTest::newRow("numeric keys") << ListRecordset::BlockSql(st, "ID", {3, qlonglong(10), 2.0, 2.5}, mssql)
                                  << "SELECT * FROM (SELECT * FROM PROTOCOL) q WHERE ID IN (3,10,2,2.5)";
    QTest::newRow("text keys") << ListRecordset::BlockSql(st, "CODE",
                                                          {QStringLiteral("Α'Β"), QVariant(), "7"}, mssql)
                               << "SELECT * FROM (SELECT * FROM PROTOCOL) q WHERE CODE IN (N'Α''Β',N'7')";
    QTest::newRow("keys joined on SQLite") << ListRecordset::BlockSql(st, "ID", {3, 10, 3.0}, lite)
                                           << "SELECT q.* FROM (VALUES (3),(10)) list_keys CROSS JOIN "
                                              "(SELECT * FROM PROTOCOL) q "
                                              "WHERE q.ID = list_keys.column1";
    QTest::newRow("no key to ask for on SQLite")
        << ListRecordset::BlockSql(st, "ID", {}, lite)
        << "SELECT q.* FROM (VALUES (NULL)) list_keys CROSS JOIN (SELECT * FROM PROTOCOL) q "
           "WHERE q.ID = list_keys.column1";
    QTest::newRow("some columns") << ListRecordset::BlockSql(st, "ID", {3}, mssql, {"THEMA", "id"})
                                  << "SELECT q.ID, q.THEMA FROM (SELECT * FROM PROTOCOL) q WHERE ID IN (3)";
    QTest::newRow("some columns on SQLite")
        << ListRecordset::BlockSql(st, "ID", {3}, lite, {"THEMA"})
        << "SELECT q.ID, q.THEMA FROM (VALUES (3)) list_keys CROSS JOIN (SELECT * FROM PROTOCOL) q "
           "WHERE q.ID = list_keys.column1";
    QTest::newRow("no key to ask for") << ListRecordset::BlockSql(st, "ID", {QVariant()}, mssql)
                                       << "SELECT * FROM (SELECT * FROM PROTOCOL) q WHERE ID IN (NULL)";
    const SqlDialect& pg = SqlDialect::forBackend(Backend::PostgreSQL);
    QTest::newRow("whole-number keys as one array on PostgreSQL")
        << ListRecordset::BlockSql(st, "ID", {3, qlonglong(10), 3, -4}, pg, {"THEMA"})
        << "SELECT q.ID, q.THEMA FROM (SELECT * FROM PROTOCOL) q WHERE ID = ANY('{3,10,-4}')";
    QTest::newRow("other keys listed on PostgreSQL")
        << ListRecordset::BlockSql(st, "ID", {3, 2.5, QStringLiteral("3")}, pg)
        << "SELECT * FROM (SELECT * FROM PROTOCOL) q WHERE ID IN (3,2.5,'3')";
}

void tst_ListRecordset::unconditioned_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no condition") << "SELECT * FROM PROTOCOL;"
                                  << "SELECT * FROM PROTOCOL";
    QTest::newRow("sub-selects stay in their brackets")
        << "SELECT P.*, (SELECT MAX(ID) FROM L_TYPOI WHERE ID = 1) X FROM PROTOCOL P LEFT JOIN L_TYPOI EIS "
           "ON "
           "EIS.ID = P.EIS_TYPOS_ID WHERE P.ID in (select PR_ID FROM R_YPEYTH WHERE TM_ID IN (1,2)) AND "
           "ETOS=2026"
        << "SELECT P.*, (SELECT MAX(ID) FROM L_TYPOI WHERE ID = 1) X FROM PROTOCOL P LEFT JOIN L_TYPOI EIS "
           "ON "
           "EIS.ID = P.EIS_TYPOS_ID";
    QTest::newRow("quoted words are no clause")
        << "SELECT 'a WHERE b' AS \"where\", [group] FROM T -- where\nwhere x = ') union ('"
        << "SELECT 'a WHERE b' AS \"where\", [group] FROM T -- where";
    QTest::newRow("lower case") << "select * from PROTOCOL where ETOS=2026"
                                << "select * from PROTOCOL";
    // The rows would not be the same without their condition, or the condition is not alone.
    QTest::newRow("grouped") << "SELECT ETOS, MAX(ID) ID FROM PROTOCOL WHERE ETOS>1 GROUP BY ETOS"
                             << "";
    QTest::newRow("top") << "SELECT TOP 5 * FROM PROTOCOL WHERE ETOS=1"
                         << "";
    QTest::newRow("union") << "SELECT ID FROM A WHERE X=1 UNION SELECT ID FROM B"
                           << "";
    QTest::newRow("ordered") << "SELECT * FROM PROTOCOL WHERE ETOS=1 ORDER BY ID"
                             << "";
    QTest::newRow("not a select") << "EXEC something WHERE"
                                  << "";
    QTest::newRow("tables joined by the condition")
        << "SELECT P.ID, T.CODE FROM PROTOCOL P, L_TYPOI T WHERE T.ID = P.EIS_TYPOS_ID"
        << "";
    QTest::newRow("commas elsewhere") << "SELECT A, B FROM T WHERE X IN (1, 2) AND Y = 'a,b'"
                                      << "SELECT A, B FROM T";
}

void tst_ListRecordset::unconditioned() {
    QFETCH(QString, statement);
    QFETCH(QString, expected);
    QCOMPARE(ListRecordset::Unconditioned(statement), expected);
}

void tst_ListRecordset::statementTexts() {
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    QCOMPARE(sql, expected);
}

void tst_ListRecordset::sameAsRecordset_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("order");
    QTest::addColumn<int>("maxRows");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<bool>("inTransaction");
    for (const Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(tag + " " + name)) << tag;
        };
        row("whole register") << "SELECT * FROM PROTOCOL"
                              << "ETOS DESC, PROT_AA DESC" << 0
                              << "SELECT * FROM PROTOCOL ORDER BY ETOS DESC, PROT_AA DESC" << false;
        row("joined, aliased") << kJoined << "HMEROM" << 20000 << QString(kJoined) + " ORDER BY HMEROM"
                               << false;
        row("cut at maxRows")
            << "SELECT * FROM PROTOCOL WHERE (ETOS=2026) AND ((MODFLAG<>'D'))"
            << "PROT_AA" << 4
            << "SELECT TOP 4 * FROM PROTOCOL WHERE (ETOS=2026) AND ((MODFLAG<>'D')) ORDER BY PROT_AA"
            << false;
        // PostgreSQL runs each statement under a savepoint there.
        row("in a transaction") << kJoined << "HMEROM DESC" << 0 << QString(kJoined) + " ORDER BY HMEROM DESC"
                                << true;
    }
}

void tst_ListRecordset::sameAsRecordset() {
    QFETCH(QString, statement);
    QFETCH(QString, order);
    QFETCH(int, maxRows);
    QFETCH(QString, reference);
    QFETCH(bool, inTransaction);
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    if (inTransaction) QVERIFY(db.conn()->BeginTrans());
    Recordset ref;
    QVERIFY(ref.Open(reference, db.conn()));
    QVERIFY(ref.RecordCount() > 3);

    ListRecordset list({.blockSize = 3, .keptBlocks = 2});
    QVERIFY2(list.Open(db.conn(), statement, "ID", order, maxRows), qPrintable(Err().Description));
    QVERIFY(list.keyed());
    QCOMPARE(list.blocksRead(), 1);  // the first block, for the field names
    QCOMPARE(list.rowCount(), ref.RecordCount());
    QCOMPARE(list.fieldCount(), ref.FieldCount());
    for (int f = 0; f < ref.FieldCount(); ++f) QCOMPARE(list.fieldName(f), ref.FieldName(f));
    QCOMPARE(list.fieldIndex("hmerom"), ref.FieldIndex("HMEROM"));
    for (int r = 0; r < ref.RecordCount(); ++r) QCOMPARE(list.key(r), ref.ValueAt(r, ref.FieldIndex("ID")));

    // Forward, each row read once, more blocks to a statement as it goes; then back: the early
    // blocks were dropped and are read again, one to a statement.
    QList<int> rows;
    for (int r = 0; r < ref.RecordCount(); ++r) rows << r;
    compareRows(list, ref, rows);
    const int blocks = (ref.RecordCount() + 2) / 3;
    QCOMPARE(list.rowsRead(), qint64(ref.RecordCount()));
    const int forward = list.blocksRead();
    QCOMPARE(forward, 1 + (blocks - 1 + 1) / 2);
    std::reverse(rows.begin(), rows.end());
    compareRows(list, ref, rows);
    QCOMPARE(list.blocksRead(), forward + qMax(0, blocks - 2));
    QVERIFY(list.mostRowsHeld() <= 6);
    QCOMPARE(list.rowsRead(), qint64(ref.RecordCount() + 3 * qMax(0, blocks - 2)));
    QCOMPARE(list.value(0, ref.FieldIndex("HMEROM")).typeId(), QMetaType::QDate);
    QVERIFY(!list.value(-1, 0).isValid());
    QVERIFY(!list.value(ref.RecordCount(), 0).isValid());
    QVERIFY(!list.value(0, ref.FieldCount()).isValid());
    QVERIFY(!Err().Pending());
    if (inTransaction) QVERIFY(db.conn()->CommitTrans());
}

void tst_ListRecordset::rowOfKey_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QVariant>("key");
    QTest::addColumn<int>("row");
    // Listed by ID DESC: ID n stands in row kEntries - n.
    for (const Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(tag + " " + name)) << tag;
        };
        row("int") << QVariant(5) << kEntries - 5;
        row("long long") << QVariant(qlonglong(kEntries)) << 0;
        row("whole double") << QVariant(1.0) << kEntries - 1;
        row("fraction") << QVariant(1.5) << -1;
        row("absent") << QVariant(kEntries + 1) << -1;
        row("null") << QVariant() << -1;
    }
}

void tst_ListRecordset::rowOfKey() {
    QFETCH(QVariant, key);
    QFETCH(int, row);
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    ListRecordset list({.blockSize = 4, .keptBlocks = 1});
    QVERIFY(list.Open(db.conn(), "SELECT * FROM PROTOCOL", "ID", "ID DESC", 0));
    QCOMPARE(list.rowOfKey(key), row);
    QCOMPARE(list.blocksRead(), 1);  // found without reading rows
}

void tst_ListRecordset::changesByAnotherUser() {
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    ListRecordset list({.blockSize = 3, .keptBlocks = 1});
    QVERIFY(list.Open(db.conn(), "SELECT * FROM PROTOCOL WHERE ETOS=2026", "ID", "PROT_AA", 0));
    const int count = list.rowCount();
    QVERIFY(count > 6);
    const int thema = list.fieldIndex("THEMA");
    const QVariant gone = list.key(4);

    ConnectionPtr other = db.openAnother();
    QVERIFY(other && other->IsOpen());
    QVERIFY(other->Execute("DELETE FROM PROTOCOL WHERE ID = " + gone.toString()));
    QVERIFY(other->Execute("INSERT INTO PROTOCOL (HMEROM, THEMA, MODUSER) VALUES ('2026-12-31', 'Νέο', 1)"));

    // The row's place stays, empty; its neighbours in the same block read as before.
    QVERIFY(!list.fetchRow(4));
    QVERIFY(list.value(4, thema).isNull());
    QCOMPARE(list.key(4), gone);
    QVERIFY(list.fetchRow(3));
    QVERIFY(list.fetchRow(5));
    QVERIFY(!list.value(5, thema).toString().isEmpty());
    QCOMPARE(list.rowCount(), count);
    QVERIFY(!Err().Pending());

    // A walk (the export) gives the list's places: the removed row empty, the rows after it and a
    // changed one as they are stored now.
    QVERIFY(other->Execute("UPDATE PROTOCOL SET THEMA = 'Αλλαγμένο' WHERE ID = " + list.key(6).toString()));
    Recordset stored;
    QVERIFY(stored.Open("SELECT ID, THEMA FROM PROTOCOL", db.conn()));
    QHash<qlonglong, QString> themaOf;
    for (; !stored.Eof(); stored.MoveNext())
        themaOf[stored.Value(0).toLongLong()] = stored.Value(1).toString();
    QStringList walked, expected;
    const int id = list.fieldIndex("ID");
    QVERIFY(list.Walk(
        [&](int row, const QVector<QVariant>& values) {
            walked << QString::number(row) + u':' + values.at(id).toString() + u':' +
                          values.at(thema).toString();
            return true;
        },
        2, {id, thema}));
    for (int r = 0; r < count; ++r) {
        const qlonglong key = list.key(r).toLongLong();
        expected << QString::number(r) + u':' +
                        (r == 4 ? QString() : QString::number(key) + u':' + themaOf.value(key));
        if (r == 4) expected.last() += u':';
    }
    QCOMPARE(walked, expected);
    QVERIFY(!Err().Pending());

    QVERIFY(list.Requery());
    QCOMPARE(list.rowCount(), count);  // one gone, one new
    QCOMPARE(list.rowOfKey(gone), -1);
    QCOMPARE(list.value(count - 1, thema).toString(), QStringLiteral("Νέο"));
    QCOMPARE(list.value(count - 1, list.fieldIndex("HMEROM")).toDate(), QDate(2026, 12, 31));
    for (int r = 0; r < count; ++r) QVERIFY(list.fetchRow(r));
}

void tst_ListRecordset::firstKeysFirst_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("order");
    QTest::addColumn<int>("maxRows");
    QTest::addColumn<QString>("reference");
    for (const Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(tag + " " + name)) << tag;
        };
        // HMEROM DESC ties on no day, MODFLAG on many: the key orders the ties alike in both reads.
        row("by date") << "HMEROM DESC" << 0 << QString(kJoined) + " ORDER BY HMEROM DESC";
        row("ties broken by the key")
            << "MODFLAG, EIS_TYPOS_ID DESC" << 8
            << "SELECT TOP 8 * FROM (" + QString(kJoined) + ") q ORDER BY MODFLAG, EIS_TYPOS_ID DESC, ID";
    }
}

// Open reads the first keys only; whatever needs more reads the rest, and the list is the one a
// single read gives.
void tst_ListRecordset::firstKeysFirst() {
    QFETCH(QString, order);
    QFETCH(int, maxRows);
    QFETCH(QString, reference);
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    Recordset ref;
    QVERIFY(ref.Open(reference, db.conn()));
    QVERIFY(ref.RecordCount() > 4);
    const auto open = [&](ListRecordset& list) {
        QVERIFY2(list.Open(db.conn(), kJoined, "ID", order, maxRows), qPrintable(Err().Description));
        QCOMPARE(list.rowsAvailable(), 3);
        QVERIFY(!list.IsComplete());
        QCOMPARE(list.blocksRead(), 1);
    };
    const ListRecordset::Options options{.blockSize = 2, .keptBlocks = 2, .firstKeys = 3};

    // Each reader that needs the rest, on a list of its own.
    int hooks = 0;
    {
        ListRecordset list(options);
        open(list);
        list.setGrowthHook([&](bool reset) { hooks += reset ? 100 : 1; });
        QCOMPARE(list.value(1, list.fieldIndex("ID")), ref.Value("ID").isNull() ? QVariant() : list.key(1));
        QVERIFY(!list.IsComplete());  // a row among the first needs no more
        QCOMPARE(list.rowCount(), ref.RecordCount());
        QVERIFY(list.IsComplete());
        QCOMPARE(hooks, 1);
        QList<int> rows;
        for (int r = ref.RecordCount() - 1; r >= 0; --r) rows << r;
        compareRows(list, ref, rows);
    }
    {
        ListRecordset list(options);
        open(list);
        QCOMPARE(list.key(ref.RecordCount() - 1), ref.ValueAt(ref.RecordCount() - 1, ref.FieldIndex("ID")));
    }
    {
        ListRecordset list(options);
        open(list);
        QCOMPARE(list.rowOfKey(ref.ValueAt(ref.RecordCount() - 1, ref.FieldIndex("ID"))),
                 ref.RecordCount() - 1);
    }
    {
        ListRecordset list(options);
        open(list);
        // The first block, cut short by the first keys, is whole once the rest is in.
        QVERIFY(list.fetchRow(2));
        QVERIFY(list.fetchRow(3));
        compareRows(list, ref, {3, 2});
    }
    {
        ListRecordset list(options);
        open(list);
        // Only the fields asked for are read; the others stay null.
        const int id = ref.FieldIndex("ID"), date = ref.FieldIndex("HMEROM"), thema = ref.FieldIndex("THEMA");
        QList<QVariant> ids, dates;
        bool others = false;
        QVERIFY(list.Walk(
            [&](int row, const QVector<QVariant>& values) {
                ids << values.at(id);
                dates << values.at(date);
                others = others || !values.at(thema).isNull();
                return row >= 0;
            },
            4, {date, id, date}));
        QCOMPARE(ids.size(), ref.RecordCount());
        QVERIFY(!others);
        for (int r = 0; r < ref.RecordCount(); ++r) {
            QCOMPARE(ids.at(r), ref.ValueAt(r, id));
            QCOMPARE(dates.at(r), ref.ValueAt(r, date));
        }
    }
    QVERIFY(!Err().Pending());
}

// Another user adds a row among the first ones before the rest is read: the list is the new one,
// and its reader is told that the rows moved.
void tst_ListRecordset::listChangedBetweenReads() {
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    ListRecordset list({.blockSize = 2, .keptBlocks = 2, .firstKeys = 2});
    QVERIFY(list.Open(db.conn(), "SELECT * FROM PROTOCOL", "ID", "HMEROM", 0));
    const int count = kEntries;
    QVERIFY(!list.IsComplete());
    ConnectionPtr other = db.openAnother();
    QVERIFY(other && other->IsOpen());
    QVERIFY(
        other->Execute("INSERT INTO PROTOCOL (HMEROM, THEMA, MODUSER) VALUES ('2020-01-01', 'Πρώτο', 1)"));
    int reset = 0, grown = 0;
    list.setGrowthHook([&](bool r) { (r ? reset : grown)++; });
    QVERIFY(list.CompleteKeys());
    QCOMPARE(reset, 1);
    QCOMPARE(grown, 0);
    QCOMPARE(list.rowCount(), count + 1);
    QCOMPARE(list.value(0, list.fieldIndex("THEMA")).toString(), QStringLiteral("Πρώτο"));
    QVERIFY(list.CompleteKeys());  // once only
    QCOMPARE(reset, 1);
}

// The keys decided the rows: a block reads them by key alone, so a row that another user changed
// shows its new values even when they no longer meet the list's condition, and the condition's
// sub-select does not run for the blocks (its table can even be gone).
void tst_ListRecordset::blocksKeepNoCondition() {
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    QVERIFY(db.conn()->Execute("CREATE TABLE PICKED (PR_ID int)"));
    QVERIFY(db.conn()->Execute("INSERT INTO PICKED SELECT ID FROM PROTOCOL WHERE ID % 4 <> 1"));
    const QString statement = QString(kJoined) + " AND P.ID in (select PR_ID FROM PICKED)";
    Recordset ref;
    QVERIFY(ref.Open(statement + " ORDER BY PROT_AA, ID", db.conn()));
    ListRecordset list({.blockSize = 3, .keptBlocks = 1});
    QVERIFY(list.Open(db.conn(), statement, "ID", "PROT_AA", 0));
    QCOMPARE(list.rowCount(), ref.RecordCount());
    QVERIFY(ref.RecordCount() > 6);
    QVERIFY(db.conn()->Execute("DROP TABLE PICKED"));

    ConnectionPtr other = db.openAnother();
    QVERIFY(other && other->IsOpen());
    QVERIFY(other->Execute("UPDATE PROTOCOL SET THEMA = 'Άλλο', MODFLAG = 'D' WHERE ID = " +
                           list.key(5).toString()));
    QList<int> rows;
    for (int r = 0; r < ref.RecordCount(); ++r)
        if (r != 5) rows << r;
    compareRows(list, ref, rows);
    QCOMPARE(list.value(5, list.fieldIndex("THEMA")).toString(), QStringLiteral("Άλλο"));
    QCOMPARE(list.value(5, list.fieldIndex("MODFLAG")).toString(), QStringLiteral("D"));
    QVERIFY(!Err().Pending());
}

// A statement whose rows repeat a key (a join that doubles them): each place gets a row of its own
// key, in blocks that split a key's places and in blocks that hold both.
void tst_ListRecordset::keyListedTwice() {
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    const QString statement =
        "SELECT P.*, D.N FROM PROTOCOL P JOIN (SELECT 1 AS N UNION ALL SELECT 2 AS N) D ON 1=1";
    Recordset ref;
    QVERIFY(ref.Open(statement + " ORDER BY HMEROM, ID", db.conn()));
    QCOMPARE(ref.RecordCount(), 2 * kEntries);
    for (const int size : {3, 4}) {
        ListRecordset list({.blockSize = size, .keptBlocks = 2});
        QVERIFY(list.Open(db.conn(), statement, "ID", "HMEROM", 0));
        QCOMPARE(list.rowCount(), ref.RecordCount());
        const int id = list.fieldIndex("ID"), date = list.fieldIndex("HMEROM");
        for (int r = 0; r < ref.RecordCount(); ++r) {
            QVERIFY2(list.fetchRow(r), qPrintable(QString::number(r)));
            QCOMPARE(list.value(r, id), ref.ValueAt(r, ref.FieldIndex("ID")));
            QCOMPARE(list.value(r, date), ref.ValueAt(r, ref.FieldIndex("HMEROM")));
        }
    }
    QVERIFY(!Err().Pending());
}

void tst_ListRecordset::emptyResult() {
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    Recordset ref;
    QVERIFY(ref.Open(QString(kJoined) + " ORDER BY ID", db.conn()));
    ListRecordset list;
    QVERIFY(list.Open(db.conn(), QString(kJoined) + " AND P.ETOS = 1990", "ID", "PROT_AA", 20000));
    QVERIFY(list.IsOpen());
    QVERIFY(list.keyed());
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(list.fieldCount(), ref.FieldCount());
    QVERIFY(list.fieldIndex("EIS_TYPOS_CODE") >= 0);
    QCOMPARE(list.fieldName(list.fieldCount() - 1), ref.FieldName(ref.FieldCount() - 1));
    QCOMPARE(list.blocksRead(), 0);
    QVERIFY(!list.fetchRow(0));
    QVERIFY(!list.value(0, 0).isValid());
}

void tst_ListRecordset::withoutKeyColumn() {
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    Recordset ref;
    QVERIFY(ref.Open("SELECT TOP 5 THEMA, HMEROM, HMER_EIS FROM PROTOCOL ORDER BY HMEROM DESC", db.conn()));
    ListRecordset list;
    QVERIFY(list.Open(db.conn(), "SELECT THEMA, HMEROM, HMER_EIS FROM PROTOCOL", "ID", "HMEROM DESC", 5));
    QVERIFY(!Err().Pending());
    QVERIFY(!list.keyed());
    QCOMPARE(list.rowCount(), 5);
    QCOMPARE(list.fieldCount(), 3);
    compareRows(list, ref, {0, 1, 2, 3, 4});
    QVERIFY(list.fetchRow(4));
    QVERIFY(!list.fetchRow(5));
    QVERIFY(!list.key(0).isValid());
    QCOMPARE(list.rowOfKey(1), -1);
    QCOMPARE(list.mostRowsHeld(), 5);
    QCOMPARE(list.blocksRead(), 0);
}

// A block that cannot be read fails once and then reads empty; the list is whole again once read anew.
void tst_ListRecordset::blockFailure() {
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    QVERIFY(db.conn()->Execute("CREATE TABLE EXTRA (ID int, NOTE varchar(10))"));
    QVERIFY(db.conn()->Execute("INSERT INTO EXTRA SELECT ID, 'x' FROM PROTOCOL"));
    ListRecordset list(ListRecordset::Options{2, 2});
    QVERIFY(list.Open(db.conn(), "SELECT P.*, E.NOTE FROM PROTOCOL P JOIN EXTRA E ON E.ID = P.ID", "ID", "ID",
                      0));
    QVERIFY(list.rowCount() >= 4);
    const int blocks = list.blocksRead();
    QVERIFY(db.conn()->Execute("DROP TABLE EXTRA"));
    Err().Clear();
    QVERIFY(!list.fetchRow(3));
    QVERIFY(Err().Pending());
    Err().Clear();
    for (int i = 0; i < 5; ++i) QVERIFY(list.value(3, 0).isNull());
    QVERIFY(!list.fetchRow(2));
    QVERIFY(!Err().Pending());  // asked once, not at every read
    QCOMPARE(list.blocksRead(), blocks);
    QVERIFY(list.fetchRow(0));  // a block read before stays
    QVERIFY(!list.Requery());
}

// The walk's one statement fails or loses its connection: the rows come by key, in the list's
// order, and nothing is left pending.
void tst_ListRecordset::walkFallsBack() {
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    for (const auto fault : {Connection::Fault::FailStatement, Connection::Fault::DropConnection}) {
        ListRecordset list({.blockSize = 3, .keptBlocks = 1});
        QVERIFY(list.Open(db.conn(), "SELECT * FROM PROTOCOL", "ID", "PROT_AA", 0));
        QVERIFY(list.CompleteKeys());
        const int id = list.fieldIndex("ID");
        QStringList walked, expected;
        for (int r = 0; r < list.rowCount(); ++r) expected << list.key(r).toString();
        db.conn()->InjectFault(1, fault);
        QVERIFY(list.Walk(
            [&](int, const QVector<QVariant>& v) {
                walked << v.at(id).toString();
                return true;
            },
            2, {id}));
        db.conn()->ClearFault();
        QCOMPARE(walked, expected);
        QVERIFY(!Err().Pending());
    }
}

void tst_ListRecordset::failing_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("order");
    for (const Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        QTest::newRow(qPrintable(tag + " no such table")) << tag << "SELECT * FROM NO_SUCH_TABLE"
                                                          << "ID";
        QTest::newRow(qPrintable(tag + " no such order")) << tag << "SELECT * FROM PROTOCOL"
                                                          << "NO_SUCH_COLUMN";
    }
}

void tst_ListRecordset::failing() {
    QFETCH(QString, statement);
    QFETCH(QString, order);
    TEST_REGISTER(db);
    QVERIFY(fillRegister(db.conn()));
    ListRecordset list;
    QVERIFY(list.Open(db.conn(), "SELECT * FROM PROTOCOL", "ID", "ID", 0));
    QVERIFY(!list.Open(db.conn(), statement, "ID", order, 100));
    QVERIFY(Err().Pending());
    QCOMPARE(Err().Number, ErrNo::DbCommandFailed);
    QVERIFY(!list.IsOpen());
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(list.fieldCount(), 0);
    QVERIFY(!list.value(0, 0).isValid());
    QVERIFY(!list.fetchRow(0));
    QVERIFY(!list.key(0).isValid());
}

QTEST_MAIN(tst_ListRecordset)
#include "tst_listrecordset.moc"
