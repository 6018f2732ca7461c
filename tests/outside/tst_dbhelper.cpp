#include <QComboBox>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include "ComboFiller.h"
#include "CondBuilder.h"
#include "DBHelper.h"
#include "DateBox.h"
#include "Err.h"
#include "Recordset.h"
#include "SqliteSupport.h"
#include "StrHelper.h"
#include "TestDatabase.h"

namespace {

// USERS with a row that has NULLs and one that has everything.
bool createUsers(const ConnectionPtr& c) {
    return c->Execute(
               "CREATE TABLE USERS (USER_ID INTEGER PRIMARY KEY, U_NAME VARCHAR(20), U_EXP_DATE DATE,"
               " U_EXP_DAYS INTEGER, U_PHONE1 VARCHAR(10), LAST_SEEN TIMESTAMP)") &&
           c->Execute(
               "INSERT INTO USERS VALUES (1, 'Γιάννης', '2026-12-31', 30, NULL, '2026-12-10 09:42:00')") &&
           c->Execute("INSERT INTO USERS VALUES (2, 'O''Brien', NULL, 0, '210', '2026-12-10 00:00:00')");
}

bool createDepartments(const ConnectionPtr& c) {
    return c->Execute(
               "CREATE TABLE L_TMHMATA (ID INTEGER PRIMARY KEY, CODE VARCHAR(5), DESCR VARCHAR(50),"
               " MODFLAG CHAR(1))") &&
           c->Execute(
               "INSERT INTO L_TMHMATA VALUES (7, 'ΠΡ', 'Προμήθειες', 'N'), (3, 'ΛΟΓ', 'Λογιστήριο', 'M'),"
               " (5, 'ΑΡΧ', 'Αρχείο', 'D'), (9, 'ΔΙΟ', NULL, 'N')");
}

}  // namespace

class tst_DBHelper : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Err().Clear();
        DBHelper::SetLastError(QString());
        SqlDialect::setActive(Backend::SQLite);
    }
    void cleanup() { SqliteSupport::clearClock(); }

    void lookupValue_data() { TestDatabase::addBackendRows(); }
    void lookupValue();
    void writes_data() { TestDatabase::addBackendRows(); }
    void writes();
    void serverNow_data() { TestDatabase::addBackendRows(); }
    void serverNow();
    void serverNowFailures();
    void dateToSql_data();
    void dateToSql();
    void datesRoundTrip_data() { TestDatabase::addBackendRows(); }
    void datesRoundTrip();
    void normDate();

    void sqlValue_data();
    void sqlValue();
    void sqlValueOtherDialects();
    void sqlValueRoundTrip_data() { TestDatabase::addBackendRows(); }
    void sqlValueRoundTrip();
    void cut_data();
    void cut();
    void padLeft();
    void mergeList_data();
    void mergeList();
    void normPath_data();
    void normPath();

    void fillCombo_data() { TestDatabase::addBackendRows(); }
    void fillCombo();
    void fillListAndReadColumns_data() { TestDatabase::addBackendRows(); }
    void fillListAndReadColumns();

    void buildWhere_data();
    void buildWhere();
    void dateRange();
    void dateRangeRows_data() { TestDatabase::addBackendRows(); }
    void dateRangeRows();
};

void tst_DBHelper::lookupValue() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(createUsers(c));
    const QString cols = "USER_ID,U_NAME,U_EXP_DATE,U_EXP_DAYS,U_PHONE1,LAST_SEEN";
    QCOMPARE(DBHelper::LookupValue(c, "USERS", "U_NAME=" + StrHelper::SqlValue("Γιάννης"), cols, 0, "\t"),
             QString("1\tΓιάννης\t31/12/2026\t30\t\t10/12/2026 09:42:00"));
    // NULLs are empty parts; a midnight time shows the day alone.
    QCOMPARE(DBHelper::LookupValue(c, "USERS", "U_NAME=" + StrHelper::SqlValue("O'Brien"), cols, 0, ","),
             QString("2,O'Brien,,0,210,10/12/2026"));
    // The first row only, and all rows without a condition.
    QCOMPARE(DBHelper::LookupValue(c, "USERS", "", "U_EXP_DAYS", 0, ",").count(','), 0);
    QCOMPARE(DBHelper::LookupValue(c, "USERS", "USER_ID=99", cols, 0, ","), QString());
    QVERIFY(!Err().Pending());
    QVERIFY(DBHelper::LastError().isEmpty());

    QCOMPARE(DBHelper::LookupValue(c, "USERS", "USER_ID=1", "NO_SUCH_COLUMN", 0, ","), QString());
    QVERIFY(!DBHelper::LastError().isEmpty());
    QCOMPARE(Err().Number, ErrNo::DbCommandFailed);
}

