#include <QAction>
#include <functional>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

#include "Adodc.h"
#include "ControlArray.h"
#include "DBFormWindow.h"
#include "DateBox.h"
#include "GridModel.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "NumBox.h"
#include "Recordset.h"
#include "SettingsStore.h"
#include "TestDatabase.h"
#include "TestSupport.h"
#include "clsDBForm.h"
#include "modDeclare.h"

namespace {

const char* const kScript = R"('1 - items.frs
#form {caption="Είδη", table="ITEMS", Key="ID"}
#lEdit {index=0, field="ID", tag=MH}
#tEdit {index=0, field="NAME", caption="Όνομα", len=10, tag=F}
#tEdit {index=1, field="CODE", caption="Κωδικός", len=5}
#numEdit {index=0, field="QTY", caption="Ποσότητα"}
#dtEdit {index=0, field="DAY", caption="Ημέρα", format="dd/mm/yyyy"}
#cmbEdit {index=0, field="KIND", tag=F}
#tEdit {index=2, field="NOTE", tag=M}
#lEdit {index=1, field="SECRET", tag=H}
#lEdit {index=2, field="MODUSER", tag=MH}
#cmdEdit {index=0 } 'a picker
#tSearch {index=0, field="NAME", caption="Όνομα [αρχ]", len=100, tag=S}
#tSearch {index=1, field="CODE", caption="Κωδικός [=Ν]", len=100}
#Gridset {unit=T}
#GridCol {field="FLAG", caption="RowStatus", W=0}
#GridCol {field="NAME", caption="Όνομα", W=1500}
#GridCol {field="CODE", caption="Κωδ.", W=600}
)";

constexpr long kAll = 255;

// Names sort and compare in the Greek collation, as the register's columns do.
bool createItems(const TestDatabase& db) {
    const bool pg = db.backend() == Backend::PostgreSQL;
    if (pg && !db.conn()->Execute(
                  QStringLiteral("CREATE COLLATION IF NOT EXISTS public.greek_ci_ai"
                                 " (provider = icu, locale = 'el-u-ks-level1', deterministic = false)")))
        return false;
    const QString id =
        pg ? QStringLiteral("ID serial PRIMARY KEY") : QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString greek = pg ? QStringLiteral("public.greek_ci_ai") : QStringLiteral("GREEK_CI_AI");
    return db.conn()->Execute(
        QStringLiteral("CREATE TABLE ITEMS (%1, NAME varchar(10) COLLATE %2, CODE varchar(5), "
                       "QTY int, DAY date, KIND int, NOTE varchar(20), SECRET varchar(20), "
                       "FLAG char(1) DEFAULT 'N', MODUSER int)")
            .arg(id, greek));
}

bool addItem(const ConnectionPtr& c, const QString& name, const QString& code, const QString& flag = "N") {
    return c->Execute(
        QStringLiteral("INSERT INTO ITEMS (NAME, CODE, QTY, KIND, FLAG) VALUES ('%1', '%2', 3, 1, '%3')")
            .arg(name, code, flag));
}

QString scalar(const ConnectionPtr& c, const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, c) || rs.Eof()) return QStringLiteral("<none>");
    return rs.Value(0).isNull() ? QStringLiteral("<null>") : rs.Value(0).toString();
}

// A small record form of its own: every event is logged with its arguments, and the test sets
// what the handlers answer.
class ItemsForm : public DBFormWindow {
public:
    ControlArray<QLabel> lblEdit{QStringLiteral("lblEdit")};
    ControlArray<QLineEdit> txtEdit{QStringLiteral("txtEdit")};
    ControlArray<NumBox> numEdit{QStringLiteral("numEdit")};
    ControlArray<DateBox> dtEdit{QStringLiteral("dtEdit")};
    ControlArray<QComboBox> cmbEdit{QStringLiteral("cmbEdit")};
    ControlArray<QPushButton> cmdEdit{QStringLiteral("cmdEdit")};
    ControlArray<QLineEdit> txtSearch{QStringLiteral("txtSearch")};
    QLabel* kindLabel = nullptr;
    QLabel* nameLabel = nullptr;

    QStringList log;
    bool valuesOk = true;
    QString appendFields, appendValues;  // added in PreSaveRec
    bool delOk = false, delAbort = false, delRemoves = false;
    QString searchCond;
    long actionInValuesOk = 0;
    QString printed;

    explicit ItemsForm(const QString& script = QString::fromUtf8(kScript)) : m_script(script) {
        auto* rec = new QVBoxLayout(fr[0]);
        for (int i = 0; i < 3; ++i) lblEdit.set(i, new QLabel(fr[0]));
        nameLabel = new QLabel(fr[0]);
        rec->addWidget(nameLabel);
        for (int i = 0; i < 3; ++i) {
            txtEdit.set(i, new QLineEdit(fr[0]));
            rec->addWidget(txtEdit[i]);
        }
        nameLabel->setBuddy(txtEdit[0]);
        numEdit.set(0, new NumBox(fr[0]));
        dtEdit.set(0, new DateBox(fr[0]));
        kindLabel = new QLabel(QStringLiteral("Είδος:"), fr[0]);
        cmbEdit.set(0, new QComboBox(fr[0]));
        kindLabel->setBuddy(cmbEdit[0]);
        cmbEdit[0]->addItem(QStringLiteral("Πρώτο"), 1);
        cmbEdit[0]->addItem(QStringLiteral("Δεύτερο"), 2);
        cmdEdit.set(0, new QPushButton(QStringLiteral("..."), fr[0]));
        for (QWidget* w : {static_cast<QWidget*>(numEdit[0]), static_cast<QWidget*>(dtEdit[0]),
                           static_cast<QWidget*>(kindLabel), static_cast<QWidget*>(cmbEdit[0]),
                           static_cast<QWidget*>(cmdEdit[0])})
            rec->addWidget(w);
        auto* search = new QVBoxLayout(fr[1]);
        for (int i = 0; i < 2; ++i) {
            txtSearch.set(i, new QLineEdit(fr[1]));
            search->addWidget(txtSearch[i]);
        }
        for (const ControlArrayBase* a : std::initializer_list<const ControlArrayBase*>{
                 &lblEdit, &txtEdit, &numEdit, &dtEdit, &cmbEdit, &cmdEdit, &txtSearch})
            Controls().add(*a);
    }

