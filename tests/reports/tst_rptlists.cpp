#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "CommonDialog.h"
#include "DBHelper.h"
#include "Err.h"
#include "MsgBox.h"
#include "RegisterDatabase.h"
#include "ReportOptions.h"
#include "ReportPreview.h"
#include "Screen.h"
#include "TestSupport.h"
#include "clsRptLookup.h"
#include "clsRptUsers.h"
#include "modDeclare.h"
#include "mod_Rtns.h"

using namespace modDeclare;

namespace {

const QString kNoData = QStringLiteral("Δεν υπάρχουν δεδομένα. Διορθώστε τις επιλογές σας");

QString pdfText(const QString& file) {
    QProcess p;
    p.start("pdftotext", {"-layout", file, "-"});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What the user picks in the options dialog; the dialog's offers are kept for the test.
struct Choice {
    enum Mode { Preview, Print, Export, Cancel } mode = Export;
    QString order;  // the caption to choose; "" for none
    bool selection = false;
    QStringList offered;  // order captions offered
    bool exportOffered = false, scopeShown = false, selectionEnabled = false;
    QString title;
    QStringList unnamed;
};

// Answers the options dialog as the choice says.
std::unique_ptr<ModalDriver<ReportOptions>> answer(Choice& c) {
    return std::make_unique<ModalDriver<ReportOptions>>([&c](ReportOptions* d) {
        c.title = d->windowTitle();
        c.unnamed = unnamedInputs(d);
        c.offered.clear();
        for (int i = 0; i < d->cmbOrder->count(); ++i) c.offered << d->cmbOrder->itemText(i);
        c.exportOffered = d->optExport->isVisibleTo(d);
        c.scopeShown = d->fraScope->isVisibleTo(d);
        c.selectionEnabled = d->optSelection->isEnabled();
        if (c.mode == Choice::Cancel) {
            d->cmdCancel->click();
            return;
        }
        (c.mode == Choice::Preview ? d->optPreview : c.mode == Choice::Print ? d->optPrint : d->optExport)
            ->setChecked(true);
        (c.selection ? d->optSelection : d->optAll)->setChecked(true);
        d->cmbOrder->setCurrentIndex(c.order.isEmpty() ? 0 : d->cmbOrder->findText(c.order));
        d->cmdOK->click();
    });
}

void exec(const ConnectionPtr& conn, const QString& sql) {
    Recordset rs;
    Err().Clear();
    conn->Execute(sql);
    QVERIFY2(!Err().Pending(), qPrintable(sql + ": " + Err().Description));
}

// Lines of the text that hold any of the names, in their order on paper.
QStringList order(const QString& text, const QStringList& names) {
    QList<QPair<qsizetype, QString>> at;
    for (const QString& n : names)
        if (const qsizetype i = text.indexOf(n); i >= 0) at.append({i, n});
    std::sort(at.begin(), at.end());
    QStringList out;
    for (const auto& p : at) out << p.second;
    return out;
}

// The preview window a run left open; nullptr when there is none.
ReportPreview* openPreview() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<ReportPreview*>(w); p && p->isVisible()) return p;
    return nullptr;
}

// Runs a lookup list; the report object as the caller leaves it (expired once the run ended).
std::weak_ptr<clsRptLookup> runLookup(const QString& table, const QString& caption, const QString& code, long resId) {
    auto rpt = clsRptLookup::New();
    rpt->Main(table, caption, code, "DESCR", resId);
    return rpt;
}

}  // namespace