void tst_DBHelper::writes() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(createUsers(c));
    QVERIFY(DBHelper::RecExists(c, "USERS", "USER_ID=2"));
    QVERIFY(!DBHelper::RecExists(c, "USERS", "USER_ID=3"));

    QVERIFY(DBHelper::UpdateRec(c, "USERS", "USER_ID=2", "U_NAME=" + StrHelper::SqlValue("Νίκος"),
                                {"U_EXP_DAYS=15", "U_PHONE1=Null"}));
    QCOMPARE(DBHelper::LookupValue(c, "USERS", "USER_ID=2", "U_NAME,U_EXP_DAYS,U_PHONE1", 0, ","),
             QString("Νίκος,15,"));
    QVERIFY(DBHelper::InsertRec(c, "USERS", 0, "", "", "", {"USER_ID=3", "U_NAME='x'"}).isValid());
    QVERIFY(DBHelper::DeleteRecs(c, "USERS", "USER_ID>=2"));
    QCOMPARE(DBHelper::LookupValue(c, "USERS", "", "count(*)", 0, ","), QString("1"));
    QVERIFY(!Err().Pending());

    QVERIFY(!DBHelper::UpdateRec(c, "USERS", "USER_ID=1", "NO_SUCH=1", {}));
    QVERIFY(!DBHelper::LastError().isEmpty());
    QCOMPARE(Err().Number, ErrNo::DbCommandFailed);
    DBHelper::SetLastError(QString());
    QVERIFY(!DBHelper::DeleteRecs(c, "NO_SUCH_TABLE", "ID=1"));
    QVERIFY(!DBHelper::LastError().isEmpty());
    DBHelper::SetLastError(QString());
    QVERIFY(!DBHelper::RecExists(c, "NO_SUCH_TABLE", ""));
    QVERIFY(!DBHelper::LastError().isEmpty());
    QCOMPARE(DBHelper::LookupValue(c, "USERS", "", "U_NAME", 0, ","), QString("Γιάννης"));
}

void tst_DBHelper::serverNow() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    if (db.backend() == Backend::SQLite) {
        const QDateTime turn(QDate(2026, 12, 31), QTime(23, 59, 59));
        SqliteSupport::setClock(turn);
        QCOMPARE(DBHelper::ServerNow(c).toDateTime(), turn);
        QCOMPARE(DBHelper::ServerDate(c).toDate(), QDate(2026, 12, 31));
        QCOMPARE(DBHelper::LookupValue(c, "(SELECT 1 AS X) Q", "", "getdate()", 0, ","),
                 QString("2026-12-31 23:59:59"));
        SqliteSupport::clearClock();
    }
    const QVariant now = DBHelper::ServerNow(c);
    QCOMPARE(now.metaType().id(), int(QMetaType::QDateTime));
    QVERIFY(qAbs(now.toDateTime().secsTo(QDateTime::currentDateTime())) < 5);
    QCOMPARE(DBHelper::ServerDate(c).metaType().id(), int(QMetaType::QDate));
    // getdate() works in the system's own statements on every backend.
    QVERIFY(c->Execute("CREATE TABLE L (ID INTEGER, T TIMESTAMP DEFAULT (getdate()))"));
    QVERIFY(c->Execute("INSERT INTO L (ID) VALUES (1)"));
    Recordset rs;
    QVERIFY(rs.Open("SELECT T FROM L", c));
    QVERIFY(qAbs(rs.Value(0).toDateTime().secsTo(now.toDateTime())) < 5);
}

void tst_DBHelper::serverNowFailures() {
    QVERIFY(DBHelper::ServerNow(nullptr).isNull());
    QCOMPARE(Err().Number, ErrNo::ObjectNotSet);
    QVERIFY(!DBHelper::LastError().isEmpty());

    TestDatabase db(Backend::SQLite);
    QVERIFY(db.ok());
    db.conn()->Close();
    Err().Clear();
    DBHelper::SetLastError(QString());
    QVERIFY(DBHelper::ServerDate(db.conn()).isNull());
    QCOMPARE(Err().Number, ErrNo::DbNotOpen);
    QVERIFY(!DBHelper::LastError().isEmpty());
    QCOMPARE(DBHelper::LookupValue(db.conn(), "X", "", "A", 0, ","), QString());
    QVERIFY(DBHelper::InsertRec(db.conn(), "X", 0, "", "A", "1", {}).isNull());
}

