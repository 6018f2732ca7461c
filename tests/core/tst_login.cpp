#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <climits>
#include <functional>

#include "App.h"
#include "DBHelper.h"
#include "Err.h"
#include "MsgBox.h"
#include "PswFormat.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "SettingsStore.h"
#include "SqliteSupport.h"
#include "StrHelper.h"
#include "TestSupport.h"
#include "cls_Login.h"
#include "frmInitial.h"
#include "frm_Psw.h"
#include "modDeclare.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");
const QString kAbsent = QStringLiteral("<absent>");
const QString kFailHeader = QStringLiteral("#Η σύνδεση με την βάση απέτυχε\r\n");
const QString kNoRight = QStringLiteral("Δεν έχετε δικαίωμα να ανοίξετε αυτή την εφαρμογή");
const QString kExpired = QStringLiteral("Ο Κωδικός ασφαλείας σας έληξε. Πρέπει να τον αλλάξετε τώρα.");
const QString kMustChange = QStringLiteral(
    "Δεν έχετε δικαίωμα να ανοίξετε την εφαρμογή μέχρι να αλλάξετε τον προσωπικό Κωδικό ασφαλείας.");
const QDateTime kClock(QDate(2026, 12, 28), QTime(10, 30, 0));  // expiry dates cross the year
constexpr int kNoDate = INT_MIN;

QString warning(int days) {
    return QStringLiteral("Ο Κωδικός ασφαλείας σας θα λήξει σε %1 ημέρες. Θέλετε να τον αλλάξετε τώρα;")
        .arg(days);
}

QStringList rowsOf(const ConnectionPtr& conn, const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, conn)) return {QStringLiteral("<failed: %1>").arg(conn->LastErrorText())};
    QStringList out;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList values;
        for (int i = 0; i < rs.FieldCount(); ++i) values << DBHelper::ValueText(rs.Value(i));
        out << values.join(QLatin1Char('|'));
    }
    return out;
}

QStringList openRows(const ConnectionPtr& conn, long userId = 0) {
    return rowsOf(
        conn, QStringLiteral("SELECT ULOG_ID, USER_ID FROM USER_LOG WHERE LOGOUT_TIME IS NULL%1 ORDER BY 1")
                  .arg(userId ? QStringLiteral(" AND USER_ID = %1").arg(userId) : QString()));
}

// Points the settings at the database: Provider, ConnStr and the database log-in L.
void configure(const TestDatabase& db) {
    db.writeLoginSettings();
}

// A user with a stored password; expiry in days from the server's date (kNoDate: none).
long addUser(const TestDatabase& db, const QString& name, const QString& password, long auth = 0x80,
             int expDays = 0, int daysLeft = 0) {
    const QVariant today = DBHelper::ServerDate(db.conn());
    const QString expDate =
        daysLeft == kNoDate ? QStringLiteral("Null") : DBHelper::DateToSQL(today.toDate().addDays(daysLeft));
    const QString sql =
        QStringLiteral(
            "INSERT INTO USERS (U_NAME, U_PSW, U_AUTH, USER_GROUP_ID, U_EXP_DATE, U_EXP_DAYS, "
            "MODUSER) VALUES (%1, %2, %3, 2, %4, %5, 0)")
            .arg(StrHelper::SqlValue(name),
                 StrHelper::SqlValue(PswFormat::Store(password, PswFormat::NewKeyCode())))
            .arg(auth)
            .arg(expDate)
            .arg(expDays);
    if (!db.conn()->Execute(sql)) return 0;
    return DBHelper::LookupValue(db.conn(), QStringLiteral("USERS"),
                                 QStringLiteral("U_NAME=") + StrHelper::SqlValue(name),
                                 QStringLiteral("USER_ID"), 0, QStringLiteral(","))
        .toLong();
}

void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