    bool Init(ConnectionPtr conn, long permissions, const QString& first = QString(),
              const QString& base = QStringLiteral("(FLAG<>'D')"),
              const QString& order = QStringLiteral("NAME")) {
        mclsDBForm = std::make_unique<clsDBForm>();
        mclsDBForm->ConnString(QStringLiteral("Provider=SQLite;"));
        m_conn = conn;
        if (!mclsDBForm->Init(m_script, this, m_conn, QString(), QString(), QStringLiteral("\\Protocol"),
                              nullptr, permissions, 4, 0, QVariant(QString()), first, order, QString(), 16,
                              base, nullptr, 0, 1))
            return false;
        mclsDBForm->Refresh(QString());
        log.clear();
        return true;
    }

    clsDBForm& f() { return *mclsDBForm; }
    void key(const char* k) { f().ToolbarAction(QString::fromLatin1(k)); }

    void mclsDBForm_PostInitRec(long Action) override { log << QStringLiteral("PostInitRec %1").arg(Action); }
    void mclsDBForm_PostShowRec(const QVariant& recID, bool&) override {
        log << QStringLiteral("PostShowRec %1").arg(recID.toString());
    }
    void mclsDBForm_ValuesOK(bool& OK) override {
        log << QStringLiteral("ValuesOK %1").arg(OK);
        actionInValuesOk = f().CurAction();
        OK = valuesOk;
    }
    void mclsDBForm_PreSaveRec(long Action, QString& sFields, QString& sValues) override {
        log << QStringLiteral("PreSaveRec %1 [%2] [%3]").arg(Action).arg(sFields, sValues);
        sFields += appendFields;
        sValues += appendValues;
    }
    void mclsDBForm_DelRec(const QVariant& recID, bool& OK, bool& bAbortDeletion) override {
        log << QStringLiteral("DelRec %1").arg(recID.toString());
        if (delRemoves) m_conn->Execute(QStringLiteral("DELETE FROM ITEMS WHERE ID=") + recID.toString());
        OK = delOk;
        bAbortDeletion = delAbort;
    }
    void mclsDBForm_PostAction(const QVariant& key, long Action, bool success) override {
        log << QStringLiteral("PostAction %1 %2 %3").arg(key.toString()).arg(Action).arg(success);
        if (onPostAction) onPostAction(Action, success);
    }
    void mclsDBForm_PostCommit(const QVariant& key, long Action) override {
        log << QStringLiteral("PostCommit %1 %2 %3").arg(key.toString()).arg(Action).arg(m_conn->InTransaction());
    }
    std::function<void(long, bool)> onPostAction;
    void mclsDBForm_SearchCond(QString& sCond) override {
        log << QStringLiteral("SearchCond [%1]").arg(sCond);
        sCond = searchCond;
    }
    void mclsDBForm_PrintReport(QString& sWhereCond, QString& mExtraCond, QStringList& arFields) override {
        printed = sWhereCond + u'|' + mExtraCond + u'|' + arFields.join(u';');
    }

private:
    QString m_script;
    ConnectionPtr m_conn;
};

QStringList listed(clsDBForm& f, const char* field = "NAME") {
    QStringList out;
    const auto list = f.List();
    const int column = list->fieldIndex(QString::fromLatin1(field));
    for (int r = 0; r < list->rowCount(); ++r) out << list->value(r, column).toString();
    return out;
}

}  // namespace

