#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "App.h"
#include "Err.h"
#include "MsgBox.h"
#include "NumBox.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "frmMDI.h"
#include "frmOptions.h"
#include "frm_SelectFolder.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {
const QString kSection = QStringLiteral("\\Protocol");
const QString kAbsent = QStringLiteral("<absent>");
const QString kNoRow = QStringLiteral("<no row>");
constexpr long kUserId = 7;

QString storedLimit() {
    return SettingsStore::GetValue(kSection, QStringLiteral("grdMaxRecs"), kAbsent, true);
}

// "PVAL|MODUSER" of the PARAM row, read on its own connection.
QString paramRow(const ConnectionPtr& conn, const QString& code) {
    Recordset rs;
    if (!rs.Open(QStringLiteral("SELECT PVAL, MODUSER FROM PARAM WHERE PCODE='%1'").arg(code), conn))
        return QStringLiteral("<error>");
    if (rs.Eof()) return kNoRow;
    return rs.Value(0).toString() + QLatin1Char('|') + rs.Value(1).toString();
}

void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

void setUser(long id) {
    gUser = std::make_shared<cls_User>();
    gUser->UserId = id;
    gUser->UserName = QStringLiteral("ADMIN");
}

// The PARAM writes of one code fail from now on (insert and update alike).
bool refuseParam(TestDatabase& db, const QString& code) {
    if (db.backend() == Backend::SQLite) {
        for (const char* op : {"INSERT", "UPDATE"})
            if (!db.conn()->Execute(QStringLiteral("CREATE TRIGGER refuse_%1_%2 BEFORE %2 ON PARAM WHEN "
                                                   "NEW.PCODE='%1' BEGIN SELECT RAISE(ABORT, 'refused'); END")
                                        .arg(code, QLatin1String(op))))
                return false;
        return true;
    }
    // NOT VALID: the rows already there stay, new and changed ones are checked.
    return db.conn()->Execute(
        QStringLiteral("ALTER TABLE PARAM ADD CONSTRAINT refuse_%1 CHECK (PCODE <> '%2') NOT VALID")
            .arg(code.toLower(), code));
}

enum class Leave { CancelButton, Escape, CloseBox };

}  // namespace

Q_DECLARE_METATYPE(Leave)