class tst_RptLists : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void usersList_data() { TestDatabase::addBackendRows(); }
    void usersList();
    void usersSelection_data() { TestDatabase::addBackendRows(); }
    void usersSelection();
    void lookupWithCode_data() { TestDatabase::addBackendRows(); }
    void lookupWithCode();
    void lookupWithoutCode_data() { TestDatabase::addBackendRows(); }
    void lookupWithoutCode();
    void noData_data() { TestDatabase::addBackendRows(); }
    void noData();
    void cancelRunsNothing_data() { TestDatabase::addBackendRows(); }
    void cancelRunsNothing();
    void failedStatement_data() { TestDatabase::addBackendRows(); }
    void failedStatement();
    void previewPagesOnDemand_data() { TestDatabase::addBackendRows(); }
    void previewPagesOnDemand();
    void usersClosingRule_data() { TestDatabase::addBackendRows(); }
    void usersClosingRule();
    void previewFromModalForm_data() { TestDatabase::addBackendRows(); }
    void previewFromModalForm();
    void printToPdfPrinter_data() { TestDatabase::addBackendRows(); }
    void printToPdfPrinter();
    void choicesRememberedPerSection_data() { TestDatabase::addBackendRows(); }
    void choicesRememberedPerSection();
    void usersOverSeveralBlocks_data() { TestDatabase::addBackendRows(); }
    void usersOverSeveralBlocks();
    void lookupRowsRemovedMeanwhile_data() { TestDatabase::addBackendRows(); }
    void lookupRowsRemovedMeanwhile();
    void loadPictureSafe();

private:
    void seedUsers(const ConnectionPtr& conn);
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<AnswerQueues> m_answers;
    QTemporaryDir m_dir;
};

void tst_RptLists::initTestCase() {
    gErr = std::make_unique<cls_Error>();
    QVERIFY(gErr->Init(false));
}

void tst_RptLists::init() {
    m_settings = std::make_unique<TempSettings>();
    m_answers = std::make_unique<AnswerQueues>();
    gUser = std::make_shared<cls_User>();
    gUser->UserId = 1;
    gUser->Auth = 0x40;
    gLogoFile = m_dir.filePath("missing/Logo1.bmp");  // no picture, and no message for it
    gLogo1 = QStringLiteral("ΔΗΜΟΣ ΔΟΚΙΜΗΣ");
    gLogo2.clear();
}

void tst_RptLists::cleanup() {
    ReportEngine::SetPrintDialogHook({});
    while (ReportPreview* p = openPreview()) p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_answers.reset();
    m_settings.reset();
    gConn.reset();
    gUser.reset();
}

void tst_RptLists::seedUsers(const ConnectionPtr& conn) {
    exec(conn, "DELETE FROM USERS");
    const auto add = [&](const QString& values) {
        exec(conn, "INSERT INTO USERS (U_NAME, U_AUTH, U_LNAME, U_FNAME, U_ADDRESS, U_PHONE1, U_PHONE2, USER_GROUP_ID)"
                   " VALUES (" + values + ")");
    };
    add("'PAP', 1, 'Παπαδόπουλος', 'Γιώργος', 'Οδός Αθηνάς 5, Αθήνα', '2101111111', '6972222222', 1");
    add("'ALE', 1, 'Αλεξίου', 'Μαρία', Null, '2103333333', '6994444444', 2");
    add("'ZIS', 0, 'Ζήσης', 'Νίκος', 'Κάπου', Null, Null, Null");
    add("'ONI', 1, 'Ο''Νιλ', 'Τζον', 'Μακριά', '1', '2', 99");
}

