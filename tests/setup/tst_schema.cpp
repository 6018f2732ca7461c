#include <QTest>
#include <algorithm>

#include "DBHelper.h"
#include "Err.h"
#include "PswFormat.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "SqliteSupport.h"

namespace {

const QDateTime kClock(QDate(2026, 3, 2), QTime(9, 41, 7));
const QString kOldStamp = QStringLiteral("'2001-02-03 04:05:06'");

QVariant value(const ConnectionPtr& c, const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, c) || rs.Eof()) return {};
    return rs.Value(0);
}

QStringList firstColumn(const ConnectionPtr& c, const QString& sql) {
    QStringList out;
    Recordset rs;
    if (!rs.Open(sql, c)) return {QStringLiteral("<failed: %1>").arg(c->LastErrorText())};
    for (; !rs.Eof(); rs.MoveNext()) out << rs.Value(0).toString();
    return out;
}

// Tables and views, upper case, sorted.
QStringList objects(const TestDatabase& db) {
    QStringList names = firstColumn(
        db.conn(),
        db.backend() == Backend::PostgreSQL
            ? "SELECT upper(table_name) FROM information_schema.tables WHERE table_schema = 'public'"
            : "SELECT upper(name) FROM sqlite_master WHERE type IN ('table', 'view')"
              " AND name <> 'sqlite_sequence'");
    names.sort();
    return names;
}

QStringList columns(const ConnectionPtr& c, const QString& table) {
    Recordset rs;
    if (!rs.Open("SELECT * FROM " + table + " WHERE 1 = 0", c)) return {};
    QStringList out;
    for (int i = 0; i < rs.FieldCount(); ++i) out << rs.FieldName(i).toUpper();
    return out;
}

int declaredLength(const TestDatabase& db, const QString& table, const QString& column) {
    if (db.backend() == Backend::PostgreSQL)
        return value(db.conn(),
                     QStringLiteral("SELECT character_maximum_length FROM information_schema.columns"
                                    " WHERE table_name = '%1' AND column_name = '%2'")
                         .arg(table.toLower(), column.toLower()))
            .toInt();
    const QString type =
        value(db.conn(),
              QStringLiteral("SELECT type FROM pragma_table_info('%1') WHERE name = '%2'").arg(table, column))
            .toString();
    return type.section(QLatin1Char('('), 1).section(QLatin1Char(')'), 0, 0).toInt();
}

// A stamp from getdate(): the fixed clock on SQLite, the server's present time on PostgreSQL.
bool isNow(const TestDatabase& db, const QVariant& stamp) {
    if (stamp.metaType().id() != QMetaType::QDateTime) return false;
    if (db.backend() == Backend::SQLite) return stamp.toDateTime() == kClock;
    const QDateTime now = DBHelper::ServerNow(db.conn()).toDateTime();
    return qAbs(stamp.toDateTime().secsTo(now)) < 60;
}

const QStringList kLookupTables{"L_TMHMATA", "L_TYPOI",    "L_APO",     "L_PROS",
                                "L_TOPOS",   "L_ARMODIOS", "L_PHRASES", "L_ARXEIOTHETHSH"};

// The backend rows crossed with the tables that carry MODFLAG and MODDATE.
void addRowStateRows() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("insert");  // columns and values, without MODFLAG and MODDATE
    QTest::addColumn<QString>("column");  // a text column to change
    for (const Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        QTest::newRow(qPrintable(tag + " PROTOCOL"))
            << tag << "PROTOCOL"
            << "(HMEROM, ETOS, THEMA, MODUSER) VALUES ('2026-03-02', 2026, 'Θέμα', 1)"
            << "THEMA";
        for (const QString& t : kLookupTables) {
            const bool code = t == "L_TMHMATA" || t == "L_TYPOI";
            QTest::newRow(qPrintable(tag + " " + t))
                << tag << t
                << (code ? "(CODE, DESCR, MODUSER) VALUES ('A1', 'Τιμή', 1)"
                         : "(DESCR, MODUSER) VALUES ('Τιμή', 1)")
                << "DESCR";
        }
    }
}

}  // namespace

