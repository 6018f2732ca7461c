#include <QComboBox>
#include <QGroupBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "Adodc.h"
#include "App.h"
#include "DBHelper.h"
#include "GridModel.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "PswFormat.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "ReportEngine.h"
#include "ReportOptions.h"
#include "ReportPreview.h"
#include "Rights.h"
#include "SettingsStore.h"
#include "SqlDialect.h"
#include "SqliteSupport.h"
#include "StrHelper.h"
#include "TestSupport.h"
#include "clsDBForm.h"
#include "clsInit.h"
#include "clsRptProtDet.h"
#include "clsRptProtGroup.h"
#include "clsRptProtReceipt.h"
#include "frmMDI.h"
#include "frmProtocol.h"
#include "frmRptProtGroup.h"
#include "frmRptProtocol.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {

const QString kNoData = QStringLiteral("Δεν υπάρχουν δεδομένα. Διορθώστε τις επιλογές σας");

class Form : public frmProtocol {
public:
    clsDBForm& f() { return *mclsDBForm; }
    void key(const char* k) { mclsDBForm->ToolbarAction(QLatin1String(k)); }
};

using SessionSql::exec;
using SessionSql::scalar;

QString sv(const QString& text) {
    return StrHelper::SqlValue(text);
}

// An entry of this year; its ID.
QString entry(const QString& columns, const QString& values) {
    if (!exec(
            QStringLiteral("INSERT INTO PROTOCOL (HMEROM, %1) VALUES (getdate(), %2)").arg(columns, values)))
        return {};
    return scalar(QStringLiteral("SELECT max(ID) FROM PROTOCOL"));
}

// The entry's date as the reports print it: the day, and the time unless it is midnight.
QString entryDate(const QString& id) {
    Recordset rs;
    if (!rs.Open(QStringLiteral("SELECT HMEROM FROM PROTOCOL WHERE ID=") + id, gConn) || rs.Eof()) return {};
    QDateTime t = rs.Value(0).toDateTime();
    if (!t.isValid()) t = SqliteSupport::parseDateTime(rs.Value(0).toString());
    return t.toString(t.time() == QTime(0, 0) ? QStringLiteral("dd/MM/yyyy")
                                              : QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

// The PDF's text, one item per page, each line with its runs of blanks made one.
QStringList pdfPages(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    for (QString& page : pages) {
        QStringList lines = page.split(u'\n');
        for (QString& l : lines) l = l.replace(blanks, QStringLiteral(" ")).trimmed();
        page = lines.join(u'\n');
    }
    return pages;
}

const QString kCredit = QStringLiteral("Protocol - Πρωτόκολλο εισερχομένων και εξερχομένων");

// Every page has its footer's credit whole, and lines beyond its header and footer.
bool wholePages(const QStringList& pages) {
    if (pages.isEmpty()) return false;
    for (int i = 0; i < pages.size(); ++i) {
        const QStringList lines = pages[i].split(u'\n', Qt::SkipEmptyParts);
        if (lines.size() <= 2) {
            qWarning("page %d of %d has nothing but its header and footer", i + 1, int(pages.size()));
            return false;
        }
        if (!lines.last().startsWith(kCredit) || lines.last().contains(u'…')) {
            qWarning("page %d: the footer reads '%s'", i + 1, qPrintable(lines.last()));
            return false;
        }
    }
    return true;
}

// The words of the pages that match the pattern, in order.
QStringList wordsOf(const QStringList& pages, const QRegularExpression& word) {
    QStringList out;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& page : pages)
        for (const QString& w : page.split(blanks, Qt::SkipEmptyParts))
            if (word.match(w).hasMatch()) out << w;
    return out;
}

QStringList boxes() {
    QStringList out;
    for (const MsgBoxHook::Shown& s : MsgBoxHook::Log()) out << s.prompt;
    return out;
}

// How the report-options dialog is answered.
struct Options {
    QString orderCaption;  // "" for no order
    bool selection = true;
    bool preview = false;
};

// The preview window a run left open; nullptr when there is none.
ReportPreview* openPreview() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<ReportPreview*>(w); p && p->isVisible()) return p;
    return nullptr;
}

QStringList texts(const ReportPage::Page* page) {
    QStringList out;
    if (page)
        for (const ReportPage::Text& t : page->texts) out << t.text;
    return out;
}

}  // namespace

class TestRptProt : public QObject {
    Q_OBJECT
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<AnswerQueues> m_answers;
    std::unique_ptr<QTemporaryDir> m_out;
    QString m_pdf;
    QMap<QString, QString> m_id;  // entry name -> ID
    bool m_optionsShown = false;
    bool m_optionsScope = false, m_optionsSelection = false;

