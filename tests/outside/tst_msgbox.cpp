#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <memory>

#include "App.h"
#include "CommonDialog.h"
#include "MsgBox.h"
#include "TestSupport.h"

class TestMsgBox : public QObject {
    Q_OBJECT

private slots:
    void init() { App::SetTitle(QStringLiteral("Πρωτόκολλο")); }

    void defaultAnswer_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("answer");
        QTest::newRow("OK only") << int(vb::vbOKOnly) << int(vb::vbOK);
        QTest::newRow("OK only, 2nd default") << vb::vbOKOnly + vb::vbDefaultButton2 << int(vb::vbOK);
        QTest::newRow("OK Cancel") << int(vb::vbOKCancel) << int(vb::vbOK);
        QTest::newRow("OK Cancel, 2nd") << vb::vbOKCancel + vb::vbDefaultButton2 << int(vb::vbCancel);
        QTest::newRow("Abort Retry Ignore") << int(vb::vbAbortRetryIgnore) << int(vb::vbAbort);
        QTest::newRow("Abort Retry Ignore, 2nd")
            << vb::vbAbortRetryIgnore + vb::vbDefaultButton2 << int(vb::vbRetry);
        QTest::newRow("Abort Retry Ignore, 3rd")
            << vb::vbAbortRetryIgnore + vb::vbDefaultButton3 << int(vb::vbIgnore);
        QTest::newRow("Yes No Cancel") << int(vb::vbYesNoCancel) << int(vb::vbYes);
        QTest::newRow("Yes No Cancel, 2nd, icon")
            << vb::vbYesNoCancel + vb::vbExclamation + vb::vbDefaultButton2 << int(vb::vbNo);
        QTest::newRow("Yes No Cancel, 3rd") << vb::vbYesNoCancel + vb::vbDefaultButton3 << int(vb::vbCancel);
        QTest::newRow("Yes No, question") << vb::vbYesNo + vb::vbQuestion << int(vb::vbYes);
        QTest::newRow("Yes No, 2nd") << vb::vbYesNo + vb::vbDefaultButton2 << int(vb::vbNo);
        QTest::newRow("Yes No, 3rd does not exist") << vb::vbYesNo + vb::vbDefaultButton3 << int(vb::vbYes);
        QTest::newRow("Retry Cancel") << vb::vbRetryCancel + vb::vbCritical << int(vb::vbRetry);
        QTest::newRow("Retry Cancel, 2nd") << vb::vbRetryCancel + vb::vbDefaultButton2 << int(vb::vbCancel);
    }
    void defaultAnswer() {
        QFETCH(int, buttons);
        QFETCH(int, answer);
        QCOMPARE(MsgBoxDefaultAnswer(buttons), answer);
        AnswerQueues answers;
        QCOMPARE(MsgBox(QStringLiteral("?"), buttons), answer);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log().first().answer, answer);
    }

    void recorded() {
        AnswerQueues answers;
        MsgBox(QStringLiteral("Η εφαρμογή \"τρέχει\" ήδη."),
               vb::vbYesNoCancel + vb::vbExclamation + vb::vbDefaultButton2);
        MsgBox(QStringLiteral("Σφάλμα"), vb::vbCritical, QStringLiteral("Kessbo"));
        MsgBox(QStringLiteral("Πληροφορία"));
        const auto& log = MsgBoxHook::Log();
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[0].prompt, QStringLiteral("Η εφαρμογή \"τρέχει\" ήδη."));
        QCOMPARE(log[0].title, QStringLiteral("Πρωτόκολλο"));
        QCOMPARE(log[0].buttonSet(), int(vb::vbYesNoCancel));
        QCOMPARE(log[0].icon(), int(vb::vbExclamation));
        QCOMPARE(log[0].defaultButton(), int(vb::vbDefaultButton2));
        QCOMPARE(log[1].title, QStringLiteral("Kessbo"));
        QCOMPARE(log[1].icon(), int(vb::vbCritical));
        QCOMPARE(log[1].buttonSet(), int(vb::vbOKOnly));
        QCOMPARE(log[2].title, QStringLiteral("Πρωτόκολλο"));
        QCOMPARE(log[2].buttons, int(vb::vbOKOnly));
        QCOMPARE(log[2].icon(), 0);
    }

    void queuedAnswers() {
        AnswerQueues answers;
        MsgBoxHook::QueueAnswer(vb::vbNo);
        MsgBoxHook::QueueAnswer(vb::vbCancel);
        QCOMPARE(MsgBox(QStringLiteral("1"), vb::vbYesNoCancel), int(vb::vbNo));
        QCOMPARE(MsgBox(QStringLiteral("2"), vb::vbYesNoCancel), int(vb::vbCancel));
        QCOMPARE(MsgBox(QStringLiteral("3"), vb::vbYesNoCancel + vb::vbDefaultButton2), int(vb::vbNo));
        QCOMPARE(MsgBoxHook::Log().size(), 3);
    }

    // The hooks, with their logs and queues, end with the AnswerQueues object.
    void hooksEndWithScope() {
        {
            AnswerQueues answers;
            QVERIFY(MsgBoxHook::Installed());
            QVERIFY(CommonDialogHook::Installed());
            MsgBoxHook::QueueAnswer(vb::vbNo);
            CommonDialogHook::QueueAnswer(QStringLiteral("/tmp/a.txt"));
            MsgBox(QStringLiteral("x"));
        }
        QVERIFY(!MsgBoxHook::Installed());
        QVERIFY(!CommonDialogHook::Installed());
        QVERIFY(MsgBoxHook::Log().isEmpty());
        AnswerQueues again;
        QCOMPARE(MsgBox(QStringLiteral("y"), vb::vbYesNo), int(vb::vbYes));
        CommonDialog d;
        d.ShowOpen();
        QVERIFY(d.Canceled);
    }

    // The real box, answered by a key press: default button and close box.
    void realBox_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("defaultCaption");
        QTest::newRow("Enter on 2nd of Yes No") << vb::vbYesNo + vb::vbQuestion + vb::vbDefaultButton2
                                                << int(Qt::Key_Return) << int(vb::vbNo) << "Όχι";
        QTest::newRow("Enter on Yes No Cancel")
            << int(vb::vbYesNoCancel) << int(Qt::Key_Return) << int(vb::vbYes) << "Ναι";
        QTest::newRow("Esc on Yes No Cancel")
            << vb::vbYesNoCancel + vb::vbDefaultButton1 << int(Qt::Key_Escape) << int(vb::vbCancel) << "Ναι";
        QTest::newRow("Esc on OK only")
            << vb::vbOKOnly + vb::vbCritical << int(Qt::Key_Escape) << int(vb::vbOK) << "OK";
        QTest::newRow("Enter on 3rd of Abort Retry Ignore")
            << vb::vbAbortRetryIgnore + vb::vbDefaultButton3 << int(Qt::Key_Return) << int(vb::vbIgnore)
            << "Παράβλεψη";
    }
    void realBox() {
        QFETCH(int, buttons);
        QFETCH(int, key);
        QFETCH(int, answer);
        QFETCH(QString, defaultCaption);
        QString title, text, shownDefault;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer timer;
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            timer.stop();
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            if (box->defaultButton()) shownDefault = box->defaultButton()->text();
            QTest::keyClick(box, Qt::Key(key));
        });
        timer.start();
        QCOMPARE(MsgBox(QStringLiteral("Ερώτηση;"), buttons), answer);
        QCOMPARE(title, QStringLiteral("Πρωτόκολλο"));
        QCOMPARE(text, QStringLiteral("Ερώτηση;"));
        QCOMPARE(shownDefault, defaultCaption);
        const QMap<int, QMessageBox::Icon> icons{{0, QMessageBox::NoIcon},
                                                 {vb::vbCritical, QMessageBox::Critical},
                                                 {vb::vbQuestion, QMessageBox::Question},
                                                 {vb::vbExclamation, QMessageBox::Warning},
                                                 {vb::vbInformation, QMessageBox::Information}};
        QCOMPARE(icon, icons.value(buttons & 0x70));
    }

    void qtFilter_data() {
        QTest::addColumn<QString>("vbFilter");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("patterns");
        QTest::newRow("two pairs") << "Κείμενο (*.txt)|*.txt|Όλα (*.*)|*.*"
                                   << QStringList{"Κείμενο (*.txt)", "Όλα (*.*)"}
                                   << QStringList{"*.txt", "*.*"};
        QTest::newRow("several patterns")
            << "Έγγραφα|*.doc;*.rtf" << QStringList{"Έγγραφα"} << QStringList{"*.doc *.rtf"};
        QTest::newRow("name without pattern dropped")
            << "CSV|*.csv|Μόνο όνομα" << QStringList{"CSV"} << QStringList{"*.csv"};
        QTest::newRow("empty") << "" << QStringList{} << QStringList{};
    }
    void qtFilter() {
        QFETCH(QString, vbFilter);
        QFETCH(QStringList, names);
        QFETCH(QStringList, patterns);
        const QString qt = CommonDialog::QtFilter(vbFilter);
        const QStringList entries = qt.isEmpty() ? QStringList() : qt.split(QStringLiteral(";;"));
        QCOMPARE(entries.size(), names.size());
        // Qt reads the patterns from the last parentheses of each entry.
        for (int i = 0; i < entries.size(); ++i) {
            QVERIFY2(entries[i].startsWith(names[i]), qPrintable(entries[i]));
            QVERIFY2(entries[i].endsWith(QLatin1Char('(') + patterns[i] + QLatin1Char(')')),
                     qPrintable(entries[i]));
        }
    }

    void commonDialogHook() {
        AnswerQueues answers;
        CommonDialogHook::QueueAnswer(QStringLiteral("/tmp/ProtocolExport-20240101-0930.csv"));
        CommonDialog save;
        save.DialogTitle = QStringLiteral("Εξαγωγή");
        save.Filter = QStringLiteral("CSV (*.csv)|*.csv");
        save.InitDir = QStringLiteral("/tmp");
        save.FileName = QStringLiteral("ProtocolExport-20240101-0930.csv");
        save.ShowSave();
        QVERIFY(!save.Canceled);
        QCOMPARE(save.FileName, QStringLiteral("/tmp/ProtocolExport-20240101-0930.csv"));

        CommonDialogHook::QueueAnswer(QString());  // the user cancels
        CommonDialog open;
        open.FileName = QStringLiteral("old.doc");
        open.ShowOpen();
        QVERIFY(open.Canceled);
        QVERIFY(open.FileName.isEmpty());

        open.ShowOpen();  // nothing queued: cancelled too
        QVERIFY(open.Canceled);

        const auto& log = CommonDialogHook::Log();
        QCOMPARE(log.size(), 3);
        QVERIFY(log[0].save);
        QCOMPARE(log[0].title, QStringLiteral("Εξαγωγή"));
        QCOMPARE(log[0].filter, QStringLiteral("CSV (*.csv)|*.csv"));
        QCOMPARE(log[0].initDir, QStringLiteral("/tmp"));
        QCOMPARE(log[0].fileName, QStringLiteral("ProtocolExport-20240101-0930.csv"));
        QVERIFY(!log[1].save);
        QCOMPARE(log[1].fileName, QStringLiteral("old.doc"));
    }

    // Qt's own file dialog: opened where the start path says, with the proposed name, its dates
    // in the regional patterns rather than the system locale's ("3 Feb 2024" under C) and its sizes
    // with a decimal comma ("17.03 KiB" under C).
    void qtFileDialog_data() {
        QTest::addColumn<bool>("save");
        QTest::newRow("open") << false;
        QTest::newRow("save") << true;
    }
    void qtFileDialog() {
        QFETCH(bool, save);
        TempSettings settings;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("έγγραφο.pdf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(17439, 'x')) == 17439 && file.flush());
        QVERIFY(file.setFileTime(QDateTime(QDate(2024, 2, 3), QTime(9, 5, 7)),
                                 QFileDevice::FileModificationTime));
        file.close();

        const std::unique_ptr<QFileDialog> dialog(CommonDialog::NewQtDialog(
            nullptr, QStringLiteral("Άνοιγμα"), path, QStringLiteral("PDF (*.pdf)"), save));
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        QCOMPARE(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        QCOMPARE(dialog->fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), QStringLiteral("έγγραφο.pdf"));
        dialog->setViewMode(QFileDialog::Detail);
        dialog->show();
        auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(view);
        QModelIndex row;
        QTRY_VERIFY((row =
                         [&] {
                             const QModelIndex root = view->rootIndex();
                             for (int r = 0; r < view->model()->rowCount(root); ++r)
                                 if (view->model()->index(r, 0, root).data().toString() ==
                                     QStringLiteral("έγγραφο.pdf"))
                                     return view->model()->index(r, 3, root);
                             return QModelIndex();
                         }())
                        .isValid());
        QCOMPARE(row.data().toString(), QStringLiteral("03/02/2024 09:05:07"));
        QCOMPARE(row.siblingAtColumn(1).data().toString(), QStringLiteral("17,03 KiB"));
    }
};

QTEST_MAIN(TestMsgBox)
#include "tst_msgbox.moc"