class tst_Schema : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Err().Clear();
        SqliteSupport::setClock(kClock);
    }
    void cleanup() { SqliteSupport::clearClock(); }

    void objectsExist_data();
    void objectsExist();
    void preUpgradeLacksTheUpgrade_data() { TestDatabase::addBackendRows(); }
    void preUpgradeLacksTheUpgrade();
    void defaults_data() { addRowStateRows(); }
    void defaults();
    void sessionDefaultAndView_data() { TestDatabase::addBackendRows(); }
    void sessionDefaultAndView();
    void updateTrigger_data() { addRowStateRows(); }
    void updateTrigger();
    void rowVersion_data();
    void rowVersion();
    void greekEqualityAndOrder_data() { TestDatabase::addBackendRows(); }
    void greekEqualityAndOrder();
    void greekLike_data() { TestDatabase::addBackendRows(); }
    void greekLike();
    void seedRows_data() { TestDatabase::addBackendRows(); }
    void seedRows();
    void failureLeavesNothing_data() { TestDatabase::addBackendRows(); }
    void failureLeavesNothing();
};

void tst_Schema::objectsExist_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<bool>("preUpgrade");
    for (const Backend b : TestDatabase::configuredBackends()) {
        QTest::newRow(qPrintable(TestDatabase::backendTag(b) + " current"))
            << TestDatabase::backendTag(b) << false;
        QTest::newRow(qPrintable(TestDatabase::backendTag(b) + " pre-upgrade"))
            << TestDatabase::backendTag(b) << true;
    }
}

void tst_Schema::objectsExist() {
    QFETCH(bool, preUpgrade);
    TEST_REGISTER(db, .preUpgrade = preUpgrade);
    QStringList expected{"L_APO",     "L_ARMODIOS", "L_ARXEIOTHETHSH", "L_PHRASES",     "L_PROS",
                         "L_TMHMATA", "L_TOPOS",    "L_TYPOI",         "L_USER_GROUPS", "PARAM",
                         "PROTOCOL",  "PROT_FILES", "R_ANTIGRAFA",     "R_YPEYTH",      "USERS",
                         "USER_LOG",  "V_USER_LOG"};
    if (preUpgrade) expected.removeOne("L_ARXEIOTHETHSH");
    expected.sort();
    QCOMPARE(objects(db), expected);
    // The key comes first in every table.
    const QStringList keys{"ID", "PR_ID", "F_ID", "USER_GROUP_ID", "USER_ID", "ULOG_ID", "PCODE"};
    for (const QString& table : expected)
        QVERIFY2(keys.contains(columns(db.conn(), table).value(0)), qPrintable(table));
}

void tst_Schema::preUpgradeLacksTheUpgrade() {
    TEST_REGISTER(current);
    TEST_REGISTER(old, .preUpgrade = true);
    const QStringList now = columns(current.conn(), "PROTOCOL");
    const QStringList before = columns(old.conn(), "PROTOCOL");
    QStringList added;
    for (const QString& c : now)
        if (!before.contains(c)) added << c;
    added.sort();
    QStringList expected{"ARXEIOTHETHSH", "HMER_DIEKP", "PERILIPSI_EIS", "ROWVER",
                         "SAVETOKEN",     "SYSXETIZOMENA", "THEMA_EX"};
    // PostgreSQL's stored folds come with the upgrade too.
    if (current.backend() == Backend::PostgreSQL)
        for (const QString& c : PgFoldedColumns()) expected << PgFoldedColumn(c);
    expected.sort();
    QCOMPARE(added, expected);
    QCOMPARE(before.size(), now.size() - added.size());
    QCOMPARE(declaredLength(old, "PROTOCOL", "PROS"), 50);
    QCOMPARE(declaredLength(current, "PROTOCOL", "PROS"), 150);

    // The old schema numbers and stamps entries as well.
    QVERIFY(
        old.conn()->Execute("INSERT INTO PROTOCOL (HMEROM, THEMA, MODUSER) VALUES ('2026-03-02', 'α', 1)"));
    QCOMPARE(value(old.conn(), "SELECT PROT_AA FROM PROTOCOL").toInt(), 1);
    QCOMPARE(value(old.conn(), "SELECT MODFLAG FROM PROTOCOL").toString(), QString("N"));
}

void tst_Schema::defaults() {
    QFETCH(QString, table);
    QFETCH(QString, insert);
    TEST_REGISTER(db);
    QVERIFY2(db.conn()->Execute("INSERT INTO " + table + " " + insert),
             qPrintable(db.conn()->LastErrorText()));
    Recordset rs;
    QVERIFY(rs.Open("SELECT MODFLAG, MODDATE FROM " + table, db.conn()));
    QCOMPARE(rs.RecordCount(), 1);
    // Numbering a new entry must not count as a change.
    QCOMPARE(rs.Value("MODFLAG").toString(), QString("N"));
    QVERIFY2(isNow(db, rs.Value("MODDATE")), qPrintable(rs.Value("MODDATE").toString()));
    if (table == "PROTOCOL") {
        const QVariant day = value(db.conn(), "SELECT HMEROM FROM PROTOCOL");
        QCOMPARE(day.metaType().id(), int(QMetaType::QDate));
        QCOMPARE(day.toDate(), QDate(2026, 3, 2));
    }
}

