#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QPointer>
#include <QProcess>
#include <QSqlDriver>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <memory>

#include "DBHelper.h"
#include "LookupStore.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "RegisterWindows.h"
#include "ReportHooks.h"
#include "ReportOptions.h"
#include "Rights.h"
#include "SettingsStore.h"
#include "StrHelper.h"
#include "TestSupport.h"
#include "clsDBForm.h"
#include "clsInit.h"
#include "frmLookup.h"
#include "frmMDI.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {
constexpr long kUserId = 5;
const QString kNoCode = QStringLiteral("Υποχρεωτική καταχώρηση κωδικού!");
const QString kDuplicate =
    QStringLiteral("Πρέπει να δώσετε άλλο κωδικό γιατί αυτός είναι ήδη καταχωρημένος!");
const QString kDelete = QStringLiteral("Σίγουρα να γίνει η διαγραφή;");
const QString kAddedAfterLoss = QStringLiteral(
    "Η σύνδεση με τη βάση δεδομένων χάθηκε πριν φτάσει η απάντηση της βάσης· η καταχώρηση βρέθηκε "
    "αποθηκευμένη: προστέθηκε.");
const QString kAddLost = QStringLiteral(
    "Η σύνδεση με τη βάση δεδομένων χάθηκε. Η καταχώρηση δεν προστέθηκε. Ό,τι πληκτρολογήσατε είναι "
    "ακόμη στα πεδία: πατήστε «Προσθήκη» για να την προσθέσετε.");
const QString kAddUnknown = QStringLiteral(
    "Η σύνδεση με τη βάση δεδομένων χάθηκε. Δεν είναι ακόμη γνωστό αν η καταχώρηση προστέθηκε. Ό,τι "
    "πληκτρολογήσατε είναι ακόμη στα πεδία: όταν η σύνδεση αποκατασταθεί, πατήστε «Προσθήκη»· θα "
    "ελεγχθεί πρώτα αν η καταχώρηση προστέθηκε, ώστε να μη γραφτεί δύο φορές.");
const QString kDeleteConflict = QStringLiteral(
    "Άλλος χρήστης άλλαξε την εγγραφή αφού εμφανίστηκε εδώ· η διαγραφή δεν έγινε.\r\n"
    "Να εμφανιστεί η εγγραφή όπως είναι τώρα;");
const QString kGone = QStringLiteral("Η εγγραφή δεν βρέθηκε: ίσως τη διέγραψε άλλος χρήστης.");

QStringList column(const QString& sql) {
    QStringList out;
    Recordset rs;
    if (!rs.Open(sql, gConn)) return {QStringLiteral("<error>")};
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList values;
        for (int i = 0; i < rs.FieldCount(); ++i)
            values << (rs.Value(i).isNull() ? QStringLiteral("<null>") : rs.Value(i).toString());
        out << values.join(QLatin1Char('|'));
    }
    return out;
}

QStringList prompts() {
    QStringList out;
    for (const MsgBoxHook::Shown& s : MsgBoxHook::Log()) out << s.prompt;
    return out;
}

// The grid's texts of a column, top to bottom.
QStringList gridColumn(const frmLookup& form, int col) {
    QStringList out;
    const QAbstractItemModel* m = form.tdbg->model();
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, col).data().toString();
    return out;
}

QString currentDescr(const frmLookup& form) {
    const QModelIndex i = form.tdbg->currentIndex();
    return i.isValid() ? form.tdbg->model()->index(i.row(), 1).data().toString() : QString();
}

// Puts the grid on the row whose description is given.
bool standOn(frmLookup& form, const QString& descr) {
    const int row = int(gridColumn(form, 1).indexOf(descr));
    if (row < 0) return false;
    form.tdbg->setCurrentIndex(form.tdbg->model()->index(row, 1));
    return form.txt[1]->text() == descr;
}

// The adder's SQLite busy handler: says "busy" when a write lock it asks for is held, then waits
// for it as the busy timeout would.
int reportBusy(void*, int count) {
    if (count == 0) {
        printf("busy\n");
        fflush(stdout);
    }
    if (count >= 60000) return 0;
    sqlite3_sleep(1);
    return 1;
}

