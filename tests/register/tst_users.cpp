#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSet>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

#include "Adodc.h"
#include "BoundControl.h"
#include "DBHelper.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "OwnCluster.h"
#include "PswFormat.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "RegisterSchema.h"
#include "RegisterWindows.h"
#include "ReportHooks.h"
#include "ReportOptions.h"
#include "Rights.h"
#include "SettingsStore.h"
#include "SqliteSupport.h"
#include "StrHelper.h"
#include "TestSupport.h"
#include "clsDBForm.h"
#include "frmInitial.h"
#include "frmMDI.h"
#include "frmUsers.h"
#include "frm_Psw.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {
constexpr long kAdminId = 1;
const QString kShort = QStringLiteral("O Κωδικός πρεπει να έχει τουλάχιστον 5 χαρακτήρες.");
const QString kNoGroup = QStringLiteral("Πρέπει να επιλέξετε την ομάδα που ανήκει ο χρήστης");
const QString kHasLog = QStringLiteral(
    "Δεν μπορείτε να διααγράψετε αυτόν τον χρήστη γιατί έχει καταχωρήσεις login ή / και κλήσεων.");
const QString kDeleteQuestion = QStringLiteral("Σίγουρα να γίνει η διαγραφή;");
const QString kDeleteConflict = QStringLiteral(
    "Άλλος χρήστης άλλαξε την εγγραφή αφού εμφανίστηκε εδώ· η διαγραφή δεν έγινε.\r\n"
    "Να εμφανιστεί η εγγραφή όπως είναι τώρα;");
const QString kGone = QStringLiteral("Η εγγραφή δεν βρέθηκε: ίσως τη διέγραψε άλλος χρήστης.");
const QString kLost = QStringLiteral("Η σύνδεση με τη βάση δεδομένων χάθηκε");
const QString kAddedAfterLoss = QStringLiteral(
    "Η σύνδεση με τη βάση δεδομένων χάθηκε πριν φτάσει η απάντηση της βάσης· ο χρήστης βρέθηκε "
    "αποθηκευμένος: προστέθηκε.");
const QString kCommitLost = QStringLiteral(
    "Η σύνδεση με τη βάση δεδομένων χάθηκε. Η εγγραφή δεν αποθηκεύτηκε. Ό,τι πληκτρολογήσατε είναι ακόμη "
    "στη φόρμα: πατήστε «Αποθήκ.» για να την αποθηκεύσετε.");
const QString kCommitUnknown = QStringLiteral(
    "Η σύνδεση με τη βάση δεδομένων χάθηκε. Δεν είναι ακόμη γνωστό αν η εγγραφή αποθηκεύτηκε. Ό,τι "
    "πληκτρολογήσατε είναι ακόμη στη φόρμα: όταν η σύνδεση αποκατασταθεί, πατήστε «Αποθήκ.»· θα ελεγχθεί "
    "πρώτα αν η εγγραφή αποθηκεύτηκε, ώστε να μη γραφτεί δύο φορές.");

class Form : public frmUsers {
public:
    using frmUsers::Form_KeyDown;
    clsDBForm& f() { return *mclsDBForm; }
    void key(const char* k) { mclsDBForm->ToolbarAction(QLatin1String(k)); }
};

QString scalar(const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, gConn) || rs.Eof()) return QStringLiteral("<none>");
    return rs.Value(0).isNull() ? QStringLiteral("<null>") : rs.Value(0).toString();
}

QString userValue(const QString& name, const QString& column) {
    return scalar(
        QStringLiteral("SELECT %1 FROM USERS WHERE U_NAME=%2").arg(column, StrHelper::SqlValue(name)));
}

QStringList prompts() {
    QStringList out;
    for (const MsgBoxHook::Shown& s : MsgBoxHook::Log()) out << s.prompt;
    return out;
}

// Ctrl+Alt+A (and more modifiers) pressed where the focus is.
void pressToggle(QWidget* at, Qt::KeyboardModifiers extra = Qt::NoModifier) {
    at->setFocus();
    QTest::keyClick(at, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier | extra);
}

void selectRights(QListWidget* list, long mask) {
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(list->item(i)->data(Qt::UserRole).toLongLong() & mask);
}

// A user with a stored password whose expiry is the server's date plus daysLeft.
long addUser(const QString& name, const QString& password, long rights, int expDays, int daysLeft) {
    const QDate today = DBHelper::ServerDate(gConn).toDate();
    const QString sql =
        QStringLiteral(
            "INSERT INTO USERS (U_NAME, U_LNAME, U_PSW, U_AUTH, USER_GROUP_ID, U_EXP_DATE, U_EXP_DAYS,"
            " U_PHONE1, MODUSER) VALUES (%1, 'Παππά', %2, %3, 2, %4, %5, '2101111111', 1)")
            .arg(StrHelper::SqlValue(name),
                 StrHelper::SqlValue(PswFormat::Store(password, PswFormat::NewKeyCode())))
            .arg(rights)
            .arg(DBHelper::DateToSQL(today.addDays(daysLeft)))
            .arg(expDays);
    if (!gConn->Execute(sql)) return 0;
    return userValue(name, QStringLiteral("USER_ID")).toLong();
}

// Points the settings at the database, so that the log-in window can open its own connection.
void configureLogin(const TestDatabase& db) {
    db.writeLoginSettings();
}

// Shows the user's row on the record page.
bool showUser(Form& form, const QString& name) {
    form.key("refresh");
    const QString id = userValue(name, QStringLiteral("USER_ID"));
    const int row = form.f().List()->rowOfKey(id.toLongLong());
    if (row < 0) return false;
    form.adodc->SetAbsolutePosition(row + 1);
    return form.f().CurrentKey().toString() == id;
}
}  // namespace