class tst_DBForm : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_settings = std::make_unique<TempSettings>();
        m_answers = std::make_unique<AnswerQueues>();
        modDeclare::gErr = std::make_unique<cls_Error>();
        modDeclare::gErr->Init(false);
    }
    void cleanup() {
        modDeclare::gErr.reset();
        m_answers.reset();
        m_settings.reset();
    }

    void setUp_data() { TestDatabase::addBackendRows(); }
    void setUp();
    // What the user reads when a save or a delete meets another user's change, or its commit's
    // answer is lost: each text as it is meant, so that none stands in for another.
    void outcomeTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("save conflict") << clsDBForm::ConflictQuestion()
                                       << QStringLiteral(
                                              "Άλλος χρήστης άλλαξε την εγγραφή αφού εμφανίστηκε εδώ· οι αλλαγές "
                                              "σας δεν αποθηκεύτηκαν.\r\nΝα εμφανιστεί η εγγραφή όπως είναι "
                                              "τώρα; (Όσα πληκτρολογήσατε θα χαθούν.)");
        QTest::newRow("delete conflict") << clsDBForm::DeleteConflictQuestion()
                                         << QStringLiteral(
                                                "Άλλος χρήστης άλλαξε την εγγραφή αφού εμφανίστηκε εδώ· η διαγραφή "
                                                "δεν έγινε.\r\nΝα εμφανιστεί η εγγραφή όπως είναι τώρα;");
        QTest::newRow("deleted") << clsDBForm::DeletedMessage()
                                 << QStringLiteral("Η εγγραφή δεν βρέθηκε: ίσως τη διέγραψε άλλος χρήστης.");
        QTest::newRow("commit lost")
            << clsDBForm::CommitLostMessage()
            << QStringLiteral(
                   "Η σύνδεση με τη βάση δεδομένων χάθηκε. Η εγγραφή δεν αποθηκεύτηκε. Ό,τι πληκτρολογήσατε "
                   "είναι ακόμη στη φόρμα: πατήστε «Αποθήκ.» για να την αποθηκεύσετε.");
        QTest::newRow("commit unknown")
            << clsDBForm::CommitUnknownMessage()
            << QStringLiteral(
                   "Η σύνδεση με τη βάση δεδομένων χάθηκε. Δεν είναι ακόμη γνωστό αν η εγγραφή αποθηκεύτηκε. "
                   "Ό,τι πληκτρολογήσατε είναι ακόμη στη φόρμα: όταν η σύνδεση αποκατασταθεί, πατήστε "
                   "«Αποθήκ.»· θα ελεγχθεί πρώτα αν η εγγραφή αποθηκεύτηκε, ώστε να μη γραφτεί δύο φορές.");
    }
    void outcomeTexts() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
    void brokenSetUp_data();
    void brokenSetUp();
    void permissions_data();
    void permissions();
    void listing_data() { TestDatabase::addBackendRows(); }
    void listing();
    void listStillComing_data() { TestDatabase::addBackendRows(); }
    void listStillComing();
    void newRecord_data() { TestDatabase::addBackendRows(); }
    void newRecord();
    void update_data() { TestDatabase::addBackendRows(); }
    void update();
    void refusals_data() { TestDatabase::addBackendRows(); }
    void refusals();
    void copy_data() { TestDatabase::addBackendRows(); }
    void copy();
    void cancel_data() { TestDatabase::addBackendRows(); }
    void cancel();
    void saveFailure_data() { TestDatabase::addBackendRows(); }
    void saveFailure();
    void wholeSave_data() { TestDatabase::addBackendRows(); }
    void wholeSave();
    void deletion_data();
    void deletion();
    void search_data() { TestDatabase::addBackendRows(); }
    void search();
    void selectionAndPrint_data() { TestDatabase::addBackendRows(); }
    void selectionAndPrint();
    void navigationAndKeys_data() { TestDatabase::addBackendRows(); }
    void navigationAndKeys();

private:
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<AnswerQueues> m_answers;
};

void tst_DBForm::setUp() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    QVERIFY(addItem(db.conn(), "Άλφα", "A1"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));

    QCOMPARE(form.windowTitle(), QStringLiteral("Είδη"));
    QCOMPARE(form.tabA->tabText(0), QStringLiteral("Εγγραφή (Alt+1)"));
    QCOMPARE(form.tabA->tabText(1), QStringLiteral("Αναζήτηση (Alt+2)"));
    QCOMPARE(form.tabA->tabText(2), QStringLiteral("Κατάλογος (Alt+3)"));
    QCOMPARE(form.tabA->currentIndex(), 2);

    // Captions go to the control's label; lengths, hidden holders and the searched column.
    QCOMPARE(form.nameLabel->text(), QStringLiteral("Όνομα"));
    QCOMPARE(form.kindLabel->text(), QStringLiteral("Είδος:"));
    QCOMPARE(form.txtEdit[0]->maxLength(), 10);
    QCOMPARE(form.txtEdit[1]->maxLength(), 5);
    QVERIFY(form.lblEdit[1]->isHidden());
    QVERIFY(!form.txtEdit[2]->isHidden());
    QCOMPARE(clsDBForm::FieldOf(form.txtSearch[0]), QStringLiteral("NAME"));
    QCOMPARE(clsDBForm::FieldOf(form.txtSearch[1]), QStringLiteral("CODE"));
    QCOMPARE(clsDBForm::FieldOf(form.cmdEdit[0]), QString());

    // The toolbar's fifteen keys in order with their captions.
    QStringList keys, captions;
    for (QAction* a : form.tlb1->actions())
        if (!a->isSeparator()) keys << a->data().toString(), captions << a->text();
    QCOMPARE(
        keys.join(u' '),
        QStringLiteral("print prev next refresh sAsc sDesc add copy edit del search list clear save cancel"));
    QCOMPARE(captions.join(u' '),
             QStringLiteral("Εκτύπωση Προηγ. Επόμ. Αναν. Αυξ. Φθιν. Προσθ. Αντίγρ. Διόρθ. "
                            "Διαγρ. Αναζήτ. Κατάλ. Μηδεν. Αποθήκ. Ακύρ."));

    // The grid: the script's columns, W=0 present but hidden, twips to pixels.
    QCOMPARE(form.tdbg->model()->columnCount(), 3);
    QVERIFY(form.tdbg->isColumnHidden(0));
    QCOMPARE(form.tdbg->columnWidth(1), 100);
    QCOMPARE(form.tdbg->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Κωδ."));

    // The first record is shown, locked, with its picker disabled.
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Άλφα"));
    QVERIFY(form.txtEdit[0]->isReadOnly());
    QVERIFY(!form.cmdEdit[0]->isEnabled());
    QCOMPARE(form.cmbEdit[0]->currentData().toInt(), 1);
    QCOMPARE(form.f().CurAction(), 1L);
}

