#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "App.h"
#include "MsgBox.h"
#include "TestSupport.h"
#include "frm_Psw.h"

namespace {
const QString kSame = QStringLiteral("Πρέπει να δώσετε διαφορετικό Κωδικό από τον προηγούμενο.");
// Latin capital O first.
const QString kShort = QStringLiteral("O Κωδικός πρεπει να έχει τουλάχιστον 5 χαρακτήρες.");
const QString kRetype = QStringLiteral("Πρέπει να επαναπληκτρολογήσετε τον Κωδικό.");
const QString kExactly =
    QStringLiteral("Πρέπει να επαναπληκτρολογήσετε τον Κωδικό ακριβώς όπως στο πρώτο πλαίσιο.");
}  // namespace

class TestPsw : public QObject {
    Q_OBJECT
    std::unique_ptr<AnswerQueues> m_answers;

private slots:
    void init() {
        m_answers = std::make_unique<AnswerQueues>();
        App::SetTitle(QStringLiteral("Πρωτόκολλο"));
    }
    void cleanup() { m_answers.reset(); }

    void controls() {
        frm_Psw dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Νέος Κωδικός ασφαλείας"));
        QCOMPARE(dlg.Frame1->objectName(), QStringLiteral("Frame1"));
        const QString captions[2] = {QStringLiteral("Κωδικός ασφαλείας"),
                                     QStringLiteral("Πληκτρολογήστε πάλι τον Κωδικό ασφαλείας")};
        for (int i = 0; i < 2; ++i) {
            const QString box = QStringLiteral("txtPsw(%1)").arg(i);
            QCOMPARE(dlg.findChild<QLineEdit*>(box), dlg.txtPsw[i]);
            QCOMPARE(dlg.txtPsw[i]->accessibleDescription(), box);
            dlg.txtPsw[i]->setText(QStringLiteral("κλ1"));
            QCOMPARE(dlg.txtPsw[i]->displayText(), QStringLiteral("***"));
            QCOMPARE(dlg.txtPsw[i]->accessibleName(), captions[i]);
            QCOMPARE(dlg.lblPassword[i]->text(), captions[i]);
            QCOMPARE(dlg.lblPassword[i]->buddy(), dlg.txtPsw[i]);
            QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cmdAction(%1)").arg(i)), dlg.cmdAction[i]);
        }
        QCOMPARE(dlg.cmdAction[0]->text(), QStringLiteral("Ακύρωση"));
        QCOMPARE(dlg.cmdAction[1]->text(), QStringLiteral("\u039F\u039A"));  // Greek Omicron Kappa
        QVERIFY(dlg.cmdAction[1]->isDefault());
    }

    // The checks in their order; "" as message means accepted.
    void checks_data() {
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("box0");
        QTest::addColumn<QString>("box1");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::addColumn<QString>("box0After");
        QTest::addColumn<QString>("newPsw");

        QTest::newRow("accepted, upper-cased") << "OLD12"
                                               << "neos1"
                                               << "NEOS1"
                                               << "" << -1 << "neos1"
                                               << "NEOS1";
        QTest::newRow("inner spaces removed and written back") << "OLD12"
                                                               << " ne os 1 "
                                                               << "neos1"
                                                               << "" << -1 << "neos1"
                                                               << "NEOS1";
        QTest::newRow("second box trimmed") << "OLD12"
                                            << "neos1"
                                            << "  neos1  "
                                            << "" << -1 << "neos1"
                                            << "NEOS1";
        QTest::newRow("second box keeps inner spaces") << "OLD12"
                                                       << "ne os1"
                                                       << "ne os1" << kExactly << 1 << "neos1"
                                                       << "";
        QTest::newRow("upper-case old in any case") << "PALIOS"
                                                    << "palios"
                                                    << "palios" << kSame << 0 << "palios"
                                                    << "";
        QTest::newRow("mixed-case old is different") << "Palios"
                                                     << "palios"
                                                     << "palios"
                                                     << "" << -1 << "palios"
                                                     << "PALIOS";
        QTest::newRow("four characters, before the second box") << "OLD12"
                                                                << "abcd"
                                                                << "" << kShort << 0 << "abcd"
                                                                << "";
        QTest::newRow("four after spaces go") << "OLD12"
                                              << "ab cd"
                                              << "ab cd" << kShort << 0 << "abcd"
                                              << "";
        QTest::newRow("second box empty") << "OLD12"
                                          << "abcde"
                                          << "" << kRetype << 1 << "abcde"
                                          << "";
        QTest::newRow("second box only blanks") << "OLD12"
                                                << "abcde"
                                                << "  " << kExactly << 1 << "abcde"
                                                << "";
        QTest::newRow("second box differs") << "OLD12"
                                            << "abcde"
                                            << "abcdf" << kExactly << 1 << "abcde"
                                            << "";
        QTest::newRow("Greek, upper-cased") << "OLD12"
                                            << "κωδικός"
                                            << "ΚΩΔΙΚΌΣ"
                                            << "" << -1 << "κωδικός"
                                            << "ΚΩΔΙΚΌΣ";
    }
    void checks() {
        QFETCH(QString, old);
        QFETCH(QString, box0);
        QFETCH(QString, box1);
        QFETCH(QString, message);
        QFETCH(int, focus);
        QFETCH(QString, box0After);
        QFETCH(QString, newPsw);

        frm_Psw dlg;
        dlg.setOldPsw(old);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        typeText(dlg.txtPsw[0], box0);
        typeText(dlg.txtPsw[1], box1);
        QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);

        QCOMPARE(dlg.txtPsw[0]->text(), box0After);
        QCOMPARE(dlg.newPsw(), newPsw);
        if (message.isEmpty()) {
            QVERIFY(MsgBoxHook::Log().isEmpty());
            QVERIFY(!dlg.isVisible());
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
        } else {
            QCOMPARE(MsgBoxHook::Log().size(), 1);
            QCOMPARE(MsgBoxHook::Log()[0].prompt, message);
            QCOMPARE(MsgBoxHook::Log()[0].buttons, int(vb::vbExclamation));
            QCOMPARE(MsgBoxHook::Log()[0].title, App::Title());
            QVERIFY(dlg.isVisible());
            QCOMPARE(dlg.focusWidget(), dlg.txtPsw[focus]);
        }
    }

    // Every way out but "ΟΚ" gives no password, even when the boxes hold a good one.
    void cancel_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel button") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancel() {
        QFETCH(int, how);
        frm_Psw dlg;
        dlg.setOldPsw(QStringLiteral("OLD12"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        typeText(dlg.txtPsw[0], QStringLiteral("neos1"));
        typeText(dlg.txtPsw[1], QStringLiteral("neos1"));
        if (how == 0) QTest::mouseClick(dlg.cmdAction[0], Qt::LeftButton);
        if (how == 1) QTest::keyClick(dlg.txtPsw[1], Qt::Key_Escape);
        if (how == 2) dlg.close();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.newPsw(), QString());
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    // A refused try leaves nothing behind for a later cancel.
    void refusedThenCancelled() {
        frm_Psw dlg;
        dlg.setOldPsw(QStringLiteral("OLD12"));
        dlg.show();
        typeText(dlg.txtPsw[0], QStringLiteral("neos1"));
        QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QTest::mouseClick(dlg.cmdAction[0], Qt::LeftButton);
        QCOMPARE(dlg.newPsw(), QString());
    }
};

QTEST_MAIN(TestPsw)
#include "tst_psw.moc"