    // The lookups, a clerk, four entries (one deleted), and the register window on them.
    std::unique_ptr<Form> open(TestDatabase& db) {
        gConn = db.conn();
        auto user = std::make_shared<cls_User>();
        user->UserId = 1;
        user->Auth = Rights::ProtocolEdit | Rights::ProtocolEditIncoming;
        gUser = user;
        bool ok =
            exec(QStringLiteral(
                "INSERT INTO L_TMHMATA (CODE, DESCR, MODUSER) VALUES ('T1', 'Λογιστήριο', 1)")) &&
            exec(QStringLiteral(
                "INSERT INTO L_TMHMATA (CODE, DESCR, MODUSER) VALUES ('T2', 'Γραμματεία', 1)")) &&
            exec(QStringLiteral(
                "INSERT INTO L_TMHMATA (CODE, DESCR, MODUSER) VALUES ('T3', 'Προμήθειες', 1)")) &&
            exec(QStringLiteral("UPDATE L_TMHMATA SET MODFLAG='D' WHERE CODE='T3'")) &&
            exec(QStringLiteral("INSERT INTO L_TYPOI (CODE, DESCR, MODUSER) VALUES ('DOC', 'Έγγραφο', 1)")) &&
            exec(QStringLiteral("INSERT INTO L_TYPOI (CODE, DESCR, MODUSER) VALUES ('FAX', 'Φαξ', 1)")) &&
            exec(QStringLiteral("INSERT INTO USERS (U_NAME, U_AUTH, U_FNAME, U_LNAME) "
                                "VALUES ('clerk', 1, 'Μαρία', 'Παππά')"));
        if (!ok) return nullptr;
        const auto id = [](const char* table, const char* code) {
            return scalar(QStringLiteral("SELECT ID FROM %1 WHERE CODE='%2'")
                              .arg(QLatin1String(table), QLatin1String(code)));
        };
        const QString clerk = scalar(QStringLiteral("SELECT USER_ID FROM USERS WHERE U_NAME='clerk'"));
        const QString t1 = id("L_TMHMATA", "T1"), t2 = id("L_TMHMATA", "T2"), t3 = id("L_TMHMATA", "T3");
        // Inserted first, so that the register number's order differs from PROT_EIS's.
        m_id["E3"] = entry(QStringLiteral("APO, PROS, PROT_EIS, THEMA, EIS_TYPOS_ID, MODUSER"),
                           QStringLiteral("'Δήμος Αθηναίων', '', 'ΩΩ-1', 'Βεβαίωση', %1, %2")
                               .arg(id("L_TYPOI", "FAX"), clerk));
        m_id["E1"] =
            entry(QStringLiteral("APO, PROS, PROT_EIS, THEMA, ARMODIOS_A, ARMODIOS, KOINOP, PARATHR,"
                                 " EIS_TYPOS_ID, EX_TYPOS_ID, MODUSER, HMER_EIS, HMER_APANT"),
                  QStringLiteral("'Δήμος Αθηναίων', 'Υπουργείο', 'ΑΒ-12', 'Αίτηση άδειας', 'Κώστας', 'Ελένη',"
                                 " 'Κοινοποίηση', 'Παρατήρηση', %1, 0, %2, %3, %4")
                      .arg(id("L_TYPOI", "DOC"), clerk, StrHelper::SqlValue(QDate(2025, 11, 3)),
                           StrHelper::SqlValue(QDate(2026, 2, 4))));
        // Quotes, Greek, line breaks and the column's 300 characters; no type, an unknown type, an
        // unknown user.
        QString longText = QStringLiteral("O'Brien \"λέει\"\r\nδεύτερη γραμμή ");
        while (longText.size() < 290) longText += QString(40, u'ω') + u' ';
        longText = longText.left(294) + QStringLiteral("ΤΕΛΟΣ");
        m_id["E2"] = entry(QStringLiteral("APO, THEMA, EX_TYPOS_ID, MODUSER"),
                           QStringLiteral("'', %1, 999, 999").arg(sv(longText)));
        m_id["E4"] =
            entry(QStringLiteral("APO, THEMA, MODUSER"), QStringLiteral("'Διαγραμμένη', 'Σβησμένη', 1"));
        ok = exec(QStringLiteral("UPDATE PROTOCOL SET MODFLAG='D' WHERE ID=") + m_id["E4"]);
        const auto link = [](const char* table, const QString& pr, const QString& tm) {
            return exec(QStringLiteral("INSERT INTO %1 (PR_ID, TM_ID) VALUES (%2, %3)")
                            .arg(QLatin1String(table), pr, tm));
        };
        const auto file = [](const QString& pr, const char* name, const char* type) {
            return exec(
                QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, FILETYPE) VALUES (%1, %2, %3)")
                    .arg(pr, sv(QString::fromUtf8(name)),
                         type ? QStringLiteral("'SYN'") : QStringLiteral("NULL")));
        };
        ok = ok && link("R_YPEYTH", m_id["E1"], t1) && link("R_YPEYTH", m_id["E1"], t3) &&
             link("R_ANTIGRAFA", m_id["E1"], t2) && link("R_YPEYTH", m_id["E3"], t1) &&
             link("R_YPEYTH", m_id["E4"], t2) && file(m_id["E1"], "β-συνημμένο", "SYN") &&
             file(m_id["E1"], "α-συνημμένο", "SYN") && file(m_id["E1"], "doc.pdf", nullptr) &&
             file(m_id["E2"], "μόνο-έγγραφο.pdf", nullptr);
        if (!ok) return nullptr;
        auto form = std::make_unique<Form>();
        if (!form->Init()) return nullptr;
        return form;
    }

    // Prints through the register window's print key: the print type, then the options dialog
    // (printing to the PDF file) or the totals dialog's "Εκτύπωση". The PDF's pages.
    QStringList print(Form& form, int option, const Options& options = {}) {
        QFile::remove(m_pdf);
        m_optionsShown = false;
        ModalDriver<frmRptProtocol> type([option](frmRptProtocol* w) {
            if (option < 0) return QTest::mouseClick(w->cmdAction[1], Qt::LeftButton);
            w->optRpt[option]->setChecked(true);
            QTest::mouseClick(w->cmdAction[0], Qt::LeftButton);
        });
        ModalDriver<ReportOptions> opts([this, options](ReportOptions* w) {
            m_optionsShown = true;
            m_optionsScope = w->fraScope->isVisibleTo(w);
            m_optionsSelection = w->optSelection->isEnabled();
            (options.preview ? w->optPreview : w->optPrint)->setChecked(true);
            (options.selection ? w->optSelection : w->optAll)->setChecked(true);
            w->cmbOrder->setCurrentIndex(
                options.orderCaption.isEmpty() ? 0 : w->cmbOrder->findText(options.orderCaption));
            QTest::mouseClick(w->cmdOK, Qt::LeftButton);
        });
        ModalDriver<frmRptProtGroup> totals(
            [](frmRptProtGroup* w) { QTest::mouseClick(w->cmdAction[0], Qt::LeftButton); });
        form.key("print");
        return QFile::exists(m_pdf) ? pdfPages(m_pdf) : QStringList();
    }

    // Puts the server's clock on another day than the workstation's; the server's day.
    static QDate serverDayApart() {
        const QDate today = QDate::currentDate();
        if (gConn->backend() == Backend::SQLite) {
            SqliteSupport::setClock(QDateTime(today.addDays(400), QTime(9, 30)));
        } else {
            // One of the two zones furthest from UTC is on another day at any hour.
            for (const char* zone : {"+14:00", "-12:00"}) {
                exec(QStringLiteral("SET TIME ZONE INTERVAL '%1' HOUR TO MINUTE").arg(QLatin1String(zone)));
                if (DBHelper::ServerDate(gConn).toDate() != today) break;
            }
        }
        return DBHelper::ServerDate(gConn).toDate();
    }

    static bool showEntry(Form& form, const QString& id) {
        form.key("refresh");
        const int row = form.f().List()->rowOfKey(id.toLongLong());
        if (row < 0) return false;
        form.adodc->SetAbsolutePosition(row + 1);
        return form.f().CurrentKey().toString() == id;
    }