void tst_DBHelper::dateToSql_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<QString>("sql");
    QTest::newRow("date") << QVariant(QDate(2026, 12, 10)) << true << "'2026-12-10'";
    QTest::newRow("date-time keeps its time")
        << QVariant(QDateTime(QDate(2026, 12, 10), QTime(9, 42))) << true << "'2026-12-10 09:42:00'";
    QTest::newRow("midnight stays a date-time")
        << QVariant(QDateTime(QDate(2026, 1, 2), QTime(0, 0))) << true << "'2026-01-02 00:00:00'";
    QTest::newRow("typed date") << QVariant("10/12/2026") << true << "'2026-12-10'";
    QTest::newRow("unquoted") << QVariant(QDate(2026, 12, 10)) << false << "2026-12-10";
    QTest::newRow("null") << QVariant() << true << "Null";
    QTest::newRow("invalid date") << QVariant(QDate()) << true << "Null";
    QTest::newRow("not a date") << QVariant("31/02/2026'--") << true << "Null";
}

void tst_DBHelper::dateToSql() {
    QFETCH(QVariant, value);
    QFETCH(bool, quoted);
    QFETCH(QString, sql);
    QCOMPARE(DBHelper::DateToSQL(value, "dd/mm/yyyy", quoted), sql);
}

void tst_DBHelper::datesRoundTrip() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE L (ID INTEGER, D DATE, T TIMESTAMP)"));
    const QDate day(2024, 2, 29);
    const QDateTime logout(QDate(2026, 3, 29), QTime(15, 30, 15));
    QVERIFY(DBHelper::InsertRec(c, "L", 0, "", "ID,D,T",
                                "1," + DBHelper::DateToSQL(day) + "," + DBHelper::DateToSQL(logout), {})
                .isValid());
    QVERIFY(DBHelper::RecExists(c, "L",
                                "D=" + DBHelper::DateToSQL(day) + " AND T=" + DBHelper::DateToSQL(logout)));
    Recordset rs;
    QVERIFY(rs.Open("SELECT D, T FROM L", c));
    QCOMPARE(rs.Value("D").toDate(), day);
    QCOMPARE(rs.Value("T").toDateTime().date(), logout.date());
    QCOMPARE(rs.Value("T").toDateTime().time(), logout.time());
}

void tst_DBHelper::normDate() {
    QCOMPARE(DBHelper::NormDate(QDate(2026, 12, 10)), QDate(2026, 12, 10));
    QCOMPARE(DBHelper::NormDate(QDateTime(QDate(2026, 12, 10), QTime(23, 59))), QDate(2026, 12, 10));
    QCOMPARE(DBHelper::NormDate(QString("10/12/2026")), QDate(2026, 12, 10));
    QCOMPARE(DBHelper::NormDate(QString("2026-12-10 08:00:00")), QDate(2026, 12, 10));
    QVERIFY(!DBHelper::NormDate(QVariant()).isValid());
}

void tst_DBHelper::sqlValue_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("sql");
    QTest::newRow("null") << QVariant() << "Null";
    QTest::newRow("empty text") << QVariant(QString("")) << "''";
    QTest::newRow("greek") << QVariant("Γιάννης Παπαδόπουλος") << "'Γιάννης Παπαδόπουλος'";
    QTest::newRow("quotes doubled") << QVariant("O'Brien ''") << "'O''Brien '''''";
    QTest::newRow("backslash as is") << QVariant("C:\\docs\\") << "'C:\\docs\\'";
    QTest::newRow("NUL dropped") << QVariant(QString("a") + QChar(0) + "'b") << "'a''b'";
    QTest::newRow("very long") << QVariant(QString(10000, 'x') + "'") << "'" + QString(10000, 'x') + "'''";
    QTest::newRow("int") << QVariant(-42) << "-42";
    QTest::newRow("long long") << QVariant(qlonglong(9007199254740993LL)) << "9007199254740993";
    QTest::newRow("double") << QVariant(1234567.5) << "1234567.5";
    QTest::newRow("small double") << QVariant(0.1) << "0.1";
    QTest::newRow("no exponent") << QVariant(1e20) << "100000000000000000000";
    QTest::newRow("tiny") << QVariant(1.5e-7) << "0.00000015";
    QTest::newRow("bool") << QVariant(true) << "1";
    QTest::newRow("date") << QVariant(QDate(2026, 12, 10)) << "'2026-12-10'";
    QTest::newRow("date-time") << QVariant(QDateTime(QDate(2026, 12, 10), QTime(9, 42, 5)))
                               << "'2026-12-10 09:42:05'";
}