void tst_RptLists::usersList() {
    TEST_REGISTER(db);
    gConn = db.conn();
    seedUsers(gConn);
    const QString pdf = m_dir.filePath("users.pdf");
    CommonDialogHook::QueueAnswer(pdf);
    Choice c;
    c.order = "Επώνυμο";
    auto driver = answer(c);
    QString where = "U_FNAME = 'Μαρία'", extra = "U_AUTH > 0";
    QStringList fields{"U_LNAME~Επώνυμο", "U_FNAME~Όνομα"};
    std::weak_ptr<clsRptUsers> alive;
    {
        auto rpt = clsRptUsers::New();
        alive = rpt;
        rpt->Main(where, extra, fields);
    }
    QVERIFY(driver->shown());
    QVERIFY(alive.expired());  // the run ended and let the report go
    QCOMPARE(c.offered, QStringList({"(χωρίς ταξινόμηση)", "Επώνυμο", "Όνομα"}));
    QVERIFY(c.exportOffered && c.scopeShown && c.selectionEnabled);
    QCOMPARE(c.unnamed, QStringList());
    QCOMPARE(MsgBoxHook::Log().size(), 0);
    QCOMPARE(Screen::MousePointer(), int(Screen::vbDefault));

    const QString text = pdfText(pdf);
    for (const QString& s : {"ΔΗΜΟΣ ΔΟΚΙΜΗΣ", "ΧΡΗΣΤΕΣ ΕΦΑΡΜΟΓΗΣ", "ΕΠΩΝΥΜΟ", "ΔΙΕΥΘΥΝΣΗ", "ΤΗΛΕΦ. 2", "ΟΜΑΔΑ",
                             "Σελίδα 1", "Οδός Αθηνάς 5, Αθήνα", "Διαχειριστές", "Χρήστες"})
        QVERIFY2(text.contains(s), qPrintable(s));
    // Scope "all": the second condition alone (U_AUTH > 0 leaves Ζήσης out), ordered by last name.
    QCOMPARE(order(text, {"Παπαδόπουλος", "Αλεξίου", "Ζήσης", "Ο'Νιλ"}),
             QStringList({"Αλεξίου", "Ο'Νιλ", "Παπαδόπουλος"}));
    // The first phone column holds U_PHONE1, the second U_PHONE2.
    QVERIFY(text.indexOf("2101111111") < text.indexOf("6972222222"));
    QVERIFY(text.section("Ο'Νιλ", 1).section('\n', 0, 0).trimmed().endsWith("2"));  // group 99: empty
}

void tst_RptLists::usersSelection() {
    TEST_REGISTER(db);
    gConn = db.conn();
    seedUsers(gConn);
    const QString pdf = m_dir.filePath("sel.pdf");
    CommonDialogHook::QueueAnswer(pdf);
    Choice c;
    c.selection = true;
    auto driver = answer(c);
    QString where = "U_FNAME = 'Μαρία'", extra = "U_AUTH > 0";
    QStringList fields;
    clsRptUsers::New()->Main(where, extra, fields);
    const QString text = pdfText(pdf);
    QCOMPARE(order(text, {"Παπαδόπουλος", "Αλεξίου", "Ζήσης", "Ο'Νιλ"}), QStringList({"Αλεξίου"}));

    // A whole statement (a list's "%%" condition) runs as it stands, with the order chosen.
    const QString pdf3 = m_dir.filePath("sel3.pdf");
    CommonDialogHook::QueueAnswer(pdf3);
    Choice whole;
    whole.selection = true;
    whole.order = "Επώνυμο";
    auto driver3 = answer(whole);
    QString statement = "%%SELECT * FROM USERS WHERE U_AUTH = 1";
    QStringList byName{"U_LNAME~Επώνυμο"};
    clsRptUsers::New()->Main(statement, extra, byName);
    QCOMPARE(order(pdfText(pdf3), {"Παπαδόπουλος", "Αλεξίου", "Ζήσης", "Ο'Νιλ"}),
             QStringList({"Αλεξίου", "Ο'Νιλ", "Παπαδόπουλος"}));

    // Without a selection the dialog offers none.
    CommonDialogHook::QueueAnswer(m_dir.filePath("sel2.pdf"));
    Choice again;
    auto driver2 = answer(again);
    QString none;
    clsRptUsers::New()->Main(none, extra, fields);
    QVERIFY(driver2->shown());
    QVERIFY(!again.selectionEnabled);
}

