#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "App.h"
#include "Cp1253.h"
#include "DBHelper.h"
#include "FieldCondBuilder.h"
#include "Err.h"
#include "MsgBox.h"
#include "NewVersionCheckFor.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "SqlDialect.h"
#include "SqliteSupport.h"
#include "TestDatabase.h"
#include "TestSupport.h"
#include "cls_Error.h"
#include "modDeclare.h"

namespace {

enum class State { BeforeStep1, BetweenSteps, Current };

const QString kProbe1 = QStringLiteral("#Open : Select PERILIPSI_EIS From Protocol where id = 1");
const QString kProbe2 = QStringLiteral("#Open : Select top 1 ARXEIOTHETHSH From Protocol");
const QString kProbeVersion = QStringLiteral("#Open : Select ROWVER From Protocol where id = 1");
const QString kProbeToken = QStringLiteral("#Open : Select SAVETOKEN From Protocol where id = 1");
const QString kBoxTitle = QStringLiteral("Σφάλμα Αναβάθμισης");
const QString kBoxTail = QStringLiteral(
    "\r\n\r\nΑδυναμία αναβάθμισης Βάσης δεδομένων \r\nΚωδικός αναφοράς: [Αναβάθμιση 3.10] \r\n"
    "Παρακαλώ επικοινωνήστε με την εταιρία Tavrel.");

// The rows of a query, each row's values joined by "|"; empty when it fails.
QStringList rowsOf(const ConnectionPtr& conn, const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, conn)) return {};
    QStringList out;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList values;
        for (int i = 0; i < rs.FieldCount(); ++i) values << rs.Value(i).toString();
        out << values.join(QLatin1Char('|'));
    }
    return out;
}