void tst_DBHelper::sqlValue() {
    QFETCH(QVariant, value);
    QFETCH(QString, sql);
    // The Greek locale writes numbers with a comma and dots; SQL never may.
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
    const QString got = StrHelper::SqlValue(value);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(got, sql);
}

void tst_DBHelper::sqlValueOtherDialects() {
    const SqlDialect& ms = SqlDialect::forBackend(Backend::SqlServer);
    QCOMPARE(ms.textLiteral("Ά'ς"), QString("N'Ά''ς'"));
    QCOMPARE(ms.dateLiteral(QDate(2026, 12, 10)), QString("'20261210'"));
    QCOMPARE(ms.dateTimeLiteral(QDateTime(QDate(2026, 12, 10), QTime(9, 42))),
             QString("'2026-12-10T09:42:00'"));
    QCOMPARE(ms.adapt("select top 1 A from T"), QString("select top 1 A from T"));
    const SqlDialect& pg = SqlDialect::forBackend(Backend::PostgreSQL);
    QCOMPARE(pg.adapt("Select  TOP 1 ARXEIOTHETHSH From Protocol ; "),
             QString("Select  ARXEIOTHETHSH From Protocol LIMIT 1"));
    QCOMPARE(pg.adapt("select distinct top (5) A from T order by A"),
             QString("select distinct A from T order by A LIMIT 5"));
    QCOMPARE(pg.adapt("SELECT A FROM T WHERE B='select top 1 '"),
             QString("SELECT A FROM T WHERE B='select top 1 '"));
    SqlDialect::setActive(Backend::SqlServer);
    QCOMPARE(StrHelper::SqlValue(QString("Άλφα")), QString("N'Άλφα'"));
    QCOMPARE(DBHelper::DateToSQL(QDateTime(QDate(2026, 1, 2), QTime(8, 0))),
             QString("'2026-01-02T08:00:00'"));
}

void tst_DBHelper::sqlValueRoundTrip() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE V (ID INTEGER, S VARCHAR(20000))"));
    const QStringList texts = {"Γιάννης",
                               "O'Brien ''",
                               "C:\\docs\\new\\",
                               "\\'",
                               "'; DROP TABLE V; --",
                               "50% _x_ !",
                               QString(10000, QChar(0x03C9)) + "'\\",
                               QString::fromUtf8("😀 €"),
                               ""};
    for (int i = 0; i < texts.size(); ++i)
        QVERIFY(
            c->Execute(QString("INSERT INTO V VALUES (%1, %2)").arg(i).arg(StrHelper::SqlValue(texts[i]))));
    Recordset rs;
    QVERIFY(rs.Open("SELECT S FROM V ORDER BY ID", c));
    QCOMPARE(rs.RecordCount(), int(texts.size()));
    for (const QString& t : texts) {
        QCOMPARE(rs.Value(0).toString(), t);
        rs.MoveNext();
    }
    QVERIFY(rs.Open("SELECT ID FROM V WHERE S = " + StrHelper::SqlValue(texts[1]), c));
    QCOMPARE(rs.Value(0).toInt(), 1);
    QVERIFY(rs.Open("SELECT " + StrHelper::SqlValue(-2.5) + " + " + StrHelper::SqlValue(3), c));
    QCOMPARE(rs.Value(0).toDouble(), 0.5);
}

void tst_DBHelper::cut_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("left");
    QTest::newRow("trailing AND") << "A=1 AND " << 5 << "A=1"
                                  << "ND ";
    QTest::newRow("CR LF") << "line\r\n"
                           << 2 << "line"
                           << "ne\r\n";
    QTest::newRow("key character") << "Kpass" << 1 << "Kpas"
                                   << "pass";
    QTest::newRow("whole text") << "%%" << 2 << ""
                                << "";
    QTest::newRow("beyond the length") << "ab" << 5 << ""
                                       << "";
    QTest::newRow("zero") << "ab" << 0 << "ab"
                          << "ab";
    QTest::newRow("negative") << "ab" << -3 << "ab"
                              << "ab";
    QTest::newRow("empty") << "" << 2 << ""
                           << "";
}

