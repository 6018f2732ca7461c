#include <QTest>

#include "FieldCondBuilder.h"
#include "Recordset.h"
#include "SqlDialect.h"
#include "StrHelper.h"
#include "TestDatabase.h"

namespace {

const QString kLong = QString(10000, QChar(0x03B1)) + "'\\%_";

// Rows the cases search; NAME and a number N per ID.
const QList<QPair<int, QString>> kRows = {
    {1, "ΔΙΑΓΩΝΙΣΜΟΣ ΕΡΓΟΥ"},
    {2, "διαγωνισμός υλικών"},
    {3, "Αθήνα"},
    {4, "Αθηναϊκή Εταιρεία"},
    {5, "O'Reilly"},
    {6, "C:\\docs\\a.txt"},
    {7, "50% έκπτωση"},
    {8, "a_b"},
    {9, "axb"},
    {10, ""},
    {11, "Πάτρα"},
    {12, "500 τεμάχια"},
};

QString cond(const QString& typed, int mode, const QString& column = "NAME") {
    QString out = "untouched";
    FieldCondBuilder::FieldCond(column, typed, mode, 0, 0, nullptr, "", out);
    return out;
}

}  // namespace

class tst_FieldCond : public QObject {
    Q_OBJECT
private slots:
    // A PostgreSQL connection leaves its stored-folds probe and dialect behind.
    void cleanup() {
        SqlDialect::setStoredFoldsProbe({});
        SqlDialect::setActive(Backend::SQLite);
    }
    void sqlText_data();
    void sqlText();
    void otherDialects();
    void matchingRows_data();
    void matchingRows();
    void nondeterministicCollation();
};

void tst_FieldCond::sqlText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("sql");
    const int eq = FieldCondBuilder::Equal, begins = FieldCondBuilder::BeginsWith,
              has = FieldCondBuilder::Contains;
    QTest::newRow("empty") << "" << has << "";
    QTest::newRow("blank") << "   " << has << "";
    QTest::newRow("only commas") << " , ,," << eq << "";
    QTest::newRow("only a marker") << "[αρχ]" << has << "";
    QTest::newRow("contains") << "  Αθήνα " << has << "(NAME LIKE '%Αθήνα%' ESCAPE '!')";
    QTest::newRow("begins with") << "αθ" << begins << "(NAME LIKE 'αθ%' ESCAPE '!')";
    QTest::newRow("equal text") << "ΑΘΗΝΑ" << eq << "(NAME LIKE 'ΑΘΗΝΑ' ESCAPE '!')";
    QTest::newRow("equal number") << "12" << eq << "(NAME = '12')";
    QTest::newRow("marker begins") << "[αρχ] αθ" << has << "(NAME LIKE 'αθ%' ESCAPE '!')";
    QTest::newRow("marker in capitals") << "[ΑΡΧ]αθ" << has << "(NAME LIKE 'αθ%' ESCAPE '!')";
    QTest::newRow("marker contains") << "[περ]θην" << eq << "(NAME LIKE '%θην%' ESCAPE '!')";
    QTest::newRow("marker equal") << "[=]12" << has << "(NAME = '12')";
    QTest::newRow("marker operator") << "[>=]5" << has << "(NAME >= '5')";
    QTest::newRow("unknown marker is text") << "[x]y" << has << "(NAME LIKE '%![x]y%' ESCAPE '!')";
    QTest::newRow("operators") << ">=10, <= 20,>3,<4" << has
                               << "(NAME >= '10' OR NAME <= '20' OR NAME > '3' OR NAME < '4')";
    QTest::newRow("not equal") << "<>7, <>αβ" << has << "(NAME <> '7' OR NOT NAME LIKE 'αβ' ESCAPE '!')";
    QTest::newRow("alternatives") << "α, ,β ," << has
                                  << "(NAME LIKE '%α%' ESCAPE '!' OR NAME LIKE '%β%' ESCAPE '!')";
    QTest::newRow("wildcards typed literally") << "50%_!" << has << "(NAME LIKE '%50!%!_!!%' ESCAPE '!')";
    QTest::newRow("quote doubled") << "O'Reilly" << eq << "(NAME LIKE 'O''Reilly' ESCAPE '!')";
    QTest::newRow("backslash as is") << "C:\\docs\\" << has << "(NAME LIKE '%C:\\docs\\%' ESCAPE '!')";
    QTest::newRow("quote after operator")
        << ">='; DROP TABLE T; --" << has << "(NAME >= '''; DROP TABLE T; --')";
    QTest::newRow("NUL dropped") << QString("a") + QChar(0) + "b" << has << "(NAME LIKE '%ab%' ESCAPE '!')";
}

void tst_FieldCond::sqlText() {
    QFETCH(QString, typed);
    QFETCH(int, mode);
    QFETCH(QString, sql);
    SqlDialect::setActive(Backend::SQLite);
    QCOMPARE(cond(typed, mode), sql);
}