// The second program of the two-adders test: adds the codes K1..Kn to a list, on a connection of
// its own, each when its parent says "go" (the other adder is told at the same moment); answers
// how each went: "added", "taken" or the failure, after "busy" on SQLite whenever it waits.
int runAdder(const QStringList& args) {
    // provider, connection text, user, table, count, user id; the password from the environment,
    // never on a command line that every user of the machine can read
    if (args.size() < 8) return 2;
    auto conn = std::make_shared<Connection>();
    conn->Provider = args[2];
    const QString password = Connection::BackendForProvider(args[2]) == Backend::PostgreSQL
                                 ? qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD")
                                 : QString();
    if (!conn->Open(args[3], args[4], password)) {
        printf("open failed: %s\n", qPrintable(conn->LastErrorText()));
        return 3;
    }
    if (conn->backend() == Backend::SQLite) {
        const QVariant handle = conn->database().driver()->handle();
        if (qstrcmp(handle.typeName(), "sqlite3*") != 0) return 5;
        sqlite3_busy_handler(*static_cast<sqlite3* const*>(handle.data()), reportBusy, nullptr);
    }
    printf("ready\n");
    fflush(stdout);
    char line[16];
    for (int i = 1; i <= args[6].toInt(); ++i) {
        if (!fgets(line, sizeof line, stdin)) return 4;
        switch (LookupStore::Add(conn, args[5], QStringLiteral("CODE"), QStringLiteral("K%1").arg(i),
                                 QStringLiteral("DESCR"), QStringLiteral("Τμήμα %1").arg(i),
                                 args[7].toLong())) {
            case LookupStore::AddResult::Added:
                printf("added\n");
                break;
            case LookupStore::AddResult::CodeTaken:
                printf("taken\n");
                break;
            case LookupStore::AddResult::Failed:
            case LookupStore::AddResult::Recovered:
            case LookupStore::AddResult::Unknown:
                printf("failed: %s\n", qPrintable(DBHelper::LastError()));
                break;
        }
        fflush(stdout);
    }
    return 0;
}

void clickHeader(frmLookup& form, int column) {
    QHeaderView* header = form.tdbg->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}
}  // namespace

class TestLookup : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowSession> m_session;

    // The session on the register, with a few rows in the list; the editor opened as the menu does.
    std::unique_ptr<frmLookup> open(TestDatabase& db, int menuIndex) {
        gConn = db.conn();
        gUser = std::make_shared<cls_User>();
        gUser->UserId = kUserId;
        const frmMDI::LookupList list = frmMDI::LookupListOf(menuIndex);
        const bool code = !list.codeField.isEmpty();
        const QStringList rows{"Β|Γραμματεία|N", "Α|Λογιστήριο|N", "Γ|Αρχείο|D"};
        for (const QString& row : rows) {
            const QStringList v = row.split('|');
            const QString sql =
                code ? QStringLiteral(
                           "INSERT INTO %1 (CODE, DESCR, MODFLAG, MODUSER) VALUES ('%2', '%3', '%4', 1)")
                           .arg(list.table, v[0], v[1], v[2])
                     : QStringLiteral("INSERT INTO %1 (DESCR, MODFLAG, MODUSER) VALUES ('%2', '%3', 1)")
                           .arg(list.table, v[1], v[2]);
            if (!gConn->Execute(sql)) return nullptr;
        }
        auto form = std::make_unique<frmLookup>();
        if (!form->Init(list.caption, list.table, list.codeField, list.descrField, list.reportNo,
                        list.idField, false))
            return nullptr;
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get())) return nullptr;
        return form;
    }

