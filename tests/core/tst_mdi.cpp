#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "App.h"
#include "DBHelper.h"
#include "MsgBox.h"
#include "NetInfo.h"
#include "PswFormat.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "Rights.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "clsInit.h"
#include "frmAbout.h"
#include "frmInitial.h"
#include "frmMDI.h"
#include "modDeclare.h"
#include "modMain.h"

using namespace modDeclare;

namespace {
// Every guarded item with its bit, and the items no bit guards.
const QList<QPair<QString, long>> kGuarded = {
    {"mnuProtocol", Rights::ProtocolRead},  {"mnuUsers", Rights::Supervisor},
    {"mnuUsersActive", Rights::Supervisor}, {"mnuOptions", Rights::Supervisor},
    {"mnuParam(0)", Rights::Departments},   {"mnuParam(1)", Rights::DocTypes},
    {"mnuParam(2)", Rights::Senders},       {"mnuParam(3)", Rights::Recipients},
    {"mnuParam(4)", Rights::Places},        {"mnuParam(5)", Rights::Persons},
    {"mnuParam(10)", Rights::Phrases},
};
const QStringList kAlwaysEnabled = {"mnuNewLogin", "mnuExit", "mnuParam(11)", "mnuHelpAbout"};

QAction* item(const QString& name) {
    return frmMDI::instance()->findChild<QAction*>(name);
}

QString panelText(const QString& key) {
    return frmMDI::instance()->Panel(key)->text();
}

std::shared_ptr<cls_User> makeUser(long id, const QString& name, long auth) {
    auto user = std::make_shared<cls_User>();
    user->UserId = id;
    user->UserName = name;
    user->Auth = auth;
    return user;
}

}  // namespace

class TestMdi : public QObject {
    Q_OBJECT
    std::unique_ptr<TempSettings> m_settings;

    static void unloadMdi() {
        if (frmMDI::exists()) delete frmMDI::instance();
    }

private slots:
    void init() {
        m_settings = std::make_unique<TempSettings>();
        App::SetTitle(QStringLiteral("Protocol"));
        App::SetVersion(3, 10, 0);
        App::SetPath(m_settings->dir());  // the error log
        gConn.reset();
        gUser.reset();
        gErr.reset();
    }
    void cleanup() {
        unloadMdi();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        gConn.reset();
        gUser.reset();
        gErr.reset();
        m_settings.reset();
    }

    void captionAndVersion() {
        QCOMPARE(frmMDI::instance()->windowTitle(), QStringLiteral("Protocol 3.10.0"));
    }