void tst_RptLists::lookupWithCode() {
    TEST_REGISTER(db);
    gConn = db.conn();
    exec(gConn, "INSERT INTO L_TMHMATA (CODE, DESCR, MODFLAG) VALUES ('B2', 'Λογιστήριο', 'N')");
    exec(gConn, "INSERT INTO L_TMHMATA (CODE, DESCR, MODFLAG) VALUES ('A1', 'Πρωτόκολλο, Αρχείο', 'M')");
    exec(gConn, "INSERT INTO L_TMHMATA (CODE, DESCR, MODFLAG) VALUES ('C3', 'Καταργημένο', 'D')");
    const QString pdf = m_dir.filePath("tm.pdf");
    CommonDialogHook::QueueAnswer(pdf);
    Choice c;
    c.order = "Κωδικός";
    auto driver = answer(c);
    runLookup("L_TMHMATA", "Τμήματα/Υπηρεσίες", "CODE", 126);
    QCOMPARE(c.offered, QStringList({"(χωρίς ταξινόμηση)", "Κωδικός", "Περιγραφή"}));
    QVERIFY(c.title.contains("Τμήματα/Υπηρεσίες"));
    // The title proposes the file's name, without what a file name cannot hold.
    QCOMPARE(CommonDialogHook::Log().value(0).fileName, QString("Τμήματα_Υπηρεσίες.pdf"));
    const QString text = pdfText(pdf);
    QVERIFY(text.contains("ΚΩΔΙΚΟΣ"));
    QVERIFY(text.contains("ΠΕΡΙΓΡΑΦΗ"));
    QVERIFY(text.contains("Τμήματα/Υπηρεσίες"));
    QCOMPARE(order(text, {"Λογιστήριο", "Πρωτόκολλο, Αρχείο", "Καταργημένο"}),
             QStringList({"Πρωτόκολλο, Αρχείο", "Λογιστήριο"}));
    QVERIFY(text.contains(QRegularExpression("A1 +Πρωτόκολλο, Αρχείο")));
}

void tst_RptLists::lookupWithoutCode() {
    TEST_REGISTER(db);
    gConn = db.conn();
    for (const char* d : {"Υπουργείο", "Αποκεντρωμένη Διοίκηση", "Δήμος"})
        exec(gConn, QString("INSERT INTO L_APO (DESCR, MODFLAG) VALUES ('%1', 'N')").arg(QString::fromUtf8(d)));
    const QString pdf = m_dir.filePath("apo.pdf");
    CommonDialogHook::QueueAnswer(pdf);
    Choice c;
    c.order = "Περιγραφή";
    auto driver = answer(c);
    runLookup("L_APO", "Αποστολείς", "", 129);
    QCOMPARE(c.offered, QStringList({"(χωρίς ταξινόμηση)", "Περιγραφή"}));
    const QString text = pdfText(pdf);
    QVERIFY(!text.contains("ΚΩΔΙΚΟΣ"));
    QVERIFY(text.contains("ΠΕΡΙΓΡΑΦΗ"));
    QCOMPARE(order(text, {"Υπουργείο", "Αποκεντρωμένη Διοίκηση", "Δήμος"}),
             QStringList({"Αποκεντρωμένη Διοίκηση", "Δήμος", "Υπουργείο"}));
}

void tst_RptLists::noData() {
    TEST_REGISTER(db);
    gConn = db.conn();
    Choice c;
    auto driver = answer(c);
    QVERIFY(runLookup("L_PROS", "Παραλήπτες", "", 130).expired());
    QCOMPARE(MsgBoxHook::Log().size(), 1);
    QCOMPARE(MsgBoxHook::Log()[0].prompt, kNoData);
    QVERIFY(CommonDialogHook::Log().isEmpty());
    QCOMPARE(Screen::MousePointer(), int(Screen::vbDefault));
}

void tst_RptLists::cancelRunsNothing() {
    TEST_REGISTER(db);
    gConn = db.conn();
    Choice c;
    c.mode = Choice::Cancel;
    auto driver = answer(c);
    // A table that does not exist: had the statement run, its error would show.
    QVERIFY(runLookup("NO_SUCH_TABLE", "Κάτι", "", 131).expired());
    QVERIFY(driver->shown());
    QVERIFY(MsgBoxHook::Log().isEmpty());
    QVERIFY(CommonDialogHook::Log().isEmpty());
    QCOMPARE(Screen::MousePointer(), int(Screen::vbDefault));
}

void tst_RptLists::failedStatement() {
    TEST_REGISTER(db);
    gConn = db.conn();
    Choice c;
    auto driver = answer(c);
    runLookup("NO_SUCH_TABLE", "Κάτι", "", 131);
    QCOMPARE(MsgBoxHook::Log().size(), 2);
    QVERIFY(MsgBoxHook::Log()[0].prompt.contains("clsRptLookup -> Open : SELECT * From NO_SUCH_TABLE WHERE MODFLAG <> 'D'"));
    QCOMPARE(MsgBoxHook::Log()[1].prompt, kNoData);
    QVERIFY(CommonDialogHook::Log().isEmpty());
}