void tst_DBForm::brokenSetUp_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing control") << QString::fromUtf8(kScript).replace("#cmdEdit {index=0 }",
                                                                           "#cmdEdit {index=7}")
                                     << "the form has no control cmdEdit(7)";
    QTest::newRow("unclosed brace") << QStringLiteral("#form {caption=\"x\", table=\"ITEMS\", Key=\"ID\"\n")
                                    << "line 1";
    QTest::newRow("no key") << QStringLiteral("#form {caption=\"x\", table=\"ITEMS\"}\n")
                            << "no table or key";
}

void tst_DBForm::brokenSetUp() {
    QFETCH(QString, script);
    QFETCH(QString, message);
    TestDatabase db(Backend::SQLite);
    QVERIFY(createItems(db));
    ItemsForm form(script);
    QVERIFY(!form.Init(db.conn(), kAll));
    // The failure is reported, in a critical box, naming what is wrong.
    QCOMPARE(MsgBoxHook::Log().size(), 1);
    QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbCritical));
    QVERIFY2(MsgBoxHook::Log().first().prompt.contains(message),
             qPrintable(MsgBoxHook::Log().first().prompt));
}

void tst_DBForm::permissions_data() {
    QTest::addColumn<long>("mask");
    QTest::addColumn<QString>("offered");
    QTest::newRow("read only") << 15L << "print prev next refresh sAsc sDesc search list clear";
    QTest::newRow("register writer")
        << (15L | 16 | 32 | 128)
        << "print prev next refresh sAsc sDesc add copy edit search list clear save cancel";
    QTest::newRow("delete only") << (15L | 64) << "print prev next refresh sAsc sDesc del search list clear";
    QTest::newRow("everything")
        << 255L << "print prev next refresh sAsc sDesc add copy edit del search list clear save cancel";
    QTest::newRow("no search reset") << 1L << "print prev next refresh sAsc sDesc search list";
}

void tst_DBForm::permissions() {
    QFETCH(long, mask);
    QFETCH(QString, offered);
    TestDatabase db(Backend::SQLite);
    QVERIFY(createItems(db));
    QVERIFY(addItem(db.conn(), "Άλφα", "A1"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), mask));
    QStringList visible;
    for (QAction* a : form.tlb1->actions())
        if (!a->isSeparator() && a->isVisible()) visible << a->data().toString();
    QCOMPARE(visible.join(u' '), offered);

    // A key that is not offered does nothing, even when called directly.
    form.key("add");
    form.key("del");
    QCOMPARE(form.f().Editing(), bool(mask & 32));
    // The delete asks first only where it is offered.
    QCOMPARE(MsgBoxHook::Log().isEmpty(), (mask & 32) || !(mask & 64));
}

// A list longer than its first keys shows them at once; scrolling to its end, moving to its last
// row, sorting and a count see the whole list, and so does the grid after the event loop's turn.
void tst_DBForm::listStillComing() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    constexpr int kItems = 230;
    QVERIFY(db.conn()->BeginTrans());
    for (int i = 0; i < kItems; ++i)
        QVERIFY(addItem(db.conn(), QStringLiteral("Είδος %1").arg(i, 3, 10, QLatin1Char('0')), "X"));
    QVERIFY(db.conn()->CommitTrans());
    QVERIFY(SettingsStore::SaveValue("\\Protocol", "grdMaxRecs", "1000", true));
    const auto name = [](int i) { return QStringLiteral("Είδος %1").arg(i, 3, 10, QLatin1Char('0')); };
    QAbstractItemModel* model = nullptr;

    {
        ItemsForm form;
        QVERIFY(form.Init(db.conn(), kAll));
        model = form.tdbg->model();
        QCOMPARE(model->rowCount(), 100);
        QVERIFY(!form.f().List()->IsComplete());
        QCOMPARE(form.txtEdit[0]->text(), name(0));
        // What the view calls when scrolled to its end.
        QVERIFY(model->canFetchMore(QModelIndex()));
        model->fetchMore(QModelIndex());
        QCOMPARE(model->rowCount(), kItems);
        QCOMPARE(model->data(model->index(kItems - 1, 1)).toString(), name(kItems - 1));
    }
    {
        ItemsForm form;
        QVERIFY(form.Init(db.conn(), kAll));
        form.adodc->MoveLast();
        QCOMPARE(form.adodc->AbsolutePosition(), kItems);
        QCOMPARE(form.txtEdit[0]->text(), name(kItems - 1));
        QCOMPARE(form.tdbg->model()->rowCount(), kItems);
        QCOMPARE(form.tdbg->currentIndex().row(), kItems - 1);
    }
    {
        ItemsForm form;
        QVERIFY(form.Init(db.conn(), kAll));
        // Sorted while the list is still coming in; the shown record keeps its place in the new order.
        form.key("sDesc");
        QCOMPARE(form.txtEdit[0]->text(), name(0));
        QCOMPARE(form.tdbg->currentIndex().row(), kItems - 1);
        QTRY_COMPARE(form.tdbg->model()->rowCount(), kItems);
        QCOMPARE(listed(form.f()).last(), name(0));
        QCOMPARE(form.adodc->RecordCount(), kItems);
        QVERIFY(!Err().Pending());
    }
    {
        ItemsForm form;
        QVERIFY(form.Init(db.conn(), kAll));
        // "Select all" typed before the rest came in selects the whole list.
        form.tdbg->selectAll();
        QCOMPARE(form.tdbg->selectionModel()->selectedRows().size(), kItems);
        QCOMPARE(form.SelectedRecs("NAME").toList().size(), kItems);
        QCOMPARE(form.SelectedRecs("NAME").toList().last().toString(), name(kItems - 1));
    }
    // The list changed between its two reads: the record page follows the shown entry to its new
    // place, or, when it is gone, shows the row now at its place.
    struct Change {
        QString sql, before, after;
        int position;
    };
    const QList<Change> changes{
        {QStringLiteral("INSERT INTO ITEMS (NAME, CODE, FLAG) VALUES ('Άλφα', 'X', 'N')"), name(1), name(1), 3},
        {QStringLiteral("DELETE FROM ITEMS WHERE NAME = '%1'").arg(name(0)), name(0), name(1), 2},
    };
    for (const Change& change : changes) {
        ItemsForm form;
        QVERIFY(form.Init(db.conn(), kAll));
        form.adodc->SetAbsolutePosition(2);
        QCOMPARE(form.txtEdit[0]->text(), change.before);
        QVERIFY(db.conn()->Execute(change.sql));
        form.tdbg->model()->fetchMore(QModelIndex());
        QVERIFY(form.f().List()->IsComplete());
        QCOMPARE(form.txtEdit[0]->text(), change.after);
        QCOMPARE(form.adodc->AbsolutePosition(), change.position);
        QCOMPARE(form.tdbg->currentIndex().row(), change.position - 1);
    }
}