    void menuItems_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        const QKeySequence none;
        QTest::newRow("protocol") << "mnuProtocol"
                                  << "mnuFile"
                                  << "Πρωτόκολλο ..." << QKeySequence(Qt::Key_F2);
        QTest::newRow("users") << "mnuUsers"
                               << "mnuFile"
                               << "Χρήστες ..." << QKeySequence(Qt::CTRL | Qt::Key_X);
        QTest::newRow("new login") << "mnuNewLogin"
                                   << "mnuFile"
                                   << "Σύνδεση σαν άλλος χρήστης ..." << none;
        QTest::newRow("users active") << "mnuUsersActive"
                                      << "mnuFile"
                                      << "Συνδεδεμένοι χρήστες ..." << QKeySequence(Qt::CTRL | Qt::Key_A);
        QTest::newRow("options") << "mnuOptions"
                                 << "mnuFile"
                                 << "Ρυθμίσεις εφαρμογής ..." << none;
        QTest::newRow("exit") << "mnuExit"
                              << "mnuFile"
                              << "Έξοδος" << none;
        QTest::newRow("param 0") << "mnuParam(0)"
                                 << "mnuParams"
                                 << "Τμήματα ..." << none;
        QTest::newRow("param 1") << "mnuParam(1)"
                                 << "mnuParams"
                                 << "Τύποι εισερχομένων - εξερχομένων ..." << none;
        QTest::newRow("param 2") << "mnuParam(2)"
                                 << "mnuParams"
                                 << "Από ..." << none;
        QTest::newRow("param 3") << "mnuParam(3)"
                                 << "mnuParams"
                                 << "Προς ..." << none;
        QTest::newRow("param 4") << "mnuParam(4)"
                                 << "mnuParams"
                                 << "Τόπος προέλευσης ..." << none;
        QTest::newRow("param 5") << "mnuParam(5)"
                                 << "mnuParams"
                                 << "Αρμόδιοι ..." << none;
        QTest::newRow("param 10") << "mnuParam(10)"
                                  << "mnuParams"
                                  << "Συνήθεις φράσεις ..." << none;
        QTest::newRow("param 11") << "mnuParam(11)"
                                  << "mnuParams"
                                  << "Αρχειοθέτηση ..." << none;
        QTest::newRow("cascade") << "mnuWindowCascade"
                                 << "mnuWindow"
                                 << "&Τακτοποίηση σε επικάλυψη" << none;
        QTest::newRow("tile h") << "mnuWindowTileHorizontal"
                                << "mnuWindow"
                                << "Τακτοποίηση &Οριζόντια" << none;
        QTest::newRow("tile v") << "mnuWindowTileVertical"
                                << "mnuWindow"
                                << "Τακτοποίηση &Κατακόρυφα" << none;
        QTest::newRow("icons") << "mnuWindowArrangeIcons"
                               << "mnuWindow"
                               << "Τακτοποίηση &Εικονιδίων" << none;
        QTest::newRow("about") << "mnuHelpAbout"
                               << "mnuHelp"
                               << "&Πληροφορίες ..." << none;
    }
    void menuItems() {
        QFETCH(QString, name);
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        QAction* action = item(name);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), shortcut);
        QVERIFY(action->menu() == nullptr);
        auto* owner = frmMDI::instance()->findChild<QMenu*>(menu);
        QVERIFY(owner);
        QVERIFY(owner->actions().contains(action));
    }

    // The menu bar's menus in order, with their access keys; the window menu is there but hidden.
    void menuBar() {
        const QList<QAction*> menus = frmMDI::instance()->menuBar()->actions();
        QStringList captions, names;
        for (QAction* m : menus) captions << m->text(), names << m->objectName();
        QCOMPARE(names, QStringList({"mnuFile", "mnuParams", "mnuWindow", "mnuHelp"}));
        QCOMPARE(captions, QStringList({"Αρχεία", "Παράμετροι", "&Παράθυρα", "&Βοήθεια"}));
        QVERIFY(menus[0]->isVisible() && menus[1]->isVisible() && menus[3]->isVisible());
        QVERIFY(!menus[2]->isVisible());
        // The separators of the file menu sit where the table puts them.
        QStringList file;
        for (QAction* a : frmMDI::instance()->mnuFile->actions())
            file << (a->isSeparator() ? QStringLiteral("-") : QString()) + a->objectName();
        QCOMPARE(file,
                 QStringList({"mnuProtocol", "-mnuFileSep2", "mnuUsers", "mnuNewLogin", "mnuUsersActive",
                              "-mnuFileSep4", "mnuOptions", "-mnuFileSep5", "mnuExit"}));
        QCOMPARE(frmMDI::instance()->mnuParam.size(), size_t(8));
    }

    // Each mask applied after all rights and after none, so that both ways are checked.
    void menusByRights_data() {
        QTest::addColumn<long>("auth");
        QTest::newRow("register only") << Rights::ProtocolRead;
        QTest::newRow("supervisor") << Rights::Supervisor;
        QTest::newRow("supervisor and register") << (Rights::Supervisor | Rights::ProtocolRead);
        QTest::newRow("register edit bits open nothing")
            << (Rights::ProtocolEdit | Rights::ProtocolDelete | Rights::ProtocolEditIncoming |
                Rights::ExportReports);
        QTest::newRow("lookup lists")
            << (Rights::Departments | Rights::DocTypes | Rights::Senders | Rights::Recipients |
                Rights::Places | Rights::Persons | Rights::Phrases);
        QTest::newRow("senders and phrases") << (Rights::Senders | Rights::Phrases);
        QTest::newRow("bits of no meaning") << long(0x7E00003F);
        QTest::newRow("everything") << long(0x7FFFFFFF);
    }
    void menusByRights() {
        QFETCH(long, auth);
        for (long before : {long(0x7FFFFFFF), 0L}) {
            clsInit init;
            init.Set_Menus(before);
            init.Set_Menus(auth);
            for (const auto& [name, bit] : kGuarded)
                QVERIFY2(item(name)->isEnabled() == ((auth & bit) != 0), qPrintable(name));
            for (const QString& name : kAlwaysEnabled) QVERIFY2(item(name)->isEnabled(), qPrintable(name));
        }
    }

    void statusBar_data() { TestDatabase::addBackendRows(); }
    void statusBar() {
        TEST_DATABASE(db);
        gConn = db.conn();
        gUser = makeUser(3, QStringLiteral("Μαρία"), Rights::ProtocolRead);
        frmMDI* mdi = frmMDI::instance();
        clsInit().Show_UserInfo();

        // Panels in their order; the key-state, date and time panels after the user's.
        QStringList keys;
        for (QLabel* panel : mdi->sbStatusBar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            keys << panel->accessibleName();
        QCOMPARE(keys, QStringList({"user", "winuser", "db", "CAPS", "NUM", "INS", "date", "time"}));

        QCOMPARE(panelText("user"), QStringLiteral("Xρήστης: Μαρία  "));
        QCOMPARE(panelText("user").at(0).unicode(), ushort('X'));  // Latin
        NetInfo net;
        QCOMPARE(panelText("winuser"), net.ComputerName() + "/" + net.NetUserName() + "  ");
        QCOMPARE(gUser->MachineName, net.ComputerName());
        QVERIFY(mdi->Panel("db")->isHidden());
        QVERIFY(panelText("db").isEmpty());

        gUser->Auth = Rights::Supervisor;
        clsInit().Show_UserInfo();
        QVERIFY(!mdi->Panel("db")->isHidden());
        QCOMPARE(panelText("db"), db.conn()->DatabaseName() + "  ");
        QVERIFY(!db.conn()->DatabaseName().isEmpty());

        // The next user of the run without the right does not see the supervisor's database.
        gUser = makeUser(4, QStringLiteral("NIKOS"), Rights::ProtocolRead | 0x800);
        clsInit().Show_UserInfo();
        QVERIFY(mdi->Panel("db")->isHidden());
        QVERIFY(panelText("db").isEmpty());
        QCOMPARE(panelText("user"), QStringLiteral("Xρήστης: NIKOS  "));

        QCOMPARE(panelText("date"), QDate::currentDate().toString("dd/MM/yyyy"));
        QVERIFY(QTime::fromString(panelText("time"), "HH:mm").isValid());
    }

    // The insert state follows the Insert key, seen wherever the focus is; the lock keys likewise.
    void keyStatePanels() {
        frmMDI* mdi = frmMDI::instance();
        QLabel* ins = mdi->Panel("INS");
        QCOMPARE(ins->text(), QStringLiteral("INS"));
        QCOMPARE(mdi->Panel("CAPS")->text(), QStringLiteral("CAPS"));
        QCOMPARE(mdi->Panel("NUM")->text(), QStringLiteral("NUM"));
        const bool before = ins->isEnabled();
        QTest::keyClick(mdi, Qt::Key_Insert);
        QCOMPARE(ins->isEnabled(), !before);
        QTest::keyClick(mdi, Qt::Key_Insert);
        QCOMPARE(ins->isEnabled(), before);
        const bool caps = mdi->Panel("CAPS")->isEnabled();
        QTest::keyClick(mdi, Qt::Key_CapsLock);
        QCOMPARE(mdi->Panel("CAPS")->isEnabled(), !caps);
    }

    void images() {
        frmMDI* mdi = frmMDI::instance();
        QCOMPARE(mdi->imlDBForm.Keys(),
                 QStringList({"print", "list", "clear", "edit", "search", "add", "next", "empty", "prev",
                              "save", "refresh", "sAsc", "sDesc", "cancel", "del", "copy"}));
        QList<QImage> seen;
        for (const QString& key : mdi->imlDBForm.Keys()) {
            const QImage image = mdi->imlDBForm.ListImage(key).toImage();
            QCOMPARE(image.size(), QSize(16, 16));
            QVERIFY2(!seen.contains(image), qPrintable(key));  // no two alike
            seen << image;
        }
        QVERIFY(mdi->imlDBForm.ListImage("Print").isNull());  // keys match exactly
        QVERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(QApplication::windowIcon().pixmap(32).toImage(), mdi->windowIcon().pixmap(32).toImage());
    }

    void placement() {
        frmMDI* mdi = frmMDI::instance();
        QCOMPARE(mdi->geometry(), QRect(0, 0, 7400 / 15, 700 / 15));
        mdi->show();
        QVERIFY(QTest::qWaitForWindowExposed(mdi));
        mdi->setGeometry(30, 40, 600, 300);
        QVERIFY(mdi->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frmMDI::exists());
        QCOMPARE(SettingsStore::GetValue("\\Protocol\\frmMDI", "Width", QString(), true),
                 QStringLiteral("9000"));
        QCOMPARE(frmMDI::instance()->geometry(), QRect(30, 40, 600, 300));
    }

    // Leaving ends the session: the user's rows closed, the connection closed, never refused.
    void closeEndsSession_data() { TestDatabase::addBackendRows(); }
    void closeEndsSession() {
        TEST_REGISTER(db);
        QVERIFY(db.conn()->Execute("INSERT INTO USER_LOG (USER_ID) VALUES (5)"));
        gConn = db.conn();
        gUser = makeUser(5, "ANNA", Rights::ProtocolRead);
        gErr = std::make_unique<cls_Error>();
        QPointer<QWidget> active = new QWidget;
        active->show();
        gUsersActiveForm = active;
        frmMDI* mdi = frmMDI::instance();
        mdi->show();
        mdi->mnuExit->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frmMDI::exists());
        QVERIFY(!gConn && !gUser);
        QVERIFY(!active);
        QVERIFY(!db.conn()->IsOpen());
        QCOMPARE(openSessionRows(db.openAnother(), 5), 0);
    }

    void about() {
        frmMDI* mdi = frmMDI::instance();
        ModalDriver<frmAbout> driver([](frmAbout* dlg) {
            QCOMPARE(dlg->windowTitle(), QStringLiteral("Πληροφορίες για την εφαρμογή"));
            QCOMPARE(dlg->cmdOK->text(), QString::fromUtf16(u"\u039F\u039A"));  // Greek Omicron Kappa
            QCOMPARE(dlg->lblVersion->text(), QStringLiteral("Έκδοση 3.10.0"));
            QCOMPARE(dlg->lbCopyright->text(), frmAbout::LegalNotice());
            QVERIFY(!dlg->lbCopyright->text().isEmpty());
            QVERIFY(!dlg->Image2->pixmap().isNull());
            QCOMPARE(dlg->windowIcon().pixmap(32).toImage(),
                     frmMDI::instance()->windowIcon().pixmap(32).toImage());
            QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
        });
        mdi->mnuHelpAbout->trigger();
        QVERIFY(driver.shown());
        QVERIFY(!mdi->findChild<frmAbout*>());  // unloaded after use
    }

    // The new log-in once the log-in window has answered: a failure, a cancel or the same user
    // change nothing, and a connection opened for nothing is closed.
    void newSessionKeepsOld_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<long>("userId");  // 0: no user came back
        QTest::addColumn<bool>("withConnection");
        for (Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            const auto row = [&](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(tag + " " + name)) << tag;
            };
            row("cancelled") << false << 0L << false;
            row("false with another user") << false << 2L << true;
            row("no user came back") << true << 0L << true;
            row("same user") << true << 1L << true;
        }
    }
    void newSessionKeepsOld() {
        QFETCH(bool, loggedIn);
        QFETCH(long, userId);
        QFETCH(bool, withConnection);
        TEST_REGISTER(db);
        QVERIFY(db.conn()->Execute("INSERT INTO USER_LOG (USER_ID) VALUES (1)"));
        gConn = db.conn();
        const auto first = makeUser(1, "ADMIN", Rights::Supervisor);
        gUser = first;
        gErr = std::make_unique<cls_Error>();
        gErr->setHeader("v.3.10.0 - ADMIN - PC1");
        frmMDI* mdi = frmMDI::instance();
        clsInit().Set_Menus(gUser->Auth);
        clsInit().Show_UserInfo();

        ConnectionPtr conn = withConnection ? db.openAnother() : nullptr;
        if (userId == 1) {
            // What the log-in of the same user has done: closed the open row, opened its own.
            QVERIFY(conn->Execute(
                "UPDATE USER_LOG SET LOGOUT_TIME=getdate() WHERE USER_ID=1 AND LOGOUT_TIME IS NULL"));
            QVERIFY(conn->Execute("INSERT INTO USER_LOG (USER_ID) VALUES (1)"));
        }
        const auto user = userId ? makeUser(userId, "OTHER", Rights::ProtocolRead) : nullptr;

        QVERIFY(!mdi->TakeNewSession(loggedIn, conn, user));
        QCOMPARE(gConn, db.conn());
        QVERIFY(gConn->IsOpen());
        QCOMPARE(gUser, first);
        if (conn) QVERIFY(!conn->IsOpen());
        QVERIFY(mdi->mnuUsers->isEnabled());
        QVERIFY(!mdi->mnuProtocol->isEnabled());
        QCOMPARE(panelText("user"), QStringLiteral("Xρήστης: ADMIN  "));
        QVERIFY(!mdi->Panel("db")->isHidden());
        QCOMPARE(gErr->header(), QStringLiteral("v.3.10.0 - ADMIN - PC1"));
        QCOMPARE(openSessionRows(gConn, 1), 1);

        // Leaving afterwards closes the one open row, whichever connection opened it.
        modMain::CloseDown();
        QCOMPARE(openSessionRows(db.openAnother(), 1), 0);
    }

    void newSessionAnotherUser_data() { TestDatabase::addBackendRows(); }
    void newSessionAnotherUser() {
        TEST_REGISTER(db);
        QVERIFY(db.conn()->Execute("INSERT INTO USER_LOG (USER_ID) VALUES (1)"));
        gConn = db.conn();
        gUser = makeUser(1, "ADMIN", 0x7FFFFFFF);
        gErr = std::make_unique<cls_Error>();
        gErr->setHeader("v.3.10.0 - ADMIN - PC1");
        gLogo1 = QStringLiteral("Δήμος Α");
        gDocsFolder = QStringLiteral("/srv/docs");
        frmMDI* mdi = frmMDI::instance();
        mdi->show();
        clsInit().Set_Menus(gUser->Auth);
        clsInit().Show_UserInfo();

        QPointer<QWidget> active = new QWidget;
        active->show();
        gUsersActiveForm = active;
        QPointer<QWidget> modeless = new QWidget(mdi, Qt::Dialog);
        modeless->show();
        QPointer<QWidget> loadedHidden = new QWidget;

        ConnectionPtr conn = db.openAnother();
        QVERIFY(conn->Execute("INSERT INTO USER_LOG (USER_ID) VALUES (2)"));
        const long auth = Rights::ProtocolRead | Rights::Senders;
        const auto user = makeUser(2, "NIKOS", auth);
        QVERIFY(mdi->TakeNewSession(true, conn, user));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QVERIFY(!db.conn()->IsOpen());
        QCOMPARE(gConn, conn);
        QCOMPARE(gUser, user);
        QCOMPARE(openSessionRows(conn, 1), 0);
        QCOMPARE(openSessionRows(conn, 2), 1);
        QVERIFY(!active && !gUsersActiveForm);
        QVERIFY(!modeless);
        QVERIFY(!loadedHidden);
        QVERIFY(frmMDI::exists() && mdi->isVisible());

        for (const auto& [name, bit] : kGuarded)
            QVERIFY2(item(name)->isEnabled() == ((auth & bit) != 0), qPrintable(name));
        for (const QString& name : kAlwaysEnabled) QVERIFY(item(name)->isEnabled());
        QCOMPARE(panelText("user"), QStringLiteral("Xρήστης: NIKOS  "));
        QVERIFY(mdi->Panel("db")->isHidden());
        QCOMPARE(gErr->header(), QStringLiteral("v.3.10.0 - ADMIN - PC1"));
        QCOMPARE(gLogo1, QStringLiteral("Δήμος Α"));
        QCOMPARE(gDocsFolder, QStringLiteral("/srv/docs"));
    }

    // The whole new log-in through the real log-in window on a register with two users.
    void newLogin_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("name");  // "": cancel
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("changed");
        for (Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            const auto row = [&](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(tag + " " + name)) << tag;
            };
            row("another user") << "NIKOS"
                                << "pass" << true;
            row("same user") << "ADMIN"
                             << "secret" << false;
            row("cancelled") << ""
                             << "" << false;
            row("three wrong passwords") << "NIKOS"
                                         << "wrong" << false;
        }
    }
    void newLogin() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, changed);
        AnswerQueues answers;
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "secret");
        const long nikosAuth = Rights::ProtocolRead | Rights::Senders;
        QVERIFY(db.conn()->Execute(
            QStringLiteral("INSERT INTO USERS (U_NAME, U_PSW, U_AUTH, USER_GROUP_ID, U_EXP_DAYS) VALUES "
                           "('NIKOS', %1, %2, 2, 0)")
                .arg(db.conn()->dialect().textLiteral(PswFormat::Store("PASS", 50)))
                .arg(nikosAuth)));
        const long adminId =
            DBHelper::LookupValue(db.conn(), "USERS", "U_NAME='ADMIN'", "USER_ID", 0, ",").toLong();
        const long nikosId =
            DBHelper::LookupValue(db.conn(), "USERS", "U_NAME='NIKOS'", "USER_ID", 0, ",").toLong();
        QVERIFY(adminId > 0 && nikosId > 0);
        SettingsStore::SaveValue("\\Protocol", "Provider", db.provider(), false);
        SettingsStore::SaveValue("\\Protocol", "ConnStr", db.connStr(), false);
        SettingsStore::SaveValue("\\Protocol", "L", PswFormat::ComposeL(db.user(), QString()), false);

        // The first session, as start-up leaves it.
        QVERIFY(
            db.conn()->Execute(QStringLiteral("INSERT INTO USER_LOG (USER_ID) VALUES (%1)").arg(adminId)));
        gConn = db.conn();
        gUser = makeUser(adminId, "ADMIN", RegisterSchema::SupervisorRights());
        gErr = std::make_unique<cls_Error>();
        QVERIFY(gErr->Init(true));
        gErr->setHeader("v.3.10.0 - ADMIN - PC1");
        frmMDI* mdi = frmMDI::instance();
        mdi->show();
        clsInit().Set_Menus(gUser->Auth);
        clsInit().Show_UserInfo();
        const auto first = gUser;

        ModalDriver<frmInitial> driver([&](frmInitial* dlg) {
            if (name.isEmpty()) return QTest::mouseClick(dlg->cmdCancel, Qt::LeftButton);
            for (int attempt = 0; attempt < 3 && dlg->isVisible(); ++attempt) {
                dlg->txtLoginName->setText(name);
                dlg->txtPassword->setText(password);
                QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
            }
        });
        mdi->mnuNewLogin->trigger();
        QVERIFY(driver.shown());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        ConnectionPtr check = db.openAnother();
        QCOMPARE(gErr->header(), QStringLiteral("v.3.10.0 - ADMIN - PC1"));
        QVERIFY(gConn && gConn->IsOpen());
        if (changed) {
            QVERIFY(gConn != db.conn());
            QVERIFY(!db.conn()->IsOpen());
            QCOMPARE(gUser->UserId, nikosId);
            QCOMPARE(openSessionRows(check, adminId), 0);
            QCOMPARE(openSessionRows(check, nikosId), 1);
            QVERIFY(!mdi->mnuUsers->isEnabled());
            QVERIFY(mdi->mnuParam.at(2)->isEnabled());
            QVERIFY(!mdi->mnuParam.at(0)->isEnabled());
            QVERIFY(mdi->Panel("db")->isHidden());
            QCOMPARE(panelText("user"), QStringLiteral("Xρήστης: NIKOS  "));
        } else {
            QCOMPARE(gConn, db.conn());
            QCOMPARE(gUser, first);
            QCOMPARE(openSessionRows(check, adminId), 1);
            QCOMPARE(openSessionRows(check, nikosId), 0);
            QVERIFY(mdi->mnuUsers->isEnabled());
            QCOMPARE(panelText("user"), QStringLiteral("Xρήστης: ADMIN  "));
        }
        QCOMPARE(MsgBoxHook::Log().size(), password == "wrong" ? 3 : 0);
    }
};

QTEST_MAIN(TestMdi)
#include "tst_mdi.moc"