void tst_RptLists::previewPagesOnDemand() {
    TEST_REGISTER(db);
    gConn = db.conn();
    gConn->BeginTrans();
    for (int i = 0; i < 1200; ++i)
        exec(gConn, QString("INSERT INTO L_PHRASES (DESCR, MODFLAG) VALUES ('Φράση %1', 'N')").arg(i, 4, 10, QChar('0')));
    gConn->CommitTrans();
    Choice c;
    c.mode = Choice::Preview;
    c.order = "Περιγραφή";
    auto driver = answer(c);
    const auto alive = runLookup("L_PHRASES", "Φράσεις", "", 127);
    QVERIFY(!alive.expired());  // the preview's engine keeps the report
    ReportPreview* preview = openPreview();
    QVERIFY(preview);
    // The first page is there before the rest has been read.
    QCOMPARE(preview->CurrentPage(), 1);
    QVERIFY(!preview->CountDone());
    QVERIFY(preview->PagesKnown() < 3);
    // The page fits the window's width; neither changes while the rest is counted.
    QCoreApplication::processEvents();
    const int width = preview->width();
    const QSize page = preview->lblPage->size();
    const auto bodyOf = [&] {
        QStringList t;
        for (const auto& x : preview->CurrentModel()->texts) t << x.text;
        return t;
    };
    QVERIFY(bodyOf().contains("Φράση 0000"));
    QVERIFY(!preview->cmdExport->isHidden());
    QCOMPARE(unnamedInputs(preview), QStringList());
    QTRY_VERIFY(preview->CountDone());
    const int pages = preview->PagesKnown();
    QVERIFY(pages >= 10);
    QCoreApplication::processEvents();
    QCOMPARE(preview->width(), width);
    QCOMPARE(preview->lblPage->size(), page);
    QVERIFY(!preview->scroll->horizontalScrollBar()->isVisible());
    QVERIFY(preview->CachedPages() <= 12);
    // Back to the first page: the report reads its data again, and its header lines stay right.
    QVERIFY(preview->ShowPage(2));
    QVERIFY(preview->ShowPage(1));
    QVERIFY(preview->ShowPage(pages));
    QVERIFY(preview->ShowPage(1));
    QVERIFY(bodyOf().contains("ΠΕΡΙΓΡΑΦΗ"));
    QVERIFY(bodyOf().contains("Φράση 0000"));
    QVERIFY(!bodyOf().contains("ΚΩΔΙΚΟΣ"));
    QVERIFY(!preview->ShowPage(pages + 1));
    preview->cmdClose->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive.expired());
}

void tst_RptLists::usersClosingRule() {
    TEST_REGISTER(db);
    gConn = db.conn();
    seedUsers(gConn);
    Choice c;
    c.mode = Choice::Preview;
    auto driver = answer(c);
    QString where, extra;
    QStringList fields;
    clsRptUsers::New()->Main(where, extra, fields);
    ReportPreview* preview = openPreview();
    QVERIFY(preview && preview->CurrentModel());
    // Rules across the whole printable width: the frame (2), the headings (2), one under each of
    // the four users, and the closing LT rule.
    int across = 0;
    for (const QLineF& l : preview->CurrentModel()->rules)
        if (qFuzzyCompare(l.x1(), 10.0) && qFuzzyCompare(l.x2(), 200.0) && qFuzzyCompare(l.y1(), l.y2())) ++across;
    QCOMPARE(across, 2 + 2 + 4 + 1);
    preview->close();
}

void tst_RptLists::previewFromModalForm() {
    // The users and lookup windows are modal: the preview must belong to them to take input, and
    // end the run when the form goes.
    TEST_REGISTER(db);
    gConn = db.conn();
    exec(gConn, "INSERT INTO L_TOPOS (DESCR, MODFLAG) VALUES ('Αθήνα', 'N')");
    Choice c;
    c.mode = Choice::Preview;
    auto options = answer(c);
    auto* form = new QDialog;
    std::weak_ptr<clsRptLookup> alive;
    QPointer<ReportPreview> preview;
    ModalDriver<QDialog> driver([&](QDialog* d) {
        alive = runLookup("L_TOPOS", "Τόποι", "", 131);
        preview = openPreview();
        d->hide();
    });
    form->exec();
    QVERIFY(preview);
    QCOMPARE(preview->parentWidget(), form);
    QVERIFY(preview->isWindow());
    QVERIFY(!alive.expired());
    delete form;
    QVERIFY(!preview);
    QVERIFY(alive.expired());
}

