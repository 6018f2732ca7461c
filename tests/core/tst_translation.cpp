#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "resources.h"

// Qt's own dialogs that the program shows speak Greek once the catalogue is installed.
class TestTranslation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(Resources::InstallQtTranslation()); }

    void fileDialog() {
        QFileDialog dlg(nullptr, QStringLiteral("Άνοιγμα"), QDir::tempPath(), QStringLiteral("Όλα (*)"));
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.findChild<QLabel*>("lookInLabel")->text(), QStringLiteral("Αναζήτηση σε:"));
        QCOMPARE(dlg.findChild<QLabel*>("fileNameLabel")->text(), QStringLiteral("Ό&νομα αρχείου:"));
        QCOMPARE(dlg.findChild<QLabel*>("fileTypeLabel")->text(), QStringLiteral("Αρχεία τύπου:"));
        auto* buttons = dlg.findChild<QDialogButtonBox*>("buttonBox");
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Άκυρο"));
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("Άν&οιγμα"));
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        QCOMPARE(buttons->button(QDialogButtonBox::Save)->text(), QStringLiteral("&Αποθήκευση"));
    }

    // The edit menu of every text box.
    void editMenu() {
        QLineEdit box;
        std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
        QStringList texts;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) texts << a->text().section('\t', 0, 0);
        QVERIFY2(texts.contains(QStringLiteral("Ε&πικόλληση")), qPrintable(texts.join(',')));
        QVERIFY2(texts.contains(QStringLiteral("Επιλογή όλων")), qPrintable(texts.join(',')));
    }
};

QTEST_MAIN(TestTranslation)
#include "tst_translation.moc"