void tst_DBHelper::cut() {
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QString, right);
    QFETCH(QString, left);
    QCOMPARE(StrHelper::CutRight(text, count), right);
    QCOMPARE(StrHelper::CutLeft(text, count), left);
}

void tst_DBHelper::padLeft() {
    QCOMPARE(StrHelper::PadLeft("5", 2, "0"), QString("05"));
    QCOMPARE(StrHelper::PadLeft("10", 2, "0"), QString("10"));
    QCOMPARE(StrHelper::PadLeft("123", 2, "0"), QString("123"));
    QCOMPARE(StrHelper::PadLeft("", 3, "xy"), QString("xxx"));
    QCOMPARE(StrHelper::PadLeft("a", 3, ""), QString("  a"));
    QCOMPARE(StrHelper::PadLeft("a", -1, "0"), QString("a"));
}

void tst_DBHelper::mergeList_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("merged");
    QTest::newRow("into empty") << ""
                                << "Αθήνα"
                                << "Αθήνα";
    QTest::newRow("added") << "Αθήνα"
                           << "Πάτρα"
                           << "Αθήνα,Πάτρα";
    QTest::newRow("already there") << "Αθήνα,Πάτρα"
                                   << "Πάτρα"
                                   << "Αθήνα,Πάτρα";
    QTest::newRow("already there with blanks") << "Αθήνα, Πάτρα"
                                               << "Πάτρα"
                                               << "Αθήνα, Πάτρα";
    QTest::newRow("part of an item is not an item") << "Αθήνα"
                                                    << "Αθ"
                                                    << "Αθήνα,Αθ";
    QTest::newRow("empty value") << "Αθήνα"
                                 << ""
                                 << "Αθήνα";
}

void tst_DBHelper::mergeList() {
    QFETCH(QString, list);
    QFETCH(QString, value);
    QFETCH(QString, merged);
    QCOMPARE(StrHelper::MergeList(list, value, ","), merged);
}

void tst_DBHelper::normPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("normal");
    QTest::newRow("backslashes") << "C:\\Docs\\Protocol\\"
                                 << "C:/Docs/Protocol";
    QTest::newRow("mixed and doubled") << "/srv//docs\\\\2026/"
                                       << "/srv/docs/2026";
    QTest::newRow("share") << "\\\\server\\docs\\a.pdf"
                           << "//server/docs/a.pdf";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("drive root") << "C:\\"
                                << "C:/";
    QTest::newRow("relative") << "2026\\a.pdf"
                              << "2026/a.pdf";
    QTest::newRow("no separators") << " Λίστα Τμημάτων "
                                   << " Λίστα Τμημάτων ";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_DBHelper::normPath() {
    QFETCH(QString, path);
    QFETCH(QString, normal);
    QCOMPARE(StrHelper::NormPath(path), normal);
    QCOMPARE(StrHelper::NormPath(normal), normal);
}

void tst_DBHelper::fillCombo() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(createDepartments(c));
    QComboBox combo;
    combo.addItem("old");
    QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
    QStringList ids{"stale"};
    ComboFiller filler;
    QVERIFY(filler.FillList(c, "L_TMHMATA", "MODFLAG<>'D'", "ID", "CODE,DESCR", &combo, ids, " - ", 0, "ID",
                            "CODE"));
    QCOMPARE(combo.count(), 3);
    QCOMPARE(combo.itemText(0), QString("ΔΙΟ - "));
    QCOMPARE(combo.itemText(1), QString("ΛΟΓ - Λογιστήριο"));
    QCOMPARE(combo.itemText(2), QString("ΠΡ - Προμήθειες"));
    QCOMPARE(combo.itemData(1).metaType().id(), int(QMetaType::LongLong));
    QCOMPARE(combo.itemData(1).toLongLong(), 3);
    QCOMPARE(ids, QStringList({"9", "3", "7"}));
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(changed.count(), 0);

    // No array column: the array is left alone.
    QStringList untouched{"keep"};
    QVERIFY(filler.FillList(c, "L_TMHMATA", "", "", "DESCR", &combo, untouched, "", 0, "ID", "ID"));
    QCOMPARE(combo.count(), 4);
    QCOMPARE(combo.itemText(0), QString("Λογιστήριο"));
    QCOMPARE(untouched, QStringList{"keep"});

    QVERIFY(!filler.FillList(c, "NO_SUCH", "", "", "DESCR", &combo, untouched, "", 0, "ID", "ID"));
    QVERIFY(!DBHelper::LastError().isEmpty());
}