void tst_FieldCond::otherDialects() {
    SqlDialect::setActive(Backend::PostgreSQL);
    QCOMPARE(cond("Αθ", FieldCondBuilder::BeginsWith, "P.APO"),
             QString("(P.APO_FOLD LIKE greek_fold('Αθ%') ESCAPE '!')"));
    QCOMPARE(cond("Αθ", FieldCondBuilder::Contains, "thema_ex"),
             QString("(THEMA_EX_FOLD LIKE greek_fold('%Αθ%') ESCAPE '!')"));
    // A column without a stored fold is folded in the statement.
    QCOMPARE(cond("Αθ", FieldCondBuilder::BeginsWith, "DESCR"),
             QString("(greek_fold(DESCR COLLATE \"default\") LIKE greek_fold('Αθ%') ESCAPE '!')"));
    SqlDialect::setActive(Backend::SqlServer);
    QCOMPARE(cond("Αθ'", FieldCondBuilder::Contains), QString("(NAME LIKE N'%Αθ''%' ESCAPE '!')"));
    SqlDialect::setActive(Backend::SQLite);
}

void tst_FieldCond::matchingRows_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("ids");
    const int eq = FieldCondBuilder::Equal, has = FieldCondBuilder::Contains;
    struct Case {
        const char* name;
        QString column, typed;
        int mode;
        QList<int> ids;
    };
    const QList<Case> cases = {
        {"contains, case and accents", "NAME", "διαγωνισμος", has, {1, 2}},
        {"contains, capitals typed", "NAME", "ΑΘΗΝ", has, {3, 4}},
        {"final sigma typed", "NAME", "ισμός", has, {1, 2}},
        {"equal", "NAME", "αθηνα", eq, {3}},
        {"begins with", "NAME", "[αρχ]αθ", has, {3, 4}},
        {"contains by marker", "NAME", "[περ]ηνα", eq, {3, 4}},
        {"alternatives", "NAME", "αθηνα, ΠΑΤΡΑ", eq, {3, 11}},
        {"quote", "NAME", "o'r", has, {5}},
        {"backslashes", "NAME", "\\docs\\", has, {6}},
        {"percent literally", "NAME", "50%", has, {7}},
        {"underscore literally", "NAME", "a_b", eq, {8}},
        {"injection attempt", "NAME", "x' OR '1'='1", has, {}},
        {"statement end attempt", "NAME", "'); DELETE FROM T; --", has, {}},
        {"very long", "NAME", kLong, has, {}},
        {"number at least", "N", ">=10", eq, {10, 11, 12}},
        {"number at most", "N", "[<=]2", has, {1, 2}},
        {"number equal", "N", "7", eq, {7}},
        {"number not equal", "N", "<>7, =3", eq, {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12}},
    };
    for (const Backend b : TestDatabase::configuredBackends())
        for (const Case& c : cases)
            QTest::newRow(qPrintable(TestDatabase::backendTag(b) + ": " + c.name))
                << TestDatabase::backendTag(b) << c.column << c.typed << c.mode << c.ids;
}

void tst_FieldCond::matchingRows() {
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(int, mode);
    QFETCH(QList<int>, ids);
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME VARCHAR(50), N INTEGER)"));
    for (const auto& [id, name] : kRows)
        QVERIFY(
            c->Execute(QString("INSERT INTO T VALUES (%1, %2, %1)").arg(id).arg(StrHelper::SqlValue(name))));

    const QString where = cond(typed, mode, column);
    QVERIFY(!where.isEmpty());
    Recordset rs;
    QVERIFY2(rs.Open("SELECT ID FROM T WHERE " + where + " ORDER BY ID", c), qPrintable(c->LastErrorText()));
    QList<int> found;
    for (; !rs.Eof(); rs.MoveNext()) found << rs.Value(0).toInt();
    QCOMPARE(found, ids);
    // Whatever was typed, the table is still whole.
    QVERIFY(rs.Open("SELECT count(*) FROM T", c));
    QCOMPARE(rs.Value(0).toInt(), int(kRows.size()));
}

// The installation may give PostgreSQL columns a case- and accent-insensitive ICU collation, on
// which LIKE itself is refused.
void tst_FieldCond::nondeterministicCollation() {
    if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG is not set");
    TestDatabase db(Backend::PostgreSQL);
    QVERIFY(db.ok());
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute(
        "CREATE COLLATION greek_ci_ai (provider = icu, locale = 'el-u-ks-level1', deterministic = false)"));
    QVERIFY(c->Execute("CREATE TABLE T (ID INTEGER, NAME VARCHAR(50) COLLATE greek_ci_ai)"));
    QVERIFY(c->Execute("INSERT INTO T VALUES (1, 'Αθήνα'), (2, 'ΑΘΗΝΑΪΚΗ'), (3, 'Πάτρα')"));
    Recordset rs;
    QVERIFY(!rs.Open("SELECT ID FROM T WHERE NAME LIKE '%θην%'", c));
    for (const auto& [typed, count] : {std::pair{"[περ]αθην", 2}, {"αθηνα", 1}, {"[αρχ]ΠΑΤ", 1}}) {
        QVERIFY(rs.Open("SELECT ID FROM T WHERE " + cond(typed, FieldCondBuilder::Equal), c));
        QCOMPARE(rs.RecordCount(), count);
    }
    QVERIFY(rs.Open("SELECT ID FROM T WHERE NAME = 'αθηνα'", c));
    QCOMPARE(rs.RecordCount(), 1);
}

QTEST_APPLESS_MAIN(tst_FieldCond)
#include "tst_fieldcond.moc"