void tst_RptLists::printToPdfPrinter() {
    TEST_REGISTER(db);
    gConn = db.conn();
    seedUsers(gConn);
    const QString pdf = m_dir.filePath("printed.pdf");
    ReportEngine::SetPrintDialogHook([&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    });
    Choice c;
    c.mode = Choice::Print;
    auto driver = answer(c);
    QString where, extra;
    QStringList fields;
    clsRptUsers::New()->Main(where, extra, fields);
    const QString text = pdfText(pdf);
    QVERIFY(text.contains("Παπαδόπουλος"));
    QVERIFY(text.contains("Ζήσης"));  // no condition at all: every user
    QVERIFY(MsgBoxHook::Log().isEmpty());

    // A printer that cannot be written is reported in Greek.
    ReportEngine::SetPrintDialogHook([&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(m_dir.filePath("no/such/folder/x.pdf"));
        return true;
    });
    Choice again;
    again.mode = Choice::Print;
    auto driver2 = answer(again);
    clsRptUsers::New()->Main(where, extra, fields);
    QCOMPARE(MsgBoxHook::Log().size(), 1);
    QVERIFY(MsgBoxHook::Log()[0].prompt.startsWith("Η εκτύπωση «Χρήστες εφαρμογής» δεν ολοκληρώθηκε."));
}

void tst_RptLists::choicesRememberedPerSection() {
    TEST_REGISTER(db);
    gConn = db.conn();
    exec(gConn, "INSERT INTO L_TOPOS (DESCR, MODFLAG) VALUES ('Αθήνα', 'N')");
    CommonDialogHook::QueueAnswer(m_dir.filePath("a.pdf"));
    Choice first;
    first.order = "Περιγραφή";
    {
        auto d = answer(first);
        runLookup("L_TOPOS", "Τόποι", "", 131);
    }
    // The same list again proposes export and the order; another list its own defaults.
    QString mode, order;
    const auto peek = [&](long resId) {
        auto d = std::make_unique<ModalDriver<ReportOptions>>([&](ReportOptions* o) {
            mode = o->optExport->isChecked() ? "export" : o->optPreview->isChecked() ? "preview" : "print";
            order = o->cmbOrder->currentText();
            o->cmdCancel->click();
        });
        runLookup("L_TOPOS", "Τόποι", "", resId);
    };
    peek(131);
    QCOMPARE(mode + "/" + order, QString("export/Περιγραφή"));
    peek(132);
    QCOMPARE(mode + "/" + order, QString("preview/(χωρίς ταξινόμηση)"));
    // Without the right to export, a remembered export falls back to the preview.
    gUser->Auth = 0;
    peek(131);
    QCOMPARE(mode, QString("preview"));
}