// Acts on the modal windows as they come up, one step per window, in order. A window that waits
// with no step left for it is closed and the script marked stuck, so a test never hangs.
class Script : public QObject {
public:
    using Action = std::function<void(QWidget*)>;
    Script& on(const QString& window, Action action) {
        m_steps.append({window, std::move(action)});
        return *this;
    }
    Script& login(const QString& name, const QString& password) {
        return on(QStringLiteral("frmInitial"), [name, password](QWidget* w) {
            auto* frm = static_cast<frmInitial*>(w);
            retype(frm->txtLoginName, name);
            retype(frm->txtPassword, password);
            QTest::mouseClick(frm->cmdOK, Qt::LeftButton);
        });
    }
    Script& cancel() {
        return on(QStringLiteral("frmInitial"), [](QWidget* w) {
            QTest::mouseClick(static_cast<frmInitial*>(w)->cmdCancel, Qt::LeftButton);
        });
    }
    // frm_Psw: a new password in both boxes and "ΟΚ", or (empty) "Ακύρωση".
    Script& newPassword(const QString& password) {
        return on(QStringLiteral("frm_Psw"), [password](QWidget* w) {
            auto* dlg = static_cast<frm_Psw*>(w);
            typeText(dlg->txtPsw[0], password);
            typeText(dlg->txtPsw[1], password);
            QTest::mouseClick(dlg->cmdAction[password.isEmpty() ? 0 : 1], Qt::LeftButton);
        });
    }
    void start() { schedule(); }
    bool done() const { return m_next == m_steps.size(); }
    QString stuck() const { return m_stuck; }
    QStringList seen() const { return m_seen; }

private:
    struct Step {
        QString window;
        Action action;
    };
    void schedule() {
        QTimer::singleShot(5, this, [this] { tick(); });
    }
    void tick() {
        // Scheduled first: an action may open a nested modal loop that the next step must reach.
        schedule();
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        if (m_seen.isEmpty() || m_seen.last() != w->objectName()) m_seen << w->objectName();
        // Focus and keys are only settled once the window is active.
        if (w->isActiveWindow() && m_next < m_steps.size() && w->objectName() == m_steps[m_next].window) {
            m_idle = 0;
            const Step step = m_steps[m_next++];
            step.action(w);
            return;
        }
        if (++m_idle > 600) {  // about 3 s
            m_stuck = w->objectName();
            m_idle = 0;
            static_cast<QDialog*>(w)->reject();
        }
    }
    QList<Step> m_steps;
    qsizetype m_next = 0;
    int m_idle = 0;
    QString m_stuck;
    QStringList m_seen;
};

// What a log-in run gives back, with the caller's variables set beforehand so that a failure can
// be seen to leave them alone.
struct Run {
    ConnectionPtr conn = std::make_shared<Connection>();
    std::shared_ptr<cls_User> user = std::make_shared<cls_User>();
    ConnectionPtr connBefore = conn;
    std::shared_ptr<cls_User> userBefore = user;
    bool result = false;
    bool untouched() const { return conn == connBefore && user == userBefore; }
};

#define RUN_LOGIN(run, script)                                                        \
    (script).start();                                                                 \
    (run).result = cls_Login().UserLogin((run).conn, (run).user);                     \
    QVERIFY2((script).stuck().isEmpty(), qPrintable("stuck in " + (script).stuck())); \
    QVERIFY2((script).done(), "not every step ran");

QStringList prompts() {
    QStringList out;
    for (const auto& shown : MsgBoxHook::Log()) out << shown.prompt;
    return out;
}

// Backends crossed with the cases that a _data function adds through `row`.
template <typename F>
void perBackend(F row) {
    for (Backend b : TestDatabase::configuredBackends()) row(b, TestDatabase::backendTag(b));
}
}  // namespace

Q_DECLARE_METATYPE(Backend)