// Everything the upgrade could touch: tables and their columns, indexes, triggers, functions.
QStringList schemaOf(const ConnectionPtr& conn) {
    if (conn->backend() == Backend::SQLite)
        return rowsOf(conn, QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name"));
    return rowsOf(conn, QStringLiteral("SELECT table_name, column_name, data_type, character_maximum_length,"
                                       " collation_name, is_nullable, column_default"
                                       " FROM information_schema.columns WHERE table_schema = 'public'"
                                       " ORDER BY 1, 2")) +
           rowsOf(conn,
                  QStringLiteral("SELECT indexdef FROM pg_indexes WHERE schemaname = 'public' ORDER BY 1")) +
           rowsOf(conn, QStringLiteral("SELECT tgname FROM pg_trigger WHERE NOT tgisinternal ORDER BY 1")) +
           rowsOf(conn, QStringLiteral("SELECT proname FROM pg_proc"
                                       " WHERE pronamespace = 'public'::regnamespace ORDER BY 1"));
}

bool indexExists(const ConnectionPtr& conn, const QString& name) {
    const QString sql =
        conn->backend() == Backend::SQLite
            ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND name = '%1'")
            : QStringLiteral("SELECT indexname FROM pg_indexes WHERE indexname = lower('%1')");
    return rowsOf(conn, sql.arg(name)).size() == 1;
}

bool execAll(const ConnectionPtr& conn, const QStringList& statements) {
    for (const QString& sql : statements)
        if (!conn->Execute(sql)) return false;
    return true;
}

// A register database as the installation makes it, in the given state, with one entry (ID 1).
bool makeRegister(TestDatabase& db, State state) {
    if (!createRegister(db, RegisterSchema::Options{.preUpgrade = state != State::Current})) return false;
    QStringList sql{
        QStringLiteral("INSERT INTO PROTOCOL (HMEROM, PROS, MODUSER) VALUES ('2026-01-02', 'Δήμος', 1)")};
    if (state == State::BetweenSteps) sql << NewVersionCheckFor::UpgradeStatements(1, db.backend());
    return execAll(db.conn(), sql);
}

// The tables whose shape the upgrade changes: the register, the filing-location list and every
// table with a row version.
QStringList upgradedTables() {
    QStringList tables{QStringLiteral("PROTOCOL"), QStringLiteral("L_ARXEIOTHETHSH")};
    for (const NewVersionCheckFor::VersionedTable& t : NewVersionCheckFor::VersionedTables())
        if (!tables.contains(t.table)) tables << t.table;
    return tables;
}

// How the installation defines what the upgrade adds: the columns of the upgraded tables, their
// indexes and the names of their triggers.
QStringList shapeOf(const ConnectionPtr& conn) {
    QStringList quoted;
    for (const QString& t : upgradedTables()) quoted << QLatin1Char('\'') + t.toLower() + QLatin1Char('\'');
    const QString tables = quoted.join(QLatin1Char(','));
    if (conn->backend() == Backend::PostgreSQL)
        return rowsOf(conn,
                      QStringLiteral("SELECT table_name, column_name, data_type, character_maximum_length,"
                                     " collation_schema, collation_name, is_nullable, column_default,"
                                     " is_identity FROM information_schema.columns"
                                     " WHERE table_name IN (%1) ORDER BY 1, 2")
                          .arg(tables)) +
               rowsOf(conn,
                      QStringLiteral("SELECT indexdef FROM pg_indexes WHERE tablename IN (%1) ORDER BY 1")
                          .arg(tables)) +
               rowsOf(conn,
                      QStringLiteral("SELECT tgrelid::regclass::text, tgname FROM pg_trigger"
                                     " WHERE NOT tgisinternal AND lower(tgrelid::regclass::text) IN (%1)"
                                     " ORDER BY 1, 2")
                          .arg(tables));
    // SQLite cannot widen PROS: its declared type stays as it was (the length is not enforced).
    QStringList columns;
    for (const QString& t : upgradedTables())
        columns << QStringLiteral(
                       "SELECT '%1', name, upper(type), \"notnull\", dflt_value, pk"
                       " FROM pragma_table_info('%1') WHERE name <> 'PROS'")
                       .arg(t);
    return rowsOf(conn, columns.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(" ORDER BY 1, 2")) +
           rowsOf(conn, QStringLiteral("SELECT type, name, tbl_name FROM sqlite_master WHERE type IN"
                                       " ('index', 'trigger') AND lower(tbl_name) IN (%1) ORDER BY 1, 2")
                            .arg(tables));
}

// Gives every versioned table that exists its row version, as an earlier start would have.
bool versionAll(const ConnectionPtr& conn) {
    QStringList missing;
    if (!NewVersionCheckFor::TablesWithoutRowVersion(conn, &missing)) return false;
    QStringList sql;
    for (const NewVersionCheckFor::VersionedTable& t : NewVersionCheckFor::VersionedTables())
        if (missing.contains(t.table))
            sql << NewVersionCheckFor::RowVersionStatements(conn->backend(), t.table, t.key);
    return execAll(conn, sql);
}

// Gives every versioned table that exists its save token, as an earlier start would have.
bool tokenAll(const ConnectionPtr& conn) {
    QStringList missing;
    if (!NewVersionCheckFor::TablesWithout(conn, QStringLiteral("SAVETOKEN"), &missing)) return false;
    QStringList sql;
    for (const NewVersionCheckFor::VersionedTable& t : NewVersionCheckFor::VersionedTables())
        if (missing.contains(t.table)) sql << NewVersionCheckFor::SaveTokenStatements(conn->backend(), t.table);
    return execAll(conn, sql);
}

// A PostgreSQL log-in that may read and write the register's tables but owns none of them; dropped
// with everything it made when the test ends.
struct PgRole {
    ConnectionPtr admin;
    QString name;
    ConnectionPtr conn;

    PgRole(const TestDatabase& db, bool mayCreate) : admin(db.conn()) {
        name = QStringLiteral("upg_clerk_%1")
                   .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        QStringList sql{
            QStringLiteral("CREATE ROLE %1 LOGIN").arg(name),
            QStringLiteral("GRANT SELECT, INSERT, UPDATE ON ALL TABLES IN SCHEMA public TO %1").arg(name)};
        if (mayCreate) sql << QStringLiteral("GRANT CREATE ON SCHEMA public TO %1").arg(name);
        if (!execAll(admin, sql)) return;
        conn = std::make_shared<Connection>();
        conn->Provider = db.provider();
        conn->Open(db.connStr(), name, QString());
    }
    ~PgRole() {
        if (conn) conn->Close();
        admin->Execute(QStringLiteral("DROP OWNED BY %1").arg(name));
        admin->Execute(QStringLiteral("DROP ROLE IF EXISTS %1").arg(name));
    }
};

}  // namespace

Q_DECLARE_METATYPE(Backend)
Q_DECLARE_METATYPE(State)

