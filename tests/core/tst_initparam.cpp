#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "App.h"
#include "Err.h"
#include "MsgBox.h"
#include "SettingsStore.h"
#include "TestDatabase.h"
#include "TestSupport.h"
#include "clsInit.h"
#include "frmInitParam.h"
#include "modDeclare.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");
const QString kAbsent = QStringLiteral("<absent>");
const QString kServerMsg = QStringLiteral("Πρέπει να συμπληρώσετε το όνομα του db Server");
const QString kCancelMsg =
    QStringLiteral("Δεν μπορεί να εκτελεστεί η εφαρμογή αν δεν συμπληρώσετε το όνομα το database Server !");

QString machineValue(const QString& name) {
    return SettingsStore::GetValue(kSection, name, kAbsent, false);
}

void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

// How a test leaves the dialog.
enum class Leave { OK, CancelButton, CloseBox, Escape };

void leave(frmInitParam* dlg, Leave how) {
    switch (how) {
        case Leave::OK:
            QTest::mouseClick(dlg->cmdAction[1], Qt::LeftButton);
            break;
        case Leave::CancelButton:
            QTest::mouseClick(dlg->cmdAction[0], Qt::LeftButton);
            break;
        case Leave::CloseBox:
            dlg->close();
            break;
        case Leave::Escape:
            QTest::keyClick(dlg->txt[0], Qt::Key_Escape);
            break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(Leave)

class TestInitParam : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> m_session;

private slots:
    void init() { m_session = std::make_unique<TestSession>(); }
    void cleanup() { m_session.reset(); }

    void controls() {
        frmInitParam dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Αρχικές ρυθμίσεις εφαρμογής"));
        const struct {
            const char* name;
            QString text;
        } expected[] = {
            {"lblPassword(0)", QStringLiteral("Όνομα Database Server")},
            {"lblPassword(1)", QStringLiteral("Ονομασία οργανισμού (για επικεφαλίδες εκτυπώσεων)")},
            {"cmdAction(1)", QStringLiteral("\u039F\u039A")},
            {"cmdAction(0)", QStringLiteral("Ακύρωση")},
        };
        for (const auto& e : expected) {
            QWidget* w = dlg.findChild<QWidget*>(QLatin1String(e.name));
            QVERIFY2(w, e.name);
            QCOMPARE(w->accessibleDescription(), QLatin1String(e.name));
            const QString text = qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text()
                                                          : qobject_cast<QPushButton*>(w)->text();
            QCOMPARE(text, e.text);
        }
        QCOMPARE(dlg.findChild<QWidget*>(QStringLiteral("Frame1")), static_cast<QWidget*>(dlg.Frame1));
        QCOMPARE(dlg.Frame1->accessibleDescription(), QStringLiteral("Frame1"));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("txt(%1)").arg(i)), dlg.txt[i]);
            QCOMPARE(dlg.txt[i]->accessibleDescription(), QStringLiteral("txt(%1)").arg(i));
            QCOMPARE(dlg.txt[i]->accessibleName(), dlg.lblPassword[i]->text());
            QCOMPARE(dlg.lblPassword[i]->buddy(), dlg.txt[i]);
        }
        // The server is this computer until the user says otherwise.
        QCOMPARE(dlg.ServerName(), QSysInfo::machineHostName());
        QCOMPARE(dlg.Logo(), QString());
    }

    void okTrims_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("logo");
        QTest::addColumn<QString>("serverName");
        QTest::addColumn<QString>("logoName");
        QTest::newRow("blanks around both") << "  SRV1  "
                                            << "  Δήμος Αθηναίων  "
                                            << "SRV1"
                                            << "Δήμος Αθηναίων";
        QTest::newRow("no organisation") << "srv\\inst"
                                         << ""
                                         << "srv\\inst"
                                         << "";
    }
    void okTrims() {
        QFETCH(QString, server);
        QFETCH(QString, logo);
        QFETCH(QString, serverName);
        QFETCH(QString, logoName);
        frmInitParam dlg;
        dlg.show();
        retype(dlg.txt[0], server);
        retype(dlg.txt[1], logo);
        leave(&dlg, Leave::OK);
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.Canceled());
        QCOMPARE(dlg.ServerName(), serverName);
        QCOMPARE(dlg.Logo(), logoName);
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    // An empty server name is refused and the dialog stays open; the organisation is not trimmed then.
    void emptyServerRefused_data() {
        QTest::addColumn<QString>("server");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
    }
    void emptyServerRefused() {
        QFETCH(QString, server);
        frmInitParam dlg;
        dlg.show();
        retype(dlg.txt[0], server);
        retype(dlg.txt[1], QStringLiteral(" Οργανισμός "));
        leave(&dlg, Leave::OK);
        QVERIFY(dlg.isVisible());
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log()[0].prompt, kServerMsg);
        QCOMPARE(MsgBoxHook::Log()[0].buttons, int(vb::vbCritical));
        QCOMPARE(dlg.txt[0]->text(), QString());
        QCOMPARE(dlg.Logo(), QStringLiteral(" Οργανισμός "));

        typeText(dlg.txt[0], QStringLiteral("SRV1"));
        leave(&dlg, Leave::OK);
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.Canceled());
        QCOMPARE(dlg.ServerName(), QStringLiteral("SRV1"));
    }

    // Every way out saves the place; all but OK count as cancelled.
    void leaveAndLayout_data() {
        QTest::addColumn<Leave>("how");
        QTest::addColumn<bool>("canceled");
        QTest::newRow("OK") << Leave::OK << false;
        QTest::newRow("cancel button") << Leave::CancelButton << true;
        QTest::newRow("close box") << Leave::CloseBox << true;
        QTest::newRow("Esc") << Leave::Escape << true;
    }
    void leaveAndLayout() {
        QFETCH(Leave, how);
        QFETCH(bool, canceled);
        const QRect moved(100, 80, 600, 420);
        {
            auto dlg = std::make_unique<frmInitParam>();
            QCOMPARE(QRect(dlg->pos(), dlg->size()), QRect(0, 0, 548, 371));  // 8220 x 5565 twips
            dlg->show();
            QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
            dlg->setGeometry(moved);
            leave(dlg.get(), how);
            QVERIFY(!dlg->isVisible());
            QCOMPARE(dlg->Canceled(), canceled);
        }
        QCOMPARE(SettingsStore::GetValue(kSection + QStringLiteral("\\frmInitParam"), QStringLiteral("Width"),
                                         QString(), true),
                 QStringLiteral("9000"));
        frmInitParam again;
        QCOMPARE(again.geometry(), moved);
    }

    // A ConnStr without "?" is taken as it is, however wrong.
    void noPrompt_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("server named") << "server=SRV;database=REG";
        QTest::newRow("blanks around") << "  server=SRV;database=REG  ";
        QTest::newRow("nonsense") << "nonsense";
    }
    void noPrompt() {
        QFETCH(QString, stored);
        SettingsStore::SaveValue(kSection, QStringLiteral("ConnStr"), stored, false);
        ModalDriver<frmInitParam> driver([](frmInitParam* dlg) { dlg->reject(); });
        QVERIFY(clsInit().Registry_Valid());
        QVERIFY(!driver.shown());
        QCOMPARE(machineValue(QStringLiteral("ConnStr")), stored);
        QCOMPARE(machineValue(QStringLiteral("Logo1")), kAbsent);
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    void prompt_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("logo");
        QTest::addColumn<QString>("connStr");
        QTest::addColumn<QString>("logo1");
        QTest::newRow("one ?") << "server=?;database=REG"
                               << "SRV1"
                               << "Δήμος Αθηναίων"
                               << "server=SRV1;database=REG"
                               << "Δήμος Αθηναίων";
        QTest::newRow("two ?") << "server=?;database=?_REG"
                               << "SRV1"
                               << ""
                               << "server=SRV1;database=SRV1_REG"
                               << "";
        QTest::newRow("trimmed") << "  server=?\\SQL;database=REG  "
                                 << "  srv1  "
                                 << "  Οργανισμός  "
                                 << "server=srv1\\SQL;database=REG"
                                 << "Οργανισμός";
        QTest::newRow("absent") << kAbsent << "SRV1"
                                << "Org"
                                << "SRV1"
                                << "Org";
    }
    void prompt() {
        QFETCH(QString, stored);
        QFETCH(QString, server);
        QFETCH(QString, logo);
        QFETCH(QString, connStr);
        QFETCH(QString, logo1);
        if (stored != kAbsent) SettingsStore::SaveValue(kSection, QStringLiteral("ConnStr"), stored, false);
        ModalDriver<frmInitParam> driver([&](frmInitParam* dlg) {
            retype(dlg->txt[0], server);
            retype(dlg->txt[1], logo);
            leave(dlg, Leave::OK);
        });
        QVERIFY(clsInit().Registry_Valid());
        QVERIFY(driver.shown());
        QCOMPARE(machineValue(QStringLiteral("ConnStr")), connStr);
        QCOMPARE(machineValue(QStringLiteral("Logo1")), logo1);
        QCOMPARE(SettingsStore::GetValue(kSection, QStringLiteral("ConnStr"), kAbsent, true), kAbsent);
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    void cancel_data() {
        QTest::addColumn<Leave>("how");
        QTest::newRow("cancel button") << Leave::CancelButton;
        QTest::newRow("close box") << Leave::CloseBox;
        QTest::newRow("Esc") << Leave::Escape;
    }
    void cancel() {
        QFETCH(Leave, how);
        const QString stored = QStringLiteral("server=?;database=REG");
        SettingsStore::SaveValue(kSection, QStringLiteral("ConnStr"), stored, false);
        ModalDriver<frmInitParam> driver([how](frmInitParam* dlg) {
            retype(dlg->txt[0], QStringLiteral("SRV1"));
            leave(dlg, how);
        });
        QVERIFY(!clsInit().Registry_Valid());
        QVERIFY(driver.shown());
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log()[0].prompt, kCancelMsg);
        QCOMPARE(MsgBoxHook::Log()[0].buttons, int(vb::vbCritical));
        QCOMPARE(MsgBoxHook::Log()[0].title, App::Title());
        QCOMPARE(machineValue(QStringLiteral("ConnStr")), stored);
        QCOMPARE(machineValue(QStringLiteral("Logo1")), kAbsent);
    }

    // The session values, read by the session set-up.
    void loadSettings_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("param");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            for (const char* param : {"PFOLD row", "no PFOLD row", "no PARAM table"})
                QTest::newRow(qPrintable(tag + QLatin1Char(' ') + QLatin1String(param))) << tag << param;
        }
    }
    void loadSettings() {
        using namespace modDeclare;
        QFETCH(QString, param);
        TEST_DATABASE(db);
        if (param != QLatin1String("no PARAM table")) {
            QVERIFY(db.conn()->Execute(QStringLiteral(
                "CREATE TABLE PARAM (PCODE varchar(10) PRIMARY KEY, PVAL varchar(250), MODUSER int)")));
            QVERIFY(db.conn()->Execute(QStringLiteral("INSERT INTO PARAM VALUES ('PCHK', '10', 1)")));
        }
        if (param == QLatin1String("PFOLD row"))
            QVERIFY(db.conn()->Execute(
                QStringLiteral("INSERT INTO PARAM VALUES ('PFOLD', '\\\\srv\\Έγγραφα', 1)")));
        QTemporaryDir folder;
        App::SetPath(folder.path() + QLatin1Char('/'));
        SettingsStore::SaveValue(kSection, QStringLiteral("Logo1"), QStringLiteral("Δήμος Αθηναίων"), false);
        SettingsStore::SaveValue(kSection, QStringLiteral("Logo2"), QStringLiteral("Τμήμα Πρωτοκόλλου"),
                                 false);
        SettingsStore::SaveValue(kSection, QStringLiteral("Logo2"), QStringLiteral("per user, not read"),
                                 true);
        gConn = db.conn();
        gDocsFolder = QStringLiteral("before");

        QVERIFY(clsInit().Init_Application());
        QCOMPARE(gLogoFile, folder.path() + QStringLiteral("/Logo1.bmp"));
        QCOMPARE(gLogo1, QStringLiteral("Δήμος Αθηναίων"));
        QCOMPARE(gLogo2, QStringLiteral("Τμήμα Πρωτοκόλλου"));
        QCOMPARE(gDocsFolder,
                 param == QLatin1String("PFOLD row") ? QStringLiteral("\\\\srv\\Έγγραφα") : QString());
        QVERIFY(!Err().Pending());
    }

    void loadSettingsDefaults() {
        using namespace modDeclare;
        App::SetPath(QStringLiteral("/opt/protocol"));
        gLogo1 = gLogo2 = QStringLiteral("before");
        QVERIFY(clsInit().Init_Application());
        QCOMPARE(gLogoFile, QStringLiteral("/opt/protocol/Logo1.bmp"));
        QCOMPARE(gLogo1, QString());
        QCOMPARE(gLogo2, QString());
        QCOMPARE(gDocsFolder, QString());
    }
};

QTEST_MAIN(TestInitParam)
#include "tst_initparam.moc"