void tst_Schema::sessionDefaultAndView() {
    TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
    const ConnectionPtr c = db.conn();
    const int admin = value(c, "SELECT USER_ID FROM USERS").toInt();
    QVERIFY(c->Execute(QStringLiteral("INSERT INTO USER_LOG (USER_ID) VALUES (%1)").arg(admin)));
    // A session of a user deleted since.
    QVERIFY(c->Execute("INSERT INTO USER_LOG (USER_ID) VALUES (999)"));

    Recordset rs;
    QVERIFY(rs.Open("SELECT * FROM V_USER_LOG ORDER BY ULOG_ID", c));
    QStringList names;
    for (int i = 0; i < rs.FieldCount(); ++i) names << rs.FieldName(i).toUpper();
    QCOMPARE(names, QStringList({"ULOG_ID", "USER_ID", "U_NAME", "LOGIN_TIME", "LOGOUT_TIME"}));
    QCOMPARE(rs.RecordCount(), 2);
    QCOMPARE(rs.Value("U_NAME").toString(), QString("ADMIN"));
    QVERIFY(isNow(db, rs.Value("LOGIN_TIME")));
    QVERIFY(rs.Value("LOGOUT_TIME").isNull());
    rs.MoveNext();
    QCOMPARE(rs.Value("USER_ID").toInt(), 999);
    QVERIFY(rs.Value("U_NAME").isNull());

    // The connected-users list: open sessions only, once one is closed.
    QVERIFY(c->Execute(
        QStringLiteral("UPDATE USER_LOG SET LOGOUT_TIME = getdate() WHERE USER_ID = %1").arg(admin)));
    QCOMPARE(firstColumn(c, " SELECT * FROM V_USER_LOG  WHERE LOGOUT_TIME IS NULL ORDER BY U_NAME"),
             QStringList({value(c, "SELECT ULOG_ID FROM USER_LOG WHERE USER_ID = 999").toString()}));
}

void tst_Schema::updateTrigger() {
    QFETCH(QString, table);
    QFETCH(QString, insert);
    QFETCH(QString, column);
    TEST_REGISTER(db);
    const ConnectionPtr c = db.conn();
    // The triggers must not rely on SQLite's default of no trigger recursion.
    if (db.backend() == Backend::SQLite) QVERIFY(c->Execute("PRAGMA recursive_triggers = ON"));
    // An entry written long ago: the insert gives MODDATE itself, which an update cannot.
    QString old = insert;
    old.replace(0, 1, "(MODDATE, ").replace("VALUES (", "VALUES (" + kOldStamp + ", ");
    QVERIFY2(c->Execute("INSERT INTO " + table + " " + old), qPrintable(c->LastErrorText()));
    QCOMPARE(value(c, "SELECT MODFLAG FROM " + table).toString(), QString("N"));
    QCOMPARE(value(c, "SELECT MODDATE FROM " + table).toDateTime(),
             QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));

    QVERIFY(c->Execute("UPDATE " + table + " SET " + column + " = 'Άλλο', MODUSER = 2"));
    QCOMPARE(value(c, "SELECT MODFLAG FROM " + table).toString(), QString("M"));
    QVERIFY(isNow(db, value(c, "SELECT MODDATE FROM " + table)));

    // A soft delete stays a delete, also through later updates that leave MODFLAG alone.
    QVERIFY(c->Execute("UPDATE " + table + " SET MODFLAG = 'D', MODDATE = getdate(), MODUSER = 3"));
    QCOMPARE(value(c, "SELECT MODFLAG FROM " + table).toString(), QString("D"));
    SqliteSupport::setClock(kClock.addSecs(3600));
    QVERIFY(c->Execute("UPDATE " + table + " SET MODUSER = 4"));
    QCOMPARE(value(c, "SELECT MODFLAG FROM " + table).toString(), QString("D"));
    if (db.backend() == Backend::SQLite)
        QCOMPARE(value(c, "SELECT MODDATE FROM " + table).toDateTime(), kClock.addSecs(3600));

    // The register's own update writes MODFLAG='M' and brings the entry back.
    QVERIFY(c->Execute("UPDATE " + table + " SET MODFLAG = 'M', MODUSER = 5"));
    QCOMPARE(value(c, "SELECT MODFLAG FROM " + table).toString(), QString("M"));
}