class TestUpgrade : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;  // the program's folder, where the error log goes
    std::unique_ptr<AnswerQueues> m_answers;

    QString logPath() const {
        return cls_Error::LogFileName(m_dir.path(), QStringLiteral("Protocol"), 3, 10);
    }
    QByteArray logBytes() const {
        QFile f(logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The header line of every log entry; fails the test when an entry is not closed by its dashes.
    QStringList logHeaders() const {
        const QStringList lines = Cp1253::decode(logBytes()).split(QStringLiteral("\r\n"));
        QStringList headers;
        for (const QString& line : lines)
            if (line.startsWith(QLatin1Char('#')) && !line.startsWith(QStringLiteral("# "))) headers << line;
        if (lines.count(QString(30, QLatin1Char('-'))) != headers.size())
            return {QStringLiteral("broken log")};
        return headers;
    }

    static void upgrade(const ConnectionPtr& conn) {
        modDeclare::gConn = conn;
        NewVersionCheckFor::SchemaUpgrade();
    }

    // The program goes on after the upgrade: no transaction left open, no error left pending, and
    // the connection still reads and writes.
    static void verifyGoesOn(const ConnectionPtr& conn) {
        QVERIFY(!conn->InTransaction());
        QVERIFY(!Err().Pending());
        QVERIFY(conn->BeginTrans());
        QVERIFY(conn->Execute(QStringLiteral("UPDATE PROTOCOL SET MODUSER = 2 WHERE ID = 1")));
        QVERIFY(conn->CommitTrans());
        QCOMPARE(rowsOf(conn, QStringLiteral("SELECT MODUSER FROM PROTOCOL WHERE ID = 1")), QStringList{"2"});
    }

    // The columns of a current database: their lengths, the Greek collation of the texts, the
    // date-time of HMER_DIEKP; and the filing-location index.
    static void verifyCurrent(const ConnectionPtr& conn) {
        const bool pg = conn->backend() == Backend::PostgreSQL;
        const QList<QPair<QString, int>> texts{{"PERILIPSI_EIS", 150},
                                               {"THEMA_EX", 300},
                                               {"PROS", 150},
                                               {"ARXEIOTHETHSH", 50},
                                               {"SYSXETIZOMENA", 50}};
        for (const auto& [column, length] : texts) {
            const QString stored = QStringLiteral("Άλφαβ").repeated(length / 5);
            const QString typed = QStringLiteral("ΑΛΦΑΒ").repeated(length / 5);
            QVERIFY2(conn->Execute(
                         QStringLiteral("UPDATE PROTOCOL SET %1 = '%2' WHERE ID = 1").arg(column, stored)),
                     qPrintable(column + QLatin1Char(' ') + conn->LastErrorText()));
            QCOMPARE(
                rowsOf(conn, QStringLiteral("SELECT ID FROM PROTOCOL WHERE %1 = '%2'").arg(column, typed)),
                QStringList{"1"});
            if (pg)
                QVERIFY2(
                    !conn->Execute(
                        QStringLiteral("UPDATE PROTOCOL SET %1 = '%2x' WHERE ID = 1").arg(column, stored)),
                    qPrintable(column));
        }
        Err().Clear();
        QVERIFY(conn->Execute(
            QStringLiteral("UPDATE PROTOCOL SET HMER_DIEKP = '2026-03-04 10:11:12' WHERE ID = 1")));
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("SELECT HMER_DIEKP FROM PROTOCOL WHERE ID = 1"), conn));
        QCOMPARE(rs.Value(0).toDateTime(), QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));
        QVERIFY(indexExists(conn, QStringLiteral("IX_L_ARXEIOTHETHSH")));
    }

    static void checkBox(const QString& descriptionPart) {
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().takeFirst();
        QCOMPARE(box.title, kBoxTitle);
        QCOMPARE(box.icon(), int(vb::vbExclamation));
        QCOMPARE(box.buttonSet(), int(vb::vbOKOnly));
        QVERIFY2(box.prompt.endsWith(kBoxTail), qPrintable(box.prompt));
        const QString description = box.prompt.chopped(kBoxTail.size());
        QVERIFY2(description.contains(descriptionPart, Qt::CaseInsensitive), qPrintable(description));
        QVERIFY(!description.contains(QStringLiteral("\r\n")));
    }