private slots:
    void init() { m_session = std::make_unique<WindowSession>(); }
    void cleanup() {
        ReportHooks::LookupList = nullptr;
        m_session.reset();
    }

    // Every list of the menu: caption, statement, the code's controls, every row whatever its state.
    void lists_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("statement");
        const QList<std::tuple<int, const char*, const char*>> lists{
            {0, "Τμήματα",
             " SELECT CODE AS Code, DESCR as Descr ,ID AS Id, ROWVER FROM L_TMHMATA ORDER BY DESCR"},
            {1, "Τύποι Εισ.-Εξ.",
             " SELECT CODE AS Code, DESCR as Descr ,ID AS Id, ROWVER FROM L_TYPOI ORDER BY DESCR"},
            {2, "Από", " SELECT DESCR as Descr ,ID AS Id, ROWVER FROM L_APO ORDER BY DESCR"},
            {3, "Προς", " SELECT DESCR as Descr ,ID AS Id, ROWVER FROM L_PROS ORDER BY DESCR"},
            {4, "Τοπος προελευσης", " SELECT DESCR as Descr ,ID AS Id, ROWVER FROM L_TOPOS ORDER BY DESCR"},
            {5, "Αρμόδιοι", " SELECT DESCR as Descr ,ID AS Id, ROWVER FROM L_ARMODIOS ORDER BY DESCR"},
            {10, "Συνήθεις φράσεις",
             " SELECT DESCR as Descr ,ID AS Id, ROWVER FROM L_PHRASES ORDER BY DESCR"},
            {11, "Αρχειοθέτηση",
             " SELECT DESCR as Descr ,ID AS Id, ROWVER FROM L_ARXEIOTHETHSH ORDER BY DESCR"},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& [index, caption, sql] : lists)
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(TestDatabase::backendTag(b)).arg(index)))
                    << TestDatabase::backendTag(b) << index << QString::fromUtf8(caption)
                    << QString::fromUtf8(sql);
    }
    void lists() {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(QString, statement);
        TEST_REGISTER(db);
        auto form = open(db, index);
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), caption);
        QCOMPARE(form->Statement(), statement);
        QCOMPARE(unnamedInputs(form.get()), QStringList());
        const bool code = index < 2;
        QCOMPARE(form->txt[0]->isVisibleTo(form.get()), code);
        QCOMPARE(form->lbl[0]->isVisibleTo(form.get()), code);
        QCOMPARE(form->tdbg->isColumnHidden(0), !code);
        QVERIFY(!form->cmdSelect->isVisibleTo(form.get()));
        QCOMPARE(form->tdbg->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Κωδικός"));
        QCOMPARE(form->tdbg->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Περιγραφή"));
        // The deleted row is listed too; the grid stands on the first row, shown in the boxes.
        QCOMPARE(gridColumn(*form, 1), (QStringList{"Αρχείο", "Γραμματεία", "Λογιστήριο"}));
        QCOMPARE(form->txt[1]->text(), QStringLiteral("Αρχείο"));
        QCOMPARE(form->txt[0]->text(), code ? QStringLiteral("Γ") : QString());
        QVERIFY(form->txt[2]->text().toLong() > 0);
        // The boxes take no more than the columns hold.
        QCOMPARE(form->txt[1]->maxLength(), index == 4 ? 20 : index == 10 ? 300 : 50);
        if (code) QCOMPARE(form->txt[0]->maxLength(), 10);

        // A correction finds the row by key, also without a code.
        QVERIFY(standOn(*form, "Γραμματεία"));
        form->txt[1]->setText(QStringLiteral("Γραμματεία Α'"));
        form->cmd_Click(1);
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(currentDescr(*form), QStringLiteral("Γραμματεία Α'"));
        QCOMPARE(column(QStringLiteral("SELECT DESCR, MODUSER FROM %1 ORDER BY ID")
                            .arg(frmMDI::LookupListOf(index).table)),
                 (QStringList{"Γραμματεία Α'|5", "Λογιστήριο|1", "Αρχείο|1"}));
    }

    // Header clicks: the same header reverses, another sorts ascending; the first click on the
    // code header sorts descending.
    void sorting_data() { TestDatabase::addBackendRows(); }
    void sorting() {
        TEST_REGISTER(db);
        auto form = open(db, 0);
        QVERIFY(form);
        const QList<std::pair<int, QString>> clicks{
            {0, " ORDER BY Code DESC"},  {0, " ORDER BY Code"}, {1, " ORDER BY Descr"},
            {1, " ORDER BY Descr DESC"}, {0, " ORDER BY Code"},
        };
        const QList<QStringList> codes{
            {"Γ", "Β", "Α"}, {"Α", "Β", "Γ"}, {"Γ", "Β", "Α"}, {"Α", "Β", "Γ"}, {"Α", "Β", "Γ"}};
        for (int i = 0; i < clicks.size(); ++i) {
            clickHeader(*form, clicks[i].first);
            QVERIFY2(form->Statement().endsWith(clicks[i].second), qPrintable(form->Statement()));
            QCOMPARE(gridColumn(*form, 0), codes[i]);
        }
    }

    // Add, correct and delete on a list with codes: the refusals, the entry found again, the
    // database's own refusal reported with nothing changed and no transaction left open.
    void changes_data() { TestDatabase::addBackendRows(); }
    void changes() {
        TEST_REGISTER(db);
        auto form = open(db, 0);
        QVERIFY(form);
        const auto table = [] { return column("SELECT CODE, DESCR FROM L_TMHMATA ORDER BY ID"); };
        const QStringList before = table();

        form->txt[0]->clear();
        form->txt[1]->setText(QStringLiteral("Νέο"));
        form->cmd_Click(0);
        QCOMPARE(prompts(), QStringList{kNoCode});
        QCOMPARE(MsgBoxHook::Log().first().title, QStringLiteral("Τμήματα"));
        QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbExclamation));
        QCOMPARE(QApplication::focusWidget(), form->txt[0]);
        MsgBoxHook::Clear();
        form->txt[0]->setText(QStringLiteral("α"));  // the same code, another case
        form->cmd_Click(0);
        QCOMPARE(prompts(), QStringList{kDuplicate});
        QCOMPARE(table(), before);
        MsgBoxHook::Clear();

        // Blanks pass the empty-code test; an empty description is stored.
        form->txt[0]->setText(QStringLiteral("Δ"));
        form->txt[1]->clear();
        form->cmd_Click(0);
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(form->txt[0]->text(), QStringLiteral("Δ"));
        QCOMPARE(form->txt[1]->text(), QString());
        form->txt[0]->setText(QStringLiteral("  "));
        form->txt[1]->setText(QStringLiteral("Κενός κωδικός"));
        form->cmd_Click(0);
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(column("SELECT count(*) FROM L_TMHMATA WHERE MODUSER=5"), QStringList{"2"});

        // A correction may take another entry's code, as far as the window goes.
        QVERIFY(standOn(*form, "Λογιστήριο"));
        form->txt[0]->setText(QStringLiteral("Β"));
        form->txt[1]->setText(QStringLiteral("Λογιστήριο 2"));
        form->cmd_Click(1);
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(column("SELECT count(*) FROM L_TMHMATA WHERE CODE='Β'"), QStringList{"2"});
        // Found again by its code: the first of the two.
        QCOMPARE(form->txt[0]->text(), QStringLiteral("Β"));

        // Where the database refuses, its answer is reported and nothing changes.
        QVERIFY(gConn->Execute("UPDATE L_TMHMATA SET CODE='Ε' WHERE DESCR='Λογιστήριο 2'"));
        QVERIFY(gConn->Execute("CREATE UNIQUE INDEX UX_TEST_CODE ON L_TMHMATA (CODE)"));
        form->tdbg_HeadClick(1);  // read again, as it is now
        QVERIFY(standOn(*form, "Λογιστήριο 2"));
        const QStringList stored = table();
        form->txt[0]->setText(QStringLiteral("Β"));
        form->cmd_Click(1);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(MsgBoxHook::Log().first().prompt.contains(QStringLiteral("Η διόρθωση δεν έγινε.")),
                 qPrintable(MsgBoxHook::Log().first().prompt));
        QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbCritical));
        QCOMPARE(table(), stored);
        QVERIFY(!gConn->InTransaction());
        // The typed values stay on the entry, for another try.
        QCOMPARE(currentDescr(*form), QStringLiteral("Λογιστήριο 2"));
        QCOMPARE(form->txt[0]->text(), QStringLiteral("Β"));
        MsgBoxHook::Clear();
        // Kept against the entry as it was when they were typed: another user's change meanwhile
        // is not overwritten by the next try.
        QVERIFY(db.openAnother()->Execute("UPDATE L_TMHMATA SET MODUSER=9 WHERE DESCR='Λογιστήριο 2'"));
        MsgBoxHook::QueueAnswer(vb::vbNo);
        form->cmd_Click(1);
        QCOMPARE(prompts(), QStringList{clsDBForm::ConflictQuestion()});
        QCOMPARE(column("SELECT CODE, MODUSER FROM L_TMHMATA WHERE DESCR='Λογιστήριο 2'"),
                 QStringList{"Ε|9"});
        QCOMPARE(form->txt[0]->text(), QStringLiteral("Β"));
        MsgBoxHook::Clear();

        // A correction of an entry another user deleted meanwhile is reported, not lost silently.
        QVERIFY(standOn(*form, "Λογιστήριο 2"));
        QVERIFY(db.openAnother()->Execute("DELETE FROM L_TMHMATA WHERE DESCR='Λογιστήριο 2'"));
        form->txt[1]->setText(QStringLiteral("Λογιστήριο 3"));
        form->cmd_Click(1);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(MsgBoxHook::Log().first().prompt.contains(QStringLiteral("ίσως τη διέγραψε άλλος χρήστης")),
                 qPrintable(MsgBoxHook::Log().first().prompt));
        QVERIFY(!gConn->InTransaction());
        QVERIFY(!gridColumn(*form, 1).contains(QStringLiteral("Λογιστήριο 2")));
        QVERIFY(!table().contains(QStringLiteral("Ε|Λογιστήριο 3")));
        // The entry is gone: the boxes show the row the grid stands on, not the typed values.
        QCOMPARE(form->txt[1]->text(), currentDescr(*form));
        MsgBoxHook::Clear();

        // Delete: No leaves everything (No is the default), Yes removes the row for good.
        QVERIFY(standOn(*form, "Γραμματεία"));
        form->cmd_Click(2);
        QCOMPARE(prompts(), QStringList{kDelete});
        const MsgBoxHook::Shown question = MsgBoxHook::Log().first();
        QCOMPARE(question.buttons, 292);
        QCOMPARE(question.title, QStringLiteral("Τμήματα"));
        QCOMPARE(table().size(), stored.size() - 1);
        QVERIFY(!gConn->InTransaction());
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->cmd_Click(2);
        QVERIFY(!table().contains(QStringLiteral("Β|Γραμματεία")));
        QCOMPARE(table().size(), stored.size() - 2);
        QVERIFY(!gConn->InTransaction());
        QCOMPARE(gridColumn(*form, 1).size(), stored.size() - 2);
    }

    // Two editors on one entry: a correction of what the other changed since it was shown is
    // refused, nothing of the other's change is lost, and the user may see the entry as it is
    // now or keep the typed values (a second try is refused again).
    void concurrentCorrection_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("answer");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " code corrected, keep typing")) << tag << 0 << int(vb::vbNo);
            QTest::newRow(qPrintable(tag + " code corrected, see it")) << tag << 0 << int(vb::vbYes);
            QTest::newRow(qPrintable(tag + " no codes, see it")) << tag << 2 << int(vb::vbYes);
        }
    }
    void concurrentCorrection() {
        QFETCH(int, index);
        QFETCH(int, answer);
        TEST_REGISTER(db);
        auto form = open(db, index);
        QVERIFY(form);
        const QString table = frmMDI::LookupListOf(index).table;
        const bool code = index == 0;
        QVERIFY(standOn(*form, "Γραμματεία"));
        // The other editor's new description, on a connection of its own.
        QVERIFY(db.openAnother()->Execute(
            QStringLiteral("UPDATE %1 SET DESCR='Τμήμα Πρωτοκόλλου', MODUSER=7 WHERE DESCR='Γραμματεία'")
                .arg(table)));
        const QStringList stored = column(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(table));
        if (code)
            form->txt[0]->setText(QStringLiteral("Β1"));
        else
            form->txt[1]->setText(QStringLiteral("Γραμματεία Α'"));
        MsgBoxHook::QueueAnswer(answer);
        form->cmd_Click(1);
        QCOMPARE(prompts(), QStringList{clsDBForm::ConflictQuestion()});
        QCOMPARE(MsgBoxHook::Log().first().buttonSet(), int(vb::vbYesNo));
        QCOMPARE(MsgBoxHook::Log().first().title, frmMDI::LookupListOf(index).caption);
        QCOMPARE(column(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(table)), stored);
        QVERIFY(!gConn->InTransaction());
        MsgBoxHook::Clear();
        if (answer == vb::vbYes) {
            QCOMPARE(form->txt[1]->text(), QStringLiteral("Τμήμα Πρωτοκόλλου"));
            QCOMPARE(currentDescr(*form), QStringLiteral("Τμήμα Πρωτοκόλλου"));
            // Shown afresh, the entry takes a correction again, over the other's description.
            if (code) form->txt[0]->setText(QStringLiteral("Β1"));
            form->cmd_Click(1);
            QCOMPARE(prompts(), QStringList());
            QCOMPARE(column(QStringLiteral("SELECT DESCR, MODUSER FROM %1 WHERE DESCR='Τμήμα Πρωτοκόλλου'")
                                .arg(table)),
                     QStringList{"Τμήμα Πρωτοκόλλου|5"});
            if (code) QCOMPARE(column("SELECT CODE FROM L_TMHMATA WHERE MODUSER=5"), QStringList{"Β1"});
            return;
        }
        QCOMPARE(form->txt[0]->text(), QStringLiteral("Β1"));
        QCOMPARE(form->txt[1]->text(), QStringLiteral("Γραμματεία"));
        MsgBoxHook::QueueAnswer(vb::vbNo);
        form->cmd_Click(1);
        QCOMPARE(prompts(), QStringList{clsDBForm::ConflictQuestion()});
        QCOMPARE(column(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(table)), stored);
    }

    // A delete removes the entry the grid stands on, whatever the boxes were changed to.
    void deleteTakesTheCurrentEntry_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("index");
        for (const Backend b : TestDatabase::configuredBackends()) {
            QTest::newRow(qPrintable(TestDatabase::backendTag(b) + " codes"))
                << TestDatabase::backendTag(b) << 0;
            QTest::newRow(qPrintable(TestDatabase::backendTag(b) + " no codes"))
                << TestDatabase::backendTag(b) << 2;
        }
    }
    void deleteTakesTheCurrentEntry() {
        QFETCH(int, index);
        TEST_REGISTER(db);
        auto form = open(db, index);
        QVERIFY(form);
        const QString table = frmMDI::LookupListOf(index).table;
        QVERIFY(standOn(*form, "Λογιστήριο"));
        const QStringList other{form->txt[0]->text(), form->txt[1]->text(), form->txt[2]->text()};
        QVERIFY(standOn(*form, "Γραμματεία"));
        // The other entry's code, description and key typed over the current one's.
        for (int i = 0; i < 3; ++i) form->txt[i]->setText(other[i]);
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->cmd_Click(2);
        QCOMPARE(prompts(), QStringList{kDelete});
        QCOMPARE(column(QStringLiteral("SELECT DESCR FROM %1 ORDER BY DESCR").arg(table)),
                 (QStringList{"Αρχείο", "Λογιστήριο"}));
        QCOMPARE(gridColumn(*form, 1), (QStringList{"Αρχείο", "Λογιστήριο"}));
    }

    // Two programs adding the same codes to one list at once: each code is stored once, and the
    // adder that comes second is told that it is taken.
    void addersOfOneCode_data() { TestDatabase::addBackendRows(); }
    void addersOfOneCode() {
        TEST_REGISTER(db);
        constexpr int kCodes = 300;
        QProcess adders[2];
        for (int a = 0; a < 2; ++a) {
            adders[a].setProcessChannelMode(QProcess::ForwardedErrorChannel);
            adders[a].start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("--adder"), db.provider(), db.connStr(), db.user(),
                             QStringLiteral("L_TMHMATA"), QString::number(kCodes), QString::number(41 + a)});
            QVERIFY(adders[a].waitForStarted());
        }
        const auto line = [](QProcess& p) {
            while (!p.canReadLine() && p.state() == QProcess::Running) p.waitForReadyRead(1000);
            return p.readLine().trimmed();
        };
        // What the adder answered at last, past its waits on SQLite's lock.
        const auto answer = [&line](QProcess& p) {
            QByteArray how;
            do how = line(p);
            while (how == "busy");
            return how;
        };
        for (QProcess& p : adders) QCOMPARE(answer(p), QByteArray("ready"));
        // Both are told to add the same code at the same moment, code after code, while a third
        // connection holds the list's writer lock; it is let go only when both wait on it.
        const ConnectionPtr holder = db.openAnother();
        const QString lock = holder->dialect().writerLockSql(QStringLiteral("L_TMHMATA"));
        const auto bothWaitOnLock = [&] {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 30000) {
                Recordset rs;
                if (!rs.Open(QStringLiteral("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'"
                                            " AND NOT granted AND database = (SELECT oid FROM pg_database"
                                            " WHERE datname = current_database())"),
                             holder))
                    return false;
                if (rs.Value(0).toInt() == 2) return true;
                QThread::msleep(1);
            }
            return false;
        };
        int added = 0, taken = 0;
        for (int i = 1; i <= kCodes; ++i) {
            QVERIFY(holder->BeginTrans());
            if (!lock.isEmpty()) QVERIFY(holder->Execute(lock));
            for (QProcess& p : adders) p.write("go\n");
            for (QProcess& p : adders) p.waitForBytesWritten();
            if (db.backend() == Backend::SQLite) {
                for (QProcess& p : adders) QCOMPARE(line(p), QByteArray("busy"));
            } else {
                QVERIFY2(bothWaitOnLock(), "the adders never both waited on the lock");
            }
            QVERIFY(holder->RollbackTrans());
            for (QProcess& p : adders) {
                const QByteArray how = answer(p);
                if (how == "added")
                    ++added;
                else if (how == "taken")
                    ++taken;
                else
                    QFAIL(qPrintable(QStringLiteral("K%1: %2").arg(i).arg(QString::fromUtf8(how))));
            }
        }
        for (QProcess& p : adders) {
            QVERIFY(p.waitForFinished(-1));
            QCOMPARE(p.exitCode(), 0);
        }
        QCOMPARE(added, kCodes);
        QCOMPARE(taken, kCodes);
        gConn = db.conn();
        QCOMPARE(column("SELECT count(*) FROM L_TMHMATA WHERE MODUSER IN (41, 42)"),
                 QStringList{QString::number(kCodes)});
        QCOMPARE(column("SELECT CODE FROM L_TMHMATA GROUP BY CODE HAVING count(*) > 1"), QStringList());
    }

    // An addition whose commit's answer was lost: once the connection is back the window finds
    // out whether the entry was stored, and says which. Stored: told so, shown, never stored a
    // second time (a code list does not call the user's own entry taken). Not stored: told so,
    // the typed values kept, and the next press adds it once. Not readable at once: told that it
    // is not known yet, and the next press finds it before writing anything.
    void addAnswerLost_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("fate");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            for (const int index : {0, 2})
                for (const char* fate : {"stored", "not stored", "stored, not readable"})
                    QTest::newRow(qPrintable(tag + (index == 0 ? " codes, " : " no codes, ") + fate))
                        << tag << index << QString::fromLatin1(fate);
        }
    }
    void addAnswerLost() {
        QFETCH(int, index);
        QFETCH(QString, fate);
        TEST_REGISTER(db);
        auto form = open(db, index);
        QVERIFY(form);
        const QString table = frmMDI::LookupListOf(index).table;
        const QString descr = QStringLiteral("Νέα υπηρεσία");
        if (index == 0) form->txt[0]->setText(QStringLiteral("Δ1"));
        form->txt[1]->setText(descr);
        const auto stored = [&] {
            return column(QStringLiteral("SELECT %1 FROM %2 WHERE DESCR=%3")
                              .arg(index == 0 ? "CODE" : "DESCR", table, StrHelper::SqlValue(descr)));
        };
        // "stored, not readable": the list cannot be read at once after the commit.
        const bool reached = InjectCommitFate(fate);
        form->cmd_Click(0);
        gConn->ClearFault();
        QVERIFY(!gConn->InTransaction());
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().first();
        if (fate == QLatin1String("stored")) {
            QCOMPARE(box.prompt, kAddedAfterLoss);
            QCOMPARE(box.icon(), int(vb::vbInformation));
            QCOMPARE(stored().size(), 1);
            QCOMPARE(currentDescr(*form), descr);
            return;
        }
        QVERIFY2(box.prompt.contains(fate == QLatin1String("not stored") ? kAddLost : kAddUnknown),
                 qPrintable(box.prompt));
        QCOMPARE(box.icon(), int(vb::vbCritical));
        QCOMPARE(stored().size(), reached ? 1 : 0);
        if (index == 0) QCOMPARE(form->txt[0]->text(), QStringLiteral("Δ1"));
        QCOMPARE(form->txt[1]->text(), descr);
        MsgBoxHook::Clear();
        form->cmd_Click(0);
        QCOMPARE(prompts(), reached ? QStringList{kAddedAfterLoss} : QStringList());
        QCOMPARE(stored().size(), 1);
        QCOMPARE(currentDescr(*form), descr);
        QVERIFY(!gConn->InTransaction());
    }

    // A list of a register whose upgrade has not given it the token yet still takes additions.
    void addWithoutToken_data() { TestDatabase::addBackendRows(); }
    void addWithoutToken() {
        TEST_REGISTER(db);
        QVERIFY(db.conn()->Execute(QStringLiteral("ALTER TABLE L_APO DROP COLUMN SAVETOKEN")));
        auto form = open(db, 2);
        QVERIFY(form);
        form->txt[1]->setText(QStringLiteral("Δήμος Αθηναίων"));
        form->cmd_Click(0);
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(column("SELECT MODUSER FROM L_APO WHERE DESCR='Δήμος Αθηναίων'"), QStringList{"5"});
        QCOMPARE(currentDescr(*form), QStringLiteral("Δήμος Αθηναίων"));
    }

    // Two editors on one list: the second deletes the entry the first corrected after it was
    // listed: refused, nothing removed, and the user may see the entry as it is now. One the other
    // deleted is said to be gone.
    void staleDelete_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("other");
        QTest::addColumn<int>("answer");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " codes, corrected, see it"))
                << tag << 0 << "correct" << int(vb::vbYes);
            QTest::newRow(qPrintable(tag + " codes, corrected, leave it"))
                << tag << 0 << "correct" << int(vb::vbNo);
            QTest::newRow(qPrintable(tag + " no codes, corrected, see it"))
                << tag << 2 << "correct" << int(vb::vbYes);
            QTest::newRow(qPrintable(tag + " no codes, deleted")) << tag << 2 << "delete" << int(vb::vbOK);
        }
    }
    void staleDelete() {
        QFETCH(int, index);
        QFETCH(QString, other);
        QFETCH(int, answer);
        TEST_REGISTER(db);
        auto first = open(db, index);
        QVERIFY(first);
        const frmMDI::LookupList list = frmMDI::LookupListOf(index);
        frmLookup second;
        QVERIFY(second.Init(list.caption, list.table, list.codeField, list.descrField, list.reportNo,
                            list.idField, false));
        QVERIFY(standOn(*first, "Γραμματεία"));
        QVERIFY(standOn(second, "Γραμματεία"));
        if (other == QLatin1String("correct")) {
            first->txt[1]->setText(QStringLiteral("Τμήμα Πρωτοκόλλου"));
            first->cmd_Click(1);
        } else {
            MsgBoxHook::QueueAnswer(vb::vbYes);
            first->cmd_Click(2);
        }
        const QStringList stored = column(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(list.table));
        MsgBoxHook::Clear();
        MsgBoxHook::QueueAnswer(vb::vbYes);
        MsgBoxHook::QueueAnswer(answer);
        second.cmd_Click(2);
        QCOMPARE(MsgBoxHook::Log().size(), 2);
        QCOMPARE(MsgBoxHook::Log().first().prompt, kDelete);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().last();
        QCOMPARE(column(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(list.table)), stored);
        QVERIFY(!gConn->InTransaction());
        if (other == QLatin1String("delete")) {
            QVERIFY2(box.prompt.contains(kGone), qPrintable(box.prompt));
            QVERIFY(!gridColumn(second, 1).contains(QStringLiteral("Γραμματεία")));
            return;
        }
        QCOMPARE(box.prompt, kDeleteConflict);
        QCOMPARE(box.buttonSet(), int(vb::vbYesNo));
        QCOMPARE(box.title, list.caption);
        QCOMPARE(currentDescr(second),
                 answer == vb::vbYes ? QStringLiteral("Τμήμα Πρωτοκόλλου") : QStringLiteral("Γραμματεία"));
        if (answer != vb::vbYes) return;
        // Shown afresh, it can be deleted.
        MsgBoxHook::Clear();
        MsgBoxHook::QueueAnswer(vb::vbYes);
        second.cmd_Click(2);
        QCOMPARE(prompts(), QStringList{kDelete});
        QCOMPARE(
            column(QStringLiteral("SELECT count(*) FROM %1 WHERE DESCR='Τμήμα Πρωτοκόλλου'").arg(list.table)),
            QStringList{"0"});
    }

    // Long and quote-laden texts: cut to the columns, stored as typed, found again.
    void badInput_data() { TestDatabase::addBackendRows(); }
    void badInput() {
        TEST_REGISTER(db);
        auto form = open(db, 1);
        QVERIFY(form);
        const QString quotes = QStringLiteral("O'Brien \"x\" '); DROP TABLE L_TYPOI; --");
        form->txt[0]->clear();
        form->txt[1]->clear();
        typeText(form->txt[0], QStringLiteral("'%_!x'") + QString(1000, QLatin1Char('9')));
        typeText(form->txt[1], quotes + QString(1000, QChar(0x3C9)));
        form->cmd_Click(0);
        QCOMPARE(prompts(), QStringList());
        const QString code = QStringLiteral("'%_!x'9999");
        const QString descr = QString(quotes + QString(1000, QChar(0x3C9))).left(50);
        QCOMPARE(column("SELECT CODE, DESCR FROM L_TYPOI WHERE MODUSER=5"), QStringList{code + '|' + descr});
        QCOMPARE(form->txt[0]->text(), code);
        QCOMPARE(currentDescr(*form), descr);
    }

    // The place is kept; selection mode; the print key's arguments.
    void windowAndSelection_data() { TestDatabase::addBackendRows(); }
    void windowAndSelection() {
        TEST_REGISTER(db);
        {
            auto form = open(db, 10);
            QVERIFY(form);
            form->setGeometry(40, 50, 700, 480);
            QStringList got;
            ReportHooks::LookupList = [&got](const QString& table, const QString& caption,
                                             const QString& code, const QString& descr, long report) {
                got << table << caption << code << descr << QString::number(report);
            };
            QTest::mouseClick(form->cmdPrint, Qt::LeftButton);
            QCOMPARE(got, (QStringList{"L_PHRASES", "Συνήθεις φράσεις", "", "DESCR", "127"}));
            // As installed for the program, the key runs the list: its options dialog opens.
            RegisterWindows::Install();
            {
                ModalDriver<ReportOptions> options([](ReportOptions* d) { d->cmdCancel->click(); });
                QTest::mouseClick(form->cmdPrint, Qt::LeftButton);
                QVERIFY(options.shown());
            }
            // The controls stay inside the window and apart.
            const QRect inside = form->rect();
            for (QWidget* w : {static_cast<QWidget*>(form->tdbg), static_cast<QWidget*>(form->fra),
                               static_cast<QWidget*>(form->cmdPrint), static_cast<QWidget*>(form->cmdExit)})
                QVERIFY2(inside.contains(w->geometry()), qPrintable(w->objectName()));
            QVERIFY(!form->tdbg->geometry().intersects(form->fra->geometry()));
            QVERIFY(!form->fra->geometry().intersects(form->cmdPrint->geometry()));
            QVERIFY(form->fra->rect().contains(form->cmd[2]->geometry()));
            QTest::mouseClick(form->cmdExit, Qt::LeftButton);
            QVERIFY(form->Canceled());
        }
        frmLookup again;
        QCOMPARE(again.geometry().size(), QSize(700, 480));

        // Selection mode: the default button chooses, Esc leaves.
        gConn->Execute("DELETE FROM L_PHRASES");
        for (const bool choose : {true, false}) {
            frmLookup picker;
            QVERIFY(picker.Init("Φράσεις", "l_phrases", "", "DESCR", 127, "ID", true));
            QVERIFY(picker.cmdSelect->isVisibleTo(&picker));
            QVERIFY(picker.cmdSelect->isDefault());
            ModalDriver<frmLookup> driver([choose](frmLookup* w) {
                w->txt[1]->setText(QStringLiteral("  Βεβαίωση  "));
                QTest::keyClick(w->txt[1], choose ? Qt::Key_Return : Qt::Key_Escape);
            });
            picker.exec();
            QVERIFY(driver.shown());
            QCOMPARE(picker.Canceled(), !choose);
            QCOMPARE(picker.Phrase(), QStringLiteral("Βεβαίωση"));
        }
    }

    // Each list's menu entry opens its editor modally, enabled by the user's rights.
    void menus_data() { TestDatabase::addBackendRows(); }
    void menus() {
        TEST_REGISTER(db);
        gConn = db.conn();
        gUser = std::make_shared<cls_User>();
        RegisterWindows::Install();
        frmMDI* mdi = frmMDI::instance();
        clsInit().Set_Menus(Rights::Departments | Rights::Phrases);
        QVERIFY(mdi->mnuParam.at(0)->isEnabled());
        QVERIFY(!mdi->mnuParam.at(1)->isEnabled());
        QVERIFY(mdi->mnuParam.at(10)->isEnabled());
        QVERIFY(mdi->mnuParam.at(11)->isEnabled());
        clsInit().Set_Menus(Rights::Departments | Rights::DocTypes | Rights::Senders | Rights::Recipients |
                            Rights::Places | Rights::Persons | Rights::Phrases);
        for (const auto& [index, item] : mdi->mnuParam) {
            const frmMDI::LookupList list = frmMDI::LookupListOf(index);
            QPointer<frmLookup> seen;
            QString statement;
            ModalDriver<frmLookup> driver([&](frmLookup* w) {
                seen = w;
                statement = w->Statement();
                QVERIFY(!w->cmdSelect->isVisible());
                w->close();
            });
            item->trigger();
            QVERIFY(driver.shown());
            QCOMPARE(driver.title(), list.caption);
            QVERIFY2(statement.contains(QStringLiteral(" FROM ") + list.table + ' '), qPrintable(statement));
            QVERIFY(!seen);  // unloaded after
        }
    }
};

int main(int argc, char* argv[]) {
    if (argc > 1 && qstrcmp(argv[1], "--adder") == 0) {
        QCoreApplication app(argc, argv);
        return runAdder(app.arguments());
    }
    TESTLIB_SELFCOVERAGE_START("TestLookup")
    QTest::Internal::callInitMain<TestLookup>();
    QTEST_MAIN_SETUP()
    TestLookup tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_lookup.moc"