// Every table a window saves carries a row version: 0 for a new row (numbering a new entry is no
// change), greater with every update, also one that writes the same values.
void tst_Schema::rowVersion_data() {
    addRowStateRows();
    for (const Backend b : TestDatabase::configuredBackends())
        QTest::newRow(qPrintable(TestDatabase::backendTag(b) + " USERS"))
            << TestDatabase::backendTag(b) << "USERS"
            << "(U_NAME, U_AUTH, MODUSER) VALUES ('maria', 128, 1)"
            << "U_PHONE1";
}

void tst_Schema::rowVersion() {
    QFETCH(QString, table);
    QFETCH(QString, insert);
    QFETCH(QString, column);
    TEST_REGISTER(db);
    const ConnectionPtr c = db.conn();
    if (db.backend() == Backend::SQLite) QVERIFY(c->Execute("PRAGMA recursive_triggers = ON"));
    QVERIFY2(c->Execute("INSERT INTO " + table + " " + insert), qPrintable(c->LastErrorText()));
    int version = value(c, "SELECT ROWVER FROM " + table).toInt();
    QCOMPARE(version, 0);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(c->Execute("UPDATE " + table + " SET " + column + " = 'Ίδιο'"));
        // On SQLite the MODDATE trigger's own update counts as well: what matters is the change.
        const int now = value(c, "SELECT ROWVER FROM " + table).toInt();
        QVERIFY2(now > version, qPrintable(QString::number(now)));
        version = now;
    }
}

void tst_Schema::greekEqualityAndOrder() {
    TEST_REGISTER(db, .supervisorName = "Διαχειριστής", .supervisorPassword = "κωδικός");
    const ConnectionPtr c = db.conn();
    for (const char* d : {"Ωμέγα", "άλφα", "Βήτα", "γάμμα", "ΑΛΦΑΒΗΤΟ"})
        QVERIFY(
            c->Execute(QStringLiteral("INSERT INTO L_TMHMATA (CODE, DESCR, MODUSER) VALUES ('C', '%1', 1)")
                           .arg(QString::fromUtf8(d))));
    QCOMPARE(firstColumn(c, "SELECT DESCR FROM L_TMHMATA ORDER BY DESCR"),
             QStringList({"άλφα", "ΑΛΦΑΒΗΤΟ", "Βήτα", "γάμμα", "Ωμέγα"}));
    QCOMPARE(firstColumn(c, "SELECT DESCR FROM L_TMHMATA WHERE DESCR = 'ΒΗΤΑ'"), QStringList({"Βήτα"}));
    QCOMPARE(firstColumn(c, "SELECT DESCR FROM L_TMHMATA WHERE DESCR = 'αλφα'"), QStringList({"άλφα"}));
    // The log-in finds its user whatever the case and accents typed.
    QCOMPARE(firstColumn(c, "SELECT U_NAME FROM USERS WHERE U_NAME = 'ΔΙΑΧΕΙΡΙΣΤΗΣ'"),
             QStringList({"Διαχειριστής"}));
}

void tst_Schema::greekLike() {
    TEST_REGISTER(db);
    const ConnectionPtr c = db.conn();
    for (const char* t : {"ΔΙΑΓΩΝΙΣΜΟΣ ΠΡΟΜΗΘΕΙΑΣ", "Αίτηση άδειας", "Νέος διαγωνισμός", "διαγωνισμοί 2025"})
        QVERIFY(c->Execute(
            QStringLiteral(
                "INSERT INTO PROTOCOL (HMEROM, THEMA, APO, MODUSER) VALUES ('2026-03-02', '%1', '%1', 1)")
                .arg(QString::fromUtf8(t))));
    const SqlDialect& d = c->dialect();
    QCOMPARE(firstColumn(c, "SELECT THEMA FROM PROTOCOL WHERE " + d.like("THEMA", "'%διαγωνισμός%'") +
                                " ORDER BY ID"),
             QStringList({"ΔΙΑΓΩΝΙΣΜΟΣ ΠΡΟΜΗΘΕΙΑΣ", "Νέος διαγωνισμός"}));
    QCOMPARE(firstColumn(c, "SELECT APO FROM PROTOCOL P WHERE " + d.like("P.APO", "'αιτηση%'")),
             QStringList({"Αίτηση άδειας"}));
}