private slots:
    void init() {
        m_settings = std::make_unique<TempSettings>();
        m_answers = std::make_unique<AnswerQueues>();
        App::SetPath(m_settings->dir());
        gErr = std::make_unique<cls_Error>();
        gErr->Init(false);
        gSearchWhere.clear();
        gLogo1 = QStringLiteral("Δήμος Δοκιμής");
        m_out = std::make_unique<QTemporaryDir>();
        m_pdf = m_out->filePath(QStringLiteral("report.pdf"));
        ReportEngine::SetPrintDialogHook([this](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(m_pdf);
            return true;
        });
        frmMDI::instance();
    }
    void cleanup() {
        SqliteSupport::clearClock();
        SqlDialect::setActive(Backend::SQLite);
        SqlDialect::setStoredFoldsProbe({});
        ReportEngine::SetPrintDialogHook({});
        if (frmMDI::exists()) delete frmMDI::instance();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        gConn.reset();
        gUser.reset();
        gErr.reset();
        gLogo1.clear();
        m_out.reset();
        m_answers.reset();
        m_settings.reset();
    }

    // "Έξοδος" starts nothing.
    void printTypeCancelled_data() { TestDatabase::addBackendRows(); }
    void printTypeCancelled() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        QVERIFY(print(*form, -1).isEmpty());
        QVERIFY(!m_optionsShown);
        QVERIFY(boxes().isEmpty());
    }

    // The detailed list of the first list (this year's entries, the deleted one hidden).
    void detailedList_data() { TestDatabase::addBackendRows(); }
    void detailedList() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        const QStringList pages = print(*form, 0);
        QCOMPARE(boxes(), QStringList());
        QVERIFY(m_optionsShown && m_optionsSelection && m_optionsScope);
        QCOMPARE(pages.size(), 1);
        QVERIFY(wholePages(pages));
        const QString text = pages.join(u'\n');
        const QString year = QString::number(DBHelper::ServerDate(gConn).toDate().year());
        QVERIFY(text.contains(QStringLiteral("ΠΡΩΤΟΚΟΛΛΟ")));
        QCOMPARE(text.count(QStringLiteral("ΕΙΣΕΡΧΟΜΕNΑ")), 3);
        QCOMPARE(text.count(QStringLiteral("ΕΞΕΡΧΟΜΕΝΑ")), 3);
        QVERIFY(!text.contains(QStringLiteral("Σβησμένη")));
        const QString e1 = scalar(QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ID=") + m_id["E1"]);
        QVERIFY(text.contains(QStringLiteral("Αρ.Πρωτοκ. %1 / %2").arg(e1, year)));
        for (const char* line : {"Αρμόδιος Κώστας Αρμόδιος Ελένη", "Από Δήμος Αθηναίων Προς Υπουργείο",
                                 "Πρωτ.Εισ. ΑΒ-12 Κοινοπ. Κοινοποίηση", "Υπεύθ. Μον. Λογιστήριο, Προμήθειες",
                                 "Αντ.σε Μον. Γραμματεία", "Θέμα Αίτηση άδειας", "Τύπος Έγγραφο Τύπος"})
            QVERIFY2(text.contains(QString::fromUtf8(line)), line);
        // Each date where its label says: the entry's, the answer's and the incoming document's.
        QVERIFY2(
            text.contains(QRegularExpression(QStringLiteral("Ημερομ\\. %1 Ημερ\\.Απάντ\\. 04/02/2026")
                                                 .arg(QRegularExpression::escape(entryDate(m_id["E1"]))))),
            qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Ημερ.Εισ. 03/11/2025 Παρατηρ. Παρατήρηση")));
        // Types: only a known id above 0 is named.
        QCOMPARE(text.count(QStringLiteral("Έγγραφο")), 1);
        QCOMPARE(text.count(QStringLiteral("Φαξ")), 1);
        QVERIFY(!text.contains(QStringLiteral("999")));
        // No departments: the lines stand with empty values.
        QCOMPARE(text.count(QStringLiteral("Υπεύθ. Μον.")), 3);
        QCOMPARE(text.count(QStringLiteral("Αντ.σε Μον.")), 3);
        // The long subject prints whole, wrapped.
        QVERIFY(text.contains(QStringLiteral("O'Brien \"λέει\"")));
        QVERIFY(text.contains(QStringLiteral("ΤΕΛΟΣ")));
    }

    // Many entries: each one's block stays on one page.
    void detailedListPages_data() { TestDatabase::addBackendRows(); }
    void detailedListPages() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        for (int i = 0; i < 45; ++i)
            QVERIFY(
                !entry(QStringLiteral("APO, THEMA, MODUSER"),
                       QStringLiteral("'Αποστολέας %1', 'Θέμα με δύο γραμμές\r\nκαι συνέχεια %1', 1").arg(i))
                     .isEmpty());
        form->key("refresh");
        const QStringList pages = print(*form, 0);
        QVERIFY(pages.size() >= 3);
        int blocks = 0;
        for (const QString& page : pages) {
            QVERIFY(page.contains(QStringLiteral("ΠΡΩΤΟΚΟΛΛΟ")));
            blocks += page.count(QStringLiteral("Αρ.Πρωτοκ."));
        }
        // A block starts and ends on one page: its sender is near its top, its subject's end last.
        for (int i = 0; i < 45; ++i) {
            const QRegularExpression from(QStringLiteral("Αποστολέας %1\\b").arg(i));
            const QRegularExpression end(QStringLiteral("συνέχεια %1$").arg(i),
                                         QRegularExpression::MultilineOption);
            const auto pageOf = [&pages](const QRegularExpression& re) {
                for (int p = 0; p < pages.size(); ++p)
                    if (pages[p].contains(re)) return p;
                return -1;
            };
            QVERIFY(pageOf(from) >= 0);
            QCOMPARE(pageOf(end), pageOf(from));
        }
        QCOMPARE(blocks, 48);
    }

    // More entries than one block of departments and files: each entry prints its own, in TM_ID
    // and file-name order, on the detailed list and on the receipts.
    void linksOfManyBlocks_data() { TestDatabase::addBackendRows(); }
    void linksOfManyBlocks() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        const QStringList names{QStringLiteral("Λογιστήριο"), QStringLiteral("Γραμματεία"),
                                QStringLiteral("Προμήθειες")};
        QStringList tm;
        for (const char* code : {"T1", "T2", "T3"})
            tm << scalar(QStringLiteral("SELECT ID FROM L_TMHMATA WHERE CODE='%1'").arg(QLatin1String(code)));
        constexpr int kEntries = 230;
        const auto responsible = [](int i) {
            return i % 5 == 0 ? QList<int>{i % 3, (i + 1) % 3} : QList<int>{i % 3};
        };
        const auto named = [&names](QList<int> which) {
            std::sort(which.begin(), which.end());
            QStringList out;
            for (const int n : which) out << names[n];
            return out;
        };
        QVERIFY(gConn->BeginTrans());
        for (int i = 0; i < kEntries; ++i) {
            const QString id = entry(QStringLiteral("APO, MODUSER"),
                                     QStringLiteral("'Αποστολέας %1', 1").arg(i, 3, 10, QLatin1Char('0')));
            QVERIFY(!id.isEmpty());
            // Inserted against TM_ID's order, so that an unordered read would show.
            QList<int> r = responsible(i);
            std::sort(r.begin(), r.end(), std::greater<>());
            for (const int n : r)
                QVERIFY(exec(
                    QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, tm[n])));
            QVERIFY(exec(QStringLiteral("INSERT INTO R_ANTIGRAFA (PR_ID, TM_ID) VALUES (%1, %2)")
                             .arg(id, tm[(i + 2) % 3])));
            if (i % 4 == 0)
                for (const char* f : {"ω-%1", "α-%1"})
                    QVERIFY(exec(
                        QStringLiteral(
                            "INSERT INTO PROT_FILES (PR_ID, FILENAME, FILETYPE) VALUES (%1, '%2', 'SYN')")
                            .arg(id, QString::fromUtf8(f).arg(i))));
        }
        QVERIFY(gConn->CommitTrans());
        form->key("refresh");
        const QRegularExpression sender(QStringLiteral("Αποστολέας (\\d{3})"));

        const QStringList blocks = print(*form, 0).join(u'\n').split(QStringLiteral("Αρ.Πρωτοκ."));
        QCOMPARE(boxes(), QStringList());
        int seen = 0;
        for (const QString& b : blocks) {
            const QRegularExpressionMatch m = sender.match(b);
            if (!m.hasMatch()) continue;
            const int i = m.captured(1).toInt();
            ++seen;
            QVERIFY2(b.contains(QStringLiteral("Υπεύθ. Μον. ") +
                                named(responsible(i)).join(QStringLiteral(", ")) + u'\n'),
                     qPrintable(b));
            QVERIFY2(b.contains(QStringLiteral("Αντ.σε Μον. ") + names[(i + 2) % 3] + u'\n'), qPrintable(b));
        }
        QCOMPARE(seen, kEntries);

        const QStringList pages = print(*form, 3);
        QCOMPARE(boxes(), QStringList());
        seen = 0;
        for (const QString& page : pages) {
            const QRegularExpressionMatch m = sender.match(page);
            if (!m.hasMatch()) continue;
            const int i = m.captured(1).toInt();
            ++seen;
            const QStringList mine = named(responsible(i));
            for (const QString& n : names) QVERIFY2(page.contains(n) == mine.contains(n), qPrintable(page));
            if (mine.size() == 2) QVERIFY2(page.indexOf(mine[0]) < page.indexOf(mine[1]), qPrintable(page));
            if (i % 4 == 0) {
                QVERIFY2(page.contains(QStringLiteral("1. α-%1\n2. ω-%1").arg(i)) ||
                             page.contains(QStringLiteral("1. α-%1\n\n2. ω-%1").arg(i)),
                         qPrintable(page));
            } else {
                QVERIFY2(page.contains(QStringLiteral("ΟΥΔΕΝ")), qPrintable(page));
            }
        }
        QCOMPARE(seen, kEntries);
    }

    // The detailed list in the preview: the right half's labels as written, and the data read
    // again from its start when the preview goes back past the pages it keeps.
    void detailedListPreview_data() { TestDatabase::addBackendRows(); }
    void detailedListPreview() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        for (int i = 0; i < 140; ++i)
            QVERIFY(!entry(QStringLiteral("APO, MODUSER"), QStringLiteral("'Αποστολέας %1', 1").arg(i))
                         .isEmpty());
        form->key("refresh");
        Options preview;
        preview.preview = true;
        print(*form, 0, preview);
        ReportPreview* p = openPreview();
        QVERIFY(p);
        QCOMPARE(p->CurrentPage(), 1);
        const QStringList first = texts(p->CurrentModel());
        for (const char* label :
             {"Αρμόδιος", " Αρμόδιος", " Ημερ.Απάντ.", " Προς", " Τύπος", " Κοινοπ.", " Παρατηρ."})
            QVERIFY2(first.contains(QString::fromUtf8(label)), label);
        QVERIFY(first.contains(QStringLiteral("Βεβαίωση")));  // the list's first entry
        QTest::mouseClick(p->cmdLast, Qt::LeftButton);
        QVERIFY(p->CurrentPage() > 12);
        // A page never shown is made again from the data's start.
        QVERIFY(p->ShowPage(3));
        QVERIFY(!texts(p->CurrentModel())
                     .filter(QRegularExpression(QStringLiteral("^Αποστολέας \\d+$")))
                     .isEmpty());
        QVERIFY(p->ShowPage(1));
        QCOMPARE(texts(p->CurrentModel()), first);
        p->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!openPreview());
        QCOMPARE(boxes(), QStringList());
    }

    // After a search the list's "%%" statement runs as it stands, with the chosen order.
    void searchStatementWithOrder_data() { TestDatabase::addBackendRows(); }
    void searchStatementWithOrder() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        form->txtSearch[1]->clear();
        typeText(form->txtSearch[2], QStringLiteral("δημος"));
        form->key("list");
        QVERIFY(form->f().ListStatement().startsWith(QLatin1String("SELECT P.*")) ||
                !form->f().ListStatement().isEmpty());
        const auto order = [](const QString& text) {
            return text.indexOf(QStringLiteral("ΑΒ-12")) < text.indexOf(QStringLiteral("ΩΩ-1"));
        };
        // The scope is not consulted: "all rows" still prints the search's two entries.
        QString text = print(*form, 0, {QStringLiteral("Πρωτ.Εισ"), false}).join(u'\n');
        QCOMPARE(text.count(QStringLiteral("Αρ.Πρωτοκ.")), 2);
        QVERIFY(order(text));
        text = print(*form, 0, {QStringLiteral("Αρ.Πρωτ."), true}).join(u'\n');
        QCOMPARE(text.count(QStringLiteral("Αρ.Πρωτοκ.")), 2);
        QVERIFY(!order(text));
        // The list's receipts in the chosen order, one page each.
        QStringList pages = print(*form, 3, {QStringLiteral("Πρωτ.Εισ"), true});
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(QStringLiteral("Θέμα Αίτηση άδειας")));
        QVERIFY(pages[1].contains(QStringLiteral("Θέμα Βεβαίωση")));
        pages = print(*form, 3, {QStringLiteral("Αρ.Πρωτ."), true});
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(QStringLiteral("Θέμα Βεβαίωση")));
    }

    // Totals by group, over every entry that is not deleted and after a department search.
    void totals_data() { TestDatabase::addBackendRows(); }
    void totals() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        // On PostgreSQL the totals read with the server's parallel workers, and the session is
        // serial again afterwards: the setting each statement of the print ran with.
        QStringList settings;
        const auto workers = [] {
            QSqlQuery q(gConn->database());
            return q.exec(QStringLiteral("SHOW max_parallel_workers_per_gather")) && q.next()
                       ? q.value(0).toString()
                       : QStringLiteral("failed");
        };
        const bool pg = gConn->backend() == Backend::PostgreSQL;
        for (int n = 1; pg && n <= 40; ++n)
            gConn->InjectCall(n, Connection::Point::Statement, [&] { settings << workers(); });
        QString text = print(*form, 1).join(u'\n');
        gConn->ClearFault();
        if (pg) {
            QVERIFY(settings.size() > 5 && settings.size() < 40);
            QVERIFY(!settings.contains(QStringLiteral("failed")));
            QCOMPARE(settings.count(QStringLiteral("0")),
                     settings.size() - 6);  // five totals and the setting back
            QCOMPARE(workers(), QStringLiteral("0"));
        }
        QCOMPARE(boxes(), QStringList());
        QVERIFY(!m_optionsShown);
        const QString expected = QStringLiteral(
            "ΣΥΝΟΛΑ ΑΝΑ ΤΥΠΟ ΕΙΣΕΡΧΟΜΕΝΟΥ\nΠΕΡΙΓΡΑΦΗ ΠΛΗΘΟΣ\nΚενό 1\nΈγγραφο 1\nΦαξ 1\n"
            "ΣΥΝΟΛΑ ΑΝΑ ΤΥΠΟ ΕΞΕΡΧΟΜΕΝΟΥ\nΠΕΡΙΓΡΑΦΗ ΠΛΗΘΟΣ\nΚενό 3\n"
            "ΣΥΝΟΛΑ ΑΝΑ ΠΡΟΕΛΕΥΣΗ (από)\nΠΕΡΙΓΡΑΦΗ ΠΛΗΘΟΣ\nΚενό 1\nΔήμος Αθηναίων 2\n"
            "ΣΥΝΟΛΑ ΑΝΑ ΠΡΟΟΡΙΣΜΟ (προς)\nΠΕΡΙΓΡΑΦΗ ΠΛΗΘΟΣ\nΚενό 2\nΥπουργείο 1\n"
            "ΣΥΝΟΛΑ ΑΝΑ ΥΠΕΥΘΥΝΗ ΜΟΝΑΔΑ\nΠΕΡΙΓΡΑΦΗ ΠΛΗΘΟΣ\nΛογιστήριο 2\nΠρομήθειες 1\n");
        QStringList body = text.split(u'\n', Qt::SkipEmptyParts);
        body = body.filter(QRegularExpression(QStringLiteral("^(ΣΥΝΟΛΑ|ΠΕΡΙΓΡΑΦΗ|\\S.* \\d+$)")));
        body.removeIf([](const QString& l) { return l.contains(QStringLiteral("Σελίδα")); });
        QCOMPARE(body.join(u'\n') + u'\n', expected);
        QVERIFY(text.contains(QStringLiteral("ΠΡΩΤΟΚΟΛΛΟ - ΣΥΝΟΛΑ")));

        // A search by responsible department: the same entries the list shows.
        form->txtSearch[1]->clear();
        form->txtSearch[10]->setText(QStringLiteral("T1"));
        form->key("list");
        QVERIFY(gSearchWhere.startsWith(QLatin1String("P.ID in (select PR_ID FROM R_YPEYTH")));
        text = print(*form, 1).join(u'\n');
        QVERIFY(text.contains(QStringLiteral("Δήμος Αθηναίων 2")));
        QVERIFY(text.contains(QStringLiteral("Λογιστήριο 2")));
        QVERIFY(!text.contains(QStringLiteral("Κενό 1\nΈγγραφο")));
        QCOMPARE(text.count(QStringLiteral("Κενό")), 2);  // the outgoing type and the recipient of E3

        // A search that a deleted entry matches too: the totals leave it out, as the list does.
        QVERIFY(exec(QStringLiteral("UPDATE PROTOCOL SET APO='Δήμος Διαγραμμένος', MODFLAG='D' WHERE ID=") +
                     m_id["E4"]));
        form->txtSearch[10]->clear();
        typeText(form->txtSearch[2], QStringLiteral("δημος"));
        form->key("list");
        QVERIFY(!gSearchWhere.isEmpty());
        const QStringList pages = print(*form, 1);
        QVERIFY(wholePages(pages));
        text = pages.join(u'\n');
        QVERIFY(text.contains(QStringLiteral("Δήμος Αθηναίων 2")));
        QVERIFY(!text.contains(QStringLiteral("Διαγραμμένος")));
        QVERIFY(!text.contains(QStringLiteral("Γραμματεία")));  // the deleted entry's department
        QVERIFY(text.contains(QStringLiteral("Λογιστήριο 2")));
        QVERIFY(!text.contains(QStringLiteral("Κενό 1\nΈγγραφο")));  // the deleted entry has no type
    }

    // A heading of the totals never ends a page: wherever the senders' list ends, the next
    // grouping's title and column headings go on to the next page with its first line.
    void totalsHeadingsStayWithTheirLines_data() { TestDatabase::addBackendRows(); }
    void totalsHeadingsStayWithTheirLines() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        QStringList ids;
        QVERIFY(gConn->BeginTrans());
        for (int i = 0; i < 120; ++i)
            ids << entry(QStringLiteral("APO, MODUSER"),
                         QStringLiteral("'Αποστολέας %1', 1").arg(i, 3, 10, QChar(u'0')));
        QVERIFY(gConn->CommitTrans());
        QStringList pages = print(*form, 1);
        QVERIFY(pages.size() >= 2);
        const int first = int(pages[0].count(QStringLiteral("Αποστολέας")));  // the senders page 1 holds
        QVERIFY(first > 10 && first < 100);
        // Fewer senders bring the end of their list, and the next grouping's headings, down to the
        // foot of the first page, a line at a time.
        for (int kept = first - 1; kept >= first - 8; --kept) {
            QVERIFY(exec(QStringLiteral("UPDATE PROTOCOL SET MODFLAG='D' WHERE ID>=") + ids[kept]));
            pages = print(*form, 1);
            QVERIFY(wholePages(pages));
            QCOMPARE(int(pages.join(u'\n').count(QStringLiteral("Αποστολέας"))), kept);
            for (const QString& page : pages) {
                const QStringList lines = page.split(u'\n', Qt::SkipEmptyParts);
                const QString last = lines.value(lines.size() - 2);  // the last above the footer
                QVERIFY2(!last.startsWith(QStringLiteral("ΣΥΝΟΛΑ")) &&
                             !last.startsWith(QStringLiteral("ΠΕΡΙΓΡΑΦΗ")),
                         qPrintable(QStringLiteral("%1 senders: a page ends with '%2'").arg(kept).arg(last)));
            }
        }
    }

    // The totals dialog: page set-up as often as asked, then the mode chosen last; the close box
    // runs nothing. Many groups run over several pages.
    void totalsDialog_data() { TestDatabase::addBackendRows(); }
    void totalsDialog() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        for (int i = 0; i < 150; ++i)
            QVERIFY(!entry(QStringLiteral("APO, MODUSER"),
                           QStringLiteral("'Αποστολέας %1', 1").arg(i, 3, 10, QChar(u'0')))
                         .isEmpty());
        int dialogs = 0;
        ReportEngine::SetPrintDialogHook([this, &dialogs](QPrinter& p) {
            ++dialogs;
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(m_pdf);
            return true;
        });
        const auto run = [&](const QStringList& steps) {
            QFile::remove(m_pdf);
            dialogs = 0;
            ModalDriver<frmRptProtocol> type([](frmRptProtocol* w) {
                w->optRpt[1]->setChecked(true);
                QTest::mouseClick(w->cmdAction[0], Qt::LeftButton);
            });
            // Answers each showing of the totals dialog with the next step.
            int shown = 0;
            QTimer timer;
            QObject::connect(&timer, &QTimer::timeout, [&] {
                auto* w = qobject_cast<frmRptProtGroup*>(QApplication::activeModalWidget());
                if (!w || shown >= steps.size()) return;
                const QString step = steps[shown++];
                if (step == QLatin1String("close"))
                    w->close();
                else
                    QTest::mouseClick(w->cmdAction[step.toInt()], Qt::LeftButton);
            });
            timer.start(10);
            form->key("print");
            return shown;
        };
        QCOMPARE(run({QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("0")}), 3);
        QCOMPARE(dialogs, 3);  // two page set-ups, then the print
        const QStringList pages = pdfPages(m_pdf);
        QVERIFY(pages.size() >= 2);
        const QString text = pages.join(u'\n');
        QVERIFY(text.contains(QStringLiteral("Αποστολέας 000 1")));
        QVERIFY(text.contains(QStringLiteral("Αποστολέας 149 1")));
        QVERIFY(text.contains(QStringLiteral("ΣΥΝΟΛΑ ΑΝΑ ΥΠΕΥΘΥΝΗ ΜΟΝΑΔΑ")));

        // The close box after a page set-up: nothing runs, even a search that cannot run.
        gSearchWhere = QStringLiteral("NOCOL=1");
        QCOMPARE(run({QStringLiteral("2"), QStringLiteral("close")}), 2);
        QCOMPARE(dialogs, 1);
        QVERIFY(!QFile::exists(m_pdf));
        QCOMPARE(boxes(), QStringList());
    }

    // The five statements as the system writes them (SQL Server keeps them to the letter);
    // PostgreSQL sorts nulls last unless told, so its dialect adds NULLS FIRST to kinds 1 to 4.
    void groupStatements_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("statement");
        const QString where = QStringLiteral(" WHERE (ETOS=2026) AND (P.MODFLAG<>'D')");
        QTest::newRow("1")
            << 1
            << "select L_TYPOI.DESCR AS TYPOS_DESCR, count(*) as CNT from PROTOCOL P LEFT JOIN L_TYPOI"
               " ON P.EIS_TYPOS_ID=L_TYPOI.ID" +
                   where + " GROUP BY L_TYPOI.DESCR ORDER BY TYPOS_DESCR";
        QTest::newRow("2")
            << 2
            << "select L_TYPOI.DESCR AS TYPOS_DESCR, count(*) as CNT from PROTOCOL P LEFT JOIN L_TYPOI"
               " ON P.EX_TYPOS_ID=L_TYPOI.ID" +
                   where + " GROUP BY L_TYPOI.DESCR ORDER BY TYPOS_DESCR";
        QTest::newRow("3") << 3
                           << "select APO, count(*) AS CNT from PROTOCOL P" + where +
                                  " GROUP BY APO ORDER BY APO";
        QTest::newRow("4") << 4
                           << "select PROS, count(*) AS CNT from PROTOCOL P" + where +
                                  " GROUP BY PROS ORDER BY PROS";
        QTest::newRow("5")
            << 5
            << "select L_TMHMATA.DESCR AS TMHMA_DESCR, count(*) as CNT from PROTOCOL P INNER JOIN R_YPEYTH"
               " ON  P.ID = R_YPEYTH.PR_ID INNER JOIN L_TMHMATA ON R_YPEYTH.TM_ID=L_TMHMATA.ID" +
                   where + " GROUP BY L_TMHMATA.DESCR ORDER BY L_TMHMATA.DESCR";
    }
    void groupStatements() {
        QFETCH(int, kind);
        QFETCH(QString, statement);
        SqlDialect::setActive(Backend::SqlServer);
        QCOMPARE(clsRptProtGroup::GroupStatement(kind, QStringLiteral("ETOS=2026")), statement);
        SqlDialect::setActive(Backend::PostgreSQL);
        QCOMPARE(clsRptProtGroup::GroupStatement(kind, QStringLiteral("ETOS=2026")),
                 statement + (kind < 5 ? QStringLiteral(" NULLS FIRST") : QString()));
        SqlDialect::setActive(Backend::SQLite);
        QCOMPARE(clsRptProtGroup::GroupStatement(kind, QString()),
                 statement.replace(QStringLiteral("(ETOS=2026) AND "), QString()));
    }

    // Receipts: the current entry's, and one page per listed entry.
    void receipts_data() { TestDatabase::addBackendRows(); }
    void receipts() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        QVERIFY(showEntry(*form, m_id["E1"]));
        form->tabA->setCurrentIndex(clsDBForm::RecordPage);
        const QDate serverDay = serverDayApart();
        QVERIFY(serverDay.isValid() && serverDay != QDate::currentDate());
        QStringList pages = print(*form, 2);
        QCOMPARE(boxes(), QStringList());
        QVERIFY(m_optionsShown && !m_optionsScope && !m_optionsSelection);
        QCOMPARE(pages.size(), 1);
        QVERIFY(wholePages(pages));
        // The date under the signature is the server's.
        QVERIFY2(pages[0].contains(QRegularExpression(QStringLiteral("\\(υπογραφή\\)\\s+") +
                                                      serverDay.toString(QStringLiteral("dd/MM/yyyy")))),
                 qPrintable(pages[0]));
        SqliteSupport::clearClock();
        const QString e1 = scalar(QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ID=") + m_id["E1"]);
        QString page = pages[0];
        for (const QString& line :
             {QStringLiteral("ΒΕΒΑΙΩΣΗ ΚΑΤΑΧΩΡΙΣΗΣ ΑΙΤΗΜΑΤΟΣ"), QStringLiteral("Θέμα Αίτηση άδειας"),
              QStringLiteral("Όργανο προς το οποίο Λογιστήριο"),
              QStringLiteral("Υπηρεσία Υποβολής Δήμος Δοκιμής"), QString(QStringLiteral("Αρ.Πρωτοκ. ") + e1),
              QStringLiteral("Αρμόδιος Υπάλληλος Κώστας"), QStringLiteral("Αιτών Δήμος Αθηναίων"),
              QStringLiteral("Στοιχεία που συνοδεύουν το έγγραφο:"), QStringLiteral("1. α-συνημμένο"),
              QStringLiteral("2. β-συνημμένο"), QStringLiteral("Ο Υπάλληλος"), QStringLiteral("Παππά Μαρία"),
              QStringLiteral("(υπογραφή)")})
            QVERIFY2(page.contains(line), qPrintable(line));
        // The soft-deleted department on a line of its own; document files are not listed.
        QVERIFY(page.contains(QStringLiteral("\nΠρομήθειες")) ||
                page.contains(QStringLiteral("απευθύνεται Προμήθειες")));
        QVERIFY(!page.contains(QStringLiteral("doc.pdf")));
        QVERIFY(!page.contains(QStringLiteral("ΟΥΔΕΝ")));
        QVERIFY(page.indexOf(QStringLiteral("α-συνημμένο")) < page.indexOf(QStringLiteral("β-συνημμένο")));

        // The list's receipts, without an organisation name: the entries of the first list.
        gLogo1.clear();
        form->tabA->setCurrentIndex(clsDBForm::ListPage);
        pages = print(*form, 3);
        QCOMPARE(boxes(), QStringList());
        QVERIFY(m_optionsScope && m_optionsSelection);
        QCOMPARE(pages.size(), 3);
        for (const QString& p : pages) {
            QCOMPARE(p.count(QStringLiteral("ΒΕΒΑΙΩΣΗ ΚΑΤΑΧΩΡΙΣΗΣ ΑΙΤΗΜΑΤΟΣ")), 1);
            QVERIFY(p.contains(QRegularExpression(QStringLiteral("^Υπηρεσία Υποβολής$"),
                                                  QRegularExpression::MultilineOption)));
        }
        const QString e2 = pages.filter(QStringLiteral("O'Brien")).value(0);
        QVERIFY(e2.contains(QStringLiteral("ΟΥΔΕΝ")));  // document files only
        QVERIFY(e2.contains(QStringLiteral("ΤΕΛΟΣ")));
        QVERIFY(!e2.contains(QStringLiteral("Παππά")));  // an unknown user
        QVERIFY(e2.contains(QRegularExpression(QStringLiteral("Ο Υπάλληλος\\s+\\(υπογραφή\\)"))));

        // No list condition: the dialog is told there is no selection, and the base condition
        // alone chooses the rows.
        {
            QFile::remove(m_pdf);
            ModalDriver<ReportOptions> opts([this](ReportOptions* w) {
                m_optionsSelection = w->optSelection->isEnabled();
                w->optPrint->setChecked(true);
                QTest::mouseClick(w->cmdOK, Qt::LeftButton);
            });
            QString where, extra = frmProtocol::BaseCondition();
            QStringList fields;
            clsRptProtReceipt::New()->Main(clsRptProtReceipt::rptList, where, extra, fields);
            QVERIFY(opts.shown());
        }
        QVERIFY(!m_optionsSelection);
        QCOMPARE(pdfPages(m_pdf).size(), 3);
    }

    // A receipt's signature block stands whole on one page: subjects of more and more lines end
    // the first page anywhere in it, and then it moves whole to the next.
    void signatureBlockStaysWhole_data() { TestDatabase::addBackendRows(); }
    void signatureBlockStaysWhole() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        const QString clerk = scalar(QStringLiteral("SELECT USER_ID FROM USERS WHERE U_NAME='clerk'"));
        for (int lines = 30; lines <= 60; ++lines) {
            QStringList subject;
            for (int i = 1; i <= lines; ++i) subject << QString::number(i);
            QVERIFY(!entry(QStringLiteral("APO, THEMA, MODUSER"),
                           QStringLiteral("'Μακρύ %1', %2, %3")
                               .arg(lines)
                               .arg(sv(subject.join(QStringLiteral("\r\n"))), clerk))
                         .isEmpty());
        }
        form->key("refresh");
        const QStringList pages = print(*form, 3);
        QCOMPARE(boxes(), QStringList());
        QVERIFY(wholePages(pages));
        const QString day = DBHelper::ServerDate(gConn).toDate().toString(QStringLiteral("dd/MM/yyyy"));
        const QRegularExpression block(QStringLiteral("Ο Υπάλληλος\\s+Παππά Μαρία\\s+\\(υπογραφή\\)\\s+") +
                                       day);
        // The receipts, each as its pages.
        QList<QStringList> receipts;
        for (const QString& page : pages) {
            if (page.contains(QStringLiteral("ΒΕΒΑΙΩΣΗ ΚΑΤΑΧΩΡΙΣΗΣ ΑΙΤΗΜΑΤΟΣ")) || receipts.isEmpty())
                receipts.append(QStringList());
            receipts.last() << page;
        }
        int ours = 0, moved = 0;
        for (const QStringList& receipt : receipts) {
            if (!receipt.join(u'\n').contains(QStringLiteral("Μακρύ"))) continue;
            ++ours;
            const QStringList withBlock = receipt.filter(QStringLiteral("Ο Υπάλληλος"));
            QVERIFY2(withBlock.size() == 1 && withBlock.first().contains(block),
                     qPrintable(receipt.join(QStringLiteral("\n----\n"))));
            // Moved: nothing but the page's header above it.
            const QString above = withBlock.first().section(QStringLiteral("Ο Υπάλληλος"), 0, 0).trimmed();
            if (receipt.indexOf(withBlock.first()) > 0 && !above.contains(u'\n')) ++moved;
        }
        QCOMPARE(ours, 31);
        QVERIFY(moved > 0);
    }

    // On the list page "the current entry" is the first selected row; with none selected there is
    // no such entry.
    void receiptOfListRow_data() { TestDatabase::addBackendRows(); }
    void receiptOfListRow() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        form->tabA->setCurrentIndex(clsDBForm::ListPage);
        form->tdbg->clearSelection();
        for (const char* name : {"E1", "E3"})
            form->tdbg->selectionModel()->select(
                form->f().Grid()->index(form->f().List()->rowOfKey(m_id[name].toLongLong()), 1),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QString first = form->f().List()->rowOfKey(m_id["E1"].toLongLong()) <
                                      form->f().List()->rowOfKey(m_id["E3"].toLongLong())
                                  ? QStringLiteral("Αίτηση άδειας")
                                  : QStringLiteral("Βεβαίωση");
        QStringList pages = print(*form, 2);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages[0].contains(QStringLiteral("Θέμα ") + first));

        form->tdbg->clearSelection();
        QVERIFY(print(*form, 2).isEmpty());
        QCOMPARE(boxes(), QStringList{kNoData});
    }

    // Texts longer than their cache column: cut in the list's one-line columns, with "…", whole
    // where the receipt wraps them. (PostgreSQL refuses them in the register itself.)
    void longTexts() {
        TestDatabase db(Backend::SQLite);
        QVERIFY(db.ok());
        QVERIFY(createRegister(db));
        auto form = open(db);
        QVERIFY(form);
        QString sender;
        for (int i = 0; sender.size() < 990; ++i) sender += QStringLiteral("λέξη%1 ").arg(i);
        sender = sender.left(990) + QStringLiteral(" ΤΕΛΟΣ'Α");
        QVERIFY(exec(QStringLiteral("UPDATE PROTOCOL SET APO=%1 WHERE ID=%2").arg(sv(sender), m_id["E1"])));
        QVERIFY(showEntry(*form, m_id["E1"]));
        form->tabA->setCurrentIndex(clsDBForm::RecordPage);
        QString text = print(*form, 2).join(u'\n');
        QVERIFY(text.contains(QStringLiteral("ΤΕΛΟΣ'Α")));
        QVERIFY(text.contains(QStringLiteral("Αιτών λέξη0 λέξη1")));
        text = print(*form, 0).join(u'\n');
        QVERIFY(text.contains(
            QRegularExpression(QStringLiteral("Από ") + sender.left(20) + QStringLiteral(".*…"))));
        QVERIFY(!text.contains(QStringLiteral("ΤΕΛΟΣ'Α")));
        QVERIFY(!text.contains(QStringLiteral("λέξη30")));  // past the first 130 characters
        QCOMPARE(boxes(), QStringList());
    }

    // A word longer than its cell prints whole over several lines, in the receipt and the list;
    // texts too long for a one-line cell end in "…".
    void wholeWordsAndCuts_data() { TestDatabase::addBackendRows(); }
    void wholeWordsAndCuts() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        QString word;
        for (int i = 0; i < 300; ++i) word += QChar(u'α' + i % 25);
        QString copies;  // the 150 characters the form allows
        for (int i = 0; copies.size() < 150; ++i) copies += QStringLiteral("Κοινοποίηση%1 ").arg(i);
        copies = copies.left(150);
        const QString capitals = QString(49, u'Ψ') + u'Ξ';  // 50 wide letters
        QVERIFY(exec(
            QStringLiteral("UPDATE PROTOCOL SET THEMA=%1, KOINOP=%2, APO=%3, PROS=%3, PARATHR=%3 WHERE ID=%4")
                .arg(sv(word), sv(copies), sv(capitals), m_id["E1"])));
        const auto whole = [](const QStringList& pages, const QString& word) {
            static const QRegularExpression blanks(QStringLiteral("\\s"));
            return pages.join(QString()).remove(blanks).contains(word);
        };
        QVERIFY(showEntry(*form, m_id["E1"]));
        form->tabA->setCurrentIndex(clsDBForm::RecordPage);
        QStringList pages = print(*form, 2);
        QCOMPARE(pages.size(), 1);
        QVERIFY(wholePages(pages));
        QVERIFY2(whole(pages, word), qPrintable(pages.join(u'\n')));
        QVERIFY(whole(pages, QStringLiteral("Αιτών") + capitals));  // the receipt wraps its sender

        pages = print(*form, 0);
        QVERIFY(wholePages(pages));
        QVERIFY2(whole(pages, word), qPrintable(pages.join(u'\n')));
        const QString text = pages.join(u'\n');
        const auto cut = [&text](const QString& label, const QString& value) {
            const QRegularExpression re(QRegularExpression::escape(label + u' ' + value.left(15)) +
                                        QStringLiteral("[^\\n]*…"));
            return text.contains(re);
        };
        QVERIFY2(cut(QStringLiteral("Κοινοπ."), copies), qPrintable(text));
        QVERIFY(cut(QStringLiteral("Από"), capitals));
        QVERIFY(cut(QStringLiteral("Προς"), capitals));
        QVERIFY(cut(QStringLiteral("Παρατηρ."), capitals));
        QVERIFY(!text.contains(QStringLiteral("ΨΞ")));
        QCOMPARE(boxes(), QStringList());
    }

    // Texts taller than a page go on over the next pages, under the page's header again, and the
    // report goes on after them; no page is without its lines.
    void textsLongerThanAPage() {
        TestDatabase db(Backend::SQLite);  // PostgreSQL keeps a column's length
        QVERIFY(db.ok());
        QVERIFY(createRegister(db));
        auto form = open(db);
        QVERIFY(form);
        QStringList subject, officer;
        for (int i = 0; i < 1250; ++i) {
            subject << QStringLiteral("λέξ%1").arg(i, 4, 10, QChar(u'0'));
            officer << QStringLiteral("αρμ%1").arg(i, 4, 10, QChar(u'0'));
        }
        QVERIFY(exec(QStringLiteral("UPDATE PROTOCOL SET THEMA=%1, ARMODIOS_A=%2 WHERE ID=%3")
                         .arg(sv(subject.join(u' ')), sv(officer.join(u' ')), m_id["E1"])));
        const QRegularExpression subjectWord(QStringLiteral("^λέξ\\d{4}$")),
            officerWord(QStringLiteral("^αρμ\\d{4}$"));

        // Every word of both texts, over pages that each begin with the page header.
        const auto printedWhole = [&](const QStringList& pages) {
            QVERIFY(pages.size() >= 3);
            QVERIFY(wholePages(pages));
            for (const QString& page : pages)
                QVERIFY(page.startsWith(QStringLiteral("Δήμος Δοκιμής ΠΡΩΤΟΚΟΛΛΟ")));
            QCOMPARE(wordsOf(pages, subjectWord), subject);
            QCOMPARE(wordsOf(pages, officerWord), officer);
        };

        QStringList pages = print(*form, 0);
        printedWhole(pages);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(pages.join(u'\n').count(QStringLiteral("Αρ.Πρωτοκ.")), 3);

        QVERIFY(showEntry(*form, m_id["E1"]));
        form->tabA->setCurrentIndex(clsDBForm::RecordPage);
        pages = print(*form, 2);
        printedWhole(pages);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(pages.join(u'\n').count(QStringLiteral("ΒΕΒΑΙΩΣΗ ΚΑΤΑΧΩΡΙΣΗΣ ΑΙΤΗΜΑΤΟΣ")), 1);
        QVERIFY(pages.last().contains(QStringLiteral("(υπογραφή)")));
        QCOMPARE(boxes(), QStringList());
    }

    // An installation made with --organisation prints it at the head of every page and as the
    // receipt's submitting service.
    void installedOrganisation() {
        QTemporaryDir dir;
        QProcess setup;
        setup.start(QStringLiteral(PROTOCOL_SETUP_EXE),
                    {QStringLiteral("--provider"), QStringLiteral("SQLite"), QStringLiteral("--database"),
                     dir.filePath(QStringLiteral("register.db")), QStringLiteral("--admin-user"),
                     QStringLiteral("ADMIN"), QStringLiteral("--admin-password"), QStringLiteral("ADMIN1"),
                     QStringLiteral("--organisation"), QStringLiteral("Δήμος Εγκατάστασης")});
        QVERIFY(setup.waitForFinished(120000));
        QVERIFY2(setup.exitCode() == 0, setup.readAllStandardError().constData());
        // Opened and set up as the log-in does it.
        const auto setting = [](const char* name) {
            return SettingsStore::GetValue(QStringLiteral("\\Protocol"), QLatin1String(name), QString(),
                                           false);
        };
        QString user, password;
        PswFormat::ParseL(setting("L"), user, password);
        auto conn = std::make_shared<Connection>();
        conn->Provider = setting("Provider");
        QVERIFY(conn->Open(setting("ConnStr"), user, password));
        gConn = conn;
        auto clerk = std::make_shared<cls_User>();
        clerk->UserId = 1;
        clerk->Auth = Rights::ProtocolEdit;
        gUser = clerk;
        gLogo1.clear();
        QVERIFY(clsInit().Init_Application());
        QCOMPARE(gLogo1, QStringLiteral("Δήμος Εγκατάστασης"));
        const QString id = entry(QStringLiteral("APO, THEMA, MODUSER"), QStringLiteral("'Αιτών', 'Θέμα', 1"));
        QVERIFY(!id.isEmpty());
        const auto run = [&](bool receipt) {
            QFile::remove(m_pdf);
            ModalDriver<ReportOptions> opts([](ReportOptions* w) {
                w->optPrint->setChecked(true);
                QTest::mouseClick(w->cmdOK, Qt::LeftButton);
            });
            QString where = QStringLiteral("ID=") + id, extra;
            QStringList fields;
            if (receipt)
                clsRptProtReceipt::New()->Main(clsRptProtReceipt::rptCurrent, where, extra, fields);
            else
                clsRptProtDet::New()->Main(where, extra, fields);
            return pdfPages(m_pdf);
        };
        QStringList pages = run(true);
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].startsWith(QStringLiteral("Δήμος Εγκατάστασης ΠΡΩΤΟΚΟΛΛΟ")), qPrintable(pages[0]));
        QVERIFY(pages[0].contains(QStringLiteral("Υπηρεσία Υποβολής Δήμος Εγκατάστασης")));
        pages = run(false);
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].startsWith(QStringLiteral("Δήμος Εγκατάστασης ΠΡΩΤΟΚΟΛΛΟ")), qPrintable(pages[0]));
        QCOMPARE(boxes(), QStringList());
        conn->Close();
    }

    // Failed statements are reported with their texts; an entry without its departments still prints.
    void failedStatements_data() { TestDatabase::addBackendRows(); }
    void failedStatements() {
        TEST_REGISTER(db);
        auto form = open(db);
        QVERIFY(form);
        // The main statement: reported with its text and order, then the no-data message.
        {
            QFile::remove(m_pdf);
            ModalDriver<ReportOptions> opts([](ReportOptions* w) {
                w->optPrint->setChecked(true);
                w->cmbOrder->setCurrentIndex(w->cmbOrder->findText(QStringLiteral("Από")));
                QTest::mouseClick(w->cmdOK, Qt::LeftButton);
            });
            QString where = QStringLiteral("NOCOL=1"), extra = frmProtocol::BaseCondition();
            QStringList fields{QStringLiteral("APO~Από")};
            clsRptProtDet::New()->Main(where, extra, fields);
            QVERIFY(opts.shown());
        }
        QStringList shown = boxes();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].contains(
                     QStringLiteral("clsRptProtDet -> Open : SELECT * FROM PROTOCOL  WHERE (NOCOL=1) "
                                    "AND ((MODFLAG<>'D')) ORDER BY APO")),
                 qPrintable(shown[0]));
        QCOMPARE(shown[1], kNoData);
        QVERIFY(!QFile::exists(m_pdf));

        // Shown before the links go: a page whose links cannot be read is not shown at all.
        QVERIFY(showEntry(*form, m_id["E1"]));
        QVERIFY(exec(QStringLiteral("ALTER TABLE R_YPEYTH RENAME TO R_YPEYTH_X")));
        MsgBoxHook::Clear();
        QString text = print(*form, 0).join(u'\n');
        shown = boxes();
        QCOMPARE(shown.size(), 1);  // one per block of entries
        QVERIFY2(shown[0].contains(QStringLiteral(
                     "clsRptProtDet -> Open : SELECT PR_ID,TM_ID FROM R_YPEYTH WHERE PR_ID IN (")),
                 qPrintable(shown[0]));
        QCOMPARE(text.count(QStringLiteral("Αρ.Πρωτοκ.")), 3);
        QVERIFY(text.contains(QStringLiteral("Αντ.σε Μον. Γραμματεία")));

        MsgBoxHook::Clear();
        form->tabA->setCurrentIndex(clsDBForm::RecordPage);
        text = print(*form, 2).join(u'\n');
        shown = boxes();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QStringLiteral("Open: SELECT PR_ID,TM_ID FROM R_YPEYTH WHERE PR_ID IN (") +
                                   m_id["E1"] + u')'),
                 qPrintable(shown[0]));
        QVERIFY(text.contains(QStringLiteral("1. α-συνημμένο")));

        MsgBoxHook::Clear();
        QVERIFY(print(*form, 1).isEmpty());
        shown = boxes();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].contains(QStringLiteral(
                     "Open : select L_TMHMATA.DESCR AS TMHMA_DESCR, count(*) as CNT from PROTOCOL P"
                     " INNER JOIN R_YPEYTH ON  P.ID")),
                 qPrintable(shown[0]));
        QCOMPARE(shown[1], QStringLiteral("Πρόβλημα στην συλλογή των δεδομένων."));
        QCOMPARE(MsgBoxHook::Log().last().icon(), int(vb::vbCritical));
    }
};

QTEST_MAIN(TestRptProt)
#include "tst_rptprot.moc"