void tst_DBForm::listing() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    for (const char* n : {"Δέλτα", "Άλφα", "Γάμμα", "Βήτα", "Έψιλον"}) QVERIFY(addItem(db.conn(), n, "X"));
    QVERIFY(addItem(db.conn(), "Αβγό", "X", "D"));
    QVERIFY(SettingsStore::SaveValue("\\Protocol", "grdMaxRecs", "3", true));

    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll, QStringLiteral("CODE='X'")));
    QCOMPARE(form.f().MaxRecs(), 3);
    // First condition and base condition, the order, at most grdMaxRecs rows.
    QCOMPARE(listed(form.f()), QStringList({"Άλφα", "Βήτα", "Γάμμα"}));
    QCOMPARE(form.f().ListStatement(),
             QStringLiteral("SELECT * FROM ITEMS WHERE (CODE='X') AND ((FLAG<>'D'))"));
    QVERIFY(form.f().List()->mostRowsHeld() <= 3);

    // Descending by the grid's current column, then ascending again.
    form.key("sDesc");
    QCOMPARE(listed(form.f()), QStringList({"Έψιλον", "Δέλτα", "Γάμμα"}));
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Έψιλον"));
    form.key("sAsc");
    QCOMPARE(listed(form.f()), QStringList({"Άλφα", "Βήτα", "Γάμμα"}));

    // Refresh sees another user's row and keeps the shown record.
    form.key("next");
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Βήτα"));
    QVERIFY(addItem(db.conn(), "Αγκάθι", "X"));
    form.key("refresh");
    QCOMPARE(listed(form.f()), QStringList({"Αγκάθι", "Άλφα", "Βήτα"}));
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Βήτα"));
    QCOMPARE(form.adodc->AbsolutePosition(), 3);
}

void tst_DBForm::newRecord() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));
    QVERIFY(!form.f().ToolbarButton("edit")->isEnabled());  // nothing to change in an empty list

    form.key("add");
    QCOMPARE(form.log, QStringList({"PostInitRec 32"}));
    QCOMPARE(form.tabA->currentIndex(), 0);
    QCOMPARE(form.f().CurAction(), 32L);
    QVERIFY(!form.txtEdit[0]->isReadOnly());
    QVERIFY(form.cmdEdit[0]->isEnabled());
    QVERIFY(!form.tabA->isTabEnabled(2));

    form.txtEdit[0]->setText(QStringLiteral("Ζήτα"));
    typeText(form.txtEdit[1], QStringLiteral("Κ'1;%_x"));  // cut at 5 by the box
    form.numEdit[0]->setText(QStringLiteral("12"));
    form.dtEdit[0]->SetValue(QDate(2026, 2, 28));
    form.cmbEdit[0]->setCurrentIndex(1);
    form.txtEdit[2]->setText(QStringLiteral("managed"));
    form.lblEdit[1]->setText(QStringLiteral("s3cr't"));
    form.appendFields = QStringLiteral("MODUSER");
    form.appendValues = QStringLiteral("7");
    form.log.clear();
    form.key("save");

    const QString id = scalar(db.conn(), "SELECT MAX(ID) FROM ITEMS");
    QCOMPARE(form.log, QStringList({"ValuesOK 1",
                                    "PreSaveRec 32 [NAME,CODE,QTY,DAY,KIND,SECRET,] "
                                    "['Ζήτα','Κ''1;%',12,'2026-02-28',2,'s3cr''t',]",
                                    "PostAction " + id + " 32 1", "PostCommit " + id + " 32 0", "PostInitRec 1", "PostShowRec " + id}));
    QCOMPARE(form.actionInValuesOk, 32L);
    // M is not written, H is, the form's items are, texts keep their quotes and symbols.
    QCOMPARE(scalar(db.conn(), "SELECT NOTE FROM ITEMS"), QStringLiteral("<null>"));
    QCOMPARE(scalar(db.conn(), "SELECT SECRET FROM ITEMS"), QStringLiteral("s3cr't"));
    QCOMPARE(scalar(db.conn(), "SELECT CODE FROM ITEMS"), QStringLiteral("Κ'1;%"));
    QCOMPARE(scalar(db.conn(), "SELECT MODUSER FROM ITEMS"), QStringLiteral("7"));
    // Back to viewing the saved row, which the list now holds.
    QVERIFY(!form.f().Editing());
    QCOMPARE(form.f().CurrentKey().toString(), id);
    QCOMPARE(form.lblEdit[0]->text(), id);
    QCOMPARE(listed(form.f()), QStringList({"Ζήτα"}));
    QVERIFY(form.txtEdit[0]->isReadOnly());
}