private slots:
    void init() {
        App::SetPath(m_dir.path());
        App::SetEXEName(QStringLiteral("Protocol"));
        App::SetVersion(3, 10, 0);
        QFile::remove(logPath());
        Err().Clear();
        modDeclare::gErr = std::make_unique<cls_Error>();
        modDeclare::gErr->Init(true);
        m_answers = std::make_unique<AnswerQueues>();
    }
    void cleanup() {
        m_answers.reset();
        SqliteSupport::clearClock();
        NewVersionCheckFor::mrsCheck.reset();
        SqlDialect::setActive(Backend::SQLite);
        SqlDialect::setStoredFoldsProbe({});
        modDeclare::gConn.reset();
        modDeclare::gErr.reset();
    }

    // Each state is brought to the current one; only the due steps run and leave their probe's
    // entry in the log. A second start then finds nothing to do and logs nothing.
    void upgradeToCurrent_data() {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<State>("state");
        QTest::addColumn<QStringList>("probes");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QByteArray tag = TestDatabase::backendTag(b).toLatin1();
            QTest::newRow(QByteArray(tag + " current").constData()) << b << State::Current << QStringList();
            QTest::newRow(QByteArray(tag + " before step 1").constData())
                << b << State::BeforeStep1 << QStringList{kProbe1, kProbe2, kProbeVersion, kProbeToken};
            QTest::newRow(QByteArray(tag + " between the steps").constData())
                << b << State::BetweenSteps << QStringList{kProbe2, kProbeVersion, kProbeToken};
        }
    }
    void upgradeToCurrent() {
        QFETCH(Backend, backend);
        QFETCH(State, state);
        QFETCH(QStringList, probes);
        TestDatabase db(backend);
        QVERIFY(db.ok());
        QVERIFY2(makeRegister(db, state), qPrintable(db.conn()->LastErrorText()));
        const QStringList before = schemaOf(db.conn());

        // An error left over from an earlier stage of the start-up says nothing about the schema.
        Err().Raise(5, QStringLiteral("Login"), QStringLiteral("left over"));
        upgrade(db.conn());
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(!db.conn()->InTransaction());
        QVERIFY(!Err().Pending());
        QCOMPARE(logHeaders(), probes);
        if (probes.isEmpty()) QVERIFY(!QFile::exists(logPath()));
        QVERIFY(!Cp1253::decode(logBytes()).contains(QStringLiteral("left over")));
        const QStringList after = schemaOf(db.conn());
        if (state == State::Current) QCOMPARE(after, before);
        TestDatabase installed(backend);
        QVERIFY(createRegister(installed));
        QCOMPARE(shapeOf(db.conn()), shapeOf(installed.conn()));

        // Committed: another connection sees the new columns.
        const ConnectionPtr other = db.openAnother();
        QVERIFY(rowsOf(other, QStringLiteral("SELECT PERILIPSI_EIS, THEMA_EX, ARXEIOTHETHSH, SYSXETIZOMENA,"
                                             " HMER_DIEKP FROM PROTOCOL"))
                    .size() == 1);
        other->Close();

        const QByteArray log = logBytes();
        upgrade(db.conn());
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QCOMPARE(schemaOf(db.conn()), after);
        QCOMPARE(logBytes(), log);

        verifyCurrent(db.conn());
        verifyGoesOn(db.conn());
    }

    // A PostgreSQL register made before the stored folds gets them with their indexes, in place of
    // the indexes on the fold itself; the searches then read them and still find Greek text without
    // regard to case, accents and final sigma, and a row another user changes is found by its new
    // text at once.
    void foldedColumnsOnOlderRegister() {
        if (!TestDatabase::configuredBackends().contains(Backend::PostgreSQL)) QSKIP("no PostgreSQL");
        TestDatabase db(Backend::PostgreSQL);
        QVERIFY(db.ok());
        const ConnectionPtr conn = db.conn();
        QVERIFY(createRegister(db, RegisterSchema::Options{.preUpgrade = true}));
        QVERIFY(execAll(conn, NewVersionCheckFor::UpgradeStatements(1, Backend::PostgreSQL) +
                                  NewVersionCheckFor::UpgradeStatements(2, Backend::PostgreSQL)));
        QVERIFY(conn->Execute(QStringLiteral(
            "INSERT INTO PROTOCOL (HMEROM, THEMA, APO, MODUSER) VALUES"
            " ('2026-01-02', 'Προκήρυξη ΔΙΑΓΩΝΙΣΜΟΥ', 'Δήμος', 1), ('2026-01-03', 'Άδεια', 'ΔΉΜΟΣ Αθηναίων', 1),"
            " ('2026-01-04', 'ο διαγωνισμός', NULL, 1)")));
        QVERIFY(indexExists(conn, QStringLiteral("IX_PROTOCOL_THEMA_FOLD")));
        QVERIFY(!indexExists(conn, QStringLiteral("IX_L_PHRASES_DESCR")));
        QCOMPARE(NewVersionCheckFor::MissingFoldedColumns(
                     rowsOf(conn, QStringLiteral("SELECT column_name FROM information_schema.columns"
                                                 " WHERE table_name = 'protocol'"))),
                 PgFoldedColumns());

        SqlDialect::setActive(Backend::PostgreSQL);
        const auto condOf = [](const QString& column, const QString& typed, int mode) {
            QString cond;
            FieldCondBuilder::FieldCond(column, typed, mode, 0, 0, nullptr, QString(), cond);
            return cond;
        };
        const auto found = [&](const QString& column, const QString& typed, int mode) {
            return rowsOf(conn, QStringLiteral("SELECT ID FROM PROTOCOL P WHERE ") + condOf(column, typed, mode) +
                                    QStringLiteral(" ORDER BY ID"));
        };
        // Until the folds are there (an upgrade that failed), the searches fold in the statement.
        QVERIFY(!condOf(QStringLiteral("THEMA"), QStringLiteral("x"), FieldCondBuilder::Contains)
                     .contains("_FOLD"));
        QCOMPARE(found(QStringLiteral("THEMA"), QStringLiteral("ΔΙΑΓΩΝΙΣΜΟΣ"), FieldCondBuilder::Contains),
                 QStringList({"3"}));
        QCOMPARE(found(QStringLiteral("P.APO"), QStringLiteral("δημος"), FieldCondBuilder::BeginsWith),
                 QStringList({"1", "2"}));

        upgrade(conn);
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(!Err().Pending());
        QVERIFY(!conn->InTransaction());
        QVERIFY(condOf(QStringLiteral("THEMA"), QStringLiteral("x"), FieldCondBuilder::Contains).contains("THEMA_FOLD"));
        QVERIFY(condOf(QStringLiteral("P.APO"), QStringLiteral("x"), FieldCondBuilder::Contains).contains("P.APO_FOLD"));
        QCOMPARE(rowsOf(conn, QStringLiteral("SELECT THEMA_FOLD FROM PROTOCOL ORDER BY ID")),
                 QStringList({"προκηρυξη διαγωνισμου", "αδεια", "ο διαγωνισμοσ"}));
        QCOMPARE(rowsOf(conn, QStringLiteral("SELECT indexdef FROM pg_indexes WHERE indexname ="
                                             " 'ix_protocol_thema_fold'")),
                 QStringList{"CREATE INDEX ix_protocol_thema_fold ON public.protocol USING gin"
                             " (thema_fold gin_trgm_ops)"});
        QVERIFY(indexExists(conn, QStringLiteral("IX_PROTOCOL_PROT_AA")));
        for (const QString& table : PickerTables())
            QVERIFY2(indexExists(conn, QStringLiteral("IX_%1_DESCR").arg(table)), qPrintable(table));

        QCOMPARE(found(QStringLiteral("THEMA"), QStringLiteral("ΔΙΑΓΩΝΙΣΜΟΣ"), FieldCondBuilder::Contains),
                 QStringList({"3"}));
        QCOMPARE(found(QStringLiteral("THEMA"), QStringLiteral("διαγωνισμ"), FieldCondBuilder::Contains),
                 QStringList({"1", "3"}));
        QCOMPARE(found(QStringLiteral("P.APO"), QStringLiteral("δημος"), FieldCondBuilder::BeginsWith),
                 QStringList({"1", "2"}));
        QCOMPARE(found(QStringLiteral("THEMA"), QStringLiteral("αδεια"), FieldCondBuilder::Equal),
                 QStringList({"2"}));

        const ConnectionPtr other = db.openAnother();
        QVERIFY(other->Execute(QStringLiteral("UPDATE PROTOCOL SET THEMA = 'Νέος Διαγωνισμός' WHERE ID = 2")));
        QCOMPARE(found(QStringLiteral("THEMA"), QStringLiteral("ΔΙΑΓΩΝΙΣΜΟΣ"), FieldCondBuilder::Contains),
                 QStringList({"2", "3"}));
        other->Close();
        verifyGoesOn(conn);
    }

    // The upgrade's trigger dates a changed filing location with the server's clock and marks it 'M';
    // a new row takes the defaults. Recursive triggers must not make the trigger loop.
    void filingLocationTrigger_data() {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<bool>("recursiveTriggers");
        for (const Backend b : TestDatabase::configuredBackends())
            QTest::newRow(TestDatabase::backendTag(b).toLatin1().constData()) << b << false;
        QTest::newRow("sqlite recursive triggers") << Backend::SQLite << true;
    }
    void filingLocationTrigger() {
        QFETCH(Backend, backend);
        QFETCH(bool, recursiveTriggers);
        TestDatabase db(backend);
        QVERIFY(db.ok());
        const ConnectionPtr conn = db.conn();
        QVERIFY(makeRegister(db, State::BeforeStep1));
        upgrade(conn);
        QVERIFY(MsgBoxHook::Log().isEmpty());
        if (recursiveTriggers) QVERIFY(conn->Execute(QStringLiteral("PRAGMA recursive_triggers = ON")));

        const bool sqlite = backend == Backend::SQLite;
        const QDateTime created(QDate(2026, 1, 2), QTime(8, 0, 0));
        const QDateTime changed(QDate(2026, 1, 5), QTime(9, 30, 15));
        if (sqlite) SqliteSupport::setClock(created);
        const QDateTime t0 = DBHelper::ServerNow(conn).toDateTime();
        QVERIFY(conn->Execute(
            QStringLiteral("INSERT INTO L_ARXEIOTHETHSH (DESCR, MODUSER) VALUES ('Ράφι Α', 1)")));
        QVERIFY(
            conn->Execute(QStringLiteral("INSERT INTO L_ARXEIOTHETHSH (DESCR, MODDATE, MODUSER)"
                                         " VALUES ('Ράφι Β', '2001-02-03 04:05:06', 1)")));
        const QDateTime t1 = DBHelper::ServerNow(conn).toDateTime();

        Recordset rs;
        QVERIFY(
            rs.Open(QStringLiteral("SELECT ID, MODFLAG, MODDATE FROM L_ARXEIOTHETHSH ORDER BY DESCR"), conn));
        QCOMPARE(rs.RecordCount(), 2);
        QCOMPARE(rs.Value(1).toString(), QStringLiteral("N"));
        QVERIFY(rs.Value(2).toDateTime() >= t0 && rs.Value(2).toDateTime() <= t1);
        const QVariant firstId = rs.Value(0);
        rs.MoveNext();
        QVERIFY(!rs.Value(0).isNull() && rs.Value(0) != firstId);

        if (sqlite) SqliteSupport::setClock(changed);
        const QDateTime t2 = DBHelper::ServerNow(conn).toDateTime();
        qint64 affected = 0;
        QVERIFY2(conn->Execute(QStringLiteral("UPDATE L_ARXEIOTHETHSH SET DESCR = 'Ράφι Γ', MODUSER = 2"
                                              " WHERE DESCR = 'ΡΑΦΙ Β'"),
                               &affected),
                 qPrintable(conn->LastErrorText()));
        QCOMPARE(affected, 1);
        const QDateTime t3 = DBHelper::ServerNow(conn).toDateTime();

        QVERIFY(rs.Open(QStringLiteral("SELECT DESCR, MODFLAG, MODDATE FROM L_ARXEIOTHETHSH ORDER BY DESCR"),
                        conn));
        QCOMPARE(rs.Value(1).toString(), QStringLiteral("N"));
        rs.MoveNext();
        QCOMPARE(rs.Value(0).toString(), QStringLiteral("Ράφι Γ"));
        QCOMPARE(rs.Value(1).toString(), QStringLiteral("M"));
        const QDateTime stamped = rs.Value(2).toDateTime();
        if (sqlite) QCOMPARE(stamped, changed);
        QVERIFY(stamped >= t2 && stamped <= t3);
    }

    // A register whose save token was on the register alone: the next start gives the users and
    // every lookup list theirs, silently, as the installation makes them.
    void tokensOfTheLists_data() { TestDatabase::addBackendRows(); }
    void tokensOfTheLists() {
        TEST_DATABASE(db);
        const ConnectionPtr conn = db.conn();
        QVERIFY(makeRegister(db, State::Current));
        QStringList drop;
        for (const NewVersionCheckFor::VersionedTable& t : NewVersionCheckFor::VersionedTables())
            if (t.table != QLatin1String("PROTOCOL"))
                drop << QStringLiteral("ALTER TABLE %1 DROP COLUMN SAVETOKEN").arg(t.table);
        QVERIFY(execAll(conn, drop));
        QStringList missing;
        QVERIFY(NewVersionCheckFor::TablesWithout(conn, QStringLiteral("SAVETOKEN"), &missing));
        QCOMPARE(missing.size(), NewVersionCheckFor::VersionedTables().size() - 1);
        upgrade(conn);
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QCOMPARE(logHeaders(), QStringList());
        QVERIFY(NewVersionCheckFor::TablesWithout(conn, QStringLiteral("SAVETOKEN"), &missing));
        QCOMPARE(missing, QStringList());
        TestDatabase installed(db.backend());
        QVERIFY(createRegister(installed));
        QCOMPARE(shapeOf(conn), shapeOf(installed.conn()));
        verifyGoesOn(conn);
    }

    // A register whose tables got their row versions before the filing-location list existed:
    // the start that makes the list gives it its version too, silently, and it counts updates.
    void versionOfALaterTable_data() { TestDatabase::addBackendRows(); }
    void versionOfALaterTable() {
        TEST_DATABASE(db);
        const ConnectionPtr conn = db.conn();
        QVERIFY(makeRegister(db, State::BeforeStep1));
        QVERIFY(versionAll(conn));
        upgrade(conn);
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QCOMPARE(logHeaders(), (QStringList{kProbe1, kProbe2, kProbeToken}));
        TestDatabase installed(db.backend());
        QVERIFY(createRegister(installed));
        QCOMPARE(shapeOf(conn), shapeOf(installed.conn()));
        QVERIFY(
            conn->Execute(QStringLiteral("INSERT INTO L_ARXEIOTHETHSH (DESCR, MODUSER) VALUES ('Ράφι', 1)")));
        QVERIFY(conn->Execute(QStringLiteral("UPDATE L_ARXEIOTHETHSH SET DESCR = 'Ράφι Β'")));
        QVERIFY(rowsOf(conn, QStringLiteral("SELECT ROWVER FROM L_ARXEIOTHETHSH")).value(0).toInt() > 0);
    }

    // A failing statement of step 1 is not reported: it ends step 1, the upgrade goes on to step 2,
    // and no box, log entry or pending error remains.
    void step1FailureGoesUnreported_data() { TestDatabase::addBackendRows(); }
    void step1FailureGoesUnreported() {
        TEST_DATABASE(db);
        const ConnectionPtr conn = db.conn();
        QVERIFY(makeRegister(db, State::BeforeStep1));
        // A column of the step already there makes the step fail.
        QVERIFY(conn->Execute(QStringLiteral("ALTER TABLE PROTOCOL ADD COLUMN THEMA_EX varchar(300)")));

        modDeclare::gConn = conn;
        QVERIFY(conn->BeginTrans());
        NewVersionCheckFor::UpgradeStep1();
        QVERIFY(Err().Pending());
        QVERIFY(Err().Description.contains(QStringLiteral("THEMA_EX"), Qt::CaseInsensitive));
        QVERIFY(conn->RollbackTrans());
        Err().Clear();
        QFile::remove(logPath());

        upgrade(conn);
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QCOMPARE(logHeaders(), (QStringList{kProbe1, kProbe2, kProbeVersion, kProbeToken}));
        QCOMPARE(rowsOf(conn, QStringLiteral("SELECT count(*) FROM PROTOCOL WHERE ARXEIOTHETHSH IS NULL")),
                 QStringList{"1"});
        verifyGoesOn(conn);
    }

    // A step 2 that stopped after creating the filing-location table is due again at every start and
    // now fails at once, because the table exists: the box each time, the rest skipped, the program
    // goes on.
    void step2RetryFailsOnExistingTable_data() { TestDatabase::addBackendRows(); }
    void step2RetryFailsOnExistingTable() {
        TEST_DATABASE(db);
        const ConnectionPtr conn = db.conn();
        QVERIFY(makeRegister(db, State::BetweenSteps));
        QVERIFY(execAll(conn, NewVersionCheckFor::UpgradeStatements(2, db.backend()).mid(0, 1)));
        QVERIFY(versionAll(conn));
        QVERIFY(tokenAll(conn));
        const QStringList before = schemaOf(conn);
        for (int start = 1; start <= 2; ++start) {
            upgrade(conn);
            checkBox(QStringLiteral("already exists"));
            QCOMPARE(schemaOf(conn), before);
            verifyGoesOn(conn);
        }
        QCOMPARE(logHeaders(), (QStringList{kProbe2, kProbe2}));
    }

    // A log-in that may not change the schema gets the box with the server's reason and starts
    // normally; a step 2 that stopped half-way keeps what it had made.
    void step2WithoutAlterRight_data() {
        QTest::addColumn<bool>("mayCreate");
        QTest::addColumn<QString>("firstReason");
        QTest::addColumn<bool>("tableMade");
        QTest::addColumn<QString>("againReason");
        QTest::newRow("no create, no ownership") << false << "permission denied for schema public" << false
                                                 << "permission denied for schema public";
        QTest::newRow("create, no ownership")
            << true << "must be owner of table protocol" << true << "already exists";
    }
    void step2WithoutAlterRight() {
        QFETCH(bool, mayCreate);
        QFETCH(QString, firstReason);
        QFETCH(bool, tableMade);
        QFETCH(QString, againReason);
        if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG is not set");
        TestDatabase db(Backend::PostgreSQL);
        QVERIFY(db.ok());
        QVERIFY(makeRegister(db, State::BetweenSteps));
        QVERIFY(versionAll(db.conn()));
        QVERIFY(tokenAll(db.conn()));
        PgRole clerk(db, mayCreate);
        QVERIFY2(clerk.conn && clerk.conn->IsOpen(), qPrintable(db.conn()->LastErrorText()));

        upgrade(clerk.conn);
        checkBox(firstReason);
        verifyGoesOn(clerk.conn);
        const QStringList tables = rowsOf(db.conn(), QStringLiteral("SELECT tablename FROM pg_tables"
                                                                    " WHERE tablename = 'l_arxeiothethsh'"));
        QCOMPARE(tables.size(), tableMade ? 1 : 0);
        QCOMPARE(rowsOf(db.conn(),
                        QStringLiteral("SELECT count(*) FROM information_schema.columns"
                                       " WHERE table_name = 'protocol' AND column_name = 'arxeiothethsh'")),
                 QStringList{"0"});

        upgrade(clerk.conn);
        checkBox(againReason);
        verifyGoesOn(clerk.conn);
        QCOMPARE(logHeaders(), (QStringList{kProbe2, kProbe2}));
    }

    // SQL Server runs the texts to the letter, blanks included; its dialect leaves them alone.
    void sqlServerTexts() {
        const QStringList step1{
            "ALTER TABLE PROTOCOL ADD PERILIPSI_EIS varchar(150) NULL, THEMA_EX varchar(300) NULL",
            "ALTER TABLE PROTOCOL ALTER COLUMN PROS VARCHAR(150)",
        };
        const QStringList step2{
            "CREATE TABLE [L_ARXEIOTHETHSH] ( [ID] [int] IDENTITY (1, 1) NOT NULL ,"
            " [DESCR] [varchar](50) COLLATE SQL_Latin1_General_CP1253_CI_AI NOT NULL ,"
            " [MODDATE] [smalldatetime] NOT NULL CONSTRAINT [DF_ARXEIOTHETHSH_MODDATE] DEFAULT (getdate()),"
            " [MODFLAG] [char] (1) COLLATE SQL_Latin1_General_CP1253_CI_AI NOT NULL"
            "    CONSTRAINT [DF_ARXEIOTHETHSH_MODFLAG] DEFAULT ('N'), [MODUSER] [int] NULL ,"
            " CONSTRAINT [PK_ARXEIOTHETHSH] PRIMARY KEY  CLUSTERED ([ID]) WITH  FILLFACTOR = 90  ON [PRIMARY]"
            " ) ON [PRIMARY]",
            "CREATE  INDEX [IX_L_ARXEIOTHETHSH] ON [dbo].[L_ARXEIOTHETHSH]([DESCR]) ON [PRIMARY]",
            "CREATE TRIGGER [L_ARXEIOTHETHSH_UPD] ON dbo.L_ARXEIOTHETHSH FOR UPDATE AS"
            " UPDATE L_ARXEIOTHETHSH SET MODDATE=getdate(), MODFLAG='M'"
            "    WHERE ID IN (SELECT ID FROM INSERTED)",
            "ALTER TABLE dbo.PROTOCOL ADD ARXEIOTHETHSH varchar(50) NULL",
            "ALTER TABLE dbo.PROTOCOL ADD SYSXETIZOMENA varchar(50) NULL",
            "ALTER TABLE dbo.PROTOCOL ADD HMER_DIEKP datetime NULL",
        };
        QCOMPARE(NewVersionCheckFor::UpgradeStatements(1, Backend::SqlServer), step1);
        QCOMPARE(NewVersionCheckFor::UpgradeStatements(2, Backend::SqlServer), step2);
        const SqlDialect& dialect = SqlDialect::forBackend(Backend::SqlServer);
        for (const QString& sql :
             step1 + step2 + QStringList{NewVersionCheckFor::ProbeSql(1), NewVersionCheckFor::ProbeSql(2)})
            QCOMPARE(dialect.adapt(sql), sql);
    }
};

QTEST_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