class TestLogin : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> m_session;

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        App::SetVersion(3, 10, 7);
        m_session->startReporter(false);
        SqliteSupport::setClock(kClock);
    }
    void cleanup() {
        SqliteSupport::clearClock();
        m_session.reset();
    }

    void controls_data() { TestDatabase::addBackendRows(); }
    void controls() {
        TEST_REGISTER(db);
        configure(db);
        frmInitial frm;
        QVERIFY(!frm.fraLogin->isVisibleTo(&frm));
        QVERIFY(frm.Init());
        QVERIFY(frm.fraLogin->isVisibleTo(&frm));
        QVERIFY(frm.Conn() && frm.Conn()->IsOpen());
        QVERIFY(!frm.LoginOK());
        const struct {
            const char* name;
            QString text;
        } texts[] = {
            {"Label1", QStringLiteral("Παρακαλώ περιμένετε ...")},
            {"lbl(0)", QStringLiteral("Όνομα χρήστη")},
            {"lbl(1)", QStringLiteral("Κωδικός ασφαλείας")},
            {"cmdOK", QStringLiteral("OK")},  // Latin letters
            {"cmdCancel", QStringLiteral("Ακύρωση")},
            {"lblVersion", QStringLiteral("Έκδοση 3.10.7")},
        };
        for (const auto& t : texts) {
            QWidget* w = frm.findChild<QWidget*>(QLatin1String(t.name));
            QVERIFY2(w, t.name);
            QCOMPARE(w->accessibleDescription(), QLatin1String(t.name));
            auto* label = qobject_cast<QLabel*>(w);
            QCOMPARE(label ? label->text() : qobject_cast<QPushButton*>(w)->text(), t.text);
        }
        QLineEdit* boxes[] = {frm.txtLoginName, frm.txtPassword};
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(frm.lbl[i]->buddy(), boxes[i]);
            QCOMPARE(boxes[i]->accessibleName(), frm.lbl[i]->text());
        }
        QCOMPARE(frm.txtLoginName->objectName(), QStringLiteral("txtLoginName"));
        QCOMPARE(frm.txtPassword->accessibleDescription(), QStringLiteral("txtPassword"));
        QCOMPARE(frm.fraLogin->accessibleDescription(), QStringLiteral("fraLogin"));
        frm.txtPassword->setText(QStringLiteral("κλ1"));
        QCOMPARE(frm.txtPassword->displayText(), QStringLiteral("***"));
        QVERIFY(frm.cmdOK->isDefault());
        QVERIFY(!frm.cmdOK->isEnabled());
    }

    // L empty, malformed or wrong: the connection is tried with what L gives, pieces never negative.
    void databaseLogin_data() {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("l");
        QTest::addColumn<bool>("opens");
        perBackend([](Backend b, const QString& tag) {
            if (b == Backend::SQLite) {
                QTest::newRow(qPrintable(tag + ": empty L")) << b << "" << true;
                QTest::newRow(qPrintable(tag + ": malformed L")) << b << "~@^x" << true;
            } else {
                QTest::newRow(qPrintable(tag + ": empty L")) << b << "" << false;
                QTest::newRow(qPrintable(tag + ": unknown database user"))
                    << b << PswFormat::ComposeL(QStringLiteral("nobody_here"), QStringLiteral("x")) << false;
            }
        });
    }
    void databaseLogin() {
        QFETCH(Backend, backend);
        QFETCH(QString, l);
        QFETCH(bool, opens);
        TestDatabase db(backend);
        QVERIFY(db.ok());
        QVERIFY(createRegister(db));
        configure(db);
        SettingsStore::SaveValue(kSection, QStringLiteral("L"), l, false);
        SettingsStore::SaveValue(kSection, QStringLiteral("LastLoginName"), QStringLiteral("MARIA"), true);
        Run run;
        Script script;
        if (opens) script.cancel();
        RUN_LOGIN(run, script);
        QVERIFY(!run.result);
        QVERIFY(run.untouched());
        // The window shows only with an open connection; a failed open is reported by the connection.
        QCOMPARE(script.seen().contains(QStringLiteral("frmInitial")), opens);
        QCOMPARE(MsgBoxHook::Log().isEmpty(), opens);
        QCOMPARE(SettingsStore::GetValue(kSection, QStringLiteral("LastLoginName"), kAbsent, true),
                 QStringLiteral("MARIA"));
    }

    // A remembered name fills the box, enables OK and sends the focus to the password.
    void rememberedName_data() {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("shown");
        QTest::newRow("remembered, trimmed") << "  MARIA  "
                                             << "MARIA";
        QTest::newRow("none") << ""
                              << "";
    }
    void rememberedName() {
        QFETCH(QString, remembered);
        QFETCH(QString, shown);
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        configure(db);
        if (!remembered.isEmpty())
            SettingsStore::SaveValue(kSection, QStringLiteral("LastLoginName"), remembered, true);

        QString text, focus;
        bool okAtStart = false, okTyped = true, okCleared = true;
        Script script;
        script.on(QStringLiteral("frmInitial"), [&](QWidget* w) {
            auto* frm = static_cast<frmInitial*>(w);
            text = frm->txtLoginName->text();
            focus = frm->focusWidget() ? frm->focusWidget()->objectName() : QString();
            okAtStart = frm->cmdOK->isEnabled();
            if (shown.isEmpty()) {
                typeText(frm->txtLoginName, QStringLiteral("Χ"));
                okTyped = frm->cmdOK->isEnabled();
                QTest::keyClick(frm->txtLoginName, Qt::Key_Backspace);
                okCleared = frm->cmdOK->isEnabled();
            }
            QTest::keyClick(frm, Qt::Key_Escape);
        });
        Run run;
        RUN_LOGIN(run, script);
        QVERIFY(!run.result);
        QCOMPARE(text, shown);
        QCOMPARE(okAtStart, !shown.isEmpty());
        QCOMPARE(focus, shown.isEmpty() ? QStringLiteral("txtLoginName") : QStringLiteral("txtPassword"));
        if (shown.isEmpty()) {
            QVERIFY(okTyped);
            QVERIFY(!okCleared);
        }
        // No attempt: the remembered name is kept, trimmed.
        QCOMPARE(SettingsStore::GetValue(kSection, QStringLiteral("LastLoginName"), kAbsent, true), shown);
        QCOMPARE(SettingsStore::GetValue(kSection, QStringLiteral("Lang"), kAbsent, true), QString());
    }

    // One attempt with what was typed: logged in, or a failed attempt that leaves the window open.
    void attempt_data() {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("ok");
        const QString longText(300, QLatin1Char('A'));
        perBackend([&](Backend b, const QString& tag) {
            auto row = [&](const char* c) { return &QTest::newRow(qPrintable(tag + ": " + c)); };
            *row("exact") << b << "MARIA"
                          << "SECRET1" << true;
            *row("name with blanks around") << b << "  MARIA  "
                                            << "SECRET1" << true;
            *row("name in another case") << b << "maria"
                                         << "SECRET1" << true;
            *row("password in lower case") << b << "MARIA"
                                           << "secret1" << true;
            *row("name with a quote") << b << "O'NEIL"
                                      << "PASS1" << true;
            *row("leading space in password") << b << "MARIA"
                                              << " SECRET1" << false;
            *row("trailing space in password") << b << "MARIA"
                                               << "SECRET1 " << false;
            *row("wrong password") << b << "MARIA"
                                   << "SECRET2" << false;
            *row("unknown name") << b << "NIKOS"
                                 << "SECRET1" << false;
            *row("quotes in the name") << b << "MARIA' OR '1'='1"
                                       << "SECRET1" << false;
            *row("percent in the name") << b << "MAR%"
                                        << "SECRET1" << false;
            *row("quote and percent in the password") << b << "MARIA"
                                                      << "' OR '%'='%" << false;
            *row("300-character name") << b << longText << "SECRET1" << false;
            *row("300-character password") << b << "MARIA" << longText << false;
        });
    }
    void attempt() {
        QFETCH(Backend, backend);
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, ok);
        TestDatabase db(backend);
        QVERIFY(db.ok());
        QVERIFY(createRegister(db));
        configure(db);
        const long maria = addUser(db, QStringLiteral("MARIA"), QStringLiteral("SECRET1"), 0x180);
        const long oneil = addUser(db, QStringLiteral("O'NEIL"), QStringLiteral("PASS1"), 0x80);
        QVERIFY(maria > 0 && oneil > 0);
        QVERIFY(db.conn()->Execute(
            QStringLiteral("UPDATE L_USER_GROUPS SET USER_GROUP_FLAG = 5 WHERE USER_GROUP_ID = 2")));

        bool stillOpen = false;
        QString passwordLeft;
        bool passwordFocused = false;
        Script script;
        script.login(name, password);
        if (!ok)
            script.on(QStringLiteral("frmInitial"), [&](QWidget* w) {
                stillOpen = w->isVisible();
                QLineEdit* box = static_cast<frmInitial*>(w)->txtPassword;
                passwordFocused = QApplication::focusWidget() == box;
                // What is typed next replaces the refused text instead of joining it.
                QTest::keyClicks(box, QStringLiteral("X9"));
                passwordLeft = box->text();
                static_cast<QDialog*>(w)->reject();
            });
        Run run;
        RUN_LOGIN(run, script);
        QCOMPARE(run.result, ok);
        QCOMPARE(SettingsStore::GetValue(kSection, QStringLiteral("LastLoginName"), kAbsent, true),
                 name.trimmed());
        if (!ok) {
            QVERIFY(stillOpen);
            QVERIFY(run.untouched());
            QCOMPARE(MsgBoxHook::Log().size(), 1);
            // An unknown name and a wrong password alike: the header, then why.
            QCOMPARE(MsgBoxHook::Log()[0].prompt, kFailHeader + frmInitial::WrongNameOrPasswordText());
            QVERIFY(passwordFocused);
            QCOMPARE(passwordLeft, QStringLiteral("X9"));
            QCOMPARE(MsgBoxHook::Log()[0].buttons, int(vb::vbCritical));
            QCOMPARE(openRows(db.conn()), QStringList());
            return;
        }
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(run.conn && run.conn != run.connBefore && run.conn->IsOpen());
        QVERIFY(run.user && run.user != run.userBefore);
        const long id = name.contains(QLatin1Char('\'')) ? oneil : maria;
        QCOMPARE(run.user->UserId, id);
        QCOMPARE(run.user->UserName, name);  // as typed, blanks included
        QCOMPARE(run.user->Auth, id == maria ? 0x180L : 0x80L);
        QCOMPARE(run.user->UserGroupID, 2L);
        QCOMPARE(run.user->UserGroupFlag, 5L);
        QCOMPARE(openRows(db.conn()).size(), 1);
        QCOMPARE(openRows(db.conn(), id).size(), 1);
        QCOMPARE(SettingsStore::GetValue(kSection, QStringLiteral("Lang"), kAbsent, true), QString());
    }

    void threeAttempts_data() {
        QTest::addColumn<QStringList>("passwords");
        QTest::addColumn<bool>("ok");
        QTest::newRow("three wrong") << QStringList{"X1", "X2", "X3"} << false;
        QTest::newRow("right at the third") << QStringList{"X1", "X2", "SECRET1"} << true;
    }
    void threeAttempts() {
        QFETCH(QStringList, passwords);
        QFETCH(bool, ok);
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        configure(db);
        QVERIFY(addUser(db, QStringLiteral("MARIA"), QStringLiteral("SECRET1")) > 0);
        Script script;
        for (const QString& p : passwords) script.login(QStringLiteral("MARIA"), p);
        Run run;
        RUN_LOGIN(run, script);  // the third failure ends the window by itself
        QCOMPARE(run.result, ok);
        QCOMPARE(MsgBoxHook::Log().size(), ok ? 2 : 3);
        QCOMPARE(openRows(db.conn()).size(), ok ? 1 : 0);
    }

    void noRights() {
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        configure(db);
        QVERIFY(addUser(db, QStringLiteral("MARIA"), QStringLiteral("SECRET1"), 0) > 0);
        Script script;
        script.login(QStringLiteral("MARIA"), QStringLiteral("SECRET1"));  // and no second attempt
        Run run;
        RUN_LOGIN(run, script);
        QVERIFY(!run.result);
        QVERIFY(run.untouched());
        QCOMPARE(prompts(), QStringList{kNoRight});
        QCOMPARE(MsgBoxHook::Log()[0].buttons, int(vb::vbCritical));
        QCOMPARE(rowsOf(db.conn(), QStringLiteral("SELECT count(*) FROM USER_LOG")), QStringList{"0"});
    }

    // Password ageing with the warning days of 'PCHK' (the server's date is fixed at kClock).
    void ageing_data() {
        QTest::addColumn<int>("expDays");
        QTest::addColumn<int>("daysLeft");
        QTest::addColumn<QString>("pchk");    // "" removes the row
        QTest::addColumn<int>("answer");      // to the warning
        QTest::addColumn<QString>("change");  // frm_Psw: the new password, "" cancels, "-" not shown
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("passwordAfter");

        const int no = vb::vbNo, yes = vb::vbYes;
        const QString old = QStringLiteral("SECRET1"), fresh = QStringLiteral("NEOS123");
        QTest::newRow("11 days left: silent") << 30 << 11 << "10" << 0 << "-" << QStringList{} << true << old;
        QTest::newRow("10 days left: No")
            << 30 << 10 << "10" << no << "-" << QStringList{warning(10)} << true << old;
        QTest::newRow("1 day left: Yes, cancelled")
            << 30 << 1 << "10" << yes << "" << QStringList{warning(1)} << true << old;
        QTest::newRow("1 day left: Yes, changed")
            << 30 << 1 << "10" << yes << "neos123" << QStringList{warning(1)} << true << fresh;
        QTest::newRow("expires today: changed")
            << 30 << 0 << "10" << 0 << "neos123" << QStringList{kExpired} << true << fresh;
        QTest::newRow("expires today: cancelled")
            << 30 << 0 << "10" << 0 << "" << QStringList{kExpired, kMustChange} << false << old;
        QTest::newRow("expired long ago: changed")
            << 30 << -40 << "10" << 0 << "neos123" << QStringList{kExpired} << true << fresh;
        QTest::newRow("never expires") << 0 << -40 << "10" << 0 << "-" << QStringList{} << true << old;
        QTest::newRow("negative PCHK counts as 0")
            << 30 << 1 << "-3" << 0 << "-" << QStringList{} << true << old;
        QTest::newRow("no PCHK row") << 30 << 1 << "" << 0 << "-" << QStringList{} << true << old;
        QTest::newRow("no expiry date: must change")
            << 30 << kNoDate << "10" << 0 << "neos123" << QStringList{kExpired} << true << fresh;
    }
    void ageing() {
        QFETCH(int, expDays);
        QFETCH(int, daysLeft);
        QFETCH(QString, pchk);
        QFETCH(int, answer);
        QFETCH(QString, change);
        QFETCH(QStringList, boxes);
        QFETCH(bool, ok);
        QFETCH(QString, passwordAfter);
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        configure(db);
        if (pchk.isEmpty())
            QVERIFY(db.conn()->Execute(QStringLiteral("DELETE FROM PARAM WHERE PCODE = 'PCHK'")));
        else
            QVERIFY(db.conn()->Execute(
                QStringLiteral("UPDATE PARAM SET PVAL = '%1' WHERE PCODE = 'PCHK'").arg(pchk)));
        const long id =
            addUser(db, QStringLiteral("MARIA"), QStringLiteral("SECRET1"), 0x80, expDays, daysLeft);
        QVERIFY(id > 0);
        const QStringList before =
            rowsOf(db.conn(), QStringLiteral("SELECT U_EXP_DATE FROM USERS WHERE USER_ID = %1").arg(id));

        if (answer) MsgBoxHook::QueueAnswer(answer);
        Script script;
        script.login(QStringLiteral("maria"), QStringLiteral("secret1"));
        if (change != QLatin1String("-")) script.newPassword(change);
        Run run;
        RUN_LOGIN(run, script);
        QCOMPARE(run.result, ok);
        QCOMPARE(prompts(), boxes);
        for (const auto& shown : MsgBoxHook::Log())
            QCOMPARE(shown.buttons, shown.prompt.startsWith(QStringLiteral("Ο Κωδικός ασφαλείας σας θα"))
                                        ? int(vb::vbYesNo | vb::vbQuestion)
                                        : int(vb::vbCritical));
        QCOMPARE(openRows(db.conn(), id).size(), ok ? 1 : 0);

        const QStringList after = rowsOf(
            db.conn(), QStringLiteral("SELECT U_PSW, U_EXP_DATE FROM USERS WHERE USER_ID = %1").arg(id));
        QCOMPARE(after.size(), 1);
        const QString stored = after[0].section(QLatin1Char('|'), 0, -2);
        QCOMPARE(PswFormat::Read(stored), passwordAfter);
        if (passwordAfter == QLatin1String("SECRET1")) {
            QCOMPARE(after[0].section(QLatin1Char('|'), -1), before.value(0));
        } else {
            // A fresh key character, and the validity counted from the server's date.
            QVERIFY(stored.at(0).unicode() >= 32 && stored.at(0).unicode() <= 99);
            QCOMPARE(after[0].section(QLatin1Char('|'), -1),
                     kClock.date().addDays(expDays).toString(QStringLiteral("dd/MM/yyyy")));
        }
    }

    // A previous run that never logged out: its row is closed with the log-in's server time before
    // the new row is written; other users' rows stay as they are.
    void previousRowClosed_data() { TestDatabase::addBackendRows(); }
    void previousRowClosed() {
        TEST_REGISTER(db);
        configure(db);
        const long id = addUser(db, QStringLiteral("MARIA"), QStringLiteral("SECRET1"));
        QVERIFY(id > 0);
        const QDateTime earlier = DBHelper::ServerNow(db.conn()).toDateTime().addDays(-2);
        const QString insert =
            QStringLiteral("INSERT INTO USER_LOG (USER_ID, LOGIN_TIME, LOGOUT_TIME) VALUES (%1, %2, %3)");
        QVERIFY(db.conn()->Execute(
            insert.arg(id).arg(DBHelper::DateToSQL(earlier), DBHelper::DateToSQL(earlier.addSecs(60)))));
        QVERIFY(db.conn()->Execute(insert.arg(id).arg(DBHelper::DateToSQL(earlier), QStringLiteral("Null"))));
        QVERIFY(db.conn()->Execute(
            insert.arg(id + 100).arg(DBHelper::DateToSQL(earlier), QStringLiteral("Null"))));
        const QStringList old = openRows(db.conn(), id);
        QCOMPARE(old.size(), 1);
        const QString oldId = old[0].section(QLatin1Char('|'), 0, 0);

        const QDateTime from = DBHelper::ServerNow(db.conn()).toDateTime();
        Script script;
        script.login(QStringLiteral("MARIA"), QStringLiteral("SECRET1"));
        Run run;
        RUN_LOGIN(run, script);
        QVERIFY(run.result);
        const QDateTime to = DBHelper::ServerNow(db.conn()).toDateTime();

        const QStringList now = openRows(db.conn(), id);
        QCOMPARE(now.size(), 1);
        QVERIFY(now[0].section(QLatin1Char('|'), 0, 0).toLong() > oldId.toLong());
        const QDateTime closed = QDateTime::fromString(
            rowsOf(db.conn(),
                   QStringLiteral("SELECT LOGOUT_TIME FROM USER_LOG WHERE ULOG_ID = %1").arg(oldId))
                .value(0),
            QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        QVERIFY2(closed.isValid() && closed >= from.addSecs(-1) && closed <= to.addSecs(1),
                 qPrintable(closed.toString()));
        QCOMPARE(openRows(db.conn(), id + 100).size(), 1);
        QCOMPARE(rowsOf(db.conn(), QStringLiteral("SELECT count(*) FROM USER_LOG")), QStringList{"4"});
    }

    // The session log or the whole database failing during an attempt: a reported failed attempt,
    // the window usable for another, the caller's variables untouched.
    void sessionFailure_data() {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("failure");
        perBackend([](Backend b, const QString& tag) {
            QTest::newRow(qPrintable(tag + ": session log missing")) << b << "log";
            QTest::newRow(qPrintable(tag + ": database gone")) << b << "gone";
        });
    }
    void sessionFailure() {
        QFETCH(Backend, backend);
        QFETCH(QString, failure);
        TestDatabase db(backend);
        QVERIFY(db.ok());
        QVERIFY(createRegister(db));
        configure(db);
        const long id = addUser(db, QStringLiteral("MARIA"), QStringLiteral("SECRET1"));
        QVERIFY(id > 0);

        const bool gone = failure == QLatin1String("gone");
        Script script;
        script.on(QStringLiteral("frmInitial"), [&](QWidget* w) {
            auto* frm = static_cast<frmInitial*>(w);
            if (!gone)
                db.conn()->Execute(QStringLiteral("ALTER TABLE USER_LOG RENAME TO USER_LOG_AWAY"));
            else if (backend == Backend::PostgreSQL)
                db.conn()->Execute(
                    QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                                   " WHERE datname = current_database() AND pid <> pg_backend_pid()"));
            else
                frm->Conn()->Close();
            retype(frm->txtLoginName, QStringLiteral("MARIA"));
            retype(frm->txtPassword, QStringLiteral("SECRET1"));
            QTest::mouseClick(frm->cmdOK, Qt::LeftButton);
        });
        if (gone) {
            script.cancel();
        } else {
            script.on(QStringLiteral("frmInitial"), [&](QWidget* w) {
                db.conn()->Execute(QStringLiteral("ALTER TABLE USER_LOG_AWAY RENAME TO USER_LOG"));
                QTest::mouseClick(static_cast<frmInitial*>(w)->cmdOK, Qt::LeftButton);
            });
        }
        Run run;
        RUN_LOGIN(run, script);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY(MsgBoxHook::Log()[0].prompt.startsWith(kFailHeader));
        QVERIFY2(MsgBoxHook::Log()[0].prompt.size() > kFailHeader.size(),
                 "the report carries the database's error");
        QVERIFY(!MsgBoxHook::Log()[0].prompt.endsWith(frmInitial::WrongNameOrPasswordText()));
        QCOMPARE(run.result, !gone);
        QCOMPARE(run.untouched(), gone);
        QCOMPARE(openRows(db.conn(), id).size(), gone ? 0 : 1);
    }

    // Cancel, Esc and the close box end the log-in without touching anything.
    void leave_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel button") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void leave() {
        QFETCH(int, how);
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        configure(db);
        QVERIFY(addUser(db, QStringLiteral("MARIA"), QStringLiteral("SECRET1")) > 0);
        Script script;
        script.on(QStringLiteral("frmInitial"), [how](QWidget* w) {
            auto* frm = static_cast<frmInitial*>(w);
            typeText(frm->txtLoginName, QStringLiteral("MARIA"));
            typeText(frm->txtPassword, QStringLiteral("SECRET1"));
            if (how == 0) QTest::mouseClick(frm->cmdCancel, Qt::LeftButton);
            if (how == 1) QTest::keyClick(frm->txtPassword, Qt::Key_Escape);
            if (how == 2) frm->close();
        });
        Run run;
        RUN_LOGIN(run, script);
        QVERIFY(!run.result);
        QVERIFY(run.untouched());
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QCOMPARE(rowsOf(db.conn(), QStringLiteral("SELECT count(*) FROM USER_LOG")), QStringList{"0"});
        QCOMPARE(SettingsStore::GetValue(kSection, QStringLiteral("LastLoginName"), kAbsent, true),
                 QString());
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