class TestOptions : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> m_session;

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        QVERIFY(m_session->startReporter(true));
        setUser(kUserId);
        gDocsFolder.clear();
    }
    void cleanup() {
        m_session.reset();
        gDocsFolder.clear();
    }

    void controls() {
        frmOptions dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Ρυθμίσεις εφαρμογής"));
        QCOMPARE(unnamedInputs(&dlg), QStringList());
        QCOMPARE(dlg.SSTab1->count(), 2);
        QCOMPARE(dlg.SSTab1->tabText(0), QStringLiteral("Κατάλογοι"));
        QCOMPARE(dlg.SSTab1->tabText(1), QStringLiteral("Διάφορα"));
        const struct {
            const char* name;
            QString text;
            int tab;
        } expected[] = {
            // "αρχείωv": the last letter is a Latin v.
            {"fra1(0)", QStringLiteral("Κατάλογος αρχείω\u0076 DOC βάσης 'Πρωτοκόλλου'"), 0},
            {"cmdSelectFolder(0)", QStringLiteral("Επιλογή ..."), 0},
            {"lbl(0)",
             QStringLiteral(
                 "Συμπληρώστε τον κοινόχρηστο κατάλογο δικτύου όπου θα βρίσκονται τα αρχεία DOC της "
                 "βάσης 'Πρωτοκόλλου'"),
             0},
            {"fra1(1)", QStringLiteral("Πλήθος εγγραφών"), 1},
            {"lbl(1)",
             QStringLiteral("Συμπληρώστε το μέγιστο επιτρεπόμενο πλήθος εγγραφών που θα εμφανίζονται σε "
                            "κατάλογους αναζήτησης (50 έως 20000)"),
             1},
            {"fra1(2)", QStringLiteral("Ημέρες για έλεγχο Κωδικού ασφαλείας (για login)"), 1},
            {"lbl(2)",
             QStringLiteral(
                 "Συμπληρώστε το πλήθος ημερών πριν την λήξη του κωδικού ασφαλείας εισόδου (login) "
                 "που θα ειδοποιείται ο χρήστης για να τον αλλάξει (0 έως 100)"),
             1},
            {"cmdAction(1)", QStringLiteral("\u039F\u039A"), -1},
            {"cmdAction(0)", QStringLiteral("Ακύρωση"), -1},
        };
        for (const auto& e : expected) {
            QWidget* w = dlg.findChild<QWidget*>(QLatin1String(e.name));
            QVERIFY2(w, e.name);
            QCOMPARE(w->accessibleDescription(), QLatin1String(e.name));
            QString text;
            if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
            if (auto* b = qobject_cast<QPushButton*>(w)) text = b->text();
            if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
            QCOMPARE(text, e.text);
            if (e.tab >= 0) QVERIFY2(dlg.SSTab1->widget(e.tab)->isAncestorOf(w), e.name);
        }
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("txtFolder(0)")), dlg.txtFolder[0]);
        QCOMPARE(dlg.findChild<NumBox*>(QStringLiteral("numGridMaxRecs")), dlg.numGridMaxRecs);
        QCOMPARE(dlg.findChild<NumBox*>(QStringLiteral("numPswDays")), dlg.numPswDays);
        QCOMPARE(dlg.txtFolder[0]->accessibleName(), dlg.fra1[0]->title());
        QCOMPARE(dlg.lbl[2]->buddy(), static_cast<QWidget*>(dlg.numPswDays));
        QVERIFY(dlg.cmdAction[1]->isDefault());
    }

    // What the dialog shows, and that confirming it untouched writes the limit and no PARAM row.
    void loadAndConfirmUntouched_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("limit");  // stored setting, or <absent>
        QTest::addColumn<QString>("pchk");   // PVAL, or <no row>
        QTest::addColumn<QString>("shownLimit");
        QTest::addColumn<QString>("shownDays");
        QTest::addColumn<QString>("savedLimit");
        const struct {
            const char* tag;
            QString limit, pchk, shownLimit, shownDays, savedLimit;
        } cases[] = {
            {"defaults", kAbsent, "10", "50", "10", "50"},
            {"stored limit, no PCHK row", "300", kNoRow, "300", "0", "300"},
            {"texts that are no numbers", "abc", "abc", "0", "0", "50"},
            {"numbers leading texts", " 120 γραμμές", "7 ημέρες", "120", "7", "120"},
            {"fractions round half to even", "20000.5", "2.5", "20000", "2", "20000"},
            {"out of range", "25000", "150", "25000", "150", "20000"},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& c : cases)
                QTest::newRow(
                    qPrintable(TestDatabase::backendTag(b) + QLatin1Char(' ') + QLatin1String(c.tag)))
                    << TestDatabase::backendTag(b) << c.limit << c.pchk << c.shownLimit << c.shownDays
                    << c.savedLimit;
    }
    void loadAndConfirmUntouched() {
        QFETCH(QString, limit);
        QFETCH(QString, pchk);
        QFETCH(QString, shownLimit);
        QFETCH(QString, shownDays);
        QFETCH(QString, savedLimit);
        TEST_REGISTER(db, .docsFolder = "/srv/Έγγραφα");
        if (pchk == kNoRow)
            QVERIFY(db.conn()->Execute("DELETE FROM PARAM WHERE PCODE='PCHK'"));
        else
            QVERIFY(db.conn()->Execute(
                QStringLiteral("UPDATE PARAM SET PVAL='%1', MODUSER=1 WHERE PCODE='PCHK'").arg(pchk)));
        QVERIFY(db.conn()->Execute("UPDATE PARAM SET MODUSER=1 WHERE PCODE='PFOLD'"));
        if (limit != kAbsent) SettingsStore::SaveValue(kSection, QStringLiteral("grdMaxRecs"), limit, true);
        gConn = db.conn();
        gDocsFolder = QStringLiteral("/srv/Έγγραφα");
        const QString pfoldBefore = paramRow(db.conn(), "PFOLD");
        const QString pchkBefore = paramRow(db.conn(), "PCHK");

        frmOptions dlg;
        QCOMPARE(dlg.txtFolder[0]->text(), QStringLiteral("/srv/Έγγραφα"));
        QCOMPARE(dlg.numGridMaxRecs->text(), shownLimit);
        QCOMPARE(dlg.numPswDays->text(), shownDays);
        dlg.show();
        QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(storedLimit(), savedLimit);
        QCOMPARE(paramRow(db.conn(), "PFOLD"), pfoldBefore);
        QCOMPARE(paramRow(db.conn(), "PCHK"), pchkBefore);
        QCOMPARE(gDocsFolder, QStringLiteral("/srv/Έγγραφα"));
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(!Err().Pending());
    }

    // Without a connection the days cannot be read: the box stays empty and nothing is written.
    void loadWithoutConnection() {
        frmOptions dlg;
        QCOMPARE(dlg.numPswDays->text(), QString());
        QCOMPARE(dlg.numGridMaxRecs->text(), QStringLiteral("50"));
        QVERIFY(!Err().Pending());
        dlg.show();
        QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    void gridLimit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("saved");
        QTest::newRow("below") << "49"
                               << "49"
                               << "50";
        QTest::newRow("zero") << "0"
                              << "0"
                              << "50";
        QTest::newRow("lowest") << "50"
                                << "50"
                                << "50";
        QTest::newRow("highest") << "20000"
                                 << "20000"
                                 << "20000";
        QTest::newRow("above") << "20001"
                               << "20001"
                               << "20000";
        QTest::newRow("five nines") << "999999"
                                    << "99999"
                                    << "20000";
        QTest::newRow("sign and letters refused") << "-7x1"
                                                  << "71"
                                                  << "71";
        // No number given: the stored limit stays.
        QTest::newRow("emptied") << ""
                                 << ""
                                 << "300";
    }
    void gridLimit() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, saved);
        SettingsStore::SaveValue(kSection, QStringLiteral("grdMaxRecs"), QStringLiteral("300"), true);
        frmOptions dlg;
        dlg.show();
        dlg.SSTab1->setCurrentIndex(1);
        retype(dlg.numGridMaxRecs, typed);
        QCOMPARE(dlg.numGridMaxRecs->text(), shown);
        QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);
        QCOMPARE(storedLimit(), saved);
    }

    void folder_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("stored");  // PFOLD's PVAL, or <no row>; gDocsFolder holds the same
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("row");      // PARAM 'PFOLD' afterwards
        QTest::addColumn<QString>("session");  // gDocsFolder afterwards
        const QString uid = QString::number(kUserId);
        const struct {
            const char* tag;
            QString stored, typed, row, session;
        } cases[] = {
            {"first one inserted", kNoRow, "  /srv/Έγγραφα του O'Neil  ", "/srv/Έγγραφα του O'Neil|" + uid,
             "/srv/Έγγραφα του O'Neil"},
            {"another one updates", "/old", "\\\\srv\\docs\\", "//srv/docs|" + uid, "//srv/docs"},
            {"same once normalised", "/srv/docs", " /srv//docs/ ", "/srv/docs|1", "/srv/docs"},
            {"emptied", "/old", "   ", "|" + uid, ""},
            {"none, typed none", kNoRow, "", kNoRow, ""},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& c : cases)
                QTest::newRow(
                    qPrintable(TestDatabase::backendTag(b) + QLatin1Char(' ') + QLatin1String(c.tag)))
                    << TestDatabase::backendTag(b) << c.stored << c.typed << c.row << c.session;
    }
    void folder() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, row);
        QFETCH(QString, session);
        TEST_REGISTER(db, .docsFolder = stored == kNoRow ? QString() : stored);
        QVERIFY(db.conn()->Execute("UPDATE PARAM SET MODUSER=1"));
        gConn = db.conn();
        gDocsFolder = stored == kNoRow ? QString() : stored;
        const QString pchkBefore = paramRow(db.conn(), "PCHK");

        frmOptions dlg;
        dlg.show();
        retype(dlg.txtFolder[0], typed);
        QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(paramRow(db.openAnother(), "PFOLD"), row);
        QCOMPARE(gDocsFolder, session);
        QCOMPARE(paramRow(db.conn(), "PCHK"), pchkBefore);
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    void pswDays_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("row");  // a PCHK row of 10 days at the start
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        const QString uid = QString::number(kUserId);
        const struct {
            const char* tag;
            bool row;
            QString typed, after;
        } cases[] = {
            {"changed", true, "15", "15|" + uid},
            {"to zero", true, "0", "0|" + uid},
            {"unchanged", true, "10", "10|1"},
            {"emptied", true, "", "10|1"},
            {"above the range", true, "250", "100|" + uid},
            {"first one inserted", false, "5", "5|" + uid},
            {"zero without a row", false, "0", kNoRow},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& c : cases)
                QTest::newRow(
                    qPrintable(TestDatabase::backendTag(b) + QLatin1Char(' ') + QLatin1String(c.tag)))
                    << TestDatabase::backendTag(b) << c.row << c.typed << c.after;
    }
    void pswDays() {
        QFETCH(bool, row);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        TEST_REGISTER(db);
        QVERIFY(db.conn()->Execute(row ? "UPDATE PARAM SET PVAL='10', MODUSER=1 WHERE PCODE='PCHK'"
                                       : "DELETE FROM PARAM WHERE PCODE='PCHK'"));
        gConn = db.conn();

        frmOptions dlg;
        dlg.show();
        dlg.SSTab1->setCurrentIndex(1);
        retype(dlg.numPswDays, typed);
        QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(paramRow(db.openAnother(), "PCHK"), after);
        QCOMPARE(paramRow(db.conn(), "PFOLD"), kNoRow);
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    // Each write is reported by its own result only; the dialog closes and the folder is taken.
    void writeFailures_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<QStringList>("reported");
        const QStringList none;
        const struct {
            const char* tag;
            QStringList refused, reported;
        } cases[] = {
            {"folder", {"PFOLD"}, {"ProtFiles_Folder"}},
            {"days", {"PCHK"}, {"Psw Days"}},
            {"both", {"PFOLD", "PCHK"}, {"ProtFiles_Folder", "Psw Days"}},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& c : cases)
                QTest::newRow(
                    qPrintable(TestDatabase::backendTag(b) + QLatin1Char(' ') + QLatin1String(c.tag)))
                    << TestDatabase::backendTag(b) << c.refused << c.reported;
    }
    void writeFailures() {
        QFETCH(QStringList, refused);
        QFETCH(QStringList, reported);
        TEST_REGISTER(db);  // PCHK 10, no PFOLD row
        for (const QString& code : refused) QVERIFY(refuseParam(db, code));
        gConn = db.conn();

        frmOptions dlg;
        dlg.show();
        retype(dlg.txtFolder[0], QStringLiteral("/srv/νέος"));
        retype(dlg.numPswDays, QStringLiteral("20"));
        QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);
        QVERIFY(!dlg.isVisible());

        QCOMPARE(MsgBoxHook::Log().size(), reported.size());
        for (int i = 0; i < reported.size(); ++i) {
            const MsgBoxHook::Shown& box = MsgBoxHook::Log()[i];
            QVERIFY2(box.prompt.startsWith(QStringLiteral("#frmOptions -> ") + reported[i] +
                                           QStringLiteral("\r\n")),
                     qPrintable(box.prompt));
            QCOMPARE(box.icon(), int(vb::vbCritical));
        }
        QCOMPARE(gDocsFolder, QStringLiteral("/srv/νέος"));
        const ConnectionPtr other = db.openAnother();
        QCOMPARE(paramRow(other, "PFOLD"),
                 refused.contains("PFOLD") ? kNoRow : QStringLiteral("/srv/νέος|%1").arg(kUserId));
        QCOMPARE(paramRow(other, "PCHK").section('|', 0, 0),
                 refused.contains("PCHK") ? QStringLiteral("10") : QStringLiteral("20"));
        QFile log(gErr->LogFile());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        for (const QString& source : reported) QVERIFY(text.contains(source.toLatin1()));
        QVERIFY(!Err().Pending());
    }

    void leaveWithoutSaving_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<Leave>("how");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " cancel button")) << tag << Leave::CancelButton;
            QTest::newRow(qPrintable(tag + " Esc")) << tag << Leave::Escape;
            QTest::newRow(qPrintable(tag + " close box")) << tag << Leave::CloseBox;
        }
    }
    void leaveWithoutSaving() {
        QFETCH(Leave, how);
        TEST_REGISTER(db, .docsFolder = "/srv/docs");
        gConn = db.conn();
        gDocsFolder = QStringLiteral("/srv/docs");
        const QString pfold = paramRow(db.conn(), "PFOLD"), pchk = paramRow(db.conn(), "PCHK");

        frmOptions dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        retype(dlg.txtFolder[0], QStringLiteral("/elsewhere"));
        retype(dlg.numGridMaxRecs, QStringLiteral("500"));
        retype(dlg.numPswDays, QStringLiteral("30"));
        switch (how) {
            case Leave::CancelButton:
                QTest::mouseClick(dlg.cmdAction[0], Qt::LeftButton);
                break;
            case Leave::Escape:
                QTest::keyClick(dlg.numPswDays, Qt::Key_Escape);
                break;
            case Leave::CloseBox:
                dlg.close();
                break;
        }
        QVERIFY(!dlg.isVisible());
        QCOMPARE(storedLimit(), kAbsent);
        QCOMPARE(paramRow(db.conn(), "PFOLD"), pfold);
        QCOMPARE(paramRow(db.conn(), "PCHK"), pchk);
        QCOMPARE(gDocsFolder, QStringLiteral("/srv/docs"));
    }

    // The picker's folder lands in the box (its closing separator goes at the save); a cancelled
    // picker leaves the box alone.
    void selectFolder_data() {
        QTest::addColumn<bool>("choose");
        QTest::newRow("chosen") << true;
        QTest::newRow("cancelled") << false;
    }
    void selectFolder() {
        QFETCH(bool, choose);
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).canonicalPath();
        frmOptions dlg;
        dlg.show();
        dlg.txtFolder[0]->setText(QStringLiteral("/before"));
        ModalDriver<frm_SelectFolder> driver([&](frm_SelectFolder* picker) {
            if (choose) {
                QVERIFY(picker->SetDir1_Path(path));
                QTest::mouseClick(picker->cmdOK, Qt::LeftButton);
            } else {
                QTest::mouseClick(picker->cmdExit, Qt::LeftButton);
            }
        });
        QTest::mouseClick(dlg.cmdSelectFolder[0], Qt::LeftButton);
        QVERIFY(driver.shown());
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.txtFolder[0]->text(), choose ? path + QLatin1Char('/') : QStringLiteral("/before"));
        QVERIFY(!dlg.findChild<frm_SelectFolder*>());
    }

    // The menu shows a new dialog modally over the main window and deletes it afterwards.
    void menu() {
        frmMDI* mdi = frmMDI::instance();
        mdi->show();
        QPointer<frmOptions> seen;
        ModalDriver<frmOptions> driver([&](frmOptions* dlg) {
            seen = dlg;
            QCOMPARE(dlg->parentWidget(), static_cast<QWidget*>(mdi));
            QTest::mouseClick(dlg->cmdAction[0], Qt::LeftButton);
        });
        mdi->mnuOptions->setEnabled(true);
        mdi->mnuOptions->trigger();
        QVERIFY(driver.shown());
        QVERIFY(!seen);
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
