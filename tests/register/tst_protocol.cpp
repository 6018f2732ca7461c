#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollArea>
#include <QSet>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <memory>

#include "Adodc.h"
#include "App.h"
#include "BoundControl.h"
#include "CommonDialog.h"
#include "Cp1253.h"
#include "DBHelper.h"
#include "GridModel.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "OwnCluster.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "Rights.h"
#include "Screen.h"
#include "SettingsStore.h"
#include "Shell.h"
#include "StrHelper.h"
#include "TestSupport.h"
#include "clsDBForm.h"
#include "frmMDI.h"
#include "frmPhrases.h"
#include "frmProtocol.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {

constexpr long kEdit = Rights::ProtocolEdit;
constexpr long kIncoming = Rights::ProtocolEdit | Rights::ProtocolEditIncoming;
constexpr long kAll = kIncoming | Rights::ProtocolDelete;
constexpr long kUserId = 7;
const QString kSaved = QStringLiteral("Η εγγραφή αποθηκεύτηκε με Α/Α Πρωτόκολλου: ");

// The window with its key handler reachable, and short names for the framework's calls.
class Form : public frmProtocol {
public:
    using frmProtocol::Form_KeyDown;
    clsDBForm& f() { return *mclsDBForm; }
    void key(const char* k) { mclsDBForm->ToolbarAction(QLatin1String(k)); }
};

bool exec(const QString& sql) {
    return gConn->Execute(sql);
}

QString scalar(const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, gConn) || rs.Eof()) return QStringLiteral("<none>");
    return rs.Value(0).isNull() ? QStringLiteral("<null>") : rs.Value(0).toString();
}

int rows(const QString& table, const QString& where) {
    return scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(table, where)).toInt();
}

QStringList column(const QString& sql) {
    QStringList out;
    Recordset rs;
    if (!rs.Open(sql, gConn)) return {QStringLiteral("<error>")};
    for (; !rs.Eof(); rs.MoveNext()) out << rs.Value(0).toString();
    return out;
}

// An entry written straight into the register; its ID.
QString insertEntry(const QDate& day, const QString& apo, const QString& protEis, const QString& thema) {
    if (!exec(QStringLiteral(
                  "INSERT INTO PROTOCOL (HMEROM, APO, PROT_EIS, THEMA, MODUSER) VALUES (%1, %2, %3, %4, 1)")
                  .arg(DBHelper::DateToSQL(QDate(day)), StrHelper::SqlValue(apo),
                       StrHelper::SqlValue(protEis), StrHelper::SqlValue(thema))))
        return {};
    return scalar(QStringLiteral("SELECT max(ID) FROM PROTOCOL"));
}

QStringList prompts() {
    QStringList out;
    for (const MsgBoxHook::Shown& s : MsgBoxHook::Log()) out << s.prompt;
    return out;
}

// Error boxes other than the expected refusals.
QStringList criticalBoxes() {
    QStringList out;
    for (const MsgBoxHook::Shown& s : MsgBoxHook::Log())
        if (s.icon() == vb::vbCritical) out << s.prompt;
    return out;
}

QListWidgetItem* deptItem(QListWidget* list, const QString& id) {
    for (int i = 0; i < list->count(); ++i)
        if (qAbs(list->item(i)->data(Qt::UserRole).toLongLong()) == id.toLongLong()) return list->item(i);
    return nullptr;
}

QStringList selectedIds(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            out << QString::number(qAbs(list->item(i)->data(Qt::UserRole).toLongLong()));
    return out;
}

QStringList items(const QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
}

// The phrase picker's driver, with its two ways out.
class PickerDriver : public ModalDriver<frmPhrases> {
public:
    using ModalDriver::ModalDriver;
    // Chooses the first phrase beginning with the filter.
    static PickerDriver choose(const QString& filter) {
        return PickerDriver([filter](frmPhrases* w) {
            w->txt[0]->setText(filter);
            QTest::mouseClick(w->cmdSelect, Qt::LeftButton);
        });
    }
    static PickerDriver cancel() {
        return PickerDriver([](frmPhrases* w) { QTest::mouseClick(w->cmdExit, Qt::LeftButton); });
    }
};

}  // namespace

class TestProtocol : public QObject {
    Q_OBJECT
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<AnswerQueues> m_answers;
    std::unique_ptr<QTemporaryDir> m_docs;
    QString m_year;
    QDate m_today;
    QMap<QString, QString> m_dept;  // code -> ID

    // Seeds the lookups, sets the session's user and opens the window on the register.
    std::unique_ptr<Form> open(TestDatabase& db, long auth) { return open(db.conn(), auth); }
    std::unique_ptr<Form> open(const ConnectionPtr& conn, long auth) {
        gConn = conn;
        auto user = std::make_shared<cls_User>();
        user->UserId = kUserId;
        user->UserName = QStringLiteral("tester");
        user->Auth = auth;
        gUser = user;
        const QList<std::tuple<const char*, const char*, const char*>> lookups{
            {"L_TYPOI", "DOC", "Έγγραφο"},      {"L_TYPOI", "FAX", "Φαξ"},
            {"L_TMHMATA", "T1", "Λογιστήριο"},  {"L_TMHMATA", "T2", "Γραμματεία"},
            {"L_TMHMATA", "T3", "Προμήθειες"},  {"L_PHRASES", nullptr, "Αίτηση άδειας"},
            {"L_PHRASES", nullptr, "Βεβαίωση"}, {"L_APO", nullptr, "Δήμος Αθηναίων"},
        };
        for (const auto& [table, code, descr] : lookups) {
            const QString sql =
                code ? QStringLiteral("INSERT INTO %1 (CODE, DESCR, MODUSER) VALUES ('%2', '%3', 1)")
                           .arg(QLatin1String(table), QLatin1String(code), QString::fromUtf8(descr))
                     : QStringLiteral("INSERT INTO %1 (DESCR, MODUSER) VALUES ('%2', 1)")
                           .arg(QLatin1String(table), QString::fromUtf8(descr));
            if (!exec(sql)) return nullptr;
        }
        m_dept.clear();
        for (const QString& code : {QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3")})
            m_dept[code] = scalar(QStringLiteral("SELECT ID FROM L_TMHMATA WHERE CODE='%1'").arg(code));
        m_today = DBHelper::ServerDate(gConn).toDate();
        m_year = QString::number(m_today.year());
        auto form = std::make_unique<Form>();
        if (!form->Init()) return nullptr;
        return form;
    }

    // The rows of the conflict tests: another clerk changed the entry (the clerk then sees it as
    // it is, or the row named `notSeen` does not) or deleted it.
    static void conflictRows(const char* notSeen) {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("other");
        QTest::addColumn<int>("answer");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " " + notSeen)) << tag << "change" << int(vb::vbNo);
            QTest::newRow(qPrintable(tag + " changed, see it")) << tag << "change" << int(vb::vbYes);
            QTest::newRow(qPrintable(tag + " deleted")) << tag << "delete" << int(vb::vbOK);
        }
    }
    // The entry of the conflict tests, in department T1; its ID (empty on failure).
    QString conflictEntry() {
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Θέμα"));
        if (!exec(QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, m_dept["T1"])))
            return {};
        return id;
    }
    // What the other clerk does to the entry: "change" its subject, or "delete" it.
    static QString otherClerkSql(const QString& other, const QString& id) {
        return other == QLatin1String("change")
                   ? QStringLiteral("UPDATE PROTOCOL SET THEMA='Θέμα του Β', MODUSER=2 WHERE ID=") + id
                   : QStringLiteral("UPDATE PROTOCOL SET MODDATE=getdate(), MODFLAG='D', MODUSER=2 WHERE ID=") + id;
    }

    // Shows the stored entry on the record page (the list is read again first).
    static bool showEntry(Form& form, const QString& id) {
        form.key("refresh");
        const int row = form.f().List()->rowOfKey(id.toLongLong());
        if (row < 0) return false;
        form.adodc->SetAbsolutePosition(row + 1);
        return form.f().CurrentKey().toString() == id;
    }

    // A file below the documents folder, made on disk; its path.
    QString docFile(const QString& rest) {
        const QString path = m_docs->path() + rest;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }

    // Adds a file through the Open box answered with the path.
    static void addFile(Form& form, const QString& path) {
        CommonDialogHook::QueueAnswer(path);
        form.cmdEdit_Click(6);
    }

