#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <memory>

#include "App.h"
#include "DBHelper.h"
#include "Err.h"
#include "FormLayout.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "RegisterDatabase.h"
#include "Screen.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "frmMDI.h"
#include "frmUsersActive.h"
#include "modDeclare.h"
#include "modMain.h"

using namespace modDeclare;

namespace {
const QString kOpenList =
    QStringLiteral(" SELECT * FROM V_USER_LOG  WHERE LOGOUT_TIME IS NULL ORDER BY U_NAME");
const QString kWholeList = QStringLiteral(" SELECT * FROM V_USER_LOG  ORDER BY U_NAME");
const QString kAlreadyClosed = QStringLiteral("Αυτή η σύνδεση είναι ήδη κλειστή.");
const QString kCloseOwn = QStringLiteral("Θέλετε να κλείσετε την δική σας σύνδεση;");
const QString kCloseOther = QStringLiteral("Θέλετε να κλείσετε αυτή την σύνδεση;");

long addUser(const ConnectionPtr& conn, const QString& name) {
    return DBHelper::InsertRec(conn, "USERS", 0, QString(), "U_NAME,U_AUTH", "'" + name + "',1", {})
        .toLongLong();
}

// A session row; times as "yyyy-MM-dd HH:mm:ss", an empty log-out for an open session.
long addSession(const ConnectionPtr& conn, long user, const QString& login, const QString& logout = {}) {
    const QString out = logout.isEmpty() ? QStringLiteral("Null") : "'" + logout + "'";
    return DBHelper::InsertRec(conn, "USER_LOG", 0, QString(), "USER_ID,LOGIN_TIME,LOGOUT_TIME",
                               QString::number(user) + ",'" + login + "'," + out, {})
        .toLongLong();
}

QVariant logoutOf(const ConnectionPtr& conn, long session) {
    Recordset rs;
    if (!rs.Open(QStringLiteral("SELECT LOGOUT_TIME FROM USER_LOG WHERE ULOG_ID=%1").arg(session), conn) ||
        rs.Eof())
        return QStringLiteral("<unreadable>");
    return rs.Value(0);
}

QDateTime at(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The grid as the user reads it: "user|log in|log out" per row.
QStringList shown(const frmUsersActive& form) {
    QStringList rows;
    const QAbstractItemModel* m = form.tdbg->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c < 4; ++c) cells << m->index(r, c).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList names(const frmUsersActive& form) {
    QStringList out;
    for (const QString& row : shown(form)) out << row.section(QLatin1Char('|'), 0, 0);
    return out;
}

void clickHeader(frmUsersActive& form, int column) {
    QHeaderView* header = form.tdbg->horizontalHeader();
    const QPoint p(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                   header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, p);
}

// Four users, inserted so that their keys do not follow their names; two open sessions and two
// closed ones.
struct Register {
    long nikos = 0, maria = 0, anna = 0, giorgos = 0;
    long nikosOpen = 0, annaOpen = 0, mariaClosed = 0, giorgosClosed = 0;

    explicit Register(const ConnectionPtr& conn) {
        nikos = addUser(conn, "ΝΙΚΟΣ");
        maria = addUser(conn, "ΜΑΡΙΑ");
        anna = addUser(conn, "ΑΝΝΑ");
        giorgos = addUser(conn, "ΓΙΩΡΓΟΣ");
        nikosOpen = addSession(conn, nikos, "2024-03-03 09:15:00");
        annaOpen = addSession(conn, anna, "2024-03-02 20:00:00");
        mariaClosed = addSession(conn, maria, "2024-03-01 08:00:00", "2024-03-01 16:00:00");
        giorgosClosed = addSession(conn, giorgos, "2024-02-28 10:00:00", "2024-02-28 12:30:00");
    }
};

std::shared_ptr<cls_User> makeUser(long id, const QString& name) {
    auto user = std::make_shared<cls_User>();
    user->UserId = id;
    user->UserName = name;
    user->Auth = 0x7FFFFFFF;
    return user;
}
}  // namespace

class TestUsersActive : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> m_session;

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        QVERIFY(m_session->startReporter(true));
        gUser = makeUser(999, "ADMIN");
    }
    void cleanup() {
        delete gUsersActiveForm.data();
        m_session.reset();
    }

    void controls() {
        frmUsersActive form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Συνδεδεμένοι Χρήστες"));
        QCOMPARE(unnamedInputs(&form), QStringList());
        QVERIFY(form.isWindow());
        QCOMPARE(form.findChild<QTableView*>("tdbg"), form.tdbg);
        QCOMPARE(form.findChild<QCheckBox*>("chkAll")->text(), QStringLiteral("Όλες οι εγγραφές"));
        QVERIFY(!form.chkAll->isChecked());
        QVERIFY(form.findChild<QFrame*>("fra"));
        QVERIFY(form.findChild<QAbstractItemModel*>("adodc"));
        const QString captions[] = {"Έξοδος", "Ανανέωση", "Κλείσιμο σύνδεσης"};
        for (int i = 0; i < 3; ++i) {
            const QString name = QStringLiteral("cmdAction(%1)").arg(i);
            auto* button = form.findChild<QPushButton*>(name);
            QVERIFY2(button, qPrintable(name));
            QCOMPARE(button->text(), captions[i]);
            QCOMPARE(button->accessibleDescription(), name);
            QVERIFY(form.fra->isAncestorOf(button));
        }
        QStringList headers;
        for (int c = 0; c < form.tdbg->model()->columnCount(); ++c)
            headers << form.tdbg->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QStringList({"USER_ID", "Χρήστης", "Log In", "Log Out"}));
        // Nothing read yet: nothing to close.
        QVERIFY(!form.cmdAction[2]->isEnabled());
    }

    void fill_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("all");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("rows");
        const QStringList open = {"ΑΝΝΑ|02/03/24  20:00:00|", "ΝΙΚΟΣ|03/03/24  09:15:00|"};
        const QStringList all = {"ΑΝΝΑ|02/03/24  20:00:00|", "ΓΙΩΡΓΟΣ|28/02/24  10:00:00|28/02/24  12:30:00",
                                 "ΜΑΡΙΑ|01/03/24  08:00:00|01/03/24  16:00:00", "ΝΙΚΟΣ|03/03/24  09:15:00|"};
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " open ones")) << tag << false << kOpenList << open;
            QTest::newRow(qPrintable(tag + " all")) << tag << true << kWholeList << all;
        }
    }
    void fill() {
        QFETCH(bool, all);
        QFETCH(QString, statement);
        QFETCH(QStringList, rows);
        TEST_REGISTER(db);
        const Register reg(db.conn());
        gConn = db.conn();
        frmUsersActive form;
        form.show();
        QVERIFY(form.Init());
        QCOMPARE(form.RecordSource(), kOpenList);
        if (all) {
            form.chkAll->setChecked(true);
            // The box counts from the next reading.
            QCOMPARE(shown(form).size(), 2);
            QTest::mouseClick(form.cmdAction[1], Qt::LeftButton);
        }
        QCOMPARE(form.RecordSource(), statement);
        QCOMPARE(shown(form), rows);
        QCOMPARE(form.tdbg->model()->index(0, 0).data().toLongLong(), qlonglong(reg.anna));
        QCOMPARE(form.tdbg->currentIndex().row(), 0);
        QVERIFY(form.cmdAction[2]->isEnabled());
        QCOMPARE(Screen::MousePointer(), int(Screen::vbDefault));
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    // Header clicks over the whole log; Init puts the user-name order back.
    void sort_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QStringList>("names");  // empty: the backends place Nulls differently
        const QStringList byName = {"ΑΝΝΑ", "ΓΙΩΡΓΟΣ", "ΜΑΡΙΑ", "ΝΙΚΟΣ"};
        const QStringList byNameDesc = {"ΝΙΚΟΣ", "ΜΑΡΙΑ", "ΓΙΩΡΓΟΣ", "ΑΝΝΑ"};
        const QStringList byLogin = {"ΓΙΩΡΓΟΣ", "ΜΑΡΙΑ", "ΑΝΝΑ", "ΝΙΚΟΣ"};
        const QStringList byKey = {"ΝΙΚΟΣ", "ΜΑΡΙΑ", "ΑΝΝΑ", "ΓΙΩΡΓΟΣ"};
        const struct {
            const char* tag;
            QList<int> clicks;
            QString order;
            QStringList names;
        } cases[] = {
            {"first order", {}, " ORDER BY U_NAME", byName},
            {"user name again inverts", {1}, " ORDER BY U_NAME DESC", byNameDesc},
            {"and back", {1, 1}, " ORDER BY U_NAME", byName},
            {"log in", {2}, " ORDER BY LOGIN_TIME", byLogin},
            {"log in twice",
             {2, 2},
             " ORDER BY LOGIN_TIME DESC",
             QStringList(byLogin.rbegin(), byLogin.rend())},
            {"another column ascends", {2, 2, 3}, " ORDER BY LOGOUT_TIME", {}},
            {"user id first click ascends", {0}, " ORDER BY USER_ID", byKey},
            {"user id twice", {0, 0}, " ORDER BY USER_ID DESC", QStringList(byKey.rbegin(), byKey.rend())},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& c : cases)
                QTest::newRow(
                    qPrintable(TestDatabase::backendTag(b) + QLatin1Char(' ') + QLatin1String(c.tag)))
                    << TestDatabase::backendTag(b) << c.clicks << c.order << c.names;
    }
    void sort() {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, order);
        QFETCH(QStringList, names);
        TEST_REGISTER(db);
        const Register reg(db.conn());
        gConn = db.conn();
        frmUsersActive form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.chkAll->setChecked(true);
        form.Init();
        for (int column : clicks) clickHeader(form, column);
        QCOMPARE(form.RecordSource(), QStringLiteral(" SELECT * FROM V_USER_LOG ") + order);
        QCOMPARE(::names(form).size(), 4);
        if (!names.isEmpty()) QCOMPARE(::names(form), names);
        QCOMPARE(form.tdbg->horizontalHeader()->sortIndicatorSection(), clicks.isEmpty() ? 1 : clicks.last());

        form.Init();
        QCOMPARE(form.RecordSource(), kWholeList);
        clickHeader(form, 1);
        QCOMPARE(form.RecordSource(), kWholeList + QStringLiteral(" DESC"));
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }

    // The log-out recorded is the log-in plus eight hours, whatever the time now.
    void closeSession_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("login");
        QTest::addColumn<bool>("own");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("logout");  // empty: stays open
        const struct {
            const char* tag;
            QString login;
            bool own;
            int answer;
            QString logout;
        } cases[] = {
            {"same day", "2024-03-03 09:15:00", false, vb::vbYes, "2024-03-03 17:15:00"},
            {"next day", "2024-03-03 20:00:00", false, vb::vbYes, "2024-03-04 04:00:00"},
            {"next year", "2023-12-31 23:59:59", false, vb::vbYes, "2024-01-01 07:59:59"},
            {"own session", "2024-03-03 09:15:00", true, vb::vbYes, "2024-03-03 17:15:00"},
            {"no", "2024-03-03 09:15:00", false, vb::vbNo, ""},
            {"own, no", "2024-03-03 09:15:00", true, vb::vbNo, ""},
        };
        for (const Backend b : TestDatabase::configuredBackends())
            for (const auto& c : cases)
                QTest::newRow(
                    qPrintable(TestDatabase::backendTag(b) + QLatin1Char(' ') + QLatin1String(c.tag)))
                    << TestDatabase::backendTag(b) << c.login << c.own << c.answer << c.logout;
    }
    void closeSession() {
        QFETCH(QString, login);
        QFETCH(bool, own);
        QFETCH(int, answer);
        QFETCH(QString, logout);
        TEST_REGISTER(db);
        const long user = addUser(db.conn(), "ΜΑΡΙΑ");
        const long session = addSession(db.conn(), user, login);
        const long other = addSession(db.conn(), user, "2024-01-05 08:00:00", "2024-01-05 09:00:00");
        gConn = db.conn();
        if (own) gUser = makeUser(user, "ΜΑΡΙΑ");
        frmUsersActive form;
        form.show();
        form.Init();
        QCOMPARE(shown(form).size(), 1);

        MsgBoxHook::QueueAnswer(answer);
        QTest::mouseClick(form.cmdAction[2], Qt::LeftButton);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown box = MsgBoxHook::Log()[0];
        QCOMPARE(box.prompt, own ? kCloseOwn : kCloseOther);
        QCOMPARE(box.buttons, int(vb::vbYesNo + vb::vbQuestion + vb::vbDefaultButton1));

        const ConnectionPtr check = db.openAnother();
        QCOMPARE(logoutOf(check, session), logout.isEmpty() ? QVariant() : QVariant(at(logout)));
        QCOMPARE(logoutOf(check, other), QVariant(at("2024-01-05 09:00:00")));
        // The list was read again: a closed session leaves the open ones.
        QCOMPARE(shown(form).size(), logout.isEmpty() ? 1 : 0);
        QCOMPARE(form.cmdAction[2]->isEnabled(), logout.isEmpty());
        QVERIFY(!Err().Pending());
    }

    void alreadyClosed_data() { TestDatabase::addBackendRows(); }
    void alreadyClosed() {
        TEST_REGISTER(db);
        const Register reg(db.conn());
        gConn = db.conn();
        frmUsersActive form;
        form.show();
        form.chkAll->setChecked(true);
        form.Init();
        form.tdbg->setCurrentIndex(form.tdbg->model()->index(1, 1));  // ΓΙΩΡΓΟΣ, closed
        QVERIFY(form.cmdAction[2]->isEnabled());
        QTest::mouseClick(form.cmdAction[2], Qt::LeftButton);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log()[0].prompt, kAlreadyClosed);
        QCOMPARE(MsgBoxHook::Log()[0].buttons, int(vb::vbExclamation));
        QCOMPARE(logoutOf(db.conn(), reg.giorgosClosed), QVariant(at("2024-02-28 12:30:00")));
        QCOMPARE(form.tdbg->currentIndex().row(), 1);
    }

    // Closed by its own log-out after the list was read: the real time stays.
    void closedMeanwhile_data() { TestDatabase::addBackendRows(); }
    void closedMeanwhile() {
        TEST_REGISTER(db);
        const Register reg(db.conn());
        gConn = db.conn();
        frmUsersActive form;
        form.show();
        form.Init();
        QCOMPARE(names(form).value(0), QStringLiteral("ΑΝΝΑ"));
        QVERIFY(db.openAnother()->Execute(
            QStringLiteral("UPDATE USER_LOG SET LOGOUT_TIME='2024-03-02 21:30:00' WHERE ULOG_ID=%1")
                .arg(reg.annaOpen)));
        MsgBoxHook::QueueAnswer(vb::vbYes);
        QTest::mouseClick(form.cmdAction[2], Qt::LeftButton);
        QCOMPARE(logoutOf(db.conn(), reg.annaOpen), QVariant(at("2024-03-02 21:30:00")));
        QCOMPARE(names(form), QStringList({"ΝΙΚΟΣ"}));
    }

    void refresh_data() { TestDatabase::addBackendRows(); }
    void refresh() {
        TEST_REGISTER(db);
        gConn = db.conn();
        frmUsersActive form;
        form.show();
        form.Init();
        QVERIFY(shown(form).isEmpty());
        QVERIFY(!form.cmdAction[2]->isEnabled());

        // Another user logs in meanwhile.
        const ConnectionPtr other = db.openAnother();
        addSession(other, addUser(other, "ΕΛΕΝΗ"), "2024-05-06 07:45:30");
        QTest::mouseClick(form.cmdAction[1], Qt::LeftButton);
        QCOMPARE(shown(form), QStringList({"ΕΛΕΝΗ|06/05/24  07:45:30|"}));
        QVERIFY(form.cmdAction[2]->isEnabled());
        form.tdbg->setCurrentIndex(QModelIndex());
        QVERIFY(!form.cmdAction[2]->isEnabled());
    }

    // A failed reading is reported; the list keeps its rows and the pointer is back to normal.
    void fillFailure_data() { TestDatabase::addBackendRows(); }
    void fillFailure() {
        TEST_REGISTER(db);
        const Register reg(db.conn());
        gConn = db.conn();
        frmUsersActive form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Init();
        const QStringList before = shown(form);
        QVERIFY(db.conn()->Execute("DROP VIEW V_USER_LOG"));

        QTest::mouseClick(form.cmdAction[1], Qt::LeftButton);
        clickHeader(form, 2);
        QCOMPARE(MsgBoxHook::Log().size(), 2);
        for (const MsgBoxHook::Shown& box : MsgBoxHook::Log()) {
            QVERIFY2(box.prompt.startsWith(QStringLiteral("#frmUsersActive -> FillGrid\r\n")),
                     qPrintable(box.prompt));
            QCOMPARE(box.icon(), int(vb::vbCritical));
        }
        QCOMPARE(shown(form), before);
        QVERIFY(form.cmdAction[2]->isEnabled());
        QCOMPARE(Screen::MousePointer(), int(Screen::vbDefault));
        QVERIFY(!Err().Pending());
    }

    // Sizes in pixels (15 twips each); the rule works in twips of the inner area.
    void resize_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("grid");
        QTest::addColumn<QPoint>("buttons");
        QTest::newRow("default") << QSize(548, 371) << QRect(5, 5, 537, 327) << QPoint(273, 338);
        QTest::newRow("larger") << QSize(900, 600) << QRect(5, 5, 889, 556) << QPoint(625, 567);
        QTest::newRow("4200 twips wide: at the left")
            << QSize(280, 371) << QRect(5, 5, 269, 327) << QPoint(5, 338);
        QTest::newRow("just wider: at the right")
            << QSize(281, 371) << QRect(5, 5, 270, 327) << QPoint(6, 338);
        // Too small for the rule: the grid keeps the default size, the buttons follow it.
        QTest::newRow("tiny") << QSize(10, 40) << QRect(5, 5, 537, 327) << QPoint(5, 338);
    }
    void resize() {
        QFETCH(QSize, size);
        QFETCH(QRect, grid);
        QFETCH(QPoint, buttons);
        frmUsersActive form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(548, 371);
        form.resize(size);
        QCOMPARE(form.size(), size);
        QCOMPARE(form.tdbg->geometry(), grid);
        QCOMPARE(form.fra->pos(), buttons);
        QCOMPARE(form.chkAll->y(), buttons.y() + 3);
    }

    void layout() {
        const QRect moved(120, 90, 700, 500);
        {
            auto* form = new frmUsersActive;
            QPointer<frmUsersActive> alive = form;
            QCOMPARE(QRect(form->pos(), form->size()), QRect(0, 0, 548, 371));  // 8220 x 5565 twips
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form));
            form->setGeometry(moved);
            QTest::mouseClick(form->cmdAction[0], Qt::LeftButton);
            QVERIFY(!form->isVisible());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!alive);  // closing unloads it
        }
        QCOMPARE(SettingsStore::GetValue("\\Protocol\\frmUsersActive", "Width", QString(), true),
                 QStringLiteral("10500"));
        frmUsersActive again;
        QCOMPARE(again.geometry(), moved);
    }

    // One window for the run, apart from the main window; the menu shows it only when it is not
    // visible; closing, a new session and the close-down unload it.
    void menu_data() { TestDatabase::addBackendRows(); }
    void menu() {
        TEST_REGISTER(db);
        const Register reg(db.conn());
        gConn = db.conn();
        gUser = makeUser(reg.nikos, "ΝΙΚΟΣ");
        frmMDI* mdi = frmMDI::instance();
        mdi->show();
        mdi->mnuUsersActive->setEnabled(true);

        QVERIFY(!gUsersActiveForm);
        mdi->mnuUsersActive->trigger();
        QPointer<frmUsersActive> first = qobject_cast<frmUsersActive*>(gUsersActiveForm.data());
        QVERIFY(first);
        QVERIFY(first->isVisible() && first->isWindow());
        QCOMPARE(first->parentWidget(), nullptr);
        QCOMPARE(first->RecordSource(), kOpenList);
        QCOMPARE(names(*first), QStringList({"ΑΝΝΑ", "ΝΙΚΟΣ"}));

        // While it is visible the menu leaves it alone: no new reading, the order stays.
        clickHeader(*first, 2);
        mdi->mnuUsersActive->trigger();
        QCOMPARE(gUsersActiveForm.data(), first.data());
        QCOMPARE(first->RecordSource(),
                 QStringLiteral(" SELECT * FROM V_USER_LOG  WHERE LOGOUT_TIME IS NULL ORDER BY LOGIN_TIME"));

        QTest::mouseClick(first->cmdAction[0], Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first && !gUsersActiveForm);

        mdi->mnuUsersActive->trigger();
        QPointer<frmUsersActive> second = qobject_cast<frmUsersActive*>(gUsersActiveForm.data());
        QVERIFY(second && second->isVisible());
        QCOMPARE(second->RecordSource(), kOpenList);

        // Another user's log-in: the window goes with the old session.
        const ConnectionPtr conn = db.openAnother();
        QVERIFY(conn->Execute(QStringLiteral("INSERT INTO USER_LOG (USER_ID) VALUES (%1)").arg(reg.maria)));
        QVERIFY(mdi->TakeNewSession(true, conn, makeUser(reg.maria, "ΜΑΡΙΑ")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!second && !gUsersActiveForm);
        QVERIFY(mdi->isVisible());

        mdi->mnuUsersActive->trigger();
        QPointer<frmUsersActive> third = qobject_cast<frmUsersActive*>(gUsersActiveForm.data());
        QVERIFY(third);
        // The old user was logged out; the new one is listed.
        QCOMPARE(names(*third), QStringList({"ΑΝΝΑ", "ΜΑΡΙΑ"}));

        // The main window going does not take it along; the close-down does.
        delete mdi;
        QVERIFY(third && third->isVisible());
        modMain::CloseDown();
        QVERIFY(!third && !gUsersActiveForm);
        QVERIFY(MsgBoxHook::Log().isEmpty());
    }
};

QTEST_MAIN(TestUsersActive)
#include "tst_usersactive.moc"
