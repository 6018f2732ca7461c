#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "CommonDialog.h"
#include "Err.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "cls_GetFileName.h"
#include "frm_SelectFolder.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol\\frm_SelectFolder");
const QString kRegisterTypes = QStringLiteral("*.xls;*.xlsx;*.doc;*.docx;*.rtf;*.bmp;*.jpg;*.pdf;*.png");

QString storedValue(const QString& name) {
    return SettingsStore::GetValue(kSection, name, QStringLiteral("<absent>"), true);
}

void remember(const QString& drive, const QString& path) {
    SettingsStore::SaveValue(kSection, QStringLiteral("Drive"), drive, true);
    SettingsStore::SaveValue(kSection, QStringLiteral("Path"), path, true);
}

QStringList listed(const frm_SelectFolder& dlg) {
    QStringList out;
    for (int i = 0; i < dlg.Dir1->count(); ++i) out << dlg.Dir1->item(i)->text();
    return out;
}

QListWidgetItem* entry(const frm_SelectFolder& dlg, const QString& text) {
    const auto found = dlg.Dir1->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

void doubleClick(frm_SelectFolder& dlg, const QString& text) {
    QListWidgetItem* item = entry(dlg, text);
    QVERIFY2(item, qPrintable(text));
    const QPoint at = dlg.Dir1->visualItemRect(item).center();
    // The view takes a double click only on the item its press chose.
    QTest::mousePress(dlg.Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(dlg.Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(dlg.Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

enum class Leave { OK, CancelButton, Escape, CloseBox };
}  // namespace

Q_DECLARE_METATYPE(Leave)

class TestSelectFolder : public QObject {
    Q_OBJECT
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<QTemporaryDir> m_tree;  // <tree>/a/b and the file <tree>/file

    QString tree(const QString& sub = {}) const {
        return sub.isEmpty() ? m_tree->path() : m_tree->path() + QLatin1Char('/') + sub;
    }
    QString expand(QString text) const { return text.replace(QStringLiteral("%T"), tree()); }

private slots:
    void init() {
        m_settings = std::make_unique<TempSettings>();
        m_tree = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(tree(QStringLiteral("a/b"))));
        QFile file(tree(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        Err().Clear();
    }
    void cleanup() {
        m_tree.reset();
        m_settings.reset();
        Err().Clear();
    }

    void controls() {
        frm_SelectFolder dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Επιλογή κατάλογου"));
        QCOMPARE(unnamedInputs(&dlg), QStringList());
        QCOMPARE(dlg.Label4->text(), QStringLiteral("Επιλεγμένος κατάλογος"));
        QCOMPARE(dlg.Label4->buddy(), static_cast<QWidget*>(dlg.txtFolder));
        QCOMPARE(dlg.Frame1->title(), QStringLiteral("Νέος κατάλογος"));
        QCOMPARE(dlg.cmdNewFolder->text(), QStringLiteral("Δημιουργία"));
        QCOMPARE(dlg.cmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(dlg.cmdExit->text(), QStringLiteral("Ακύρωση"));
        for (const char* name : {"Drive1", "Dir1", "Label4", "txtFolder", "Frame1", "txtNewFolder",
                                 "cmdNewFolder", "cmdOK", "cmdExit"}) {
            QWidget* w = dlg.findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(w, name);
            QCOMPARE(w->accessibleDescription(), QLatin1String(name));
        }
    }

    void driveMapping_data() {
        QTest::addColumn<QString>("drive");
        QTest::addColumn<QString>("root");
        QTest::newRow("default drive") << "C:"
                                       << "/";
        QTest::newRow("default drive, lower case") << "c:"
                                                   << "/";
        QTest::newRow("root") << "/"
                              << "/";
        QTest::newRow("another letter") << "D:"
                                        << "";
        QTest::newRow("folder that is no mount point") << "%T"
                                                       << "";
        QTest::newRow("nothing") << ""
                                 << "";
    }
    void driveMapping() {
        QFETCH(QString, drive);
        QFETCH(QString, root);
        QCOMPARE(frm_SelectFolder::DriveRoot(expand(drive)), root);
        QCOMPARE(frm_SelectFolder::Drives().value(0), QStringLiteral("/"));
    }

    // What Init shows from the remembered values ("=" as drive: the drive that holds the folder).
    void remembered_data() {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("drive");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shownDrive");
        QTest::addColumn<QString>("shownPath");
        QTest::newRow("first use") << false << ""
                                   << ""
                                   << "/"
                                   << "";
        QTest::newRow("remembered folder") << true << "/"
                                           << "%T/a"
                                           << "="
                                           << "%T/a";
        QTest::newRow("drive no longer mounted") << true << "/media/protocol-usb"
                                                 << "%T/a"
                                                 << "/"
                                                 << "";
        QTest::newRow("another letter's drive") << true << "E:"
                                                << ""
                                                << "/"
                                                << "";
        QTest::newRow("folder no longer there") << true << "/"
                                                << "%T/gone"
                                                << "/"
                                                << "";
    }
    void remembered() {
        QFETCH(bool, stored);
        QFETCH(QString, drive);
        QFETCH(QString, path);
        QFETCH(QString, shownDrive);
        QFETCH(QString, shownPath);
        if (stored) remember(drive, expand(path));
        frm_SelectFolder dlg;
        dlg.Init();
        const QString expectedPath = expand(shownPath);
        const QString expectedDrive =
            shownDrive == QLatin1String("=") ? QStorageInfo(expectedPath).rootPath() : shownDrive;
        QCOMPARE(dlg.Drive1_Drive(), expectedDrive);
        QCOMPARE(dlg.Drive1->currentText(), expectedDrive);
        QCOMPARE(dlg.Dir1_Path(), expectedPath);
        QCOMPARE(dlg.txtFolder->text(), expectedPath);
        if (expectedPath.isEmpty()) {
            // Nothing chosen: the drive's root folders are offered, and no folder is the answer.
            QCOMPARE(dlg.Dir1_Shown(), expectedDrive);
            QCOMPARE(listed(dlg), QDir(expectedDrive)
                                      .entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                 QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
            QCOMPARE(dlg.folderName(), QString());
        }
    }

    void folderName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folderName");
        QTest::newRow("folder") << "%T/a"
                                << "%T/a/";
        QTest::newRow("given with its separator") << "%T/a/"
                                                  << "%T/a/";
        QTest::newRow("drive root") << "/"
                                    << "/";
        QTest::newRow("none") << ""
                              << "";
    }
    void folderName() {
        QFETCH(QString, path);
        QFETCH(QString, folderName);
        frm_SelectFolder dlg;
        dlg.Init();
        QVERIFY(dlg.SetDir1_Path(expand(path)));
        QCOMPARE(dlg.folderName(), expand(folderName));
    }

    // Double click and Enter open a folder, ".." goes up; Enter does not close the window.
    void browse() {
        frm_SelectFolder dlg;
        dlg.Init();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.SetDir1_Path(tree()));
        QCOMPARE(listed(dlg), (QStringList{"..", "a"}));  // the file is not offered
        doubleClick(dlg, QStringLiteral("a"));
        QCOMPARE(dlg.Dir1_Path(), tree(QStringLiteral("a")));
        QCOMPARE(dlg.txtFolder->text(), tree(QStringLiteral("a")));

        dlg.Dir1->setFocus();
        dlg.Dir1->setCurrentItem(entry(dlg, QStringLiteral("b")));
        QTest::keyClick(dlg.Dir1, Qt::Key_Return);
        QCOMPARE(dlg.Dir1_Path(), tree(QStringLiteral("a/b")));
        QVERIFY(dlg.isVisible());

        doubleClick(dlg, QStringLiteral(".."));
        doubleClick(dlg, QStringLiteral(".."));
        QCOMPARE(dlg.Dir1_Path(), tree());
        QCOMPARE(dlg.folderName(), tree() + QLatin1Char('/'));

        // Choosing the drive shows its root.
        dlg.Drive1->setCurrentIndex(0);
        emit dlg.Drive1->activated(0);
        QCOMPARE(dlg.Dir1_Path(), QStringLiteral("/"));
        QVERIFY(!listed(dlg).contains(QStringLiteral("..")));
    }

    void newFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("keptName");
        QTest::addColumn<QString>("result");  // the path afterwards
        QTest::newRow("made and entered") << "%T"
                                          << "  Νέος φάκελος "
                                          << "Νέος φάκελος"
                                          << "%T/Νέος φάκελος";
        QTest::newRow("blanks: nothing made") << "%T"
                                              << "   "
                                              << ""
                                              << "%T";
        QTest::newRow("existing folder entered") << "%T"
                                                 << "a"
                                                 << "a"
                                                 << "%T/a";
        QTest::newRow("cannot be made: stays") << "%T"
                                               << "file/x"
                                               << "file/x"
                                               << "%T";
    }
    void newFolder() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, keptName);
        QFETCH(QString, result);
        frm_SelectFolder dlg;
        dlg.Init();
        QVERIFY(dlg.SetDir1_Path(expand(path)));
        const QStringList before = QDir(tree()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        dlg.txtNewFolder->setText(name);
        QTest::mouseClick(dlg.cmdNewFolder, Qt::LeftButton);
        QCOMPARE(dlg.txtNewFolder->text(), keptName);
        QCOMPARE(dlg.Dir1_Path(), expand(result));
        QCOMPARE(dlg.txtFolder->text(), expand(result));
        QStringList expected = before;
        if (expand(result) != tree() && !before.contains(keptName)) expected << keptName;
        expected.sort();
        QStringList after = QDir(tree()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        after.sort();
        QCOMPARE(after, expected);
    }

    // At a drive root the new folder's path has one separator, and the picker moves into it.
    void newFolderAtRoot() {
        if (!QFileInfo(QStringLiteral("/")).isWritable()) QSKIP("the root folder is not writable here");
        const QString name = QStringLiteral("protocol-test-%1").arg(QCoreApplication::applicationPid());
        frm_SelectFolder dlg;
        dlg.Init();
        QCOMPARE(dlg.Dir1_Shown(), QStringLiteral("/"));  // nothing chosen: the new folder goes where shown
        typeText(dlg.txtNewFolder, name);
        QTest::keyClick(dlg.txtNewFolder, Qt::Key_Return);
        const bool made = QDir(QStringLiteral("/")).rmdir(name);
        QCOMPARE(dlg.Dir1_Path(), QStringLiteral("/") + name);
        QCOMPARE(dlg.folderName(), QStringLiteral("/") + name + QLatin1Char('/'));
        QVERIFY(made);
    }

    // Every way out remembers the drive and folder; only OK is not a cancel.
    void leave_data() {
        QTest::addColumn<Leave>("how");
        QTest::addColumn<bool>("canceled");
        QTest::newRow("OK") << Leave::OK << false;
        QTest::newRow("cancel button") << Leave::CancelButton << true;
        QTest::newRow("Esc") << Leave::Escape << true;
        QTest::newRow("close box") << Leave::CloseBox << true;
    }
    void leave() {
        QFETCH(Leave, how);
        QFETCH(bool, canceled);
        {
            auto dlg = std::make_unique<frm_SelectFolder>();
            dlg->Init();
            dlg->show();
            QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
            QVERIFY(dlg->SetDir1_Path(tree(QStringLiteral("a"))));
            switch (how) {
                case Leave::OK:
                    QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
                    break;
                case Leave::CancelButton:
                    QTest::mouseClick(dlg->cmdExit, Qt::LeftButton);
                    break;
                case Leave::Escape:
                    QTest::keyClick(dlg->Dir1, Qt::Key_Escape);
                    break;
                case Leave::CloseBox:
                    dlg->close();
                    break;
            }
            QVERIFY(!dlg->isVisible());
            QCOMPARE(dlg->Canceled(), canceled);
            QCOMPARE(dlg->folderName(), tree(QStringLiteral("a/")));
        }
        QCOMPARE(storedValue(QStringLiteral("Path")), tree(QStringLiteral("a")));
        QCOMPARE(storedValue(QStringLiteral("Drive")), QStorageInfo(tree()).rootPath());

        frm_SelectFolder again;
        again.Init();
        QCOMPARE(again.Dir1_Path(), tree(QStringLiteral("a")));
    }

    void getFileName_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QString>("startPath");
        QTest::newRow("closing separator") << "%T/"
                                           << "pdf"
                                           << "%T/*.pdf"
                                           << "%T";
        QTest::newRow("separator added") << "%T/a"
                                         << "pdf"
                                         << "%T/a/*.pdf"
                                         << "%T/a";
        QTest::newRow("no folder") << ""
                                   << "pdf"
                                   << "/*.pdf"
                                   << "/";
        QTest::newRow("folder not there") << "%T/gone"
                                          << "pdf"
                                          << ""
                                          << "";
        QTest::newRow("register's list") << "%T" << kRegisterTypes << "%T/*." + kRegisterTypes << "%T";
    }
    void getFileName() {
        QFETCH(QString, folder);
        QFETCH(QString, ext);
        QFETCH(QString, proposed);
        QFETCH(QString, startPath);
        AnswerQueues answers;
        CommonDialogHook::QueueAnswer(tree(QStringLiteral("file")));
        CommonDialog dlg;
        QCOMPARE(cls_GetFileName().GetFileName(dlg, expand(folder), ext), tree(QStringLiteral("file")));

        QCOMPARE(CommonDialogHook::Log().size(), 1);
        const CommonDialogHook::Shown shown = CommonDialogHook::Log()[0];
        QVERIFY(!shown.save);
        QCOMPARE(shown.fileName, expand(proposed));
        QCOMPARE(shown.startPath, expand(startPath));
        QCOMPARE(shown.title, QStringLiteral("Επιλογή"));
        QCOMPARE(shown.filter, QStringLiteral("Αρχεία ") + ext + QStringLiteral("|*.") + ext +
                                   QStringLiteral("|Όλα τα αρχεία (*.*)|*.*"));
        QCOMPARE(shown.filterIndex, 1);
        QCOMPARE(shown.defaultExt, QLatin1Char('.') + ext);
        QCOMPARE(shown.flags, 0x280804L);
        QVERIFY(shown.cancelError);
    }

    // A cancel gives "" and leaves no pending error behind.
    void getFileNameCanceled() {
        AnswerQueues answers;
        CommonDialog dlg;
        QCOMPARE(cls_GetFileName().GetFileName(dlg, tree(), QStringLiteral("pdf")), QString());
        QVERIFY(!Err().Pending());

        // Without the caller's trap, the cancel error stays for it to see.
        CommonDialog plain;
        plain.CancelError = true;
        plain.ShowOpen();
        QCOMPARE(Err().Number, CommonDialog::CancelErrorNumber);
    }

    // The register's extension list, glued to "*.", still shows its files.
    void registerFilter() {
        const QString vb = QStringLiteral("Αρχεία ") + kRegisterTypes + QStringLiteral("|*.") +
                           kRegisterTypes + QStringLiteral("|Όλα τα αρχεία (*.*)|*.*");
        const QStringList entries = CommonDialog::QtFilter(vb).split(QStringLiteral(";;"));
        QCOMPARE(entries.size(), 2);
        QVERIFY2(
            entries[0].endsWith(QStringLiteral("(*.xls *.xlsx *.doc *.docx *.rtf *.bmp *.jpg *.pdf *.png)")),
            qPrintable(entries[0]));
        QCOMPARE(entries[1], QStringLiteral("Όλα τα αρχεία (*.*)"));
    }
};

QTEST_MAIN(TestSelectFolder)
#include "tst_selectfolder.moc"