private slots:
    void init() {
        m_settings = std::make_unique<TempSettings>();
        m_answers = std::make_unique<AnswerQueues>();
        ShellHook::Install();
        App::SetPath(m_settings->dir());
        gErr = std::make_unique<cls_Error>();
        gErr->Init(false);
        m_docs = std::make_unique<QTemporaryDir>();
        gDocsFolder = m_docs->path();
        gSearchWhere.clear();
        frmMDI::instance();
    }
    void cleanup() {
        if (frmMDI::exists()) delete frmMDI::instance();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ShellHook::Uninstall();
        gConn.reset();
        gUser.reset();
        gErr.reset();
        gDocsFolder.clear();
        m_docs.reset();
        m_answers.reset();
        m_settings.reset();
    }

    // A new entry with departments, a file and an attachment: what is stored and shown back.
    void newEntry_data() { TestDatabase::addBackendRows(); }
    void newEntry() {
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        form->key("add");
        QVERIFY(form->f().Editing());
        QCOMPARE(form->dtEdit[0]->Value().toDate(), m_today);
        QCOMPARE(form->lblEdit[2]->text(), m_year);
        QCOMPARE(form->lblAA->text(), QStringLiteral("# / ") + m_year);
        for (int l = 0; l < 2; ++l) QVERIFY(form->lstEdit[l]->selectedItems().isEmpty());
        for (int c = 2; c <= 3; ++c) {
            QCOMPARE(form->cmbEdit[c]->count(), 0);
            QCOMPARE(form->lblFilesCnt[c]->text(), QStringLiteral("[0]"));
        }

        form->setTbText(0, QStringLiteral("Υπουργείο"));
        form->setTbText(9, QStringLiteral("Θέμα δοκιμής"));
        deptItem(form->lstEdit[0], m_dept["T1"])->setSelected(true);
        deptItem(form->lstEdit[0], m_dept["T3"])->setSelected(true);
        deptItem(form->lstEdit[1], m_dept["T2"])->setSelected(true);
        addFile(*form, docFile(QStringLiteral("/a/b/doc.pdf")));
        QCOMPARE(items(form->cmbEdit[2]), QStringList{QStringLiteral("/a/b/doc.pdf")});
        QCOMPARE(form->lblFilesCnt[2]->text(), QStringLiteral("[1]"));
        form->cmbEdit[3]->setEditText(QStringLiteral("Τιμολόγιο"));
        form->cmbEdit[3]->lineEdit()->setFocus();
        QTest::keyClick(form->cmbEdit[3]->lineEdit(), Qt::Key_Return);
        QCOMPARE(items(form->cmbEdit[3]), QStringList{QStringLiteral("Τιμολόγιο")});
        QCOMPARE(form->lblFilesCnt[3]->text(), QStringLiteral("[1]"));
        QVERIFY(prompts().isEmpty());

        form->key("save");
        QVERIFY(!form->f().Editing());
        const QString id = form->f().CurrentKey().toString();
        QVERIFY(!id.isEmpty());
        const QString number = scalar(QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ID=") + id);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log().first().prompt, kSaved + number);
        QCOMPARE(MsgBoxHook::Log().first().title, QStringLiteral("Πρωτόκολλο"));
        QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbInformation));

        QCOMPARE(scalar(QStringLiteral("SELECT MODUSER FROM PROTOCOL WHERE ID=") + id),
                 QString::number(kUserId));
        QCOMPARE(scalar(QStringLiteral("SELECT ETOS FROM PROTOCOL WHERE ID=") + id), m_year);
        QCOMPARE(column(QStringLiteral("SELECT TM_ID FROM R_YPEYTH WHERE PR_ID=%1 ORDER BY TM_ID").arg(id)),
                 (QStringList{m_dept["T1"], m_dept["T3"]}));
        QCOMPARE(column(QStringLiteral("SELECT TM_ID FROM R_ANTIGRAFA WHERE PR_ID=") + id),
                 QStringList{m_dept["T2"]});
        QCOMPARE(column(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=%1 AND FILETYPE IS NULL")
                            .arg(id)),
                 QStringList{QStringLiteral("/a/b/doc.pdf")});
        QCOMPARE(
            column(
                QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=%1 AND FILETYPE='SYN'").arg(id)),
            QStringList{QStringLiteral("Τιμολόγιο")});
        QCOMPARE(rows(QStringLiteral("PROT_FILES"), QStringLiteral("PR_ID=") + id), 2);

        // The record page reads the entry back.
        QCOMPARE(form->lblAA->text(), number + QStringLiteral(" / ") + m_year);
        QCOMPARE(items(form->cmbEdit[2]), QStringList{QStringLiteral("/a/b/doc.pdf")});
        QCOMPARE(items(form->cmbEdit[3]), QStringList{QStringLiteral("Τιμολόγιο")});
        QCOMPARE(form->lblFilesCnt[2]->text(), QStringLiteral("[1]"));
        QCOMPARE(form->lblFilesCnt[3]->text(), QStringLiteral("[1]"));
        QCOMPARE(selectedIds(form->lstEdit[0]), (QStringList{m_dept["T1"], m_dept["T3"]}));
        QCOMPARE(selectedIds(form->lstEdit[1]), QStringList{m_dept["T2"]});

        // The next new entry starts empty again.
        form->key("add");
        for (int l = 0; l < 2; ++l) QVERIFY(form->lstEdit[l]->selectedItems().isEmpty());
        QCOMPARE(form->cmbEdit[2]->count(), 0);
        QCOMPARE(form->lblFilesCnt[2]->text(), QStringLiteral("[0]"));
        QVERIFY(criticalBoxes().isEmpty());
    }

    // Files and attachments refused before they reach the lists.
    void refusedItems_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("expectedFiles");
        const QList<std::tuple<const char*, const char*, int, int>> cases{
            {"outside folder", "Το αρχείο πρέπει να βρίσκεται στον κατάλογο: %F", vb::vbCritical, 0},
            {"sibling folder", "Το αρχείο πρέπει να βρίσκεται στον κατάλογο: %F", vb::vbCritical, 0},
            {"same file twice", "Έχετε ήδη καταχωρήσει το αρχείο: /x/doc.pdf", vb::vbExclamation, 1},
            {"missing file", "Το αρχείο δεν βρέθηκε: %F/x/none.pdf", vb::vbExclamation, 0},
            {"empty attachment",
             "Για να καταχωρήσετε ένα συνημμένο, πληκτρολογήστε το κείμενο και πατήστε ENTER ή το κουμπί της "
             "προσθήκης",
             vb::vbInformation, 0},
            {"same attachment twice", "Έχετε ήδη καταχωρήσει αυτό το συνημμένο: Απόφαση", vb::vbExclamation,
             1},
            {"no documents folder", "", vb::vbExclamation, 0},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& [kind, message, icon, files] : cases)
                QTest::newRow(qPrintable(TestDatabase::backendTag(b) + ' ' + kind))
                    << TestDatabase::backendTag(b) << QString::fromLatin1(kind) << QString::fromUtf8(message)
                    << icon << files;
    }
    void refusedItems() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(int, icon);
        QFETCH(int, expectedFiles);
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        form->key("add");
        QTemporaryDir outside;
        const bool attachment = kind.contains(QLatin1String("attachment"));
        const auto made = [](const QString& path) {
            QDir().mkpath(QFileInfo(path).path());
            QFile(path).open(QIODevice::WriteOnly);
            return path;
        };
        if (kind == QLatin1String("outside folder")) {
            addFile(*form, made(outside.path() + QStringLiteral("/doc.pdf")));
        } else if (kind == QLatin1String("sibling folder")) {
            addFile(*form, made(gDocsFolder + QStringLiteral("-old/doc.pdf")));
            QDir(gDocsFolder + QStringLiteral("-old")).removeRecursively();
        } else if (kind == QLatin1String("same file twice")) {
            addFile(*form, docFile(QStringLiteral("/x/doc.pdf")));
            MsgBoxHook::Clear();
            addFile(*form, gDocsFolder + QStringLiteral("/x/doc.pdf"));
        } else if (kind == QLatin1String("missing file")) {
            addFile(*form, gDocsFolder + QStringLiteral("/x/none.pdf"));
        } else if (kind == QLatin1String("empty attachment")) {
            form->cmbEdit[3]->setEditText(QStringLiteral("   "));
            form->cmdEdit_Click(7);
        } else if (kind == QLatin1String("same attachment twice")) {
            form->cmbEdit[3]->setEditText(QStringLiteral("Απόφαση"));
            form->cmdEdit_Click(7);
            MsgBoxHook::Clear();
            form->cmbEdit[3]->setEditText(QStringLiteral("Απόφαση"));
            form->cmdEdit_Click(7);
        } else if (kind == QLatin1String("no documents folder")) {
            gDocsFolder = outside.path() + QStringLiteral("/missing");
            CommonDialogHook::QueueAnswer(gDocsFolder + QStringLiteral("/doc.pdf"));
            form->cmdEdit_Click(6);
            QVERIFY(CommonDialogHook::Log().isEmpty());
            QVERIFY(prompts().value(0).contains(gDocsFolder));
        }
        message.replace(QLatin1String("%F"), gDocsFolder);
        if (icon == 0) {
            QVERIFY2(prompts().isEmpty(), qPrintable(prompts().join(u'|')));
        } else {
            QCOMPARE(MsgBoxHook::Log().size(), 1);
            if (!message.isEmpty()) QCOMPARE(MsgBoxHook::Log().first().prompt, message);
            QCOMPARE(MsgBoxHook::Log().first().icon(), icon);
        }
        QCOMPARE(form->cmbEdit[attachment ? 3 : 2]->count(), expectedFiles);
        QCOMPARE(form->lblFilesCnt[attachment ? 3 : 2]->text(), u'[' + QString::number(expectedFiles) + u']');
    }

    // The stored name of a file: the path after the folder, with or without the folder's "/".
    void storedFileName_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("folderEnd");  // written after the documents folder
        QTest::addColumn<QString>("rest");       // after the folder as the dialog answers
        QTest::addColumn<QString>("expected");
        // Five folders of long names make a 300-character rest.
        QString longRest;
        for (int i = 0; i < 5; ++i) longRest += u'/' + QString(55, QChar(u'α' + i));
        longRest += QStringLiteral("/f.pdf");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " no trailing slash")) << tag << "" << "/sub/f.pdf" << "/sub/f.pdf";
            QTest::newRow(qPrintable(tag + " trailing slash")) << tag << "/" << "/sub/f.pdf" << "/sub/f.pdf";
            QTest::newRow(qPrintable(tag + " trailing double slash")) << tag << "//" << "/a.pdf" << "/a.pdf";
            QTest::newRow(qPrintable(tag + " folder written with ..")) << tag << "/sub/.." << "/sub/f.pdf"
                                                                       << "/sub/f.pdf";
            QTest::newRow(qPrintable(tag + " .. that stays inside")) << tag << "" << "/sub/../g.pdf" << "/g.pdf";
            QTest::newRow(qPrintable(tag + " quotes and wildcards"))
                << tag << "" << "/O'Brien; 100%_x \"y\".pdf" << "/O'Brien; 100%_x \"y\".pdf";
            QTest::newRow(qPrintable(tag + " 300 characters")) << tag << "" << longRest << longRest.left(250);
        }
    }
    void storedFileName() {
        QFETCH(QString, folderEnd);
        QFETCH(QString, rest);
        QFETCH(QString, expected);
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        form->key("add");
        form->setTbText(9, QStringLiteral("Αρχείο"));
        docFile(QDir::cleanPath(rest));
        QDir().mkpath(m_docs->path() + QStringLiteral("/sub"));
        gDocsFolder += folderEnd;
        addFile(*form, m_docs->path() + rest);
        form->key("save");
        QVERIFY(!form->f().Editing());
        QVERIFY2(MsgBoxHook::Log().size() == 1, qPrintable(prompts().join(u'|')));  // only the number
        const QString id = form->f().CurrentKey().toString();
        QCOMPARE(column(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=") + id),
                 QStringList{expected});
        QCOMPARE(scalar(QStringLiteral("SELECT FILETYPE FROM PROT_FILES WHERE PR_ID=") + id),
                 QStringLiteral("<null>"));
        if (expected.size() < 250) {
            form->cmdEdit_Click(1);
            QCOMPARE(ShellHook::Opened(), QStringList{QFileInfo(m_docs->path() + expected).canonicalFilePath()});
        }
    }

    // Paths that lead out of the documents folder are refused when a file is added, and a name
    // that leads out is never opened, however it came into the table.
    void hostilePaths_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("path");  // %D the documents folder, %O a folder outside it
        QTest::addColumn<QString>("stored");
        const QList<std::pair<const char*, const char*>> cases{
            {"%D/sub/../../outside/secret.pdf", "/sub/../../outside/secret.pdf"},
            {"%D/../outside/secret.pdf", "/../outside/secret.pdf"},
            {"%D/link-out/secret.pdf", "/link-out/secret.pdf"},
            {"%D/file-link.pdf", "/file-link.pdf"},
            {"%O/secret.pdf", "%O/secret.pdf"},
            {"%U/x/doc.pdf", "\\..\\outside\\secret.pdf"},
            {"%D2/doc.pdf", "../docs2/doc.pdf"},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& [path, stored] : cases)
                QTest::newRow(qPrintable(TestDatabase::backendTag(b) + ' ' + QString::fromUtf8(path)))
                    << TestDatabase::backendTag(b) << QString::fromUtf8(path) << QString::fromUtf8(stored);
    }
    void hostilePaths() {
        QFETCH(QString, path);
        QFETCH(QString, stored);
        TEST_REGISTER(db);
        // base/docs is the documents folder; base/outside, base/docs2 and links lead out of it.
        QTemporaryDir base;
        const QString docs = base.path() + QStringLiteral("/docs"), outside = base.path() + QStringLiteral("/outside");
        for (const QString& dir : QStringList{docs + QStringLiteral("/sub"), docs + QStringLiteral("/x"), outside,
                                              docs + QStringLiteral("2")})
            QVERIFY(QDir().mkpath(dir));
        for (const QString& file : QStringList{outside + QStringLiteral("/secret.pdf"),
                                               docs + QStringLiteral("/x/doc.pdf"), docs + QStringLiteral("2/doc.pdf")}) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(outside, docs + QStringLiteral("/link-out")));
        QVERIFY(QFile::link(outside + QStringLiteral("/secret.pdf"), docs + QStringLiteral("/file-link.pdf")));
        gDocsFolder = docs;
        const auto expand = [&](QString text) {
            return text.replace(QStringLiteral("%D"), docs).replace(QStringLiteral("%O"), outside)
                .replace(QStringLiteral("%U"), docs.toUpper());
        };
        auto form = open(db, kEdit);
        QVERIFY(form);
        form->key("add");
        addFile(*form, expand(path));
        QCOMPARE(form->cmbEdit[2]->count(), 0);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(MsgBoxHook::Log().first().prompt.startsWith(QStringLiteral("Το αρχείο ")), qPrintable(prompts().join(u'|')));
        form->key("cancel");

        MsgBoxHook::Clear();
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Αρχείο"));
        QVERIFY(exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, %2, 1)")
                         .arg(id, StrHelper::SqlValue(expand(stored)))));
        QVERIFY(showEntry(*form, id));
        form->cmdEdit_Click(1);
        QCOMPARE(ShellHook::Opened(), QStringList());
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY(MsgBoxHook::Log().first().prompt.contains(QStringLiteral("δεν ανοίγει")));
    }

    // An edit without the incoming right locks the incoming side and stores no department change;
    // with it the changes are stored one by one.
    void updateDepartments_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<long>("auth");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " change only")) << tag << kEdit;
            QTest::newRow(qPrintable(tag + " incoming too")) << tag << kIncoming;
        }
    }
    void updateDepartments() {
        QFETCH(long, auth);
        TEST_REGISTER(db);
        auto form = open(db, auth);
        QVERIFY(form);
        const bool incoming = auth & Rights::ProtocolEditIncoming;
        const QString id =
            insertEntry(m_today, QStringLiteral("Δήμος"), QStringLiteral("5"), QStringLiteral("Θέμα"));
        for (const QString& code : {QStringLiteral("T1"), QStringLiteral("T2")})
            QVERIFY(exec(
                QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, m_dept[code])));
        QVERIFY(exec(
            QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, '/old.pdf', 1)")
                .arg(id)));
        QVERIFY(showEntry(*form, id));
        QCOMPARE(selectedIds(form->lstEdit[0]), (QStringList{m_dept["T1"], m_dept["T2"]}));

        form->key("edit");
        QVERIFY(form->f().Editing());
        for (int i : {0, 1, 2}) QCOMPARE(qobject_cast<QLineEdit*>(form->tbEdit[i])->isReadOnly(), !incoming);
        QCOMPARE(form->dtEdit[0]->isReadOnly(), !incoming);
        QCOMPARE(form->dtEdit[1]->isReadOnly(), !incoming);
        QCOMPARE(form->cmbEdit[0]->isEnabled(), incoming);
        QVERIFY(!qobject_cast<QLineEdit*>(form->tbEdit[3])->isReadOnly());
        for (int l = 0; l < 2; ++l) {
            QListWidget* list = form->lstEdit[l];
            QCOMPARE(list->focusPolicy() == Qt::NoFocus, !incoming);
            QCOMPARE(list->viewport()->testAttribute(Qt::WA_TransparentForMouseEvents), !incoming);
        }
        {
            // A click on an item, as the window receives it, reaches the list only with the right.
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            QListWidget* list = form->lstEdit[0];
            QListWidgetItem* t3 = deptItem(list, m_dept["T3"]);
            list->scrollToItem(t3);
            const QPoint at = list->viewport()->mapTo(form.get(), list->visualItemRect(t3).center());
            QVERIFY(form->rect().contains(at));
            QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, at);
            QCOMPARE(t3->isSelected(), incoming);
            t3->setSelected(false);
        }

        // Programmatic changes: T1 stays, T2 leaves, T3 comes; a copy department too.
        deptItem(form->lstEdit[0], m_dept["T2"])->setSelected(false);
        deptItem(form->lstEdit[0], m_dept["T3"])->setSelected(true);
        deptItem(form->lstEdit[1], m_dept["T1"])->setSelected(true);
        form->cmbEdit[2]->setCurrentIndex(0);
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->cmdEdit_Click(11);
        QCOMPARE(form->cmbEdit[2]->count(), 0);
        addFile(*form, docFile(QStringLiteral("/new.pdf")));
        form->key("save");
        QVERIFY(!form->f().Editing());
        QVERIFY2(criticalBoxes().isEmpty(), qPrintable(criticalBoxes().join(u'|')));

        const QStringList ypeyth =
            column(QStringLiteral("SELECT TM_ID FROM R_YPEYTH WHERE PR_ID=%1 ORDER BY TM_ID").arg(id));
        const QStringList antigrafa =
            column(QStringLiteral("SELECT TM_ID FROM R_ANTIGRAFA WHERE PR_ID=") + id);
        if (incoming) {
            QCOMPARE(ypeyth, (QStringList{m_dept["T1"], m_dept["T3"]}));
            QCOMPARE(antigrafa, QStringList{m_dept["T1"]});
        } else {
            QCOMPARE(ypeyth, (QStringList{m_dept["T1"], m_dept["T2"]}));
            QCOMPARE(antigrafa, QStringList());
        }
        QCOMPARE(column(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=") + id),
                 QStringList{QStringLiteral("/new.pdf")});
        QCOMPARE(scalar(QStringLiteral("SELECT MODUSER FROM PROTOCOL WHERE ID=") + id),
                 QString::number(kUserId));
        QCOMPARE(scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + id), QStringLiteral("M"));
        // The page shows what is stored.
        QCOMPARE(selectedIds(form->lstEdit[0]), ypeyth);
        // A second edit of the same entry changes nothing by itself.
        form->key("edit");
        form->key("save");
        QVERIFY2(criticalBoxes().isEmpty(), qPrintable(criticalBoxes().join(u'|')));
        QCOMPARE(column(QStringLiteral("SELECT TM_ID FROM R_YPEYTH WHERE PR_ID=%1 ORDER BY TM_ID").arg(id)),
                 ypeyth);
    }

    // A save cut at any statement, by a failing statement or a dropped connection: the register
    // holds the whole entry with its links and files, or nothing of the save; a refused save keeps
    // the edit with all that was typed and chosen, says why, and a new entry's number is given back.
    void faultDuringSave_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("update");
        QTest::addColumn<int>("fault");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            for (const bool update : {false, true}) {
                const QString kind = tag + (update ? " edited" : " new");
                QTest::newRow(qPrintable(kind + " failed statement"))
                    << tag << update << int(Connection::Fault::FailStatement);
                QTest::newRow(qPrintable(kind + " dropped connection"))
                    << tag << update << int(Connection::Fault::DropConnection);
            }
        }
    }
    void faultDuringSave() {
        QFETCH(bool, update);
        QFETCH(int, fault);
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString firstId = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Παλιό"));
        const QString subject = QStringLiteral("Νέο θέμα");
        const QStringList wantYpeyth{m_dept["T1"], m_dept["T3"]};
        // The register as it was before the save, and the edit made afresh.
        const auto reset = [&] {
            if (form->f().Editing()) form->key("cancel");
            for (const char* table : {"R_YPEYTH", "R_ANTIGRAFA", "PROT_FILES"}) exec(QStringLiteral("DELETE FROM ") + QLatin1String(table));
            exec(QStringLiteral("DELETE FROM PROTOCOL WHERE ID<>") + firstId);
            exec(QStringLiteral("UPDATE PROTOCOL SET THEMA='Παλιό'"));
            exec(QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2), (%1, %3)")
                     .arg(firstId, m_dept["T1"], m_dept["T2"]));
            exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, '/old.pdf', 1)")
                     .arg(firstId));
            if (update) {
                if (!showEntry(*form, firstId)) return false;
                form->key("edit");
                deptItem(form->lstEdit[0], m_dept["T2"])->setSelected(false);
                MsgBoxHook::QueueAnswer(vb::vbYes);
                form->cmdEdit_Click(11);  // the stored file goes
            } else {
                form->key("add");
                form->setTbText(0, QStringLiteral("Υπουργείο"));
                deptItem(form->lstEdit[0], m_dept["T1"])->setSelected(true);
            }
            form->setTbText(9, subject);
            deptItem(form->lstEdit[0], m_dept["T3"])->setSelected(true);
            deptItem(form->lstEdit[1], m_dept["T2"])->setSelected(true);
            addFile(*form, docFile(QStringLiteral("/new.pdf")));
            form->cmbEdit[3]->setEditText(QStringLiteral("Συνημμένο"));
            form->cmdEdit_Click(7);
            MsgBoxHook::Clear();
            return form->f().Editing();
        };
        const auto stored = [&] {
            return column(QStringLiteral("SELECT ID FROM PROTOCOL WHERE THEMA=") + StrHelper::SqlValue(subject));
        };
        const auto linksAndFiles = [&](const QString& id) {
            return column(QStringLiteral("SELECT TM_ID FROM R_YPEYTH WHERE PR_ID=%1 ORDER BY TM_ID").arg(id)) +
                   QStringList{QStringLiteral("|")} +
                   column(QStringLiteral("SELECT TM_ID FROM R_ANTIGRAFA WHERE PR_ID=") + id) +
                   QStringList{QStringLiteral("|")} +
                   column(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=%1 ORDER BY FILENAME").arg(id));
        };
        const QStringList whole = wantYpeyth + QStringList{QStringLiteral("|"), m_dept["T2"], QStringLiteral("|"),
                                                           QStringLiteral("/new.pdf"), QStringLiteral("Συνημμένο")};
        // Stored whole, the edit over, and no number used up by an earlier refusal.
        const auto checkWhole = [&](const QString& at) {
            const QStringList ids = stored();
            QVERIFY2(ids.size() == 1, qPrintable(at));
            QCOMPARE(linksAndFiles(ids.first()), whole);
            QVERIFY2(!form->f().Editing(), qPrintable(at));
            QCOMPARE(scalar(QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ID=") + ids.first()),
                     update ? QStringLiteral("1") : QStringLiteral("2"));
        };

        QVERIFY(reset());
        const qint64 begin = gConn->StatementCount();
        form->key("save");
        const int statements = int(gConn->StatementCount() - begin);
        checkWhole(QStringLiteral("no fault"));
        QVERIFY(statements > 5);

        int refused = 0;
        for (int n = 1; n <= statements; ++n) {
            const QString at = QStringLiteral("fault at statement %1").arg(n);
            QVERIFY2(reset(), qPrintable(at));
            const QStringList before = linksAndFiles(firstId);
            gConn->InjectFault(n, Connection::Fault(fault));
            form->key("save");
            gConn->ClearFault();
            if (!stored().isEmpty()) {
                // A fault the save may pass (the advisory duplicate lookup) or one after the commit.
                checkWhole(at);
                continue;
            }
            ++refused;
            QVERIFY2(form->f().Editing(), qPrintable(at));
            QVERIFY2(criticalBoxes().size() == 1, qPrintable(at + QStringLiteral(": reasons: ") + criticalBoxes().join(u'|')));
            for (const QString& box : criticalBoxes()) {
                const QString reason = box.section(QStringLiteral("\r\n"), 1).trimmed();
                QVERIFY2(!reason.isEmpty() && !reason.endsWith(QStringLiteral("Περιγραφή:")), qPrintable(at + ": " + box));
                if (fault == int(Connection::Fault::DropConnection))
                    QVERIFY2(reason.contains(Connection::LostText()), qPrintable(at + ": " + box));
            }
            QVERIFY2(!prompts().join(u'|').contains(kSaved), qPrintable(at));
            QCOMPARE(linksAndFiles(firstId), before);
            QCOMPARE(scalar(QStringLiteral("SELECT THEMA FROM PROTOCOL WHERE ID=") + firstId), QStringLiteral("Παλιό"));
            QCOMPARE(rows(QStringLiteral("PROTOCOL"), QStringLiteral("1=1")), 1);
            // Everything typed and chosen is still on the page, and the next save stores it all.
            QCOMPARE(BoundControl::Value(form->tbEdit[9]).toString(), subject);
            QCOMPARE(selectedIds(form->lstEdit[0]), wantYpeyth);
            QCOMPARE(selectedIds(form->lstEdit[1]), QStringList{m_dept["T2"]});
            QCOMPARE(items(form->cmbEdit[2]), QStringList{QStringLiteral("/new.pdf")});
            QCOMPARE(items(form->cmbEdit[3]), QStringList{QStringLiteral("Συνημμένο")});
            MsgBoxHook::Clear();
            form->key("save");
            checkWhole(at + QStringLiteral(", saved again"));
            QVERIFY2(criticalBoxes().isEmpty(), qPrintable(at + QLatin1Char(' ') + criticalBoxes().join(u'|')));
        }
        QVERIFY(refused >= 5);
    }

    // A delete cut at any statement leaves the entry deleted without links and files, or as it was
    // with all of them; the page shows what is stored.
    void faultDuringDelete_data() { TestDatabase::addBackendRows(); }
    void faultDuringDelete() {
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Θέμα"));
        const auto reset = [&] {
            exec(QStringLiteral("UPDATE PROTOCOL SET MODFLAG='M'"));
            for (const char* table : {"R_YPEYTH", "R_ANTIGRAFA", "PROT_FILES"}) exec(QStringLiteral("DELETE FROM ") + QLatin1String(table));
            exec(QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, m_dept["T1"]));
            exec(QStringLiteral("INSERT INTO R_ANTIGRAFA (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, m_dept["T2"]));
            exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, '/f.pdf', 1)").arg(id));
            form->txtSearch[1]->clear();
            form->key("list");
            MsgBoxHook::Clear();
            return showEntry(*form, id);
        };
        const auto state = [&] {
            QStringList out{scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + id)};
            for (const char* table : {"R_YPEYTH", "R_ANTIGRAFA", "PROT_FILES"})
                out << QString::number(rows(QLatin1String(table), QStringLiteral("PR_ID=") + id));
            return out;
        };
        QVERIFY(reset());
        const qint64 begin = gConn->StatementCount();
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->key("del");
        const int statements = int(gConn->StatementCount() - begin);
        QCOMPARE(state(), (QStringList{"D", "0", "0", "0"}));
        for (int n = 1; n <= statements; ++n) {
            const QString at = QStringLiteral("fault at statement %1").arg(n);
            QVERIFY2(reset(), qPrintable(at));
            gConn->InjectFault(n, Connection::Fault::DropConnection);
            MsgBoxHook::QueueAnswer(vb::vbYes);
            form->key("del");
            gConn->ClearFault();
            const QStringList now = state();
            if (now.first() == QLatin1String("D")) {
                QCOMPARE(now, (QStringList{"D", "0", "0", "0"}));
                continue;
            }
            QCOMPARE(now, (QStringList{"M", "1", "1", "1"}));
            QVERIFY2(!criticalBoxes().isEmpty(), qPrintable(at));
            QVERIFY2(!form->lblModif->text().contains(modDeclare::ModFlagText(QStringLiteral("D"))), qPrintable(at));
        }
    }

    // The connection dropped before each statement that shows an entry: the entry is shown whole,
    // or the page is emptied and the lost connection said once; on such a page "del" and "copy"
    // read the entry again first and are refused with that reason while it cannot be read, and
    // "edit" reads it again and edits the whole entry. The save then stores what the user chose:
    // no department link stored twice, no hidden attachment left behind.
    void showWhole_data() { TestDatabase::addBackendRows(); }
    void showWhole() {
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString other =
            insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Άλλο"));
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Θέμα"));
        const QString T1 = m_dept["T1"], T2 = m_dept["T2"], T3 = m_dept["T3"];
        const auto reset = [&] {
            if (form->f().Editing()) form->key("cancel");
            for (const char* table : {"R_YPEYTH", "R_ANTIGRAFA", "PROT_FILES"})
                exec(QStringLiteral("DELETE FROM ") + QLatin1String(table));
            exec(QStringLiteral("UPDATE PROTOCOL SET MODFLAG='N', THEMA='Θέμα' WHERE ID=") + id);
            exec(QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2), (%1, %3)")
                     .arg(id, T1, T2));
            exec(QStringLiteral("INSERT INTO R_ANTIGRAFA (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, T3));
            exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, '/a.pdf', 1)")
                     .arg(id));
            exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, FILETYPE, MODUSER) VALUES (%1, "
                                "'v999', 'SYN', 1)")
                     .arg(id));
            const bool shown = showEntry(*form, other) && form->f().ShownWhole();
            MsgBoxHook::Clear();
            return shown;
        };
        const auto page = [&] {
            return QStringList{BoundControl::Value(form->tbEdit[9]).toString()} +
                   selectedIds(form->lstEdit[0]) + QStringList{QStringLiteral("|")} +
                   selectedIds(form->lstEdit[1]) + QStringList{QStringLiteral("|")} +
                   items(form->cmbEdit[2]) + items(form->cmbEdit[3]);
        };
        const QStringList whole{QStringLiteral("Θέμα"),
                                T1,
                                T2,
                                QStringLiteral("|"),
                                T3,
                                QStringLiteral("|"),
                                QStringLiteral("/a.pdf"),
                                QStringLiteral("v999")};
        const QStringList empty{QString(), QStringLiteral("|"), QStringLiteral("|")};
        const auto moveTo = [&](const QString& entry) {
            form->adodc->SetAbsolutePosition(form->f().List()->rowOfKey(entry.toLongLong()) + 1);
        };
        const auto stored = [&] {
            return column(
                       QStringLiteral("SELECT TM_ID FROM R_YPEYTH WHERE PR_ID=%1 ORDER BY TM_ID").arg(id)) +
                   QStringList{QStringLiteral("|")} +
                   column(QStringLiteral("SELECT TM_ID FROM R_ANTIGRAFA WHERE PR_ID=") + id) +
                   QStringList{QStringLiteral("|")} +
                   column(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=%1 ORDER BY FILENAME")
                              .arg(id));
        };
        const auto lostOnce = [&](const QString& at) {
            QVERIFY2(criticalBoxes().size() == 1,
                     qPrintable(at + QStringLiteral(": ") + prompts().join(u'|')));
            QVERIFY2(criticalBoxes().first().contains(Connection::LostText()),
                     qPrintable(at + ": " + criticalBoxes().first()));
            MsgBoxHook::Clear();
        };

        QVERIFY(reset());
        const qint64 begin = gConn->StatementCount();
        moveTo(id);
        const int statements = int(gConn->StatementCount() - begin);
        QCOMPARE(page(), whole);
        QVERIFY(statements >= 6);

        int emptied = 0;
        for (int n = 1; n <= statements; ++n) {
            const QString at = QStringLiteral("dropped before statement %1").arg(n);
            QVERIFY2(reset(), qPrintable(at));
            gConn->InjectFault(n, Connection::Fault::DropConnection);
            moveTo(id);
            gConn->ClearFault();
            QCOMPARE(form->f().CurrentKey().toString(), id);
            if (form->f().ShownWhole()) {
                QCOMPARE(page(), whole);
                QVERIFY2(criticalBoxes().isEmpty(), qPrintable(at + ": " + criticalBoxes().join(u'|')));
            } else {
                ++emptied;
                lostOnce(at);
                QCOMPARE(page(), empty);
                QVERIFY2(form->lblModif->text().isEmpty(), qPrintable(at));
                // Still unreadable: refused, with the reason, before anything is asked or begun.
                for (const char* key : {"del", "copy", "edit"}) {
                    gConn->InjectFault(1, Connection::Fault::DropConnection);
                    form->key(key);
                    gConn->ClearFault();
                    QVERIFY2(!form->f().Editing(), qPrintable(at + ", " + key));
                    QVERIFY2(!prompts().contains(clsDBForm::DeleteQuestion()), qPrintable(at));
                    lostOnce(at + ", " + key);
                    QCOMPARE(page(), empty);
                }
                QVERIFY(scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + id) !=
                        QLatin1String("D"));
            }
            form->key("edit");
            QVERIFY2(form->f().Editing(), qPrintable(at + ": " + prompts().join(u'|')));
            QCOMPARE(page(), whole);
            QVERIFY(prompts().isEmpty());
            // The clerk's change: T2 off, T3 on, the old attachment replaced.
            deptItem(form->lstEdit[0], T2)->setSelected(false);
            deptItem(form->lstEdit[0], T3)->setSelected(true);
            form->cmbEdit[3]->setCurrentIndex(0);
            MsgBoxHook::QueueAnswer(vb::vbYes);
            form->cmdEdit_Click(5);
            form->cmbEdit[3]->setEditText(QStringLiteral("v1695"));
            form->cmdEdit_Click(7);
            MsgBoxHook::Clear();
            form->key("save");
            QVERIFY2(!form->f().Editing(), qPrintable(at + ": " + prompts().join(u'|')));
            QVERIFY2(criticalBoxes().isEmpty(), qPrintable(at + ": " + criticalBoxes().join(u'|')));
            QCOMPARE(stored(), (QStringList{T1, T3, QStringLiteral("|"), T3, QStringLiteral("|"),
                                            QStringLiteral("/a.pdf"), QStringLiteral("v1695")}));
        }
        QVERIFY(emptied >= 5);
    }

    // A link stored behind the window's back (nothing the window shows changed) still meets the
    // unique key at the save: the clerk reads what clashed in Greek, the server's text follows for
    // the administrator, and the edit stays with all that was chosen.
    void clashNamed_data() { TestDatabase::addBackendRows(); }
    void clashNamed() {
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Θέμα"));
        QVERIFY(showEntry(*form, id));
        form->key("edit");
        deptItem(form->lstEdit[0], m_dept["T3"])->setSelected(true);
        QVERIFY(exec(
            QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, m_dept["T3"])));
        form->key("save");
        QVERIFY(form->f().Editing());
        QCOMPARE(criticalBoxes().size(), 1);
        const QString box = criticalBoxes().first();
        QVERIFY2(box.contains(QStringLiteral("\r\nΈνα από τα «Υπεύθυνα τμήματα» της εγγραφής υπάρχει ήδη στη "
                                             "βάση δεδομένων και δεν καταχωρίζεται δεύτερη φορά")),
                 qPrintable(box));
        const QString driver = box.section(QStringLiteral("\r\nΓια τον διαχειριστή: "), 1);
        QVERIFY2(driver.contains(db.backend() == Backend::SQLite ? QStringLiteral("UNIQUE constraint failed")
                                                                 : QStringLiteral("duplicate key value")),
                 qPrintable(box));
        QCOMPARE(selectedIds(form->lstEdit[0]), QStringList{m_dept["T3"]});
    }

    // The type and department lists are read once, for every entry the window shows: without
    // either the window does not open, and says why.
    void initNeedsItsLists_data() { TestDatabase::addBackendRows(); }
    void initNeedsItsLists() {
        TEST_REGISTER(db);
        QVERIFY(open(db, kAll));
        for (int n = 1; n <= 2; ++n) {
            MsgBoxHook::Clear();
            Form form;
            gConn->InjectFault(n, Connection::Fault::DropConnection, Connection::Point::Statement);
            QVERIFY(!form.Init());
            gConn->ClearFault();
            QCOMPARE(criticalBoxes().size(), 1);
            QVERIFY2(criticalBoxes().first().contains(Connection::LostText()),
                     qPrintable(criticalBoxes().first()));
        }
        MsgBoxHook::Clear();
        Form form;
        QVERIFY(form.Init());
        QCOMPARE(form.lstEdit[0]->count(), 3);
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    // The server stopped under a running window: the lost connection is said as such (never as
    // an empty date), nothing is half-written, and once the server is back the same session saves
    // without a new log-in.
    void serverRestart() {
        if (const QString why = OwnCluster::unavailable(); !why.isEmpty()) QSKIP(qPrintable(why));
        OwnCluster cluster;
        QVERIFY(cluster.init());
        QVERIFY(cluster.start());
        QString error;
        const auto conn = cluster.openRegister(&error);
        QVERIFY2(conn, qPrintable(error));
        auto form = open(conn, kAll);
        QVERIFY(form);
        const QString subject = QStringLiteral("Μετά την επανεκκίνηση");
        form->key("add");
        form->setTbText(9, subject);
        deptItem(form->lstEdit[0], m_dept["T1"])->setSelected(true);

        QVERIFY(cluster.stop(QStringLiteral("immediate")));
        form->key("save");
        QVERIFY(form->f().Editing());
        QCOMPARE(criticalBoxes().size(), 1);
        QVERIFY2(criticalBoxes().first().contains(Connection::LostText()) ||
                     criticalBoxes().first().contains(Connection::NotRestoredText()),
                 qPrintable(criticalBoxes().first()));
        QVERIFY(!prompts().join(u'|').contains(QStringLiteral("πρέπει να συμπληρωθεί")));
        QCOMPARE(BoundControl::Value(form->tbEdit[9]).toString(), subject);
        MsgBoxHook::Clear();
        // A new entry while the server is away: the lost connection is said, and no entry is
        // opened that its save would refuse for an empty date.
        form->key("cancel");
        form->key("add");
        QVERIFY(!form->f().Editing());
        QCOMPARE(criticalBoxes().size(), 1);
        QVERIFY(criticalBoxes().first().contains(Connection::NotRestoredText()));
        MsgBoxHook::Clear();

        QVERIFY(cluster.start());
        form->key("add");
        QCOMPARE(form->dtEdit[0]->Value().toDate(), m_today);
        form->setTbText(9, subject);
        deptItem(form->lstEdit[0], m_dept["T1"])->setSelected(true);
        form->key("save");
        QVERIFY2(!form->f().Editing(), qPrintable(prompts().join(u'|')));
        QCOMPARE(prompts(), QStringList{kSaved + QStringLiteral("1")});
        const QString id = form->f().CurrentKey().toString();
        QCOMPARE(column(QStringLiteral("SELECT TM_ID FROM R_YPEYTH WHERE PR_ID=") + id), QStringList{m_dept["T1"]});
        form.reset();
        gConn.reset();
    }

    // A save whose commit died with the connection: the window finds out, once the connection is
    // back, whether the server stored it. Stored: the entry is shown with its number, never written
    // a second time. Not stored: the clerk is told so, and all that was typed is still there for
    // the next save. With the register away at first, the next save finds out first.
    void lostCommit_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("update");
        QTest::addColumn<bool>("reached");  // the commit reached the server, its answer did not
        QTest::addColumn<bool>("away");     // the register cannot be reached right after
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            for (const bool update : {false, true})
                for (const bool reached : {true, false})
                    QTest::newRow(qPrintable(tag + (update ? " edited" : " new") +
                                             (reached ? ", answer lost" : ", commit lost")))
                        << tag << update << reached << false;
            if (b == Backend::SQLite) {
                QTest::newRow("sqlite new, answer lost, register away") << tag << false << true << true;
                QTest::newRow("sqlite new, commit lost, register away") << tag << false << false << true;
            }
        }
    }
    void lostCommit() {
        QFETCH(bool, update);
        QFETCH(bool, reached);
        QFETCH(bool, away);
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString firstId = insertEntry(m_today, QStringLiteral("Δήμος"), QStringLiteral("Α-17"), QStringLiteral("Παλιό"));
        const QString subject = QStringLiteral("Νέο θέμα");
        if (update) {
            QVERIFY(showEntry(*form, firstId));
            form->key("edit");
        } else {
            // What a second save of it would find "already registered".
            form->key("add");
            form->setTbText(0, QStringLiteral("Υπουργείο"));
            form->setTbText(1, QStringLiteral("Β-9"));
        }
        form->setTbText(9, subject);
        deptItem(form->lstEdit[0], m_dept["T3"])->setSelected(true);
        const QString path = gConn->DatabaseName();
        if (away)
            gConn->InjectCall(1, Connection::Point::Commit, [&] { QFile::rename(path, path + ".away"); });
        gConn->InjectFault(1, reached ? Connection::Fault::LoseAnswer : Connection::Fault::DropConnection,
                           Connection::Point::Commit);
        form->key("save");
        gConn->ClearFault();
        const auto stored = [&] {
            return column(QStringLiteral("SELECT ID FROM PROTOCOL WHERE THEMA=") + StrHelper::SqlValue(subject));
        };
        if (away) {
            QVERIFY(QFile::exists(path + ".away"));
            QVERIFY(form->f().Editing());
            QCOMPARE(criticalBoxes().size(), 1);
            QVERIFY2(criticalBoxes().first().contains(clsDBForm::CommitUnknownMessage()), qPrintable(criticalBoxes().first()));
            MsgBoxHook::Clear();
            // Still away: the next save says so and writes nothing.
            form->key("save");
            QVERIFY(form->f().Editing());
            QCOMPARE(criticalBoxes().size(), 1);
            QVERIFY2(criticalBoxes().first().contains(Connection::NotRestoredText()), qPrintable(criticalBoxes().first()));
            MsgBoxHook::Clear();
            QVERIFY(QFile::rename(path + ".away", path));
            form->key("save");
        }
        QVERIFY2(!prompts().join(u'|').contains(QStringLiteral("Είναι ήδη καταχωρημένο")), qPrintable(prompts().join(u'|')));
        if (reached || away) {
            // Stored once, with its departments, and told as any save is.
            QVERIFY2(!form->f().Editing(), qPrintable(prompts().join(u'|')));
            QVERIFY2(criticalBoxes().isEmpty(), qPrintable(criticalBoxes().join(u'|')));
            const QStringList ids = stored();
            QCOMPARE(ids.size(), 1);
            QCOMPARE(column(QStringLiteral("SELECT TM_ID FROM R_YPEYTH WHERE PR_ID=") + ids.first()), QStringList{m_dept["T3"]});
            QCOMPARE(prompts(), update ? QStringList() : QStringList{kSaved + QStringLiteral("2")});
            QCOMPARE(form->f().CurrentKey().toString(), ids.first());
            QCOMPARE(BoundControl::Value(form->tbEdit[9]).toString(), subject);
            QCOMPARE(rows(QStringLiteral("PROTOCOL"), QStringLiteral("1=1")), update ? 1 : 2);
            return;
        }
        // Not stored: said so, everything typed kept, and the next save stores it once.
        QVERIFY(stored().isEmpty());
        QVERIFY(form->f().Editing());
        QCOMPARE(criticalBoxes().size(), 1);
        QVERIFY2(criticalBoxes().first().contains(clsDBForm::CommitLostMessage()), qPrintable(criticalBoxes().first()));
        QCOMPARE(BoundControl::Value(form->tbEdit[9]).toString(), subject);
        QCOMPARE(selectedIds(form->lstEdit[0]).contains(m_dept["T3"]), true);
        MsgBoxHook::Clear();
        form->key("save");
        QVERIFY2(!form->f().Editing(), qPrintable(prompts().join(u'|')));
        QCOMPARE(stored().size(), 1);
        QCOMPARE(prompts(), update ? QStringList() : QStringList{kSaved + QStringLiteral("2")});
    }

    // Two clerks on one entry: a save of what another clerk changed or deleted since it was shown
    // is refused, nothing of the other's work is lost, and the clerk may see the entry as it is now.
    void concurrentEdit_data() { conflictRows("changed, keep typing"); }
    void concurrentEdit() {
        QFETCH(QString, other);
        QFETCH(int, answer);
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString id = conflictEntry();
        QVERIFY(!id.isEmpty());
        QVERIFY(showEntry(*form, id));
        form->key("edit");
        form->setTbText(0, QStringLiteral("Νέος αποστολέας"));
        deptItem(form->lstEdit[0], m_dept["T1"])->setSelected(false);

        // The second clerk, on a connection of their own, in the same second.
        const ConnectionPtr clerkB = db.openAnother();
        QVERIFY(clerkB->Execute(otherClerkSql(other, id)));
        MsgBoxHook::QueueAnswer(answer);
        form->key("save");
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().first();
        if (other == QLatin1String("change")) {
            QCOMPARE(box.prompt, clsDBForm::ConflictQuestion());
            QCOMPARE(box.buttonSet(), int(vb::vbYesNo));
            QCOMPARE(scalar(QStringLiteral("SELECT THEMA FROM PROTOCOL WHERE ID=") + id), QStringLiteral("Θέμα του Β"));
            QCOMPARE(scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + id), QStringLiteral("M"));
        } else {
            QVERIFY(box.prompt.contains(clsDBForm::DeletedMessage()));
            QCOMPARE(scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + id), QStringLiteral("D"));
        }
        // Nothing of the refused save was written.
        QCOMPARE(scalar(QStringLiteral("SELECT APO FROM PROTOCOL WHERE ID=") + id), QStringLiteral("Δήμος"));
        QCOMPARE(scalar(QStringLiteral("SELECT MODUSER FROM PROTOCOL WHERE ID=") + id), QStringLiteral("2"));
        QCOMPARE(rows(QStringLiteral("R_YPEYTH"), QStringLiteral("PR_ID=") + id), 1);
        const bool seen = answer == vb::vbYes;
        QCOMPARE(form->f().Editing(), !seen);
        QCOMPARE(BoundControl::Value(form->tbEdit[0]).toString(),
                 seen ? QStringLiteral("Δήμος") : QStringLiteral("Νέος αποστολέας"));
        if (seen) {
            QCOMPARE(BoundControl::Value(form->tbEdit[9]).toString(), QStringLiteral("Θέμα του Β"));
            // Shown afresh, the entry can be changed again.
            MsgBoxHook::Clear();
            form->key("edit");
            form->setTbText(0, QStringLiteral("Νέος αποστολέας"));
            form->key("save");
            QVERIFY2(MsgBoxHook::Log().isEmpty(), qPrintable(prompts().join(u'|')));
            QCOMPARE(scalar(QStringLiteral("SELECT APO FROM PROTOCOL WHERE ID=") + id), QStringLiteral("Νέος αποστολέας"));
            QCOMPARE(scalar(QStringLiteral("SELECT THEMA FROM PROTOCOL WHERE ID=") + id), QStringLiteral("Θέμα του Β"));
        }
    }

    // A delete of an entry another clerk changed or deleted since it was shown is not carried
    // out: the clerk is told, the entry keeps its departments and files, and may see it as it is.
    void concurrentDelete_data() { conflictRows("changed, leave it"); }
    void concurrentDelete() {
        QFETCH(QString, other);
        QFETCH(int, answer);
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString id = conflictEntry();
        QVERIFY(!id.isEmpty());
        QVERIFY(
            exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, '/f.pdf', 1)")
                     .arg(id)));
        QVERIFY(showEntry(*form, id));
        QVERIFY(db.openAnother()->Execute(otherClerkSql(other, id)));
        MsgBoxHook::QueueAnswer(vb::vbYes);
        MsgBoxHook::QueueAnswer(answer);
        form->key("del");
        QCOMPARE(MsgBoxHook::Log().size(), 2);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().at(1);
        if (other == QLatin1String("change")) {
            QCOMPARE(box.prompt, clsDBForm::DeleteConflictQuestion());
            QCOMPARE(box.buttonSet(), int(vb::vbYesNo));
            QCOMPARE(scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + id),
                     QStringLiteral("M"));
            QCOMPARE(BoundControl::Value(form->tbEdit[9]).toString(),
                     answer == vb::vbYes ? QStringLiteral("Θέμα του Β") : QStringLiteral("Θέμα"));
        } else {
            QVERIFY2(box.prompt.contains(clsDBForm::DeletedMessage()), qPrintable(box.prompt));
            QCOMPARE(box.icon(), int(vb::vbCritical));
        }
        // Nothing of the refused delete was written.
        QCOMPARE(scalar(QStringLiteral("SELECT MODUSER FROM PROTOCOL WHERE ID=") + id), QStringLiteral("2"));
        QCOMPARE(rows(QStringLiteral("R_YPEYTH"), QStringLiteral("PR_ID=") + id), 1);
        QCOMPARE(rows(QStringLiteral("PROT_FILES"), QStringLiteral("PR_ID=") + id), 1);
        QVERIFY(!gConn->InTransaction());
    }

    // The open-file key follows the document files listed; a file added and removed again in one
    // edit leaves the stored ones alone; an entry without departments leaves no current item.
    void recordPageStates_data() { TestDatabase::addBackendRows(); }
    void recordPageStates() {
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString withAll = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Α"));
        const QString bare = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Β"));
        QVERIFY(exec(QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(withAll, m_dept["T2"])));
        QVERIFY(exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, '/kept.pdf', 1)")
                         .arg(withAll)));
        QVERIFY(exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, FILETYPE, MODUSER) VALUES (%1, 'Σ', 'SYN', 1)")
                         .arg(bare)));

        QVERIFY(showEntry(*form, withAll));
        QVERIFY(form->lstEdit[0]->currentRow() >= 0);
        QVERIFY(form->cmdEdit[1]->isEnabled());
        QVERIFY(showEntry(*form, bare));
        for (int l = 0; l < 2; ++l) QCOMPARE(form->lstEdit[l]->currentRow(), -1);
        QVERIFY(!form->cmdEdit[1]->isEnabled());  // an attachment is no file to open

        form->key("add");
        QVERIFY(!form->cmdEdit[1]->isEnabled());
        addFile(*form, docFile(QStringLiteral("/n.pdf")));
        QVERIFY(form->cmdEdit[1]->isEnabled());
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->cmdEdit_Click(11);
        QVERIFY(!form->cmdEdit[1]->isEnabled());
        form->key("cancel");

        QVERIFY(showEntry(*form, withAll));
        const QStringList storedIds = form->FileIds();
        form->key("edit");
        QVERIFY(form->cmdEdit[1]->isEnabled());
        addFile(*form, docFile(QStringLiteral("/just-added.pdf")));
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->cmdEdit_Click(11);  // the just-added one is current
        QCOMPARE(items(form->cmbEdit[2]), QStringList{QStringLiteral("/kept.pdf")});
        QCOMPARE(form->FileIds(), storedIds);
        form->key("save");
        QVERIFY(!form->f().Editing());
        QCOMPARE(column(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=") + withAll),
                 QStringList{QStringLiteral("/kept.pdf")});
    }

    // A stored department link that stays selected is neither deleted nor inserted again.
    void storedLinkUntouched() {
        TestDatabase db(Backend::SQLite);
        QVERIFY(db.ok());
        QVERIFY(createRegister(db));
        auto form = open(db, kIncoming);
        QVERIFY(form);
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Θέμα"));
        QVERIFY(exec(QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, m_dept["T1"])));
        QVERIFY(exec(QStringLiteral("CREATE TABLE LINK_LOG (WHAT TEXT)")));
        QVERIFY(exec(QStringLiteral("CREATE TRIGGER LOG_DEL AFTER DELETE ON R_YPEYTH BEGIN"
                                    " INSERT INTO LINK_LOG VALUES ('-' || OLD.TM_ID); END")));
        QVERIFY(exec(QStringLiteral("CREATE TRIGGER LOG_INS AFTER INSERT ON R_YPEYTH BEGIN"
                                    " INSERT INTO LINK_LOG VALUES ('+' || NEW.TM_ID); END")));
        QVERIFY(showEntry(*form, id));
        form->key("edit");
        deptItem(form->lstEdit[0], m_dept["T3"])->setSelected(true);
        form->key("save");
        QVERIFY(!form->f().Editing());
        QCOMPARE(column(QStringLiteral("SELECT WHAT FROM LINK_LOG")), QStringList{u'+' + m_dept["T3"]});
    }

    // A copy is a new entry: its own number, MODUSER, the new entry's duplicate warning, and the
    // departments, files and attachments it shows, stored as its own rows.
    void copyEntry_data() { TestDatabase::addBackendRows(); }
    void copyEntry() {
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        const QString source = insertEntry(m_today, QStringLiteral("Δήμος"), QStringLiteral("77"), QStringLiteral("Θέμα"));
        QVERIFY(exec(QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(source, m_dept["T1"])));
        QVERIFY(exec(QStringLiteral("INSERT INTO R_ANTIGRAFA (PR_ID, TM_ID) VALUES (%1, %2)").arg(source, m_dept["T2"])));
        QVERIFY(exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, '/f.pdf', 1)")
                         .arg(source)));
        QVERIFY(exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, FILETYPE, MODUSER) VALUES (%1, 'Σ', 'SYN', 1)")
                         .arg(source)));
        const auto filesOf = [](const QString& id) {
            return column(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=%1 ORDER BY FILENAME").arg(id));
        };
        QVERIFY(showEntry(*form, source));
        form->key("copy");
        QVERIFY(form->f().Editing());
        QCOMPARE(items(form->cmbEdit[2]), QStringList{QStringLiteral("/f.pdf")});
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->key("save");
        QVERIFY(!form->f().Editing());
        QCOMPARE(MsgBoxHook::Log().size(), 2);
        QVERIFY(MsgBoxHook::Log().first().prompt.startsWith(QStringLiteral("Εισερχ. Πρωτόκολλο: '77'/Από: 'Δήμος'")));
        const QString copy = form->f().CurrentKey().toString();
        QVERIFY(copy != source);
        QCOMPARE(MsgBoxHook::Log().at(1).prompt, kSaved + QStringLiteral("2"));
        QCOMPARE(scalar(QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ID=") + copy), QStringLiteral("2"));
        QCOMPARE(scalar(QStringLiteral("SELECT MODUSER FROM PROTOCOL WHERE ID=") + copy), QString::number(kUserId));
        QCOMPARE(scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + copy), QStringLiteral("N"));
        QCOMPARE(column(QStringLiteral("SELECT TM_ID FROM R_YPEYTH WHERE PR_ID=") + copy), QStringList{m_dept["T1"]});
        QCOMPARE(column(QStringLiteral("SELECT TM_ID FROM R_ANTIGRAFA WHERE PR_ID=") + copy), QStringList{m_dept["T2"]});
        QCOMPARE(filesOf(copy), (QStringList{QStringLiteral("/f.pdf"), QStringLiteral("Σ")}));
        // The source keeps its own rows.
        QCOMPARE(filesOf(source), (QStringList{QStringLiteral("/f.pdf"), QStringLiteral("Σ")}));
        QCOMPARE(rows(QStringLiteral("R_YPEYTH"), QStringLiteral("PR_ID=") + source), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + source), QStringLiteral("N"));
    }

    // Removing a stored file or attachment asks first; the same name added again is a new row.
    void removeStoredItem_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("attachment");
        QTest::addColumn<int>("answer");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            for (const bool attachment : {false, true}) {
                const QString kind = tag + (attachment ? " attachment " : " file ");
                QTest::newRow(qPrintable(kind + "yes")) << tag << attachment << int(vb::vbYes);
                QTest::newRow(qPrintable(kind + "no")) << tag << attachment << int(vb::vbNo);
                QTest::newRow(qPrintable(kind + "cancel")) << tag << attachment << int(vb::vbCancel);
            }
        }
    }
    void removeStoredItem() {
        QFETCH(bool, attachment);
        QFETCH(int, answer);
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Θέμα"));
        // One stored item of the other kind, which must stay as it is.
        QVERIFY(exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, FILETYPE, MODUSER) VALUES "
                                    "(%1, '/d/f.pdf', %2, 1), (%1, 'Άλλο', %3, 1)")
                         .arg(id, attachment ? QStringLiteral("'SYN'") : QStringLiteral("NULL"),
                              attachment ? QStringLiteral("NULL") : QStringLiteral("'SYN'"))));
        const QString kindCond =
            attachment ? QStringLiteral(" AND FILETYPE='SYN'") : QStringLiteral(" AND FILETYPE IS NULL");
        const QString oldId = scalar(QStringLiteral("SELECT F_ID FROM PROT_FILES WHERE FILENAME='/d/f.pdf'"));
        const QString otherId = scalar(QStringLiteral("SELECT F_ID FROM PROT_FILES WHERE FILENAME='Άλλο'"));
        QVERIFY(showEntry(*form, id));
        const int combo = attachment ? 3 : 2;
        QCOMPARE(items(form->cmbEdit[combo]), QStringList{QStringLiteral("/d/f.pdf")});
        form->key("edit");
        QVERIFY(form->cmdEdit[11]->isEnabled());
        MsgBoxHook::QueueAnswer(answer);
        form->cmdEdit_Click(attachment ? 5 : 11);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().first();
        QCOMPARE(box.prompt, (attachment ? QStringLiteral("Σίγουρα να αφαιρεθεί το συνημμένο: ")
                                         : QStringLiteral("Σίγουρα να αφαιρεθεί το αρχείο: ")) +
                                 QStringLiteral("/d/f.pdf ;"));
        QCOMPARE(box.buttonSet(), int(vb::vbYesNoCancel));
        QCOMPARE(box.icon(), int(vb::vbQuestion));
        MsgBoxHook::Clear();
        const bool removed = answer == vb::vbYes;
        QCOMPARE(form->cmbEdit[combo]->count(), removed ? 0 : 1);
        QCOMPARE(form->lblFilesCnt[combo]->text(), removed ? QStringLiteral("[0]") : QStringLiteral("[1]"));
        if (removed && attachment) {
            form->cmbEdit[3]->setEditText(QStringLiteral("/d/f.pdf"));
            form->cmdEdit_Click(7);
        } else if (removed) {
            addFile(*form, docFile(QStringLiteral("/d/f.pdf")));
        }
        QVERIFY(prompts().isEmpty());
        form->key("save");
        QVERIFY(!form->f().Editing());
        QVERIFY2(criticalBoxes().isEmpty(), qPrintable(criticalBoxes().join(u'|')));
        const QStringList ids =
            column(QStringLiteral("SELECT F_ID FROM PROT_FILES WHERE PR_ID=") + id + kindCond);
        QCOMPARE(ids.size(), 1);
        QCOMPARE(ids.first() == oldId, !removed);
        QCOMPARE(column(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=") + id + kindCond),
                 QStringList{QStringLiteral("/d/f.pdf")});
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM PROT_FILES WHERE F_ID=") + otherId),
                 QStringLiteral("1"));
    }

    // The remove key of the files is offered in an edit only with the delete right.
    void removeNeedsDeleteRight_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<long>("auth");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " without")) << tag << kIncoming;
            QTest::newRow(qPrintable(tag + " with")) << tag << kAll;
        }
    }
    void removeNeedsDeleteRight() {
        QFETCH(long, auth);
        TEST_REGISTER(db);
        auto form = open(db, auth);
        QVERIFY(form);
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Θέμα"));
        QVERIFY(showEntry(*form, id));
        QVERIFY(!form->cmdEdit[11]->isEnabled());
        for (const char* action : {"edit", "add"}) {
            form->key(action);
            QVERIFY(form->f().Editing());
            QCOMPARE(form->cmdEdit[11]->isEnabled(), bool(auth & Rights::ProtocolDelete));
            QVERIFY(form->cmdEdit[6]->isEnabled());
            form->key("cancel");
        }
    }

    // The duplicate warning before a save, and its answers.
    void duplicateWarning_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("warns");
        const QList<std::tuple<const char*, int, bool>> cases{
            {"new same incoming number", vb::vbYes, true},
            {"new same incoming number", vb::vbNo, true},
            {"new same incoming number", vb::vbCancel, true},
            {"new same incoming number other sender", 0, false},
            {"new same incoming number other year", 0, false},
            {"update to another entry's number", vb::vbNo, true},
            {"update unchanged", 0, false},
            {"new no number same subject", vb::vbNo, true},
            {"new no number other day", 0, false},
            {"update no number same subject", 0, false},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& [situation, answer, warns] : cases)
                QTest::newRow(qPrintable(QStringLiteral("%1 %2 %3")
                                             .arg(TestDatabase::backendTag(b), QLatin1String(situation))
                                             .arg(answer)))
                    << TestDatabase::backendTag(b) << QString::fromLatin1(situation) << answer << warns;
    }
    void duplicateWarning() {
        QFETCH(QString, situation);
        QFETCH(int, answer);
        QFETCH(bool, warns);
        TEST_REGISTER(db);
        auto form = open(db, kIncoming);
        QVERIFY(form);
        const QString sender = QStringLiteral("O'Neil & Σία");
        const QString stored =
            insertEntry(m_today, sender, QStringLiteral("12/2026"), QStringLiteral("Αίτηση"));
        insertEntry(m_today.addYears(-1), QStringLiteral("Άλλος"), QStringLiteral("77"),
                    QStringLiteral("Παλιό"));
        const QString third =
            insertEntry(m_today, QStringLiteral("Τρίτος"), QStringLiteral("99"), QStringLiteral("Τρίτο"));
        const QString noNumber = insertEntry(m_today, sender, QString(), QStringLiteral("Χωρίς αριθμό"));
        const int before = rows(QStringLiteral("PROTOCOL"), QStringLiteral("1=1"));

        bool isNew = situation.startsWith(QLatin1String("new"));
        if (isNew) {
            form->key("add");
            form->setTbText(0, sender);
            form->setTbText(1, QStringLiteral("12/2026"));
            form->setTbText(9, QStringLiteral("Νέο θέμα"));
            if (situation.endsWith(QLatin1String("other sender")))
                form->setTbText(0, QStringLiteral("Κάποιος"));
            if (situation.endsWith(QLatin1String("other year"))) {
                form->setTbText(0, QStringLiteral("Άλλος"));
                form->setTbText(1, QStringLiteral("77"));
            }
            if (situation.contains(QLatin1String("no number"))) {
                form->setTbText(1, QString());
                form->setTbText(9, QStringLiteral("Χωρίς αριθμό"));
            }
            if (situation.endsWith(QLatin1String("other day")))
                form->dtEdit[0]->SetValue(m_today.addDays(-1));
        } else if (situation == QLatin1String("update to another entry's number")) {
            QVERIFY(showEntry(*form, third));
            form->key("edit");
            form->setTbText(0, sender);
            form->setTbText(1, QStringLiteral("12/2026"));
        } else if (situation == QLatin1String("update unchanged")) {
            QVERIFY(showEntry(*form, stored));
            form->key("edit");
        } else {
            QVERIFY(showEntry(*form, noNumber));
            form->key("edit");
        }
        if (answer) MsgBoxHook::QueueAnswer(answer);
        form->key("save");

        const QList<MsgBoxHook::Shown> log = MsgBoxHook::Log();
        const bool saved = !warns || answer == vb::vbYes;
        QCOMPARE(form->f().Editing(), !saved);
        QCOMPARE(rows(QStringLiteral("PROTOCOL"), QStringLiteral("1=1")), before + (isNew && saved ? 1 : 0));
        if (!warns) {
            QCOMPARE(log.size(), isNew ? 1 : 0);  // the number of the saved entry, or nothing
            if (isNew) QVERIFY(log.first().prompt.startsWith(kSaved));
            return;
        }
        QVERIFY(!log.isEmpty());
        const MsgBoxHook::Shown box = log.first();
        QCOMPARE(box.buttons, 307);
        QVERIFY2(box.prompt.contains(situation.contains(QLatin1String("no number"))
                                         ? QStringLiteral("'Χωρίς αριθμό'")
                                         : QStringLiteral("'12/2026'")),
                 qPrintable(box.prompt));
        QVERIFY(box.prompt.contains(StrHelper::SqlValue(sender)));
        QVERIFY(
            box.prompt.contains(QStringLiteral(" σε άλλη εγγραφή με AA Πρωτοκόλλου / Ημερομηνία / Θέμα:")));
        QVERIFY(box.prompt.endsWith(QStringLiteral("Να γίνει αποδεκτό;")));
        // The stored entry it found is named by its number, day and subject.
        const QString found = situation.contains(QLatin1String("no number")) ? noNumber : stored;
        QVERIFY2(
            box.prompt.contains(scalar(QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ID=") + found) +
                                QStringLiteral("\r\n") + m_today.toString(QStringLiteral("dd/MM/yyyy"))),
            qPrintable(box.prompt));
        QCOMPARE(log.size(), saved ? 2 : 1);
    }

    // Delete marks the entry and drops its links and files; the search lists it again, coloured.
    void deleteEntry_data() { TestDatabase::addBackendRows(); }
    void deleteEntry() {
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        const QString id =
            insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Διαγραφή"));
        const QString other =
            insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Μένει"));
        QVERIFY(exec(
            QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, m_dept["T1"])));
        QVERIFY(exec(
            QStringLiteral("INSERT INTO R_ANTIGRAFA (PR_ID, TM_ID) VALUES (%1, %2)").arg(id, m_dept["T2"])));
        QVERIFY(exec(
            QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(other, m_dept["T1"])));
        for (const QString& pr : {id, other})
            QVERIFY(exec(
                QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, '/f.pdf', 1)")
                    .arg(pr)));
        QVERIFY(exec(
            QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, FILETYPE, MODUSER) VALUES (%1, 'Σ', "
                           "'SYN', 1)")
                .arg(id)));
        QVERIFY(showEntry(*form, id));

        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->key("del");
        QCOMPARE(prompts().value(0), QStringLiteral("Σίγουρα να γίνει η διαγραφή;"));
        QVERIFY2(criticalBoxes().isEmpty(), qPrintable(criticalBoxes().join(u'|')));
        QCOMPARE(scalar(QStringLiteral("SELECT MODFLAG FROM PROTOCOL WHERE ID=") + id), QStringLiteral("D"));
        QCOMPARE(scalar(QStringLiteral("SELECT MODUSER FROM PROTOCOL WHERE ID=") + id),
                 QString::number(kUserId));
        for (const char* table : {"R_YPEYTH", "R_ANTIGRAFA", "PROT_FILES"})
            QCOMPARE(rows(QLatin1String(table), QStringLiteral("PR_ID=") + id), 0);
        // Another entry's links and files stay.
        QCOMPARE(rows(QStringLiteral("R_YPEYTH"), QStringLiteral("PR_ID=") + other), 1);
        QCOMPARE(rows(QStringLiteral("PROT_FILES"), QStringLiteral("PR_ID=") + other), 1);

        QVERIFY(form->f().ListStatement().contains(frmProtocol::BaseCondition()));
        QCOMPARE(form->f().List()->rowOfKey(id.toLongLong()), -1);
        QVERIFY(form->f().List()->rowOfKey(other.toLongLong()) >= 0);

        form->txtSearch[1]->clear();
        form->key("list");
        const int row = form->f().List()->rowOfKey(id.toLongLong());
        QVERIFY(row >= 0);
        GridModel* grid = form->f().Grid();
        QCOMPARE(grid->data(grid->index(row, 1), Qt::BackgroundRole).value<QColor>(), QColor(255, 200, 200));
        const int kept = form->f().List()->rowOfKey(other.toLongLong());
        QVERIFY(!grid->data(grid->index(kept, 1), Qt::BackgroundRole).isValid());
    }

    // The search statement and condition the search page's boxes make.
    void searchCondition_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("where");  // %T1 stands for the department's ID
        const QList<std::tuple<const char*, int, const char*, const char*>> cases{
            {"all empty", -1, "", ""},
            {"unknown department", 10, "ZZ", ""},
            {"unknown copy department", 11, "ZZ", ""},
            {"known department", 10, "T1", "P.ID in (select PR_ID FROM R_YPEYTH WHERE TM_ID IN (%T1))"},
            {"known copy department", 11, "t1",
             "P.ID in (select PR_ID FROM R_ANTIGRAFA WHERE TM_ID IN (%T1))"},
            {"year letters", 1, "abc", "ETOS=0"},
            {"year with letter", 1, "2025x", "ETOS=2025"},
            {"year blank", 1, "   ", ""},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& [name, box, text, where] : cases)
                QTest::newRow(qPrintable(TestDatabase::backendTag(b) + ' ' + name))
                    << TestDatabase::backendTag(b) << box << QString::fromLatin1(text)
                    << QString::fromLatin1(where);
    }
    void searchCondition() {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(QString, where);
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        form->txtSearch[1]->clear();
        if (box >= 0) form->txtSearch[box]->setText(text);
        form->key("list");
        where.replace(QLatin1String("%T1"), m_dept["T1"]);
        QCOMPARE(gSearchWhere, where);
        QString statement = QStringLiteral(
            "SELECT P.*, EIS.CODE as EIS_TYPOS_CODE, EX.CODE as EX_TYPOS_CODE  FROM PROTOCOL P LEFT JOIN "
            "L_TYPOI EIS ON "
            "EIS.ID = P.EIS_TYPOS_ID LEFT JOIN L_TYPOI EX ON EX.ID = P.EX_TYPOS_ID");
        if (!where.isEmpty()) statement += QStringLiteral(" WHERE ") + where;
        QCOMPARE(form->f().ListStatement(), statement);
        QVERIFY(form->f().List()->IsOpen());
        QVERIFY(criticalBoxes().isEmpty());
        QCOMPARE(form->tabA->currentIndex(), int(clsDBForm::ListPage));
    }

    // The searches list the right entries.
    void searchLists_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("expected");  // subjects
        const QList<std::pair<const char*, QStringList>> cases{
            {"date range", {"Δεύτερη", "Τρίτη"}}, {"one day", {"Τρίτη"}},
            {"department", {"Δεύτερη"}},          {"type", {"Πρώτη"}},
            {"subject contains", {"Τρίτη"}},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& [kind, expected] : cases)
                QTest::newRow(qPrintable(TestDatabase::backendTag(b) + ' ' + kind))
                    << TestDatabase::backendTag(b) << QString::fromLatin1(kind) << expected;
    }
    void searchLists() {
        QFETCH(QString, kind);
        QFETCH(QStringList, expected);
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        const QDate d1(2024, 3, 10);
        insertEntry(d1, QStringLiteral("Α"), QString(), QStringLiteral("Πρώτη"));
        const QString second =
            insertEntry(d1.addDays(1), QStringLiteral("Β"), QString(), QStringLiteral("Δεύτερη"));
        insertEntry(d1.addDays(2), QStringLiteral("Γ"), QString(), QStringLiteral("Τρίτη θέση"));
        insertEntry(d1.addDays(3), QStringLiteral("Δ"), QString(), QStringLiteral("Τέταρτη"));
        QVERIFY(exec(QStringLiteral("UPDATE PROTOCOL SET EIS_TYPOS_ID=%1 WHERE THEMA='Πρώτη'")
                         .arg(scalar(QStringLiteral("SELECT ID FROM L_TYPOI WHERE CODE='FAX'")))));
        QVERIFY(exec(
            QStringLiteral("INSERT INTO R_YPEYTH (PR_ID, TM_ID) VALUES (%1, %2)").arg(second, m_dept["T2"])));
        expected.replaceInStrings(QStringLiteral("Τρίτη"), QStringLiteral("Τρίτη θέση"));

        form->key("clear");
        form->txtSearch[1]->clear();
        if (kind == QLatin1String("date range")) {
            form->dtSearch[0]->SetValue(d1.addDays(1));
            form->dtSearch[1]->SetValue(d1.addDays(2));
        } else if (kind == QLatin1String("one day")) {
            form->dtSearch[0]->SetValue(d1.addDays(2));
            form->dtSearch[1]->SetValue(d1.addDays(2));
        } else if (kind == QLatin1String("department")) {
            form->txtSearch[10]->setText(QStringLiteral("T2"));
        } else if (kind == QLatin1String("type")) {
            form->txtSearch[3]->setText(QStringLiteral("fax"));
        } else {
            form->txtSearch[12]->setText(QStringLiteral("ΤΡΙΤΗ"));
        }
        form->key("list");
        QVERIFY2(criticalBoxes().isEmpty(), qPrintable(criticalBoxes().join(u'|')));
        QStringList listed;
        const auto list = form->f().List();
        const int thema = list->fieldIndex(QStringLiteral("THEMA"));
        for (int r = 0; r < list->rowCount(); ++r) listed << list->value(r, thema).toString();
        listed.sort();
        expected.sort();
        QCOMPARE(listed, expected);
    }

    // The search page's type choice fills the code box; "clear" empties the page.
    void searchPageHelpers_data() { TestDatabase::addBackendRows(); }
    void searchPageHelpers() {
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        const auto choose = [&](int combo, int index) {
            form->cmbSearch[combo]->setCurrentIndex(index);
            form->cmbSearch_Click(combo);
        };
        QCOMPARE(form->cmbSearch[0]->count(), 2);  // DOC, FAX
        choose(0, 1);
        QCOMPARE(form->txtSearch[3]->text(), QStringLiteral("FAX"));
        choose(0, 1);
        QCOMPARE(form->txtSearch[3]->text(), QStringLiteral("FAX"));
        choose(0, 0);
        QCOMPARE(form->txtSearch[3]->text(), QStringLiteral("FAX,DOC"));
        choose(2, 2);
        QCOMPARE(form->txtSearch[10]->text(), QStringLiteral("T3"));

        // The sender picker adds its choice to the comma list once.
        for (int round = 0; round < 2; ++round) {
            auto picker = PickerDriver::choose(QStringLiteral("Δήμ"));
            form->cmdSearch_Click(0);
            QVERIFY(picker.shown());
            QCOMPARE(picker.title(), QStringLiteral("Επιλογή 'Από'"));
            QCOMPARE(form->txtSearch[2]->text(), QStringLiteral("Δήμος Αθηναίων"));
        }
        {
            auto picker = PickerDriver::cancel();
            form->cmdSearch_Click(1);
            QVERIFY(picker.shown());
            QCOMPARE(picker.title(), QStringLiteral("Επιλογή 'Προς'"));
            QCOMPARE(form->txtSearch[6]->text(), QString());
        }

        form->txtSearch[12]->setText(QStringLiteral("κάτι"));
        form->dtSearch[0]->SetValue(QDate(2020, 1, 1));
        form->txtSearch[1]->setText(QStringLiteral("1999"));
        form->key("clear");
        QCOMPARE(form->txtSearch[3]->text(), QString());
        QCOMPARE(form->txtSearch[10]->text(), QString());
        QCOMPARE(form->txtSearch[12]->text(), QString());
        QVERIFY(!form->dtSearch[0]->HasDate());
        QCOMPARE(form->txtSearch[1]->text(), QString::number(QDate::currentDate().year()));
    }

    // The record page's keys open the pickers whose buttons are enabled.
    void pickerKeys_data() { TestDatabase::addBackendRows(); }
    void pickerKeys() {
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const auto press = [&](QWidget* at, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
            // The offscreen platform does not give the activation back when a modal box closes.
            form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
            at->setFocus();
            QCOMPARE(QApplication::focusWidget(), at);
            QTest::keyClick(at, key, mods);
        };

        form->key("add");
        form->setTbText(9, QStringLiteral("Παλιό "));
        {
            auto picker = PickerDriver::choose(QStringLiteral("Αίτ"));
            press(form->tbEdit[3], Qt::Key_F9);
            QVERIFY(picker.shown());
            QCOMPARE(picker.title(), QStringLiteral("Επιλογή φράσης"));
        }
        QCOMPARE(form->tbText(9), QStringLiteral("Παλιό Αίτηση άδειας "));
        auto* subject = qobject_cast<QPlainTextEdit*>(form->tbEdit[9]);
        QVERIFY(subject);
        QCOMPARE(subject->textCursor().selectedText(), form->tbText(9));
        QCOMPARE(form->focusWidget(), subject);
        {
            auto picker = PickerDriver::choose(QStringLiteral("Βεβ"));
            press(subject, Qt::Key_F9);
            QVERIFY(picker.shown());
        }
        QCOMPARE(form->tbText(9), QStringLiteral("Παλιό Αίτηση άδειας Βεβαίωση "));
        {
            auto picker = PickerDriver::cancel();
            press(subject, Qt::Key_F9);
            QVERIFY(picker.shown());
        }
        QCOMPARE(form->tbText(9), QStringLiteral("Παλιό Αίτηση άδειας Βεβαίωση "));

        // Ctrl+F7 without the recipient's picker falls through to the sender's.
        form->cmdEdit[4]->setEnabled(false);
        {
            auto picker = PickerDriver::choose(QStringLiteral("Δήμ"));
            press(form->tbEdit[3], Qt::Key_F7, Qt::ControlModifier);
            QVERIFY(picker.shown());
            QCOMPARE(picker.title(), QStringLiteral("Επιλογή 'Από'"));
        }
        QCOMPARE(form->tbText(0), QStringLiteral("Δήμος Αθηναίων"));
        QCOMPARE(form->tbText(4), QString());
        form->key("cancel");

        // In view the buttons are disabled: the keys are not the form's.
        QVERIFY(!form->cmdEdit[10]->isEnabled());
        for (const int code : {118, 119, 120}) {
            int key = code, shift = 0;
            PickerDriver picker([](frmPhrases* w) { w->reject(); });
            form->Form_KeyDown(key, shift);
            QCoreApplication::processEvents();
            QCOMPARE(key, code);
            QVERIFY(!picker.shown());
        }

        // On the search page no key opens a picker, even while the buttons are enabled.
        for (int i : {0, 4, 9, 10}) form->cmdEdit[i]->setEnabled(true);
        form->key("search");
        QCOMPARE(form->tabA->currentIndex(), int(clsDBForm::SearchPage));
        for (const auto& [key, mods] : QList<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
                 {Qt::Key_F7, {}}, {Qt::Key_F7, Qt::ControlModifier}, {Qt::Key_F8, {}}, {Qt::Key_F9, {}}}) {
            PickerDriver picker([](frmPhrases* w) { w->reject(); });
            press(form->txtSearch[12], key, mods);
            QCoreApplication::processEvents();
            QVERIFY(!picker.shown());
        }
    }

    // The register window from the keyboard: each toolbar key has a shortcut of its own, shown in
    // its tooltip and none of the keys the forms or the main window take; Ctrl+N adds, Esc
    // abandons (also a new entry), Ctrl+S saves, Ctrl+E edits, Enter on a list row shows it on the
    // record page, and the toolbar is in the Tab order before the pages.
    void keyboard_data() { TestDatabase::addBackendRows(); }
    void keyboard() {
        TEST_REGISTER(db);
        auto form = open(db, kEdit | Rights::ProtocolDelete);
        QVERIFY(form);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const auto press = [&](QWidget* at, int key, Qt::KeyboardModifiers mods = {}) {
            // The offscreen platform does not give the activation back when a modal box closes.
            form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
            at->setFocus();
            QTest::keyClick(at, Qt::Key(key), mods);
        };

        const QList<QKeySequence> formsKeys{Qt::Key_F2,
                                            Qt::Key_F7,
                                            Qt::Key_F8,
                                            Qt::Key_F9,
                                            Qt::CTRL | Qt::Key_F7,
                                            Qt::CTRL | Qt::Key_X,
                                            Qt::CTRL | Qt::Key_A,
                                            Qt::CTRL | Qt::ALT | Qt::Key_A,
                                            Qt::ALT | Qt::Key_1,
                                            Qt::ALT | Qt::Key_2,
                                            Qt::ALT | Qt::Key_3,
                                            Qt::Key_Return,
                                            Qt::Key_Enter};
        QSet<QKeySequence> seen;
        for (const auto& [key, caption] : clsDBForm::ToolbarKeys()) {
            QAction* a = form->f().ToolbarButton(key);
            QVERIFY(a);
            QVERIFY2(!a->shortcut().isEmpty() && !formsKeys.contains(a->shortcut()), qPrintable(key));
            QVERIFY2(!seen.contains(a->shortcut()), qPrintable(key));
            seen.insert(a->shortcut());
            QCOMPARE(a->toolTip(), caption + " (" + a->shortcut().toString(QKeySequence::NativeText) + ")");
        }

        // A new entry abandoned with Esc leaves nothing; saved with Ctrl+S it is stored.
        press(form->tdbg, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(form->f().Editing());
        QCOMPARE(form->tabA->currentIndex(), int(clsDBForm::RecordPage));
        form->setTbText(9, QStringLiteral("Εγκαταλείπεται"));
        press(form->tbEdit[9], Qt::Key_Escape);
        QVERIFY(!form->f().Editing());
        QVERIFY(form->isVisible());
        QCOMPARE(rows(QStringLiteral("PROTOCOL"), QStringLiteral("1=1")), 0);
        press(form->tbEdit[9], Qt::Key_N, Qt::ControlModifier);
        QVERIFY(form->f().Editing());
        form->setTbText(0, QStringLiteral("Υπουργείο"));
        form->setTbText(9, QStringLiteral("Από το πληκτρολόγιο"));
        press(form->tbEdit[0], Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!form->f().Editing());
        const QString id = form->f().CurrentKey().toString();
        QCOMPARE(scalar(QStringLiteral("SELECT THEMA FROM PROTOCOL WHERE ID=") + id),
                 QStringLiteral("Από το πληκτρολόγιο"));
        QCOMPARE(MsgBoxHook::Log().size(), 1);  // the register number

        // A change abandoned with Esc keeps the stored text; Esc in view does nothing.
        press(form->tbEdit[0], Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(form->f().CurAction(), long(clsDBForm::actUpdate));
        form->setTbText(9, QStringLiteral("Αλλαγμένο"));
        press(form->tbEdit[9], Qt::Key_Escape);
        QVERIFY(!form->f().Editing());
        QCOMPARE(form->tbText(9), QStringLiteral("Από το πληκτρολόγιο"));
        press(form->tbEdit[9], Qt::Key_Escape);
        QVERIFY(form->isVisible());

        // Enter on a list row shows that row on the record page.
        QVERIFY(showEntry(*form, id));
        form->tabA->setCurrentIndex(clsDBForm::ListPage);
        QCOMPARE(form->tabA->currentIndex(), int(clsDBForm::ListPage));
        press(form->tdbg, Qt::Key_Return);
        QCOMPARE(form->tabA->currentIndex(), int(clsDBForm::RecordPage));
        QCOMPARE(form->f().CurrentKey().toString(), id);
        QCOMPARE(form->lblAA->text().section(' ', 0, 0),
                 scalar(QStringLiteral("SELECT PROT_AA FROM PROTOCOL WHERE ID=") + id));

        // Shift+Tab from the page tabs reaches the toolbar, and Tab from its last key the tabs.
        QWidget* tabs = form->tabA->findChild<QTabBar*>();
        QVERIFY(tabs);
        press(tabs, Qt::Key_Backtab, Qt::ShiftModifier);
        QWidget* button = QApplication::focusWidget();
        QVERIFY(button && button->parentWidget() == form->tlb1);
        QCOMPARE(button, form->tlb1->widgetForAction(form->f().ToolbarButton(QStringLiteral("clear"))));
        press(button, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), tabs);
        QVERIFY(criticalBoxes().isEmpty());
    }

    // Every toolbar key works from every kind of control, viewing an entry and changing it, even
    // from a box that claims the key for itself; Ctrl+E so claimed really starts the change, and
    // does nothing where it cannot (no entry shown, no right to change).
    void shortcutsFromEveryControl_data() { TestDatabase::addBackendRows(); }
    void shortcutsFromEveryControl() {
        TEST_REGISTER(db);
        const auto ctrlE = [](QWidget* box) {
            const ClaimsEveryKey claim(box);
            box->window()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(box->window()));
            box->setFocus();
            QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier);
        };
        {
            auto form = open(db, Rights::ProtocolRead);
            QVERIFY(form);
            form->show();
            ctrlE(form->tbEdit[0]);  // an empty register: nothing shown
            QVERIFY(!form->f().Editing());
        }
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Θέμα"));
        {
            auto form = open(db, Rights::ProtocolRead);
            QVERIFY(form);
            form->show();
            QVERIFY(showEntry(*form, id));
            ctrlE(form->tbEdit[0]);  // no right to change
            QVERIFY(!form->f().Editing());
        }
        auto form = open(db, kAll);
        QVERIFY(form);
        form->show();
        QVERIFY(qobject_cast<QLineEdit*>(form->tbEdit[0]) && qobject_cast<QPlainTextEdit*>(form->tbEdit[9]));
        const QList<QWidget*> record{form->tbEdit[0], form->tbEdit[9], form->dtEdit[0], form->cmbEdit[0],
                                     form->lstEdit[0]};
        QVERIFY(showEntry(*form, id));
        for (const bool editing : {false, true}) {
            if (editing) form->key("edit");
            QCOMPARE(form->f().Editing(), editing);
            form->tabA->setCurrentIndex(clsDBForm::RecordPage);
            QCOMPARE(shortcutsMissedFrom(form->tlb1, record).join(", "), QString());
        }
        form->key("cancel");
        form->tabA->setCurrentIndex(clsDBForm::ListPage);
        QCOMPARE(shortcutsMissedFrom(form->tlb1, {form->tdbg}).join(", "), QString());

        QVERIFY(showEntry(*form, id));
        ctrlE(form->tbEdit[0]);
        QCOMPARE(form->f().CurAction(), long(clsDBForm::actUpdate));
        QVERIFY(criticalBoxes().isEmpty());
    }

    // The F-key hint of the record page shows whole, at the window's default size and full screen.
    void keyHintShows_data() { TestDatabase::addBackendRows(); }
    void keyHintShows() {
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->tabA->setCurrentIndex(clsDBForm::RecordPage);
        for (const QSize size : {form->size(), QSize(1280, 1024)}) {
            form->resize(size);
            QCoreApplication::processEvents();
            QLabel* hint = form->lblImg[3];
            QCOMPARE(hint->text(), QStringLiteral("F7: Από   Ctrl+F7: Προς   F8: Αρμόδιος   F9: Θέμα"));
            QVERIFY(hint->isVisible());
            // Across the record page as the scroll area shows it (which scrolls only up and down),
            // and wide enough for its text.
            auto* scroll = qobject_cast<QScrollArea*>(form->fr[0]->findChild<QScrollArea*>());
            QVERIFY(scroll);
            const QRect shown(hint->mapTo(scroll->viewport(), QPoint(0, 0)), hint->size());
            QVERIFY2(shown.left() >= 0 && shown.right() < scroll->viewport()->width(),
                     qPrintable(QStringLiteral("%1 wide window: hint at x=%2, %3 wide, in a viewport %4 wide")
                                    .arg(form->width())
                                    .arg(shown.x())
                                    .arg(shown.width())
                                    .arg(scroll->viewport()->width())));
            QVERIFY(hint->width() >= hint->sizeHint().width());
        }
    }

    // Quotes, wildcards, semicolons, line breaks and overlong texts in every box.
    void badInput_data() { TestDatabase::addBackendRows(); }
    void badInput() {
        TEST_REGISTER(db);
        auto form = open(db, kIncoming);
        QVERIFY(form);
        QString bad = QStringLiteral("O'Brien \"x\" 100% a_b; DROP TABLE PROTOCOL;--\r\nνέα γραμμή ");
        while (bad.size() < 1000) bad += bad;
        bad.truncate(1000);

        // Each box, its column and the form script's length.
        const QList<std::tuple<int, const char*, int>> boxes{
            {0, "APO", 50},        {1, "PROT_EIS", 50},       {2, "TOPOS_EPID", 20},
            {3, "ARMODIOS", 50},   {4, "PROS", 50},           {5, "KOINOP", 150},
            {6, "PARATHR", 50},    {7, "DIEYTH_PARAL", 50},   {8, "POLH_PARAL", 15},
            {9, "THEMA", 300},     {10, "ARMODIOS_A", 150},   {11, "PERILIPSI_EIS", 150},
            {12, "THEMA_EX", 300}, {13, "ARXEIOTHETHSH", 50}, {14, "SYSXETIZOMENA", 50}};
        form->key("add");
        for (const auto& [i, column, len] : boxes) form->setTbText(i, bad);
        form->cmbEdit[3]->setEditText(bad);
        form->cmdEdit_Click(7);
        form->key("save");
        QVERIFY2(criticalBoxes().isEmpty(), qPrintable(criticalBoxes().join(u'|')));
        QVERIFY(!form->f().Editing());
        const QString id = form->f().CurrentKey().toString();
        for (const auto& [i, column, len] : boxes) {
            const QString stored =
                scalar(QStringLiteral("SELECT %1 FROM PROTOCOL WHERE ID=%2").arg(QLatin1String(column), id));
            // A multi-line box keeps a line break as one character.
            QString typed = bad;
            if (qobject_cast<QPlainTextEdit*>(form->tbEdit[i])) typed.remove(u'\r');
            QVERIFY2(stored == typed.left(len), column);
        }
        QCOMPARE(scalar(QStringLiteral("SELECT FILENAME FROM PROT_FILES WHERE PR_ID=") + id),
                 bad.trimmed().left(250));

        // The same text pasted into every search box; the number boxes take digits only.
        form->key("clear");
        for (int i = 0; i <= 15; ++i) {
            form->txtSearch[i]->clear();
            form->txtSearch[i]->insert(bad);
        }
        QCOMPARE(form->txtSearch[0]->text(), QString());
        QCOMPARE(form->txtSearch[1]->text(), QString());
        QCOMPARE(form->txtSearch[12]->text(), bad.left(150));
        form->key("list");
        QVERIFY2(criticalBoxes().isEmpty(), qPrintable(criticalBoxes().join(u'|')));
        QVERIFY(form->f().List()->IsOpen());
        QCOMPARE(form->tabA->currentIndex(), int(clsDBForm::ListPage));
    }

    // A stored file opens from the documents folder, whichever separator it was stored with.
    void openFile_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<bool>("exists");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " slashes")) << tag << "/a/b/doc.pdf"
                                                        << "/a/b/doc.pdf" << true;
            QTest::newRow(qPrintable(tag + " backslashes")) << tag << "\\a\\b\\doc.pdf"
                                                            << "/a/b/doc.pdf" << true;
            QTest::newRow(qPrintable(tag + " missing file")) << tag << "/a/missing.pdf"
                                                             << "/a/missing.pdf" << false;
        }
    }
    void openFile() {
        QFETCH(QString, stored);
        QFETCH(QString, opened);
        QFETCH(bool, exists);
        TEST_REGISTER(db);
        auto form = open(db, kEdit);
        QVERIFY(form);
        if (exists) docFile(opened);
        const QString id = insertEntry(m_today, QStringLiteral("Δήμος"), QString(), QStringLiteral("Αρχείο"));
        QVERIFY(exec(QStringLiteral("INSERT INTO PROT_FILES (PR_ID, FILENAME, MODUSER) VALUES (%1, %2, 1)")
                         .arg(id, StrHelper::SqlValue(stored))));
        QVERIFY(showEntry(*form, id));
        QVERIFY(form->cmdEdit[1]->isEnabled());
        form->cmdEdit_Click(1);
        if (exists) {
            QCOMPARE(ShellHook::Opened(), QStringList{QFileInfo(gDocsFolder + opened).canonicalFilePath()});
            QVERIFY(prompts().isEmpty());
        } else {
            // A missing file is said, not handed to the system to fail silently.
            QCOMPARE(ShellHook::Opened(), QStringList());
            QCOMPARE(prompts().size(), 1);
            QVERIFY(prompts().first().contains(QStringLiteral("δεν ανοίγει")));
        }
    }

    // Every input of the record and search pages is named by its Greek label for screen readers.
    void inputsNamed() {
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        auto form = open(db, kAll);
        QVERIFY(form);
        const QStringList unnamed = unnamedInputs(form.get());
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
    }

    // The export's exact bytes: header, one line per listed entry, raw and cleaned values.
    void exportFile_data() { TestDatabase::addBackendRows(); }
    void exportFile() {
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        QVERIFY(exec(QStringLiteral("INSERT INTO PROTOCOL (ETOS, HMEROM, APO, EIS_TYPOS_ID, THEMA, "
                                    "HMER_DIEKP, PROS, MODUSER) VALUES "
                                    "(2025, '2025-03-02', 'Δήμος; Αθηναίων', %1, 'Γραμμή 1\r\nΓραμμή "
                                    "2\nΤρίτη', '2025-03-05 14:30:00',"
                                    " 'Προς «€»', 1)")
                         .arg(scalar(QStringLiteral("SELECT ID FROM L_TYPOI WHERE CODE='DOC'")))));
        QVERIFY(
            exec(QStringLiteral("INSERT INTO PROTOCOL (ETOS, HMEROM, HMER_DIEKP, MODUSER) VALUES "
                                "(2025, '2025-03-03', '2025-03-02 00:00:00', 1)")));
        form->txtSearch[1]->setText(QStringLiteral("2025"));
        form->key("list");
        QCOMPARE(form->f().List()->rowCount(), 2);

        QTemporaryDir out;
        const QString path = out.path() + QStringLiteral("/list.CSV");
        const auto run = [&] {
            MsgBoxHook::Clear();
            MsgBoxHook::QueueAnswer(vb::vbYes);
            CommonDialogHook::QueueAnswer(path);
            form->cmdExport_Click();
        };
        run();
        QCOMPARE(
            prompts().value(0),
            QStringLiteral("Έχετε επιλέξει εξαγωγή λίστας σε αρχείο τύπου .csv(excel). Είστε σίγουροι;"));
        QCOMPARE(MsgBoxHook::Log().value(0).buttons, 36);
        QCOMPARE(prompts().value(1), QStringLiteral("Η εξαγωγή ολοκληρώθηκε: \r\n") + path);
        QCOMPARE(MsgBoxHook::Log().value(1).buttons, 0);
        QCOMPARE(CommonDialogHook::Log().last().filter, QStringLiteral("Αρχεία CSV (*.csv)|*.csv"));
        QVERIFY(CommonDialogHook::Log().last().fileName.contains(QStringLiteral("/ProtocolExport-")));

        const auto line = [](const QStringList& values) -> QString {
            return values.join(u';') + QStringLiteral(";\r\n");
        };
        QStringList first(22), second(22);
        first[0] = QStringLiteral("1"), first[1] = QStringLiteral("2025"),
        first[2] = QStringLiteral("02/03/2025");
        first[3] = QStringLiteral("\"Δήμος; Αθηναίων\""), first[4] = QStringLiteral("DOC");
        first[10] = QStringLiteral("Γραμμή 1 | Γραμμή 2 | Τρίτη"), first[14] = QStringLiteral("Προς «€»");
        first[21] = QStringLiteral("05/03/2025 14:30:00");
        second[0] = QStringLiteral("2"), second[1] = QStringLiteral("2025"),
        second[2] = QStringLiteral("03/03/2025");
        second[21] = QStringLiteral("02/03/2025");  // a day met before, in another column
        const QString expected =
            frmProtocol::ExportHeader() + QStringLiteral("\r\n") + line(first) + line(second);
        QCOMPARE(frmProtocol::ExportHeader().count(u';'), 21);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        f.close();
        QCOMPARE(bytes, Cp1253::encode(expected));
        QVERIFY(bytes.contains("\x80"));  // the euro sign in the Greek code page

        // A second export to the same file is added after the first.
        run();
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), Cp1253::encode(expected + expected));
    }

    // A list longer than its first screen is exported whole while its rest has not come in yet, in
    // its order, each line once, however many pieces the file is written in.
    void exportWhileListComing_data() { TestDatabase::addBackendRows(); }
    void exportWhileListComing() {
        TEST_REGISTER(db);
        QVERIFY(SettingsStore::SaveValue("\\Protocol", "grdMaxRecs", "1000", true));
        auto form = open(db, kAll);
        QVERIFY(form);
        constexpr int kEntries = 260;
        const QString subject = QStringLiteral("Θέμα ").repeated(58);  // 290 characters
        for (int i = 0; i < kEntries; ++i)
            QVERIFY(exec(QStringLiteral("INSERT INTO PROTOCOL (ETOS, HMEROM, THEMA, MODUSER) VALUES "
                                        "(2025, '2025-03-02', '%1%2', 1)")
                             .arg(subject)
                             .arg(i)));
        form->txtSearch[1]->setText(QStringLiteral("2025"));
        form->key("list");
        QVERIFY(!form->f().List()->IsComplete());

        QTemporaryDir out;
        const QString path = out.path() + QStringLiteral("/list.csv");
        MsgBoxHook::Clear();
        MsgBoxHook::QueueAnswer(vb::vbYes);
        CommonDialogHook::QueueAnswer(path);
        form->cmdExport_Click();
        QCOMPARE(prompts().value(1), QStringLiteral("Η εξαγωγή ολοκληρώθηκε: \r\n") + path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = Cp1253::decode(f.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), kEntries + 2);  // the header, the entries, the empty end
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < kEntries; ++i) {
            const QStringList values = lines.at(i + 1).split(u';');
            QCOMPARE(values.value(0), QString::number(i + 1));
            QCOMPARE(values.value(10), subject + QString::number(i));
        }
    }

    // What ends the export without writing anything, and a file that cannot be written.
    void exportRefused_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("emptyList");
        QTest::addColumn<bool>("written");
        for (Backend b : TestDatabase::configuredBackends()) {
            const QString t = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(t + " no")) << t << int(vb::vbNo) << "a.csv" << false << false;
            QTest::newRow(qPrintable(t + " cancel")) << t << int(vb::vbYes) << "" << false << false;
            QTest::newRow(qPrintable(t + " txt")) << t << int(vb::vbYes) << "a.txt" << false << false;
            QTest::newRow(qPrintable(t + " empty list")) << t << int(vb::vbYes) << "a.csv" << true << false;
            QTest::newRow(qPrintable(t + " csv")) << t << int(vb::vbYes) << "a.csv" << false << true;
            QTest::newRow(qPrintable(t + " cancel after a file was added"))
                << t << int(vb::vbYes) << "after file" << false << false;
        }
    }
    void exportRefused() {
        QFETCH(int, answer);
        QFETCH(QString, name);
        QFETCH(bool, emptyList);
        QFETCH(bool, written);
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        if (!emptyList)
            QVERIFY(!insertEntry(m_today, QStringLiteral("Α"), QString(), QStringLiteral("Θ")).isEmpty());
        form->key("refresh");
        QTemporaryDir out;
        if (name == QLatin1String("after file")) {
            // The Open box of the files, cancelled, shares its dialog with the export.
            form->key("add");
            addFile(*form, QString());
            form->key("cancel");
            MsgBoxHook::Clear();
            name.clear();
        }
        const QString path = name.isEmpty() ? QString() : out.path() + u'/' + name;
        MsgBoxHook::QueueAnswer(answer);
        CommonDialogHook::QueueAnswer(path);
        form->cmdExport_Click();
        QCOMPARE(QFile::exists(out.path() + QStringLiteral("/a.csv")) || QFile::exists(out.path() + "/a.txt"),
                 written);
        QCOMPARE(MsgBoxHook::Log().size(), written ? 2 : 1);
        QVERIFY(criticalBoxes().isEmpty());
        QVERIFY2(!Err().Pending(), qPrintable(Err().Description));
        if (answer == vb::vbYes) {
            QVERIFY(!CommonDialogHook::Log().last().cancelError);
            QCOMPARE(CommonDialogHook::Log().last().title, QString());
            QCOMPARE(CommonDialogHook::Log().last().filterIndex, 1);
        }
    }

    // The proposed name, accepted as it stands, is written; quoted values stay in their column
    // when a spreadsheet reads the file in the Greek code page.
    void exportAccepted_data() { TestDatabase::addBackendRows(); }
    void exportAccepted() {
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        QVERIFY(exec(QStringLiteral("INSERT INTO PROTOCOL (HMEROM, APO, PROT_EIS, THEMA, PROS, MODUSER) VALUES"
                                    " (%1, 'Α;Β', 'τα \"ίδια\"', 'Θέμα', 'Τέλος', 1)")
                         .arg(DBHelper::DateToSQL(m_today))));
        form->key("refresh");
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.path() + QStringLiteral("/AppData/Local/Protocol")));
        qputenv("USERPROFILE", home.path().toLocal8Bit());
        MsgBoxHook::QueueAnswer(vb::vbYes);
        CommonDialogHook::QueueAnswer(CommonDialogHook::AcceptProposed);
        form->cmdExport_Click();
        qunsetenv("USERPROFILE");
        const QString proposed = CommonDialogHook::Log().last().fileName;
        QVERIFY(proposed.endsWith(QStringLiteral(".csv")));
        QVERIFY(QFileInfo(proposed).fileName().startsWith(QStringLiteral("ProtocolExport-")));
        QVERIFY(QFile::exists(proposed));
        QCOMPARE(prompts().value(1), QStringLiteral("Η εξαγωγή ολοκληρώθηκε: \r\n") + proposed);
        QFile f(proposed);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QVERIFY(lines.value(1).contains(Cp1253::encode(QStringLiteral(";\"Α;Β\";;\"τα \"\"ίδια\"\"\";"))));
        f.close();

        // A spreadsheet reads each value into its own column.
        if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
            QSKIP("soffice (libreoffice-calc-nogui) is not installed");
        QTemporaryDir conv;
        QProcess office;
        office.setWorkingDirectory(conv.path());
        office.start(QStringLiteral("soffice"),
                     {QStringLiteral("-env:UserInstallation=file://") + conv.path() + QStringLiteral("/profile"),
                      QStringLiteral("--headless"), QStringLiteral("--infilter=CSV:59,34,35,1,,1032"),
                      QStringLiteral("--convert-to"), QStringLiteral("csv:Text - txt - csv (StarCalc):9,,76,1"),
                      QStringLiteral("--outdir"), conv.path(), proposed});
        QVERIFY(office.waitForFinished(120000));
        QFile tabs(conv.path() + u'/' + QFileInfo(proposed).fileName());
        QVERIFY2(tabs.open(QIODevice::ReadOnly), qPrintable(QString::fromLocal8Bit(office.readAllStandardError())));
        const QStringList row = QString::fromUtf8(tabs.readAll()).split(QStringLiteral("\n")).value(1).split(u'\t');
        QCOMPARE(row.value(3), QStringLiteral("Α;Β"));
        QCOMPARE(row.value(5), QStringLiteral("τα \"ίδια\""));
        QCOMPARE(row.value(10), QStringLiteral("Θέμα"));
        QCOMPARE(row.value(14), QStringLiteral("Τέλος"));
    }

    void exportFailure_data() { TestDatabase::addBackendRows(); }
    void exportFailure() {
        TEST_REGISTER(db);
        auto form = open(db, kAll);
        QVERIFY(form);
        QVERIFY(!insertEntry(m_today, QStringLiteral("Α"), QString(), QStringLiteral("Θ")).isEmpty());
        form->key("refresh");
        QTemporaryDir out;
        // A folder where the file should be: it cannot be opened for writing.
        QVERIFY(QDir().mkpath(out.path() + QStringLiteral("/taken.csv")));
        MsgBoxHook::QueueAnswer(vb::vbYes);
        CommonDialogHook::QueueAnswer(out.path() + QStringLiteral("/taken.csv"));
        form->cmdExport_Click();
        QCOMPARE(criticalBoxes().size(), 1);
        QVERIFY(criticalBoxes().first().contains(QStringLiteral("cmdExport_Click")));
        QCOMPARE(Screen::MousePointer(), int(Screen::vbDefault));
    }
};

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
