#include <QApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "App.h"
#include "DBHelper.h"
#include "MsgBox.h"
#include "PswFormat.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "SqliteSupport.h"
#include "TestDatabase.h"
#include "TestSupport.h"
#include "clsInit.h"
#include "frmMDI.h"
#include "modDeclare.h"
#include "modMain.h"
#include "modResIDs.h"

using namespace modDeclare;

class TestStartup : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void init() {
        App::SetPath(m_dir.path());
        App::SetEXEName(QStringLiteral("ProtocolStartupTest"));
        gConn.reset();
        gUser.reset();
        gErr.reset();
    }
    void cleanup() {
        SqliteSupport::clearClock();
        gConn.reset();
        gUser.reset();
        gErr.reset();
    }

    void modFlagText_data() {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("text");
        QTest::newRow("new") << "N"
                             << "Νέα εγγραφή";
        QTest::newRow("modified") << "M"
                                  << "Τροποποιήθηκε";
        QTest::newRow("deleted") << "D"
                                 << "Διαγραμμένη";
        QTest::newRow("lower case") << "m"
                                    << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("other") << "X"
                               << "";
        QTest::newRow("padded") << "N "
                                << "";
    }
    void modFlagText() {
        QFETCH(QString, flag);
        QFETCH(QString, text);
        QCOMPARE(ModFlagText(flag), text);
    }

    void noDataMsg() {
        AnswerQueues answers;
        App::SetTitle(QStringLiteral("Protocol"));
        NoDataMsg();
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log().first().prompt,
                 QStringLiteral("Δεν υπάρχουν δεδομένα. Διορθώστε τις επιλογές σας"));
        QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbExclamation));
        QCOMPARE(MsgBoxHook::Log().first().title, QStringLiteral("Protocol"));
    }

    void definitionTexts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("global") << 50 << "' 50 - global.rpt";
        QTest::newRow("users form") << 100 << "' 100 - Users.frs";
        QTest::newRow("users list") << 101 << "' 101 - Users.rpt";
        QTest::newRow("lookup list") << 123 << "' 123 - LookUps.rpt";
        QTest::newRow("register form") << 143 << "' 143 - protocol.frs";
        QTest::newRow("detailed list") << 144 << "' 144 - protDet.rpt";
        QTest::newRow("totals") << 145 << "' 145 - protocolGroup.rpt";
        QTest::newRow("receipt") << 146 << "' 146 - protReceipt";
    }
    void definitionTexts() {
        QFETCH(int, id);
        QFETCH(QString, firstLine);
        const QString text = modResIDs::GetResString(id, QStringLiteral("any name"));
        QCOMPARE(text.section(QLatin1Char('\n'), 0, 0).trimmed(), firstLine);
        QCOMPARE(modResIDs::GetResString(id, QString()), text);
    }
    void unknownDefinitionText() { QCOMPARE(modResIDs::GetResString(999, QStringLiteral("x")), QString()); }

    void errorHeader() {
        QCOMPARE(clsInit::ErrorHeader(1, 2, 15, QStringLiteral("MARIA"), QStringLiteral("PC7")),
                 QStringLiteral("v.1.2.15 - MARIA - PC7"));
        QCOMPARE(clsInit::ErrorHeader(3, 5, 0, QStringLiteral("Μαρία"), QStringLiteral("pc")),
                 QStringLiteral("v.3.5.0 - Μαρία - pc"));

        gErr = std::make_unique<cls_Error>();
        gUser = std::make_shared<cls_User>();
        gUser->UserName = QStringLiteral("MARIA");
        App::SetVersion(1, 2, 15);
        QVERIFY(clsInit().Init_Application());
        QVERIFY(!gUser->MachineName.isEmpty());
        QCOMPARE(gErr->header(), QStringLiteral("v.1.2.15 - MARIA - ") + gUser->MachineName);
    }

    void secondCopy_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("no ends at once") << int(vb::vbNo);
        QTest::newRow("yes goes on") << int(vb::vbYes);
    }
    void secondCopy() {
        QFETCH(int, answer);
        AnswerQueues answers;
        TempSettings settings;
        SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"),
                                 QStringLiteral("server=localhost;database=x;"), false);
        // A lock folder of the test's own: a Protocol running on this machine must not count.
        QTemporaryDir runtime;
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const auto restore = qScopeGuard([&] {
            if (oldRuntime.isNull())
                qunsetenv("XDG_RUNTIME_DIR");
            else
                qputenv("XDG_RUNTIME_DIR", oldRuntime);
        });
        SingleInstance running(App::EXEName());
        QVERIFY(!running.PrevInstance());
        MsgBoxHook::QueueAnswer(answer);
        QVERIFY(!modMain::Main());
        QVERIFY(!MsgBoxHook::Log().isEmpty());  // a Yes goes on to the log-in, which has no provider
        const auto& box = MsgBoxHook::Log().first();
        QCOMPARE(box.prompt, QStringLiteral("Η εφαρμογή \"τρέχει\" ήδη. Θέλετε να την ξανατρέξετε"));
        QCOMPARE(box.buttonSet(), int(vb::vbYesNo));
        QCOMPARE(box.icon(), int(vb::vbQuestion));
        QCOMPARE(box.defaultButton(), int(vb::vbDefaultButton1));
        QCOMPARE(gErr != nullptr, answer == vb::vbYes);
        QCOMPARE(gAppID, 1L);
    }

    // A cancelled server prompt ends the start before the second-copy question and the reporter.
    void cancelledServerPrompt() {
        AnswerQueues answers;
        TempSettings settings;
        QLocale::setDefault(QLocale::c());
        QTimer::singleShot(0, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        QVERIFY(!modMain::Main());
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbCritical));
        QVERIFY(MsgBoxHook::Log().first().prompt.startsWith(QStringLiteral("Δεν μπορεί να εκτελεστεί")));
        QVERIFY(!gErr);
        // The regional check had passed: Qt's dialogs write numbers the Greek way from then on.
        QCOMPARE(QLocale().language(), QLocale::Greek);
        QPrinter printer;
        QPageSetupDialog pageSetup(&printer);
        const QList<QDoubleSpinBox*> margins = pageSetup.findChildren<QDoubleSpinBox*>();
        QVERIFY(!margins.isEmpty());
        for (const QDoubleSpinBox* margin : margins)
            QVERIFY2(margin->text().contains(u','), qPrintable(margin->text()));
        QLocale::setDefault(QLocale::c());
    }

    // The whole start on a fresh register: log-in window, session row, upgrade, main window; closing
    // the main window ends the session with the server's time.
    void wholeStart_data() { TestDatabase::addBackendRows(); }
    void wholeStart() {
        TEST_REGISTER(db, .preUpgrade = true, .supervisorName = QStringLiteral("ADMIN"),
                      .supervisorPassword = QStringLiteral("ADMIN1"));
        AnswerQueues answers;
        TempSettings settings;
        const QString section = QStringLiteral("\\Protocol");
        SettingsStore::SaveValue(section, QStringLiteral("Provider"), db.provider(), false);
        SettingsStore::SaveValue(section, QStringLiteral("ConnStr"), db.connStr(), false);
        SettingsStore::SaveValue(
            section, QStringLiteral("L"),
            PswFormat::ComposeL(db.user(), qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD")), false);
        bool typed = false;
        std::function<void()> answer;
        answer = [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w->objectName() != QLatin1String("frmInitial") || !w->isActiveWindow()) {
                QTimer::singleShot(10, answer);
                return;
            }
            auto* name = w->findChild<QLineEdit*>(QStringLiteral("txtLoginName"));
            auto* psw = w->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
            auto* ok = w->findChild<QPushButton*>(QStringLiteral("cmdOK"));
            QVERIFY(name && psw && ok);
            name->setText(QStringLiteral("admin"));
            psw->setText(QStringLiteral("admin1"));
            typed = true;
            ok->click();
        };
        QTimer::singleShot(10, answer);

        QVERIFY(modMain::Main());
        QVERIFY(typed);
        QVERIFY(gConn && gConn->IsOpen());
        QVERIFY(gUser && gUser->UserId > 0);
        QVERIFY(frmMDI::exists() && frmMDI::instance()->isVisible());
        QCOMPARE(gErr->header(), clsInit::ErrorHeader(App::Major(), App::Minor(), App::Revision(),
                                                      QStringLiteral("admin"), gUser->MachineName));
        QCOMPARE(openSessionRows(gConn, gUser->UserId), 1);
        const long userId = gUser->UserId;

        frmMDI::instance()->close();
        QCoreApplication::processEvents();
        QVERIFY(!gConn);
        QVERIFY(!gUser);
        ConnectionPtr check = db.openAnother();
        QCOMPARE(openSessionRows(check, userId), 0);
        Recordset upgraded;
        QVERIFY(upgraded.Open(QStringLiteral("SELECT ARXEIOTHETHSH, PERILIPSI_EIS FROM PROTOCOL"), check));
    }

    void closeDownTwice_data() { TestDatabase::addBackendRows(); }
    void closeDownTwice() {
        TEST_REGISTER(db);
        QVERIFY(db.conn()->Execute(
            QStringLiteral("INSERT INTO USER_LOG (USER_ID, LOGIN_TIME) VALUES (7, getdate())")));
        QVERIFY(db.conn()->Execute(
            QStringLiteral("INSERT INTO USER_LOG (USER_ID, LOGIN_TIME) VALUES (8, getdate())")));
        SqliteSupport::setClock(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 30)));
        gErr = std::make_unique<cls_Error>();
        gConn = db.conn();
        gUser = std::make_shared<cls_User>();
        gUser->UserId = 7;

        modMain::CloseDown();
        QVERIFY(!gConn);
        QVERIFY(!gUser);
        QVERIFY(!db.conn()->IsOpen());
        modMain::CloseDown();  // nothing left to close: must not touch the cleared connection

        ConnectionPtr check = db.openAnother();
        QVERIFY(check);
        QCOMPARE(openSessionRows(check, 7), 0);
        QCOMPARE(openSessionRows(check, 8), 1);  // another user's session is left alone
        if (db.backend() == Backend::SQLite) {
            QCOMPARE(DBHelper::LookupValue(check, QStringLiteral("USER_LOG"), QStringLiteral("USER_ID=7"),
                                           QStringLiteral("LOGOUT_TIME"), 0, QStringLiteral(",")),
                     QStringLiteral("31/12/2026 23:59:30"));
        }
    }

    void logoutWithoutUserDoesNothing() {
        AnswerQueues answers;
        gErr = std::make_unique<cls_Error>();
        modMain::LogoutUser();
        gUser = std::make_shared<cls_User>();  // a failed log-in leaves id 0
        modMain::LogoutUser();
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    void logoutFailureReported() {
        AnswerQueues answers;
        gErr = std::make_unique<cls_Error>();
        gUser = std::make_shared<cls_User>();
        gUser->UserId = 3;  // but no connection
        modMain::CloseDown();
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY(MsgBoxHook::Log().first().prompt.startsWith(QStringLiteral("#Logout_User\r\n")));
        QVERIFY(!gUser);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