class TestUsers : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowSession> m_session;

    std::unique_ptr<Form> open(TestDatabase& db) { return open(db.conn()); }
    std::unique_ptr<Form> open(const ConnectionPtr& conn) {
        gConn = conn;
        auto user = std::make_shared<cls_User>();
        user->UserId = kAdminId;
        user->UserName = QStringLiteral("ADMIN");
        user->Auth = Rights::Supervisor;
        gUser = user;
        auto form = std::make_unique<Form>();
        if (!form->Init()) return nullptr;
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get())) return nullptr;
        return form;
    }

    // A new user typed into the record page in clear display; not saved.
    static void typeNewUser(Form& form, const QString& login, const QString& password, long rights) {
        form.key("add");
        if (form.PasswordMasked()) pressToggle(form.txtEdit[0]);
        form.txtEdit[0]->setText(QStringLiteral("Μαρία"));
        form.txtEdit[1]->setText(QStringLiteral("Παπαδοπούλου"));
        form.txtEdit[2]->setText(login);
        form.txtEdit[3]->setText(password);
        BoundControl::SetValue(form.numEdit[0], 90);
        selectRights(form.lstEdit[0], rights);
    }

private slots:
    void init() { m_session = std::make_unique<WindowSession>(); }
    void cleanup() {
        ReportHooks::UsersList = nullptr;
        SqliteSupport::clearClock();
        m_session.reset();
    }

    // Every toolbar key works from every kind of control, viewing a user and changing one, even
    // from a box that claims the key for itself; Ctrl+E so claimed really starts the change.
    void shortcutsFromEveryControl_data() { TestDatabase::addBackendRows(); }
    void shortcutsFromEveryControl() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        QVERIFY(showUser(*form, QStringLiteral("ADMIN")));
        const QList<QWidget*> record{form->txtEdit[0], form->dtEdit[0], form->numEdit[0], form->cmbEdit[0],
                                     form->lstEdit[0]};
        for (const bool editing : {false, true}) {
            if (editing) form->key("edit");
            QCOMPARE(form->f().Editing(), editing);
            form->tabA->setCurrentIndex(clsDBForm::RecordPage);
            QCOMPARE(shortcutsMissedFrom(form->tlb1, record).join(", "), QString());
        }
        form->key("cancel");
        QVERIFY(!form->f().Editing());
        form->tabA->setCurrentIndex(clsDBForm::ListPage);
        QCOMPARE(shortcutsMissedFrom(form->tlb1, {form->tdbg}).join(", "), QString());

        form->tabA->setCurrentIndex(clsDBForm::RecordPage);
        QVERIFY(showUser(*form, QStringLiteral("ADMIN")));
        const ClaimsEveryKey claim(form->txtEdit[1]);
        form->txtEdit[1]->setFocus();
        QTest::keyClick(form->txtEdit[1], Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(form->f().CurAction(), long(clsDBForm::actUpdate));
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    void controls_data() { TestDatabase::addBackendRows(); }
    void controls() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        QVERIFY(
            db.conn()->Execute("INSERT INTO L_USER_GROUPS (USER_GROUP_ID, USER_GROUP_DESCR, "
                               "USER_GROUP_FLAG, MODFLAG) VALUES (3, 'Παλιά', 0, 'D')"));
        auto form = open(db);
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("Χρήστες"));
        QCOMPARE(unnamedInputs(form.get()), QStringList());
        QStringList tabs;
        for (int i = 0; i < 3; ++i) tabs << form->tabA->tabText(i);
        QCOMPARE(tabs, clsDBForm::TabCaptions());
        // The thirteen rights in order, each with its bit.
        QListWidget* rights = form->lstEdit[0];
        QCOMPARE(rights->count(), 13);
        QCOMPARE(rights->item(0)->text(), QStringLiteral("Supervisor (Διαχείριση χρηστών)"));
        QCOMPARE(rights->item(12)->text(), QStringLiteral("Εξαγωγή εκτυπώσεων σε αρχεία"));
        long all = 0;
        for (int i = 0; i < rights->count(); ++i) {
            QCOMPARE(rights->item(i)->text(), frmUsers::RightsTable().at(i).caption);
            all |= long(rights->item(i)->data(Qt::UserRole).toLongLong());
        }
        QCOMPARE(all, 0x1000000L | 0x80 | 0x100 | 0x400 | 0x200 | 0x800 | 0x1000 | 0x8000 | 0x10000 |
                          0x20000 | 0x4000 | 0x2000 | 0x40);
        // Groups not marked deleted, by description, with their ids.
        QCOMPARE(form->cmbEdit[0]->count(), 2);
        QCOMPARE(form->cmbEdit[0]->itemText(0), QStringLiteral("Διαχειριστές"));
        QCOMPARE(form->cmbEdit[0]->itemData(1).toInt(), 2);
        for (int i = 0; i < 3; ++i) QVERIFY(!form->lblEdit[i]->isVisibleTo(form.get()));
        QCOMPARE(form->cmd[0]->text(), QStringLiteral("Επιλογή όλων"));
        QCOMPARE(form->cmd[1]->text(), QStringLiteral("Αποεπιλογή όλων"));
        QCOMPARE(form->lbl[5]->text(), QStringLiteral("ημέρες (0 = χωρίς λήξη)"));
        // The supervisor is listed and shown, masked.
        QCOMPARE(form->adodc->RecordCount(), 1);
        QCOMPARE(form->txtEdit[2]->text(), QStringLiteral("ADMIN"));
        QCOMPARE(form->txtEdit[3]->text(), QString(30, QLatin1Char('*')));
        QVERIFY(form->txtEdit[3]->isReadOnly());
        QCOMPARE(form->lstEdit[0]->selectedItems().size(), 13);
    }

    // A user made here logs in with the password typed (case ignored) and gets exactly its rights.
    void newUserLogsIn_data() { TestDatabase::addBackendRows(); }
    void newUserLogsIn() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("Provider"), db.provider(),
                                 false);
        SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"), db.connStr(),
                                 false);
        SettingsStore::SaveValue(
            QStringLiteral("\\Protocol"), QStringLiteral("L"),
            PswFormat::ComposeL(db.user(), qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD")), false);
        auto form = open(db);
        QVERIFY(form);
        const long rights = Rights::ProtocolRead | Rights::ProtocolEdit | Rights::Phrases;
        typeNewUser(*form, QStringLiteral(" maria  "), QStringLiteral("  Μυστικό7 "), rights);
        // The second group, chosen by the user.
        form->cmbEdit[0]->setCurrentIndex(1);
        form->key("save");
        QCOMPARE(prompts(), QStringList());
        QVERIFY(!form->f().Editing());
        QCOMPARE(userValue("maria", "U_AUTH").toLong(), rights);
        QCOMPARE(userValue("maria", "USER_GROUP_ID"), QStringLiteral("2"));
        QCOMPARE(userValue("maria", "MODUSER"), QString::number(kAdminId));
        QCOMPARE(userValue("maria", "U_EXP_DAYS"), QStringLiteral("90"));
        // The expiry is the server's date plus 30 days.
        const QDate today = DBHelper::ServerDate(gConn).toDate();
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("SELECT U_EXP_DATE, U_PSW FROM USERS WHERE U_NAME='maria'"), gConn));
        QCOMPARE(DBHelper::NormDate(rs.Value(0)), today.addDays(30));
        const QString stored = rs.Value(1).toString();
        QVERIFY(stored.at(0).unicode() >= 32 && stored.at(0).unicode() <= 99);
        QCOMPARE(PswFormat::Read(stored), QStringLiteral("Μυστικό7"));

        // The display stays clear after the save.
        QVERIFY(!form->PasswordMasked());
        QCOMPARE(form->txtEdit[3]->text(), QStringLiteral("Μυστικό7"));

        frmInitial login;
        QVERIFY(login.Init());
        login.txtLoginName->setText(QStringLiteral("maria"));
        login.txtPassword->setText(QStringLiteral("μυστικό7"));
        login.cmdOK->click();
        QVERIFY2(login.LoginOK(), qPrintable(prompts().join('\n')));
        QCOMPARE(login.Auth(), rights);
    }

    // Each right's entry gives exactly its own bit, and a stored bit ticks exactly its entry: the
    // rights table as the log-in and the menus read the bits.
    void rightBits_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<qlonglong>("bit");
        const QList<QPair<const char*, qlonglong>> rights{
            {"Supervisor (Διαχείριση χρηστών)", 0x1000000},
            {"Πρωτόκολλο: Διάβασμα-Εκτύπωση", 0x80},
            {"Πρωτόκολλο: Προσθήκες - Διορθώσεις", 0x100},
            {"Πρωτόκολλο: Προσθήκες - Διορθ. (και των ΕΙΣΕΡΧ.)", 0x400},
            {"Πρωτόκολλο: Διαγραφές", 0x200},
            {"Τροποποίηση πίνακα Τμημάτων", 0x800},
            {"Τροποποίηση Τύπων Εισ.-Εξ.", 0x1000},
            {"Τροποποίηση πίνακα 'Από'", 0x8000},
            {"Τροποποίηση πίνακα 'Προς'", 0x10000},
            {"Τροποποίηση πίνακα Τόπων", 0x20000},
            {"Τροποποίηση πίνακα Αρμοδίων", 0x4000},
            {"Τροποποίηση πίνακα Φράσεων", 0x2000},
            {"Εξαγωγή εκτυπώσεων σε αρχεία", 0x40},
        };
        for (int i = 0; i < rights.size(); ++i)
            QTest::newRow(rights[i].first)
                << "sqlite" << i << QString::fromUtf8(rights[i].first) << rights[i].second;
    }
    void rightBits() {
        QFETCH(int, row);
        QFETCH(QString, caption);
        QFETCH(qlonglong, bit);
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        QListWidget* list = form->lstEdit[0];
        QCOMPARE(list->item(row)->text(), caption);
        typeNewUser(*form, QStringLiteral("nikos"), QStringLiteral("ΚΩΔΙΚΟΣ1"), 0);
        const QList<QListWidgetItem*> items = list->findItems(caption, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        items.first()->setSelected(true);
        form->key("save");
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(userValue("nikos", "U_AUTH").toLongLong(), bit);
        // Shown again, only its entry is ticked.
        QVERIFY(showUser(*form, "ADMIN"));
        QVERIFY(showUser(*form, "nikos"));
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->selectedItems().first()->text(), caption);
    }

    // A new user's expiry is counted from the server's date, not from this computer's.
    void expiryFromServerDate_data() { TestDatabase::addBackendRows(); }
    void expiryFromServerDate() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        if (db.backend() == Backend::SQLite) {
            SqliteSupport::setClock(QDateTime(QDate::currentDate().addDays(-400), QTime(12, 0)));
        } else {
            // A session time zone whose date is not this computer's, and not near its midnight.
            const QDateTime utc = QDateTime::currentDateTimeUtc();
            int offset = -12;
            for (; offset <= 14; ++offset) {
                const QDateTime there = utc.addSecs(offset * 3600);
                if (there.date() != QDate::currentDate() && there.time().hour() >= 1 &&
                    there.time().hour() < 23)
                    break;
            }
            if (offset > 14) QSKIP("no time zone gives another date now");
            QVERIFY(gConn->Execute(QStringLiteral("SET TIME ZONE INTERVAL '%1%2:00' HOUR TO MINUTE")
                                       .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                                       .arg(qAbs(offset), 2, 10, QLatin1Char('0'))));
        }
        const QDate server = DBHelper::ServerDate(gConn).toDate();
        QVERIFY2(server.isValid() && server != QDate::currentDate(), qPrintable(server.toString()));
        form->key("add");
        QCOMPARE(BoundControl::Value(form->dtEdit[0]).toDate(), server.addDays(30));
        SqliteSupport::clearClock();
    }

    // Two supervisors, or a supervisor and the user's own log-in, on one user: the later save of
    // what was shown before the other's change is refused, and nothing of the other's change is
    // lost; the supervisor may see the user as stored now, or keep the typed values.
    void concurrentSave_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("other");
        QTest::addColumn<int>("answer");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " phone, keep typing")) << tag << "phone" << int(vb::vbNo);
            QTest::newRow(qPrintable(tag + " phone, see it")) << tag << "phone" << int(vb::vbYes);
            QTest::newRow(qPrintable(tag + " right removed")) << tag << "rights" << int(vb::vbNo);
            QTest::newRow(qPrintable(tag + " password changed at log-in"))
                << tag << "login" << int(vb::vbYes);
            QTest::newRow(qPrintable(tag + " deleted")) << tag << "delete" << int(vb::vbOK);
        }
    }
    void concurrentSave() {
        QFETCH(QString, other);
        QFETCH(int, answer);
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        configureLogin(db);
        auto form = open(db);
        QVERIFY(form);
        const long rights = Rights::ProtocolRead | Rights::ProtocolEdit | Rights::Departments;
        const long id = addUser(QStringLiteral("maria"), QStringLiteral("ΠΑΛΙΟΣ1"), rights, 30, -1);
        QVERIFY(id > 0);
        QVERIFY(showUser(*form, "maria"));
        form->key("edit");
        form->txtEdit[6]->setText(QStringLiteral("2102222222"));

        const ConnectionPtr supervisorB = db.openAnother();
        const QString where = QStringLiteral(" WHERE USER_ID=") + QString::number(id);
        if (other == QLatin1String("phone")) {
            QVERIFY(supervisorB->Execute(QStringLiteral("UPDATE USERS SET U_PHONE1='2109999999'") + where));
        } else if (other == QLatin1String("rights")) {
            QVERIFY(supervisorB->Execute(
                QStringLiteral("UPDATE USERS SET U_AUTH=%1").arg(rights & ~Rights::Departments) + where));
        } else if (other == QLatin1String("delete")) {
            QVERIFY(supervisorB->Execute(QStringLiteral("DELETE FROM USERS") + where));
        } else {
            // Maria's expired password, changed in her own log-in on her own connection.
            frmInitial login;
            QVERIFY(login.Init());
            login.txtLoginName->setText(QStringLiteral("maria"));
            login.txtPassword->setText(QStringLiteral("παλιος1"));
            ModalDriver<frm_Psw> change([](frm_Psw* d) {
                d->txtPsw[0]->setText(QStringLiteral("ΝΕΟΣ123"));
                d->txtPsw[1]->setText(QStringLiteral("ΝΕΟΣ123"));
                d->cmdAction[1]->click();
            });
            login.cmdOK->click();
            QVERIFY(change.shown());
            QVERIFY2(login.LoginOK(), qPrintable(prompts().join('\n')));
            QCOMPARE(PswFormat::Read(userValue("maria", "U_PSW")), QStringLiteral("ΝΕΟΣ123"));
            QVERIFY(gConn == db.conn());
        }
        const QStringList stored = {userValue("maria", "U_PSW"), userValue("maria", "U_EXP_DATE"),
                                    userValue("maria", "U_AUTH"), userValue("maria", "U_PHONE1")};
        MsgBoxHook::Clear();
        MsgBoxHook::QueueAnswer(answer);
        form->key("save");
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().first();
        if (other == QLatin1String("delete")) {
            QVERIFY2(box.prompt.contains(clsDBForm::DeletedMessage()), qPrintable(box.prompt));
            QCOMPARE(userValue("maria", "U_NAME"), QStringLiteral("<none>"));
        } else {
            QCOMPARE(box.prompt, clsDBForm::ConflictQuestion());
            QCOMPARE(box.buttonSet(), int(vb::vbYesNo));
            // Nothing of the refused save, all of the other's change.
            QCOMPARE((QStringList{userValue("maria", "U_PSW"), userValue("maria", "U_EXP_DATE"),
                                  userValue("maria", "U_AUTH"), userValue("maria", "U_PHONE1")}),
                     stored);
            QCOMPARE(userValue("maria", "U_PHONE2"), QStringLiteral("<null>"));
        }
        const bool seen = answer == vb::vbYes;
        QCOMPARE(form->f().Editing(), !seen);
        QCOMPARE(form->txtEdit[6]->text(), seen ? QString() : QStringLiteral("2102222222"));
        if (seen) {
            QCOMPARE(form->lblEdit[1]->text(), stored[0]);
            // Shown afresh, the user can be changed again, keeping the other's change.
            MsgBoxHook::Clear();
            form->key("edit");
            form->txtEdit[6]->setText(QStringLiteral("2102222222"));
            form->key("save");
            QVERIFY2(MsgBoxHook::Log().isEmpty(), qPrintable(prompts().join('\n')));
            QCOMPARE(userValue("maria", "U_PHONE2"), QStringLiteral("2102222222"));
            QCOMPARE(userValue("maria", "U_PSW"), stored[0]);
            QCOMPARE(userValue("maria", "U_PHONE1"), stored[3]);
        } else if (other != QLatin1String("delete")) {
            // Typed values kept, against the version they were typed on: saving again is refused again.
            MsgBoxHook::Clear();
            MsgBoxHook::QueueAnswer(vb::vbNo);
            form->key("save");
            QCOMPARE(prompts(), QStringList{clsDBForm::ConflictQuestion()});
            QCOMPARE(userValue("maria", "U_PHONE2"), QStringLiteral("<null>"));
        }
    }

    // Masked: thirty asterisks, read-only; Ctrl+Alt+A switches wherever the focus is, with no
    // other modifier; cancelling an edit masks again.
    void maskedDisplay_data() { TestDatabase::addBackendRows(); }
    void maskedDisplay() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        QVERIFY(form->PasswordMasked());
        form->key("edit");
        QCOMPARE(form->txtEdit[3]->text(), frmUsers::MaskText());
        QVERIFY(form->txtEdit[3]->isReadOnly());
        pressToggle(form->lstEdit[0], Qt::ShiftModifier);
        QVERIFY(form->PasswordMasked());
        for (QWidget* at : {static_cast<QWidget*>(form->lstEdit[0]), static_cast<QWidget*>(form->txtEdit[5]),
                            static_cast<QWidget*>(form->cmbEdit[0])}) {
            at->setFocus();
            pressToggle(at);
            QVERIFY(!form->PasswordMasked());
            QCOMPARE(form->txtEdit[3]->text(), QStringLiteral("ADMIN1"));
            QVERIFY(!form->txtEdit[3]->isReadOnly());
            pressToggle(at);
            QVERIFY(form->PasswordMasked());
            QCOMPARE(form->txtEdit[3]->text(), frmUsers::MaskText());
        }
        // Clear, typed, then masked again: the typed text is dropped and the stored one kept.
        // The seeded supervisor lacks two required values.
        form->txtEdit[1]->setText(QStringLiteral("Διαχειριστής"));
        BoundControl::SetValue(form->dtEdit[0], QDate(2030, 1, 31));
        pressToggle(form->txtEdit[0]);
        form->txtEdit[3]->setText(QStringLiteral("ΑΛΛΟΣ9"));
        pressToggle(form->txtEdit[0]);
        const QString before = userValue("ADMIN", "U_PSW");
        form->key("save");
        QCOMPARE(prompts().join('\n'), QString());
        QCOMPARE(userValue("ADMIN", "U_PSW"), before);
        // Cancel masks the display.
        form->key("edit");
        pressToggle(form->txtEdit[0]);
        QVERIFY(!form->PasswordMasked());
        form->key("cancel");
        QVERIFY(form->PasswordMasked());
        QCOMPARE(form->txtEdit[3]->text(), frmUsers::MaskText());
    }

    // The length test on the trimmed text, and the new key of every save in clear display.
    void passwordLength_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " four")) << tag << "abcd" << false;
            QTest::newRow(qPrintable(tag + " four in blanks")) << tag << "  abcd  " << false;
            QTest::newRow(qPrintable(tag + " five")) << tag << "abcde" << true;
            QTest::newRow(qPrintable(tag + " five with inner blank")) << tag << " ab de " << true;
            QTest::newRow(qPrintable(tag + " quotes")) << tag << "a'b\"c'" << true;
        }
    }
    void passwordLength() {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        typeNewUser(*form, QStringLiteral("nikos"), typed, Rights::ProtocolRead);
        form->key("save");
        if (!accepted) {
            QCOMPARE(prompts(), QStringList{kShort});
            QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbExclamation));
            QCOMPARE(QApplication::focusWidget(), form->txtEdit[3]);
            QVERIFY(form->f().Editing());
            QCOMPARE(userValue("nikos", "U_NAME"), QStringLiteral("<none>"));
            return;
        }
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(PswFormat::Read(userValue("nikos", "U_PSW")), typed.trimmed());
        // Saved again unchanged in clear display: a new key, sooner or later.
        QSet<QChar> keys{userValue("nikos", "U_PSW").at(0)};
        for (int i = 0; i < 12 && keys.size() < 2; ++i) {
            form->key("edit");
            form->key("save");
            keys << userValue("nikos", "U_PSW").at(0);
            QCOMPARE(PswFormat::Read(userValue("nikos", "U_PSW")), typed.trimmed());
        }
        QCOMPARE(keys.size(), 2);
    }

    // A new user under the masked display cannot be saved; nor one without a group.
    void refusals_data() { TestDatabase::addBackendRows(); }
    void refusals() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        form->key("add");
        QCOMPARE(form->txtEdit[3]->text(), frmUsers::MaskText());
        QVERIFY(form->txtEdit[3]->isReadOnly());
        QCOMPARE(form->cmbEdit[0]->currentIndex(), 0);
        form->txtEdit[1]->setText(QStringLiteral("Κενός"));
        form->txtEdit[2]->setText(QStringLiteral("kenos"));
        BoundControl::SetValue(form->numEdit[0], 0);
        form->key("save");
        QCOMPARE(prompts(), QStringList{kShort});
        QCOMPARE(userValue("kenos", "U_NAME"), QStringLiteral("<none>"));

        MsgBoxHook::Clear();
        pressToggle(form->txtEdit[1]);
        form->txtEdit[3]->setText(QStringLiteral("ΚΑΛΟΣ1"));
        form->cmbEdit[0]->setCurrentIndex(-1);
        bool ok = true;
        form->mclsDBForm_ValuesOK(ok);
        QVERIFY(!ok);
        QCOMPARE(prompts(), QStringList{kNoGroup});
        QCOMPARE(QApplication::focusWidget(), form->cmbEdit[0]);

        // The log-in finds users by name: a second "admin", in any case, is refused.
        MsgBoxHook::Clear();
        form->cmbEdit[0]->setCurrentIndex(1);
        form->txtEdit[2]->setText(QStringLiteral(" admin "));
        form->key("save");
        QCOMPARE(prompts(), QStringList{QStringLiteral("Υπάρχει ήδη χρήστης με όνομα Login «admin».")});
        QCOMPARE(QApplication::focusWidget(), form->txtEdit[2]);
        QCOMPARE(userValue("admin", "count(*)"), QStringLiteral("1"));
    }

    // A copy keeps rights and group but has no password; rights outside the list are dropped.
    void copyAndRights_data() { TestDatabase::addBackendRows(); }
    void copyAndRights() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        const long rights = Rights::ProtocolRead | Rights::Departments;
        typeNewUser(*form, QStringLiteral("source"), QStringLiteral("ΠΗΓΗ12"), rights);
        form->cmbEdit[0]->setCurrentIndex(1);
        form->key("save");
        QCOMPARE(prompts(), QStringList());
        // Bits no entry carries.
        QVERIFY(gConn->Execute(QStringLiteral("UPDATE USERS SET U_AUTH=%1 WHERE U_NAME='source'")
                                   .arg(rights | 0x1 | 0x40000000)));
        QVERIFY(showUser(*form, "source"));
        QCOMPARE(form->lblEdit[2]->text(), QString::number(rights | 0x1 | 0x40000000));
        QCOMPARE(form->lstEdit[0]->selectedItems().size(), 2);

        form->key("copy");
        QCOMPARE(form->lblEdit[1]->text(), QString());
        QCOMPARE(form->lstEdit[0]->selectedItems().size(), 2);
        form->txtEdit[2]->setText(QStringLiteral("copy"));
        form->key("save");
        // No password yet: in clear display the empty box is refused as any required field.
        QCOMPARE(prompts(), QStringList{clsDBForm::RequiredMessage(QStringLiteral("Κωδικός"))});
        MsgBoxHook::Clear();
        form->txtEdit[3]->setText(QStringLiteral("ΑΝΤΙΓΡ1"));
        form->key("save");
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(userValue("copy", "U_AUTH").toLong(), rights);
        QCOMPARE(userValue("copy", "USER_GROUP_ID"), QStringLiteral("2"));
        QCOMPARE(PswFormat::Read(userValue("copy", "U_PSW")), QStringLiteral("ΑΝΤΙΓΡ1"));

        // The source saved again loses the bits outside the list; select/clear all work in an edit.
        QVERIFY(showUser(*form, "source"));
        form->cmd_Click(0);  // outside an edit: nothing
        QCOMPARE(form->lstEdit[0]->selectedItems().size(), 2);
        form->key("edit");
        form->key("save");
        QCOMPARE(userValue("source", "U_AUTH").toLong(), rights);
        form->key("edit");
        QTest::mouseClick(form->cmd[0], Qt::LeftButton);
        form->key("save");
        QCOMPARE(userValue("source", "U_AUTH").toLong(), RegisterSchema::SupervisorRights());
        form->key("edit");
        QTest::mouseClick(form->cmd[1], Qt::LeftButton);
        form->key("save");
        QCOMPARE(userValue("source", "U_AUTH").toLong(), 0L);
    }

    // A user with a session row is never deleted; one without is removed for good.
    void deleteUser_data() { TestDatabase::addBackendRows(); }
    void deleteUser() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        for (const char* name : {"logged", "never"}) {
            typeNewUser(*form, QLatin1String(name), QStringLiteral("ΚΩΔΙΚΟΣ"), Rights::ProtocolRead);
            form->key("save");
        }
        QVERIFY(gConn->Execute(QStringLiteral("INSERT INTO USER_LOG (USER_ID) VALUES (%1)")
                                   .arg(userValue("logged", "USER_ID"))));
        QVERIFY(showUser(*form, "logged"));
        MsgBoxHook::Clear();
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->key("del");
        QCOMPARE(prompts(), (QStringList{clsDBForm::DeleteQuestion(), kHasLog}));
        QCOMPARE(MsgBoxHook::Log().last().icon(), int(vb::vbCritical));
        QCOMPARE(userValue("logged", "U_NAME"), QStringLiteral("logged"));

        QVERIFY(showUser(*form, "never"));
        MsgBoxHook::Clear();
        MsgBoxHook::QueueAnswer(vb::vbYes);
        form->key("del");
        QCOMPARE(prompts(), QStringList{clsDBForm::DeleteQuestion()});
        QCOMPARE(userValue("never", "U_NAME"), QStringLiteral("<none>"));
        QCOMPARE(form->adodc->RecordCount(), 2);
    }

    // A new user whose commit's answer was lost: once the connection is back the window finds
    // out whether the user was stored and says which; a second save never stores a second user
    // (nor calls the name taken by the user's own entry).
    void addAnswerLost_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("fate");
        for (const Backend b : TestDatabase::configuredBackends())
            for (const char* fate : {"stored", "not stored", "stored, not readable"})
                QTest::newRow(qPrintable(TestDatabase::backendTag(b) + ' ' + fate))
                    << TestDatabase::backendTag(b) << QString::fromLatin1(fate);
    }
    void addAnswerLost() {
        QFETCH(QString, fate);
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        typeNewUser(*form, QStringLiteral("maria"), QStringLiteral("ΚΩΔΙΚΟΣ"), Rights::ProtocolRead);
        const bool reached = InjectCommitFate(fate);
        form->key("save");
        gConn->ClearFault();
        const auto users = [] {
            return scalar(QStringLiteral("SELECT count(*) FROM USERS WHERE U_NAME='maria'"));
        };
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().first();
        if (fate == QLatin1String("stored")) {
            QCOMPARE(box.prompt, kAddedAfterLoss);
            QCOMPARE(box.icon(), int(vb::vbInformation));
            QVERIFY(!form->f().Editing());
            QCOMPARE(users(), QStringLiteral("1"));
            QCOMPARE(form->f().CurrentKey().toString(), userValue("maria", "USER_ID"));
            return;
        }
        QVERIFY2(box.prompt.contains(reached ? kCommitUnknown : kCommitLost), qPrintable(box.prompt));
        QVERIFY(form->f().Editing());
        QCOMPARE(form->txtEdit[2]->text(), QStringLiteral("maria"));
        QCOMPARE(users(), reached ? QStringLiteral("1") : QStringLiteral("0"));
        MsgBoxHook::Clear();
        form->key("save");
        QCOMPARE(prompts(), reached ? QStringList{kAddedAfterLoss} : QStringList());
        QVERIFY(!form->f().Editing());
        QCOMPARE(users(), QStringLiteral("1"));
        QCOMPARE(PswFormat::Read(userValue("maria", "U_PSW")), QStringLiteral("ΚΩΔΙΚΟΣ"));
    }

    // Two users windows: the second deletes the user the first corrected after it was shown:
    // refused, nothing removed, and the administrator may see the user as stored now. A user the
    // other deleted is said to be gone.
    void staleDelete_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("other");
        QTest::addColumn<int>("answer");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " corrected, see it")) << tag << "correct" << int(vb::vbYes);
            QTest::newRow(qPrintable(tag + " corrected, leave it")) << tag << "correct" << int(vb::vbNo);
            QTest::newRow(qPrintable(tag + " deleted")) << tag << "delete" << int(vb::vbOK);
        }
    }
    void staleDelete() {
        QFETCH(QString, other);
        QFETCH(int, answer);
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto first = open(db);
        QVERIFY(first);
        QVERIFY(addUser(QStringLiteral("maria"), QStringLiteral("ΚΩΔΙΚΟΣ"), Rights::ProtocolRead, 30, 10) >
                0);
        auto second = open(db);
        QVERIFY(second);
        QVERIFY(showUser(*first, "maria"));
        QVERIFY(showUser(*second, "maria"));
        MsgBoxHook::Clear();
        if (other == QLatin1String("correct")) {
            first->key("edit");
            first->txtEdit[5]->setText(QStringLiteral("2109999999"));
            first->key("save");
        } else {
            MsgBoxHook::QueueAnswer(vb::vbYes);
            first->key("del");
        }
        QVERIFY2(!first->f().Editing(), qPrintable(prompts().join('\n')));
        const QString phone = userValue("maria", "U_PHONE1");
        MsgBoxHook::Clear();
        MsgBoxHook::QueueAnswer(vb::vbYes);
        MsgBoxHook::QueueAnswer(answer);
        second->key("del");
        QCOMPARE(MsgBoxHook::Log().size(), 2);
        QCOMPARE(MsgBoxHook::Log().first().prompt, kDeleteQuestion);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().last();
        QVERIFY(!gConn->InTransaction());
        if (other == QLatin1String("delete")) {
            QVERIFY2(box.prompt.contains(kGone), qPrintable(box.prompt));
            return;
        }
        QCOMPARE(box.prompt, kDeleteConflict);
        QCOMPARE(box.buttonSet(), int(vb::vbYesNo));
        QCOMPARE(phone, QStringLiteral("2109999999"));
        QCOMPARE(userValue("maria", "U_PHONE1"), phone);
        QCOMPARE(second->txtEdit[5]->text(), answer == vb::vbYes ? phone : QStringLiteral("2101111111"));
        if (answer != vb::vbYes) return;
        // Shown as it is now, it can be deleted.
        MsgBoxHook::Clear();
        MsgBoxHook::QueueAnswer(vb::vbYes);
        second->key("del");
        QCOMPARE(prompts(), QStringList{kDeleteQuestion});
        QCOMPARE(userValue("maria", "U_NAME"), QStringLiteral("<none>"));
    }

    // "Προσθ." while the register cannot be reached begins no edit (no new user with an empty
    // expiry): one message names the lost connection. Once it is back, a new user gets its expiry.
    void addWithoutRegister() {
        TestDatabase db(Backend::SQLite);
        QVERIFY(db.ok());
        QVERIFY(createRegister(
            db, RegisterSchema::Options{.supervisorName = "ADMIN", .supervisorPassword = "ADMIN1"}));
        auto form = open(db);
        QVERIFY(form);
        QCOMPARE(form->tabA->currentIndex(), int(clsDBForm::ListPage));
        const QString path = gConn->DatabaseName();
        QVERIFY(QFile::rename(path, path + ".away"));
        // The window finds the connection lost at its next statement.
        gConn->InjectFault(1, Connection::Fault::DropConnection, Connection::Point::Statement);
        scalar(QStringLiteral("SELECT 1"));
        MsgBoxHook::Clear();
        form->key("add");
        QVERIFY(!form->f().Editing());
        QCOMPARE(form->tabA->currentIndex(), int(clsDBForm::ListPage));
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(MsgBoxHook::Log().first().prompt.contains(kLost),
                 qPrintable(MsgBoxHook::Log().first().prompt));
        QVERIFY(QFile::rename(path + ".away", path));
        MsgBoxHook::Clear();
        form->key("add");
        QVERIFY(form->f().Editing());
        QCOMPARE(BoundControl::Value(form->dtEdit[0]).toDate(),
                 DBHelper::ServerDate(gConn).toDate().addDays(30));
    }

    // The same with the server just stopped, before anything found the connection gone.
    void addWithServerStopped() {
        if (const QString why = OwnCluster::unavailable(); !why.isEmpty()) QSKIP(qPrintable(why));
        OwnCluster cluster;
        QVERIFY(cluster.init());
        QVERIFY(cluster.start());
        QString error;
        const auto conn = cluster.openRegister(&error);
        QVERIFY2(conn, qPrintable(error));
        auto form = open(conn);
        QVERIFY(form);
        QVERIFY(cluster.stop(QStringLiteral("immediate")));
        MsgBoxHook::Clear();
        form->key("add");
        QVERIFY(!form->f().Editing());
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(MsgBoxHook::Log().first().prompt.contains(kLost),
                 qPrintable(MsgBoxHook::Log().first().prompt));
        QVERIFY(cluster.start());
        MsgBoxHook::Clear();
        form->key("add");
        QVERIFY2(form->f().Editing(), qPrintable(prompts().join('\n')));
        QVERIFY(!BoundControl::Value(form->dtEdit[0]).isNull());
        form.reset();
        gConn.reset();
    }

    // Long and quote-laden texts are cut to the columns and stored as typed.
    void badInput_data() { TestDatabase::addBackendRows(); }
    void badInput() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        const QString quotes = QStringLiteral("O'Brien \"x\" '); DROP TABLE USERS; --");
        const QString longText = QString(1000, QChar(0x3B1)) + quotes;
        typeNewUser(*form, QStringLiteral("o'brien"), QStringLiteral("PA'SS\"W0RD"), Rights::ProtocolRead);
        for (int i : {0, 1, 4, 5, 6}) {
            form->txtEdit[i]->clear();
            typeText(form->txtEdit[i], i == 1 ? quotes : longText.left(60));
        }
        form->txtEdit[3]->setText(longText);
        QCOMPARE(form->txtEdit[3]->text().size(), 29);
        form->numEdit[0]->clear();
        typeText(form->numEdit[0], QStringLiteral("-12345678901234567890"));
        QCOMPARE(form->numEdit[0]->text(), QStringLiteral("1234"));
        form->key("save");
        QCOMPARE(prompts(), QStringList());
        QCOMPARE(userValue("o'brien", "U_LNAME"), quotes.left(30));
        QCOMPARE(userValue("o'brien", "U_FNAME"), longText.left(20));
        QCOMPARE(userValue("o'brien", "U_ADDRESS"), longText.left(50));
        QCOMPARE(userValue("o'brien", "U_PHONE1"), longText.left(10));
        QCOMPARE(userValue("o'brien", "U_EXP_DAYS"), QStringLiteral("1234"));
        QCOMPARE(PswFormat::Read(userValue("o'brien", "U_PSW")), longText.left(29));
    }

    // A user whose row could not be read is not shown at all: no rights of another user stay
    // ticked, the lost connection is said once, and "edit" reads the user again first (refused
    // with the reason while that fails). Without its groups the window does not open.
    void shownWholeOrNot_data() { TestDatabase::addBackendRows(); }
    void shownWholeOrNot() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        const long rights = Rights::ProtocolRead | Rights::Phrases;
        gConn = db.conn();
        QVERIFY(addUser(QStringLiteral("maria"), QStringLiteral("maria1"), rights, 90, 30) > 0);
        auto form = open(db);
        QVERIFY(form);
        const auto lostOnce = [] {
            QCOMPARE(MsgBoxHook::Log().size(), 1);
            QCOMPARE(MsgBoxHook::Log().first().icon(), int(vb::vbCritical));
            QVERIFY2(MsgBoxHook::Log().first().prompt.contains(Connection::LostText()),
                     qPrintable(prompts().join(u'|')));
            MsgBoxHook::Clear();
        };
        QVERIFY(showUser(*form, QStringLiteral("ADMIN")));
        const int row = form->f().List()->rowOfKey(
            userValue(QStringLiteral("maria"), QStringLiteral("USER_ID")).toLongLong());
        MsgBoxHook::Clear();
        gConn->InjectFault(1, Connection::Fault::DropConnection);
        form->adodc->SetAbsolutePosition(row + 1);
        gConn->ClearFault();
        QVERIFY(!form->f().ShownWhole());
        lostOnce();
        QVERIFY(form->lstEdit[0]->selectedItems().isEmpty());
        QCOMPARE(form->txtEdit[2]->text(), QString());
        QCOMPARE(form->cmbEdit[0]->currentIndex(), -1);
        gConn->InjectFault(1, Connection::Fault::DropConnection);
        form->key("edit");
        gConn->ClearFault();
        QVERIFY(!form->f().Editing());
        lostOnce();
        form->key("edit");
        QVERIFY(form->f().Editing());
        QVERIFY(prompts().isEmpty());
        QCOMPARE(form->txtEdit[2]->text(), QStringLiteral("maria"));
        long ticked = 0;
        for (const QListWidgetItem* item : form->lstEdit[0]->selectedItems())
            ticked |= long(item->data(Qt::UserRole).toLongLong());
        QCOMPARE(ticked, rights);
        QCOMPARE(form->cmbEdit[0]->currentData().toInt(), 2);
        form->key("cancel");
        form.reset();

        MsgBoxHook::Clear();
        gConn->InjectFault(1, Connection::Fault::DropConnection);
        QVERIFY(!open(db));
        gConn->ClearFault();
        lostOnce();
    }

    void printKey_data() { TestDatabase::addBackendRows(); }
    void printKey() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        auto form = open(db);
        QVERIFY(form);
        form->key("print");  // no report installed: nothing happens
        QStringList got;
        ReportHooks::UsersList = [&got](const QString& where, const QString& extra,
                                        const QStringList& fields) { got << where << extra << fields; };
        form->key("print");
        QCOMPARE(got, (QStringList{"U_NAME>=''", "", "U_LNAME~Επώνυμο", "U_FNAME~Όνομα", "U_NAME~Login",
                                   "U_PHONE1~Τηλέφ.1", "U_PHONE2~Τηλέφ.2"}));
        // As installed for the program, the key runs the users list: its options dialog opens.
        RegisterWindows::Install();
        ModalDriver<ReportOptions> options([](ReportOptions* d) { d->cmdCancel->click(); });
        form->key("print");
        QVERIFY(options.shown());
    }

    // The menu opens the window modally for supervisors and unloads it after.
    void menu_data() { TestDatabase::addBackendRows(); }
    void menu() {
        TEST_REGISTER(db, .supervisorName = "ADMIN", .supervisorPassword = "ADMIN1");
        gConn = db.conn();
        gUser = std::make_shared<cls_User>();
        gUser->UserId = kAdminId;
        RegisterWindows::Install();
        frmMDI* mdi = frmMDI::instance();
        QCOMPARE(mdi->mnuUsers->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
        QPointer<frmUsers> seen;
        ModalDriver<frmUsers> driver([&seen](frmUsers* w) {
            seen = w;
            QVERIFY(w->isModal());
            w->close();
        });
        mdi->mnuUsers->trigger();
        QVERIFY(driver.shown());
        QCOMPARE(driver.title(), QStringLiteral("Χρήστες"));
        QVERIFY(!seen);
    }
};

QTEST_MAIN(TestUsers)
#include "tst_users.moc"