void tst_DBForm::update() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    QVERIFY(addItem(db.conn(), "Άλφα", "A1"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));
    const QString id = form.f().CurrentKey().toString();

    form.key("edit");
    QCOMPARE(form.f().CurAction(), 16L);
    form.txtEdit[0]->setText(QStringLiteral("Ωμέγα"));
    form.numEdit[0]->clear();
    form.appendFields = QStringLiteral("MODUSER=9");
    form.log.clear();
    form.key("save");
    QCOMPARE(form.log.value(1),
             QStringLiteral("PreSaveRec 16 [NAME='Ωμέγα',CODE='A1',QTY=Null,DAY=Null,KIND=1,"
                            "SECRET=Null,] []"));
    QCOMPARE(form.log.value(2), "PostAction " + id + " 16 1");
    QCOMPARE(scalar(db.conn(), "SELECT NAME || '/' || MODUSER FROM ITEMS"), QStringLiteral("Ωμέγα/9"));
    QCOMPARE(scalar(db.conn(), "SELECT COUNT(*) FROM ITEMS WHERE QTY IS NULL"), QStringLiteral("1"));

    // A row another user removed meanwhile is not reported as saved.
    form.key("edit");
    QVERIFY(db.openAnother()->Execute("DELETE FROM ITEMS"));
    form.log.clear();
    MsgBoxHook::Clear();
    form.key("save");
    QCOMPARE(form.log.last(), "PostAction " + id + " 16 0");
    QCOMPARE(MsgBoxHook::Log().size(), 1);
    QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbCritical));
    QVERIFY(form.f().Editing());
}

void tst_DBForm::refusals() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));
    form.key("add");

    // Required controls, in the script's order; the caption names the field, else its label.
    form.log.clear();
    form.key("save");
    QCOMPARE(MsgBoxHook::Log().size(), 1);
    QCOMPARE(MsgBoxHook::Log().last().prompt, clsDBForm::RequiredMessage("Όνομα"));
    QCOMPARE(MsgBoxHook::Log().last().icon(), int(vb::vbExclamation));
    form.txtEdit[0]->setText(QStringLiteral("   "));
    form.key("save");
    QCOMPARE(MsgBoxHook::Log().last().prompt, clsDBForm::RequiredMessage("Όνομα"));
    form.txtEdit[0]->setText(QStringLiteral("Ήτα"));
    form.key("save");
    QCOMPARE(MsgBoxHook::Log().last().prompt, clsDBForm::RequiredMessage("Είδος"));
    // A date typed only in part is not silently dropped.
    form.cmbEdit[0]->setCurrentIndex(0);
    form.dtEdit[0]->setText(QStringLiteral("31/02/2026"));
    form.key("save");
    QCOMPARE(MsgBoxHook::Log().last().prompt, clsDBForm::BadDateMessage("Ημέρα"));
    QVERIFY(form.log.isEmpty());  // the form was not asked
    form.dtEdit[0]->SetValue(QVariant());

    // The form's own refusal.
    form.valuesOk = false;
    form.key("save");
    QCOMPARE(form.log, QStringList({"ValuesOK 1"}));
    QVERIFY(form.f().Editing());
    QCOMPARE(scalar(db.conn(), "SELECT COUNT(*) FROM ITEMS"), QStringLiteral("0"));

    form.valuesOk = true;
    form.key("save");
    QCOMPARE(scalar(db.conn(), "SELECT COUNT(*) FROM ITEMS"), QStringLiteral("1"));
}

void tst_DBForm::copy() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    QVERIFY(addItem(db.conn(), "Άλφα", "A1"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));
    const QString source = form.f().CurrentKey().toString();

    form.key("copy");
    QCOMPARE(form.log, QStringList({"PostInitRec 128"}));
    QCOMPARE(form.lblEdit[0]->text(), QString());  // the copy has no key yet
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Άλφα"));
    form.txtEdit[1]->setText(QStringLiteral("B2"));
    form.log.clear();
    form.key("save");

    const QString copy = scalar(db.conn(), "SELECT MAX(ID) FROM ITEMS");
    QVERIFY(copy != source);
    QCOMPARE(form.actionInValuesOk, 128L);
    QVERIFY(form.log.value(1).startsWith("PreSaveRec 128 [NAME,CODE,"));
    // Saved as a new row, reported as an insert with the new key.
    QCOMPARE(form.log.value(2), "PostAction " + copy + " 32 1");
    QCOMPARE(scalar(db.conn(), "SELECT CODE FROM ITEMS WHERE ID=" + source), QStringLiteral("A1"));
    QCOMPARE(scalar(db.conn(), "SELECT CODE FROM ITEMS WHERE ID=" + copy), QStringLiteral("B2"));
    QCOMPARE(form.f().CurrentKey().toString(), copy);
}

void tst_DBForm::cancel() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    QVERIFY(addItem(db.conn(), "Άλφα", "A1"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));
    const QString id = form.f().CurrentKey().toString();

    form.key("edit");
    form.txtEdit[0]->setText(QStringLiteral("Αλλαγή"));
    form.log.clear();
    form.key("cancel");
    QCOMPARE(form.log, QStringList({"PostInitRec 512", "PostAction " + id + " 512 1", "PostInitRec 1",
                                    "PostShowRec " + id}));
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Άλφα"));
    QCOMPARE(scalar(db.conn(), "SELECT NAME FROM ITEMS"), QStringLiteral("Άλφα"));

    // Closing the window during an edit asks first; No keeps the edit.
    form.key("add");
    form.txtEdit[0]->setText(QStringLiteral("Νέο"));
    MsgBoxHook::Clear();
    MsgBoxHook::QueueAnswer(vb::vbNo);
    QVERIFY(!form.f().QueryUnload());
    QCOMPARE(MsgBoxHook::Log().first().prompt, clsDBForm::UnsavedQuestion());
    QVERIFY(form.f().Editing());
    MsgBoxHook::QueueAnswer(vb::vbYes);
    QVERIFY(form.f().QueryUnload());
    QVERIFY(!form.f().Editing());
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Άλφα"));
}