void tst_DBHelper::fillListAndReadColumns() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(createDepartments(c));
    QListWidget list;
    QStringList codes;
    ComboFiller filler;
    QVERIFY(
        filler.FillList(c, "L_TMHMATA", "ID > 3", "CODE", "DESCR", &list, codes, ",", 0, "ID", "ID DESC"));
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.item(0)->text(), QString());
    QCOMPARE(list.item(0)->data(Qt::UserRole).toLongLong(), 9);
    QCOMPARE(list.item(2)->text(), QString("Αρχείο"));
    QCOMPARE(codes, QStringList({"ΔΙΟ", "ΠΡ", "ΑΡΧ"}));

    QStringList a{"x"}, b;
    QVERIFY(filler.ReadColumns(c, "L_TMHMATA", "CODE=" + StrHelper::SqlValue("ΛΟΓ"), "ID", "CODE,MODFLAG", a,
                               b, " - ", ""));
    QCOMPARE(a, QStringList{"3"});
    QCOMPARE(b, QStringList{"ΛΟΓ - M"});
    QVERIFY(filler.ReadColumns(c, "L_TMHMATA", "ID=0", "ID", "ID", a, b, " - ", ""));
    QVERIFY(a.isEmpty() && b.isEmpty());
}

void tst_DBHelper::buildWhere_data() {
    QTest::addColumn<QString>("conditions");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("where");
    QTest::newRow("both") << "A=1 OR B=2"
                          << " P.MODFLAG<>'D' "
                          << " WHERE (A=1 OR B=2) AND (P.MODFLAG<>'D')";
    QTest::newRow("only extra") << ""
                                << "MODFLAG <> 'D'"
                                << " WHERE (MODFLAG <> 'D')";
    QTest::newRow("only conditions") << "A=1"
                                     << "  "
                                     << " WHERE (A=1)";
    QTest::newRow("neither") << ""
                             << ""
                             << "";
}

void tst_DBHelper::buildWhere() {
    QFETCH(QString, conditions);
    QFETCH(QString, extra);
    QFETCH(QString, where);
    QString out = "untouched";
    CondBuilder::BuildWhere(conditions, extra, out);
    QCOMPARE(out, where);
}

void tst_DBHelper::dateRange() {
    DateBox from, to;
    QString out = "untouched";
    CondBuilder::DateRange("HMEROM", &from, &to, 0, out);
    QCOMPARE(out, QString());
    from.SetValue(QDate(2026, 1, 1));
    CondBuilder::DateRange("HMEROM", &from, &to, 0, out);
    QCOMPARE(out, QString("HMEROM >= '2026-01-01'"));
    to.SetValue(QDate(2026, 12, 31));
    CondBuilder::DateRange("HMEROM", &from, &to, 0, out);
    QCOMPARE(out, QString("HMEROM >= '2026-01-01' AND HMEROM < '2027-01-01'"));
    from.SetValue(QVariant());
    CondBuilder::DateRange("HMEROM", &from, &to, 0, out);
    QCOMPARE(out, QString("HMEROM < '2027-01-01'"));
    CondBuilder::DateRange("HMEROM", nullptr, nullptr, 0, out);
    QCOMPARE(out, QString());
}

void tst_DBHelper::dateRangeRows() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    QVERIFY(c->Execute("CREATE TABLE L (ID INTEGER, D DATE, T TIMESTAMP)"));
    QVERIFY(
        c->Execute("INSERT INTO L VALUES (1, '2026-02-28', '2026-02-28 23:59:59'), (2, '2026-03-01', "
                   "'2026-03-01 00:00:00'), (3, '2026-02-01', '2026-02-01 00:00:00'), (4, NULL, NULL)"));
    DateBox from, to;
    from.SetValue(QDate(2026, 2, 1));
    to.SetValue(QDate(2026, 2, 28));
    for (const QString column : {"D", "T"}) {
        QString cond;
        CondBuilder::DateRange(column, &from, &to, 0, cond);
        Recordset rs;
        QVERIFY(rs.Open("SELECT ID FROM L WHERE " + cond + " ORDER BY ID", c));
        QStringList ids;
        for (; !rs.Eof(); rs.MoveNext()) ids << rs.Value(0).toString();
        QCOMPARE(ids, QStringList({"1", "3"}));
    }
}

QTEST_MAIN(tst_DBHelper)
#include "tst_dbhelper.moc"