// Rows come in blocks: every user once, in the chosen order across the blocks, each with its group
// looked up on the same connection while the list is being read.
void tst_RptLists::usersOverSeveralBlocks() {
    TEST_REGISTER(db);
    gConn = db.conn();
    exec(gConn, "DELETE FROM USERS");
    constexpr int kUsers = 230;
    QVERIFY(gConn->BeginTrans());
    for (int n = 0; n < kUsers; ++n) {
        const int i = n * 7 % kUsers;  // stored out of order
        exec(gConn, QString("INSERT INTO USERS (U_NAME, U_AUTH, U_LNAME, USER_GROUP_ID) VALUES ('U%1', 1, "
                            "'Χρήστης %1', %2)")
                        .arg(i, 3, 10, QChar('0'))
                        .arg(i % 2 + 1));
    }
    QVERIFY(gConn->CommitTrans());
    const QString pdf = m_dir.filePath("many.pdf");
    CommonDialogHook::QueueAnswer(pdf);
    Choice c;
    c.order = "Επώνυμο";
    auto driver = answer(c);
    QString where, extra;
    QStringList fields{"U_LNAME~Επώνυμο"};
    clsRptUsers::New()->Main(where, extra, fields);
    QCOMPARE(MsgBoxHook::Log().size(), 0);

    const QString text = pdfText(pdf);
    QStringList names;
    for (int i = 0; i < kUsers; ++i) names << QString("Χρήστης %1").arg(i, 3, 10, QChar('0'));
    QCOMPARE(order(text, names), names);
    for (const QString& name : names) QCOMPARE(text.count(name), 1);
    for (const int i : {0, 99, 100, 101, 199, 200, 229}) {
        const QString line = text.section(names[i], 1).section('\n', 0, 0).trimmed();
        QCOMPARE(line, QString(i % 2 ? "Χρήστες" : "Διαχειριστές"));
    }
}

// The first page is made from the first keys alone; the rest of the list is read when the run
// reaches it. A row removed or marked deleted after the first page was shown is left out, one added
// before the rows already printed is not printed, and every other row prints once, in order.
void tst_RptLists::lookupRowsRemovedMeanwhile() {
    TEST_REGISTER(db);
    gConn = db.conn();
    constexpr int kPhrases = 400;
    QVERIFY(gConn->BeginTrans());
    for (int i = 0; i < kPhrases; ++i)
        exec(gConn, QString("INSERT INTO L_PHRASES (DESCR, MODFLAG) VALUES ('Φράση %1', 'N')").arg(i, 3, 10, QChar('0')));
    QVERIFY(gConn->CommitTrans());
    Choice c;
    c.mode = Choice::Preview;
    c.order = "Περιγραφή";
    auto driver = answer(c);
    runLookup("L_PHRASES", "Φράσεις", "", 127);
    ReportPreview* preview = openPreview();
    QVERIFY(preview);
    QVERIFY(!preview->CountDone());
    exec(gConn, "DELETE FROM L_PHRASES WHERE DESCR = 'Φράση 350'");
    exec(gConn, "UPDATE L_PHRASES SET MODFLAG = 'D' WHERE DESCR = 'Φράση 360'");
    exec(gConn, "INSERT INTO L_PHRASES (DESCR, MODFLAG) VALUES ('Φράση 0005', 'N')");
    QTRY_VERIFY(preview->CountDone());

    QStringList printed;
    for (int page = 1; page <= preview->PagesKnown(); ++page) {
        QVERIFY(preview->ShowPage(page));
        QList<double> tops;
        for (const auto& t : preview->CurrentModel()->texts)
            if (t.text.startsWith("Φράση ")) {
                printed << t.text;
                tops << t.rect.top();
            }
        // No empty line where a removed row stood: the lines follow each other evenly.
        for (int i = 2; i < tops.size(); ++i) QVERIFY(qAbs((tops[i] - tops[i - 1]) - (tops[1] - tops[0])) < 0.01);
    }
    QStringList expected;
    for (int i = 0; i < kPhrases; ++i)
        if (i != 350 && i != 360) expected << QString("Φράση %1").arg(i, 3, 10, QChar('0'));
    QCOMPARE(printed, expected);
    QCOMPARE(MsgBoxHook::Log().size(), 0);
}

void tst_RptLists::loadPictureSafe() {
    QTemporaryDir dir;
    QImage img(8, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    QVERIFY(img.save(dir.filePath("logo.png")));
    QFile bad(dir.filePath("Logo1.bmp"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    Err().Clear();
    QCOMPARE(mod_Rtns::LoadPictureSafe(dir.filePath("logo.png")).size(), QSize(8, 4));
    for (const QString& p : {dir.filePath("Logo1.bmp"), dir.filePath("missing.bmp"), dir.path(), QString()}) {
        QVERIFY2(mod_Rtns::LoadPictureSafe(p).isNull(), qPrintable(p));
        QVERIFY(!Err().Pending());
    }
}

QTEST_MAIN(tst_RptLists)
#include "tst_rptlists.moc"