void tst_DBForm::saveFailure() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));
    form.key("add");
    form.txtEdit[0]->setText(QStringLiteral("Θήτα"));
    form.cmbEdit[0]->setCurrentIndex(0);
    form.appendFields = QStringLiteral("NO_SUCH_COLUMN");
    form.appendValues = QStringLiteral("1");
    form.log.clear();
    form.key("save");
    // Reported, the form told of the failure, nothing written, the typed values kept.
    QCOMPARE(MsgBoxHook::Log().size(), 1);
    QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbCritical));
    QVERIFY(MsgBoxHook::Log().first().prompt.contains("SaveRec"));
    QCOMPARE(form.log.last(), QStringLiteral("PostAction  32 0"));
    QVERIFY(form.f().Editing());
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Θήτα"));
    QCOMPARE(scalar(db.conn(), "SELECT COUNT(*) FROM ITEMS"), QStringLiteral("0"));
}

// The main row and what the form writes in PostAction are one transaction: the form's own levels
// nest in it, its rollback undoes the main row too and keeps the edit; PostCommit follows a commit.
void tst_DBForm::wholeSave() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    const ConnectionPtr c = db.conn();
    ItemsForm form;
    QVERIFY(form.Init(c, kAll));
    bool fail = true;
    form.onPostAction = [&](long, bool success) {
        if (!success) return;
        QVERIFY(c->InTransaction());
        QVERIFY(c->BeginTrans());
        QVERIFY(c->Execute(QStringLiteral("UPDATE ITEMS SET NOTE='σημείωση'")));
        if (fail)
            c->RollbackTrans();
        else
            QVERIFY(c->CommitTrans());
    };
    form.key("add");
    form.txtEdit[0]->setText(QStringLiteral("Θήτα"));
    form.cmbEdit[0]->setCurrentIndex(0);
    form.log.clear();
    form.key("save");
    QVERIFY(form.f().Editing());
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Θήτα"));
    QCOMPARE(scalar(c, "SELECT COUNT(*) FROM ITEMS"), QStringLiteral("0"));
    QVERIFY(!c->InTransaction());
    QVERIFY(!form.log.join(u'|').contains(QStringLiteral("PostCommit")));

    fail = false;
    form.log.clear();
    form.key("save");
    QVERIFY(!form.f().Editing());
    QCOMPARE(scalar(c, "SELECT NOTE FROM ITEMS"), QStringLiteral("σημείωση"));
    const QString id = scalar(c, "SELECT ID FROM ITEMS");
    QCOMPARE(form.log.mid(form.log.indexOf(QStringLiteral("PostAction %1 32 1").arg(id)), 2),
             (QStringList{QStringLiteral("PostAction %1 32 1").arg(id), QStringLiteral("PostCommit %1 32 0").arg(id)}));
}

void tst_DBForm::deletion_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("removes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("abort");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QStringList>("left");
    for (Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        const QString t = tag + u' ';
        QTest::newRow(qPrintable(t + "declined"))
            << tag << int(vb::vbNo) << false << true << false << "" << QStringList{"Άλφα", "Βήτα"};
        QTest::newRow(qPrintable(t + "form deletes"))
            << tag << int(vb::vbYes) << true << true << false
            << "DelRec K|PostAction K 64 1|PostInitRec 1|PostShowRec *" << QStringList{"Βήτα"};
        QTest::newRow(qPrintable(t + "form fails"))
            << tag << int(vb::vbYes) << false << false << false << "DelRec K|PostAction K 64 0"
            << QStringList{"Άλφα", "Βήτα"};
        QTest::newRow(qPrintable(t + "form refuses"))
            << tag << int(vb::vbYes) << false << true << true << "DelRec K" << QStringList{"Άλφα", "Βήτα"};
    }
}

void tst_DBForm::deletion() {
    QFETCH(int, answer);
    QFETCH(bool, removes);
    QFETCH(bool, ok);
    QFETCH(bool, abort);
    QFETCH(QString, events);
    QFETCH(QStringList, left);
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    QVERIFY(addItem(db.conn(), "Άλφα", "A1"));
    QVERIFY(addItem(db.conn(), "Βήτα", "B1"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));
    const QString key = form.f().CurrentKey().toString();
    form.delRemoves = removes;
    form.delOk = ok;
    form.delAbort = abort;
    MsgBoxHook::QueueAnswer(answer);
    form.key("del");

    QCOMPARE(MsgBoxHook::Log().first().prompt, clsDBForm::DeleteQuestion());
    QCOMPARE(MsgBoxHook::Log().first().defaultButton(), int(vb::vbDefaultButton2));
    QString expected = events;
    expected.replace("K", key);
    QStringList got = form.log;
    if (!got.isEmpty() && got.last().startsWith("PostShowRec ")) got.last() = "PostShowRec *";
    QCOMPARE(got.join(u'|'), expected);
    // The framework deleted nothing itself.
    Recordset rs;
    QVERIFY(rs.Open("SELECT NAME FROM ITEMS ORDER BY NAME", db.conn()));
    QStringList rows;
    for (; !rs.Eof(); rs.MoveNext()) rows << rs.Value(0).toString();
    QCOMPARE(rows, left);
    QCOMPARE(listed(form.f()), left);
}

