#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "FormLayout.h"
#include "TestSupport.h"
#include "frmRptProtGroup.h"
#include "frmRptProtocol.h"

class TestRptDialogs : public QObject {
    Q_OBJECT
    std::unique_ptr<TempSettings> m_settings;

private slots:
    void init() { m_settings = std::make_unique<TempSettings>(); }
    void cleanup() { m_settings.reset(); }

    void printTypeControls() {
        frmRptProtocol dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Εκτύπωση Πρωτοκόλλου"));
        QCOMPARE(dlg.Frame1->title(), QStringLiteral("Επιλέξτε τύπο εκτύπωσης "));
        const QString options[4] = {
            QStringLiteral("Αναλυτική εκτύπωση"), QStringLiteral("Συγκεντρωτική εκτύπωση"),
            QStringLiteral("Εκτύπωση βεβαίωσης"), QStringLiteral("Εκτύπωση βεβαίωσεων")};
        const QString notes[4] = {
            QStringLiteral("Για τις επιλεγμένες ή όλες τις εγγραφές Πρωτοκόλλου"),
            QStringLiteral(
                "Σύνολα ανά τύπο εισερχόμενου, τύπο εξερχόμενου, προέλευση (από), προορισμό (προς), "
                "υπεύθυνη μονάδα"),
            QStringLiteral("Για την τρέχουσα εγγραφή Πρωτοκόλλου"),
            QStringLiteral("Για κάθε εγγραφή Πρωτοκόλλου")};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(dlg.findChild<QRadioButton*>(QStringLiteral("optRpt(%1)").arg(i)), dlg.optRpt[i]);
            QCOMPARE(dlg.optRpt[i]->text(), options[i]);
            QCOMPARE(dlg.lbl[i]->text(), notes[i]);
            QCOMPARE(dlg.optRpt[i]->isChecked(), i == 2);  // the current entry's receipt
        }
        QCOMPARE(dlg.cmdAction[0]->text(), QStringLiteral("\u039F\u039A"));  // Greek Omicron Kappa
        QCOMPARE(dlg.cmdAction[1]->text(), QStringLiteral("Έξοδος"));
        QVERIFY(dlg.cmdAction[0]->isDefault());
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cmdAction(1)")), dlg.cmdAction[1]);
    }

    // How the dialog is left, and the selection it then gives.
    void printTypeSelection_data() {
        QTest::addColumn<int>("option");  // -1: leave the options as they open
        QTest::addColumn<QString>("way");
        QTest::addColumn<long>("selection");
        QTest::addColumn<bool>("canceled");
        QTest::newRow("as opened, ΟΚ") << -1 << "ok" << 3L << false;
        QTest::newRow("detailed") << 0 << "ok" << 1L << false;
        QTest::newRow("totals") << 1 << "ok" << 2L << false;
        QTest::newRow("receipt") << 2 << "ok" << 3L << false;
        QTest::newRow("receipts") << 3 << "ok" << 4L << false;
        QTest::newRow("Enter presses ΟΚ") << 0 << "enter" << 1L << false;
        QTest::newRow("Space as opened, then Enter") << -1 << "space" << 3L << false;
        QTest::newRow("Έξοδος") << 0 << "exit" << 0L << true;
        QTest::newRow("close box") << 3 << "close" << 0L << true;
        QTest::newRow("Esc") << 1 << "esc" << 0L << true;
    }
    void printTypeSelection() {
        QFETCH(int, option);
        QFETCH(QString, way);
        QFETCH(long, selection);
        QFETCH(bool, canceled);
        frmRptProtocol dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        if (option >= 0) QTest::mouseClick(dlg.optRpt[option], Qt::LeftButton, {}, QPoint(5, 5));
        if (way == QLatin1String("ok")) QTest::mouseClick(dlg.cmdAction[0], Qt::LeftButton);
        if (way == QLatin1String("exit")) QTest::mouseClick(dlg.cmdAction[1], Qt::LeftButton);
        if (way == QLatin1String("close")) dlg.close();
        if (way == QLatin1String("esc")) QTest::keyClick(&dlg, Qt::Key_Escape);
        if (way == QLatin1String("enter")) QTest::keyClick(dlg.optRpt[option], Qt::Key_Return);
        if (way == QLatin1String("space")) {
            // The keys act on the choice that is ticked.
            QCOMPARE(QApplication::focusWidget(), dlg.optRpt[2]);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.Rpt_Selection(), selection);
        QCOMPARE(dlg.Canceled(), canceled);
    }

    void printTypeNoneChosen() {
        frmRptProtocol dlg;
        dlg.optRpt[2]->setAutoExclusive(false);
        dlg.optRpt[2]->setChecked(false);
        QTest::mouseClick(dlg.cmdAction[0], Qt::LeftButton);
        QVERIFY(!dlg.Canceled());
        QCOMPARE(dlg.Rpt_Selection(), 0L);
    }

    void totalsControls() {
        frmRptProtGroup dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Εκτύπωση Συνόλων"));
        const QString crlf = QStringLiteral("\r\n");
        QCOMPARE(dlg.lbl->text(),
                 QStringLiteral("Για τις επιλεγμένες εγγραφές Πρωτοκόλλου, εκτυπώνονται τα σύνολα: ") + crlf +
                     crlf + QStringLiteral("* A") /* Latin A */ + QStringLiteral("νά τύπο εισερχόμενου") +
                     crlf + QStringLiteral("* Ανά τύπο εξερχόμενου") + crlf +
                     QStringLiteral("* Ανά προέλευση (από)") + crlf +
                     QStringLiteral("* Ανά προορισμό (προς)") + crlf +
                     QStringLiteral("* Ανά υπεύθυνη μονάδα"));
        const QString captions[4] = {QStringLiteral("Εκτύπωση"), QStringLiteral("Προεπισκόπηση"),
                                     QStringLiteral("Ρυθμίσεις Εκτύπωσης"), QStringLiteral("Ακύρωση")};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cmdAction(%1)").arg(i)), dlg.cmdAction[i]);
            QCOMPARE(dlg.cmdAction[i]->text(), captions[i]);
        }
        QVERIFY(dlg.cmdAction[0]->isDefault());
        QCOMPARE(dlg.Action(), long(frmRptProtGroup::actCancel));
    }

    void totalsAction_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<long>("action");
        QTest::addColumn<bool>("canceled");
        QTest::newRow("Εκτύπωση") << "0" << 3L << false;
        QTest::newRow("Προεπισκόπηση") << "1" << 2L << false;
        QTest::newRow("Ρυθμίσεις Εκτύπωσης") << "2" << 7L << false;
        QTest::newRow("Ακύρωση") << "3" << 1L << true;
        QTest::newRow("Enter") << "enter" << 3L << false;
        QTest::newRow("Esc") << "esc" << 1L << true;
        QTest::newRow("close box") << "close" << 1L << true;
        QTest::newRow("close box after page set-up") << "2,close" << 1L << true;
        QTest::newRow("preview after page set-up") << "2,1" << 2L << false;
    }
    void totalsAction() {
        QFETCH(QString, way);
        QFETCH(long, action);
        QFETCH(bool, canceled);
        frmRptProtGroup dlg;
        for (const QString& step : way.split(u',')) {
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            if (step == QLatin1String("enter"))
                QTest::keyClick(&dlg, Qt::Key_Return);
            else if (step == QLatin1String("esc"))
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else if (step == QLatin1String("close"))
                dlg.close();
            else
                QTest::mouseClick(dlg.cmdAction[step.toInt()], Qt::LeftButton);
            QVERIFY(!dlg.isVisible());
        }
        QCOMPARE(dlg.Action(), action);
        QCOMPARE(dlg.Canceled(), canceled);
    }

    // The dialog opens where it was last closed, at its own size.
    void totalsPlace() {
        QSize designed;
        {
            frmRptProtGroup dlg;
            designed = dlg.size();
            dlg.move(140, 90);
        }
        frmRptProtGroup again;
        QCOMPARE(again.pos(), QPoint(140, 90));
        QCOMPARE(again.size(), designed);
    }
};

QTEST_MAIN(TestRptDialogs)
#include "tst_rptdialogs.moc"