void tst_Schema::seedRows() {
    {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "admin1",
                      .docsFolder = "/srv/έγγραφα", .passwordWarningDays = 7);
        const ConnectionPtr c = db.conn();
        Recordset u;
        QVERIFY(u.Open("SELECT * FROM USERS", c));
        QCOMPARE(u.RecordCount(), 1);
        QCOMPARE(u.Value("U_NAME").toString(), QString("ADMIN"));
        QCOMPARE(PswFormat::Read(u.Value("U_PSW").toString()), QString("ADMIN1"));
        QCOMPARE(u.Value("U_AUTH").toLongLong(), 0x103FFC0LL);
        QCOMPARE(u.Value("USER_GROUP_ID").toInt(), 1);
        QCOMPARE(u.Value("U_EXP_DAYS").toInt(), 0);
        QVERIFY(u.Value("U_EXP_DATE").isNull());
        QCOMPARE(u.Value("MODUSER").toInt(), u.Value("USER_ID").toInt());
        QCOMPARE(
            firstColumn(
                c, "SELECT USER_GROUP_DESCR FROM L_USER_GROUPS WHERE MODFLAG <> 'D' ORDER BY USER_GROUP_ID"),
            QStringList({"Διαχειριστές", "Χρήστες"}));
        QCOMPARE(DBHelper::LookupValue(c, "PARAM", "PCODE='PFOLD'", "PVAL", 0, ","), QString("/srv/έγγραφα"));
        QCOMPARE(DBHelper::LookupValue(c, "PARAM", "PCODE='PCHK'", "PVAL", 0, ","), QString("7"));
    }
    {
        TEST_REGISTER(db);
        QCOMPARE(value(db.conn(), "SELECT count(*) FROM USERS").toInt(), 0);
        QCOMPARE(firstColumn(db.conn(), "SELECT PCODE || '=' || PVAL FROM PARAM"), QStringList({"PCHK=10"}));
        // A real register starts without sample lists.
        QCOMPARE(value(db.conn(), "SELECT count(*) FROM L_TMHMATA").toInt() +
                     value(db.conn(), "SELECT count(*) FROM L_TYPOI").toInt(),
                 0);
    }
    {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1", .demoSamples = true);
        const ConnectionPtr c = db.conn();
        QCOMPARE(
            firstColumn(c, "SELECT CODE || '=' || DESCR FROM L_TMHMATA ORDER BY ID"),
            QStringList({"ΓΡΑΜ=Γραμματεία", "ΛΟΓ=Λογιστήριο", "ΠΡΟΜ=Προμήθειες", "ΤΕΧΝ=Τεχνική Υπηρεσία"}));
        QCOMPARE(firstColumn(c, "SELECT CODE FROM L_TYPOI WHERE MODFLAG = 'N' ORDER BY ID"),
                 QStringList({"ΕΓΓ", "ΑΙΤ", "ΔΙΑΒ", "EMAIL"}));
        QCOMPARE(value(c, "SELECT count(*) FROM L_TYPOI WHERE MODUSER = (SELECT USER_ID FROM USERS)").toInt(),
                 4);
    }
}

void tst_Schema::failureLeavesNothing() {
    TEST_DATABASE(db);
    const ConnectionPtr c = db.conn();
    // PARAM comes last: everything before it has been made when its CREATE fails.
    QVERIFY(c->Execute("CREATE TABLE PARAM (X INTEGER)"));
    QString error;
    QVERIFY(!RegisterSchema::Create(c, {.supervisorName = "ADMIN", .supervisorPassword = "ADMIN1"}, &error));
    QVERIFY2(error.contains("PARAM", Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(!c->InTransaction());
    QCOMPARE(objects(db), QStringList({"PARAM"}));
    if (db.backend() == Backend::SQLite) {
        QCOMPARE(value(c, "SELECT count(*) FROM sqlite_master").toInt(), 1);
    } else {
        QCOMPARE(
            value(c, "SELECT count(*) FROM pg_proc WHERE proname IN ('protocol_number', 'set_row_modified')")
                .toInt(),
            0);
        QCOMPARE(value(c, "SELECT count(*) FROM pg_collation WHERE collname = 'greek_ci_ai'").toInt(), 0);
    }
    // Once the obstacle is gone the same connection makes the register.
    QVERIFY(c->Execute("DROP TABLE PARAM"));
    QVERIFY2(RegisterSchema::Create(c, {}, &error), qPrintable(error));
    QVERIFY(objects(db).contains("PROTOCOL"));
}

QTEST_GUILESS_MAIN(tst_Schema)
#include "tst_schema.moc"