void tst_DBForm::search() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    for (const char* n : {"Αλέκος", "ΑΛΕΞΗΣ", "Βασίλης", "Άλκηστις"}) QVERIFY(addItem(db.conn(), n, "X"));
    QVERIFY(addItem(db.conn(), "Αλίκη", "Y", "D"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));

    // A box tagged S: the framework's own condition (begins with, Greek case and accents ignored).
    form.key("search");
    QCOMPARE(form.tabA->currentIndex(), 1);
    form.txtSearch[0]->setText(QStringLiteral("αλε"));
    form.key("list");
    QCOMPARE(form.log.first(), QStringLiteral("SearchCond []"));
    QCOMPARE(listed(form.f()), QStringList({"Αλέκος", "ΑΛΕΞΗΣ"}));
    QCOMPARE(form.tabA->currentIndex(), 2);

    // The form's condition is added to it.
    form.searchCond = QStringLiteral("NAME<>'Αλέκος'");
    form.key("list");
    QCOMPARE(listed(form.f()), QStringList({"ΑΛΕΞΗΣ"}));
    QCOMPARE(form.f().ListCondition(),
             form.f().ListCondition().section(" AND ", 0, 0) + " AND NAME<>'Αλέκος'");

    // A "%%" statement is opened as it stands: no S condition, no base condition.
    form.searchCond = QStringLiteral("%%SELECT * FROM ITEMS WHERE CODE IN ('X', 'Y')");
    form.key("list");
    QCOMPARE(form.f().ListStatement(), QStringLiteral("SELECT * FROM ITEMS WHERE CODE IN ('X', 'Y')"));
    QCOMPARE(listed(form.f()).size(), 5);
    QVERIFY(listed(form.f()).contains("Αλίκη"));

    // Clearing the search page empties its boxes and tells the form.
    form.log.clear();
    form.key("clear");
    QCOMPARE(form.txtSearch[0]->text(), QString());
    QCOMPARE(form.log, QStringList({"PostInitRec 4"}));
    // Nothing typed lists every row the base condition lets through.
    form.searchCond.clear();
    form.key("list");
    QCOMPARE(listed(form.f()).size(), 4);

    // Enter on the search page lists too.
    form.txtSearch[0]->setText(QStringLiteral("Βα"));
    form.tabA->setCurrentIndex(1);
    int code = 13, shift = 0;
    form.f().FormKeyDown(code, shift);
    QCOMPARE(code, 0);
    QCOMPARE(listed(form.f()), QStringList({"Βασίλης"}));
}

void tst_DBForm::selectionAndPrint() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    for (const char* n : {"Α", "Β", "Γ"}) QVERIFY(addItem(db.conn(), n, "X"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll, QStringLiteral("CODE='X'")));

    form.tdbg->clearSelection();
    QVERIFY(!form.f().SelectedRecs("NAME").isValid());
    auto* sel = form.tdbg->selectionModel();
    sel->select(form.tdbg->model()->index(2, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    sel->select(form.tdbg->model()->index(0, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(form.SelectedRecs("NAME").toList(), QVariantList({"Α", "Γ"}));
    QCOMPARE(form.SelectedRecs("id").toList().size(), 2);
    QVERIFY(!form.SelectedRecs("NO_SUCH").isValid());

    form.key("print");
    QCOMPARE(form.printed, QStringLiteral("CODE='X'|(FLAG<>'D')|NAME~Όνομα;CODE~Κωδ."));

    // Without a framework the form's SelectedRecs is Empty.
    form.mclsDBForm.reset();
    QVERIFY(!form.SelectedRecs("NAME").isValid());
}

void tst_DBForm::navigationAndKeys() {
    TEST_DATABASE(db);
    QVERIFY(createItems(db));
    for (const char* n : {"Α", "Β", "Γ"}) QVERIFY(addItem(db.conn(), n, "X"));
    ItemsForm form;
    QVERIFY(form.Init(db.conn(), kAll));
    QVERIFY(!form.f().ToolbarButton("prev")->isEnabled());

    form.key("next");
    form.key("next");
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Γ"));
    QVERIFY(!form.f().ToolbarButton("next")->isEnabled());
    QCOMPARE(form.tdbg->currentIndex().row(), 2);
    // A click in the grid moves the shown record.
    form.tdbg->setCurrentIndex(form.tdbg->model()->index(0, 1));
    QCOMPARE(form.txtEdit[0]->text(), QStringLiteral("Α"));
    QCOMPARE(form.adodc->AbsolutePosition(), 1);

    // Alt+1..3 switch the pages through the forwarded keys, typed into any control.
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.tabA->setCurrentIndex(1);
    form.txtSearch[0]->setFocus();
    QTest::keyClick(form.txtSearch[0], Qt::Key_1, Qt::AltModifier);
    QCOMPARE(form.tabA->currentIndex(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_3, Qt::AltModifier);
    QCOMPARE(form.tabA->currentIndex(), 2);

    // During an edit the other pages stay closed.
    form.key("edit");
    QCOMPARE(form.tabA->currentIndex(), 0);
    QTest::keyClick(form.txtEdit[0], Qt::Key_2, Qt::AltModifier);
    QCOMPARE(form.tabA->currentIndex(), 0);
    form.tabA->setCurrentIndex(2);
    QCOMPARE(form.tabA->currentIndex(), 0);
    form.key("cancel");
    form.hide();
}

QTEST_MAIN(tst_DBForm)
#include "tst_dbform.moc"
