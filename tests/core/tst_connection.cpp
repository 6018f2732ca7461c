#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include "App.h"
#include "Cp1253.h"
#include "DbMessages.h"
#include "Err.h"
#include "MsgBox.h"
#include "Screen.h"
#include "SettingsStore.h"
#include "TestDatabase.h"
#include "TestSupport.h"
#include "cls_Connection.h"
#include "cls_Error.h"
#include "modDeclare.h"

using modDeclare::gOleDbConnStr;

namespace {
const QString kSection = QStringLiteral("\\Protocol");
const QString kAbsent = QStringLiteral("<absent>");
const QString kProduct = QStringLiteral("Protocol Test");
const QString kUnchanged = QStringLiteral("left from before");

void set(const QString& name, const QString& value) {
    if (value != kAbsent) QVERIFY(SettingsStore::SaveValue(kSection, name, value, false));
}

ConnectionPtr connectDB(const QString& user = QString(), const QString& psw = QString(),
                        const QString& provider = QString(), const QString& connStr = QString()) {
    long mode = 3;
    return cls_Connection().ConnectDB(kSection, user, psw, provider, connStr, mode);
}

QString details(const QString& connStr, const QString& provider, int cursor, int cmdTimeout,
                const QString& user, const QString& psw) {
    return QStringLiteral(
               "connStr=%1\r\nProvider=%2\r\nMode=3\r\nCursorLocation=%3\r\nCommandTimeout=%4\r\n"
               "U=%5\r\nP=%6\r\n")
        .arg(connStr, provider)
        .arg(cursor)
        .arg(cmdTimeout)
        .arg(user, psw);
}

// A local TCP port: listening but never answering, or closed.
class LocalPort {
public:
    explicit LocalPort(bool listening) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        m_port = ntohs(addr.sin_port);
        if (listening)
            ::listen(m_fd, 8);
        else
            close();
    }
    ~LocalPort() { close(); }
    int port() const { return m_port; }

private:
    void close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    int m_fd = -1;
    int m_port = 0;
};

// A login role with a password, dropped again at the end.
class PasswordRole {
public:
    explicit PasswordRole(const TestDatabase& db)
        : m_db(db),
          m_name(
              QStringLiteral("pw_%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))) {
        m_ok = db.conn()->Execute(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'right'").arg(m_name));
    }
    ~PasswordRole() {
        if (m_ok) m_db.conn()->Execute(QStringLiteral("DROP ROLE %1").arg(m_name));
    }
    bool ok() const { return m_ok; }
    QString name() const { return m_name; }

private:
    const TestDatabase& m_db;
    QString m_name;
    bool m_ok = false;
};
}  // namespace

class TestConnection : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> m_session;

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        App::SetProductName(kProduct);
        gOleDbConnStr = kUnchanged;
        Err().Clear();
    }
    void cleanup() { m_session.reset(); }

    // Provider and ConnStr from the settings (ConnStr trimmed) or from the arguments.
    void open_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("fromArguments");
        QTest::addColumn<QString>("logging");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::newRow(qPrintable(tag + " settings, details shown")) << tag << false << "1";
            QTest::newRow(qPrintable(tag + " arguments, no details")) << tag << true << kAbsent;
        }
    }
    void open() {
        QFETCH(bool, fromArguments);
        QFETCH(QString, logging);
        TEST_DATABASE(db);
        set(QStringLiteral("Logging"), logging);
        if (fromArguments) {
            set(QStringLiteral("Provider"), QStringLiteral("Jet"));
            set(QStringLiteral("ConnStr"), QStringLiteral("server=nowhere;database=none"));
        } else {
            set(QStringLiteral("Provider"), db.provider());
            set(QStringLiteral("ConnStr"), QStringLiteral("  ") + db.connStr() + QStringLiteral("  "));
        }
        // An error left over from before does not spoil the open.
        Err().Raise(ErrNo::FileNotFound, QStringLiteral("earlier"), QStringLiteral("stale"));

        const QString psw = qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD");
        const ConnectionPtr conn = fromArguments ? connectDB(db.user(), psw, db.provider(), db.connStr())
                                                 : connectDB(db.user(), psw);
        QVERIFY(conn);
        QVERIFY(conn->IsOpen());
        QVERIFY(!Err().Pending());
        QCOMPARE(Screen::MousePointer(), int(Screen::vbDefault));
        QCOMPARE(conn->Mode, 3);
        QCOMPARE(conn->IsolationLevel, 0x1000L);
        QCOMPARE(gOleDbConnStr, QStringLiteral("Provider=") + db.provider() + QStringLiteral(";Password=") +
                                    psw + QStringLiteral(";User ID=") + db.user() +
                                    QStringLiteral(";Extended Properties=\"") + db.connStr() +
                                    QStringLiteral("\""));

        const auto& boxes = MsgBoxHook::Log();
        if (logging != QLatin1String("1")) {
            QVERIFY(boxes.isEmpty());
            return;
        }
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, QStringLiteral("Στοιχεία Σύνδεσης"));
        QCOMPARE(boxes[0].buttons, int(vb::vbOKOnly));
        QCOMPARE(boxes[0].prompt, details(db.connStr(), db.provider(), 3, 200, db.user(), psw));
    }

    // The values of the settings as the connection gets them.
    void settingValues_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("cmdTimeout");
        QTest::addColumn<int>("connTimeout");
        QTest::newRow("all absent") << "CursorLocation" << kAbsent << 3 << 200 << 200;
        QTest::newRow("UseServer") << "CursorLocation"
                                   << "UseServer" << 2 << 200 << 200;
        QTest::newRow("UseClient") << "CursorLocation"
                                   << "UseClient" << 3 << 200 << 200;
        QTest::newRow("useclient") << "CursorLocation"
                                   << "useclient" << 1 << 200 << 200;
        QTest::newRow("other cursor") << "CursorLocation"
                                      << "abc" << 1 << 200 << 200;
        QTest::newRow("empty cursor") << "CursorLocation"
                                      << "" << 1 << 200 << 200;
        QTest::newRow("abc") << "CmdTimeout"
                             << "abc" << 3 << 0 << 200;
        QTest::newRow("12.6") << "CmdTimeout"
                              << "12.6" << 3 << 13 << 200;
        QTest::newRow("12.4") << "CmdTimeout"
                              << "12.4" << 3 << 12 << 200;
        QTest::newRow("blanks around") << "CmdTimeout"
                                       << " 30 " << 3 << 30 << 200;
        QTest::newRow("number and text") << "CmdTimeout"
                                         << "12abc" << 3 << 0 << 200;
        QTest::newRow("negative") << "CmdTimeout"
                                  << "-5" << 3 << 0 << 200;
        QTest::newRow("empty time-out") << "CmdTimeout"
                                        << "" << 3 << 0 << 200;
        QTest::newRow("huge") << "CmdTimeout"
                              << "1e20" << 3 << INT_MAX << 200;
        QTest::newRow("connection abc") << "ConnTimeout"
                                        << "abc" << 3 << 200 << 0;
        QTest::newRow("connection 7.5") << "ConnTimeout"
                                        << "7.5" << 3 << 200 << 8;
    }
    void settingValues() {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(int, cursor);
        QFETCH(int, cmdTimeout);
        QFETCH(int, connTimeout);
        TestDatabase db(Backend::SQLite);
        QVERIFY(db.ok());
        set(name, value);
        set(QStringLiteral("Logging"), QStringLiteral("1"));
        const ConnectionPtr conn = connectDB(QString(), QString(), db.provider(), db.connStr());
        QVERIFY(conn);
        QCOMPARE(conn->CursorLocation, cursor);
        QCOMPARE(conn->CommandTimeout, cmdTimeout);
        QCOMPARE(conn->ConnectionTimeout, connTimeout);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log()[0].prompt,
                 details(db.connStr(), db.provider(), cursor, cmdTimeout, "", ""));
    }

    // Logging after a successful open and errLogging after a failed one read the same way.
    void flags_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("on");
        QTest::newRow("absent") << kAbsent << false;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("False") << "False" << false;
        QTest::newRow("false") << "false" << false;
        QTest::newRow("0.0") << "0.0" << false;
        QTest::newRow("True") << "True" << true;
        QTest::newRow("TRUE") << "TRUE" << true;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("-1") << "-1" << true;
        QTest::newRow("2") << "2" << true;
        QTest::newRow("0.5") << "0.5" << true;
        QTest::newRow("yes") << "yes" << false;
        QTest::newRow("empty") << "" << false;
    }
    void flags() {
        QFETCH(QString, value);
        QFETCH(bool, on);
        TestDatabase db(Backend::SQLite);
        QVERIFY(db.ok());
        set(QStringLiteral("Logging"), value);
        set(QStringLiteral("errLogging"), value);
        QVERIFY(connectDB(QString(), QString(), db.provider(), db.connStr()));
        QCOMPARE(MsgBoxHook::Log().size(), on ? 1 : 0);
        MsgBoxHook::Clear();

        QVERIFY(
            !connectDB(QString(), QString(), db.provider(), QStringLiteral("database=/nonexistent/x.db")));
        QCOMPARE(MsgBoxHook::Log().size(), on ? 2 : 1);
        QCOMPARE(MsgBoxHook::Log().last().title,
                 on ? QStringLiteral("Αποτυχία Σύνδεσης") : App::ProductName());
    }

    // No provider or no connection string: the critical message, and an empty details box.
    void missingSettings_data() {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("connStr");
        QTest::newRow("no provider") << kAbsent << "server=;database=x.db";
        QTest::newRow("empty provider") << ""
                                        << "server=;database=x.db";
        QTest::newRow("no ConnStr") << "SQLite" << kAbsent;
        QTest::newRow("blank ConnStr") << "SQLite"
                                       << "   ";
        QTest::newRow("neither") << kAbsent << kAbsent;
    }
    void missingSettings() {
        QFETCH(QString, provider);
        QFETCH(QString, connStr);
        set(QStringLiteral("Provider"), provider);
        set(QStringLiteral("ConnStr"), connStr);
        set(QStringLiteral("errLogging"), QStringLiteral("1"));
        QVERIFY(!connectDB(QStringLiteral("sa"), QStringLiteral("pw")));
        QCOMPARE(gOleDbConnStr, kUnchanged);
        const auto& boxes = MsgBoxHook::Log();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].prompt, QStringLiteral("Δεν βρέθηκαν τα στοιχεία σύνδεσης στη βάση! Παρακαλώ "
                                                 "σιγουρευτείτε ότι τρέξατε το πρόγραμμα εγκατάστασης"));
        QCOMPARE(boxes[0].buttons, int(vb::vbCritical));
        QCOMPARE(boxes[0].title, kProduct);
        QCOMPARE(boxes[1].prompt, QString());
        QCOMPARE(boxes[1].buttons, int(vb::vbOKOnly));
        QCOMPARE(boxes[1].title, QStringLiteral("Αποτυχία Σύνδεσης"));
    }

    // An open that fails: the exclamation message with the error, then the details box.
    void openFails_data() {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("connStr");      // %1 a folder, %2 the PostgreSQL server, %3 %4 ports
        QTest::addColumn<QString>("description");  // exact, or "~" and a part of the driver's text
        QTest::addColumn<bool>("needsServer");
        QTest::newRow("missing SQLite file") << "SQLite"
                                             << "server=;database=%1/missing.db"
                                             << DbMessages::Explained(QStringLiteral(
                                                    "The database file does not exist: %1/missing.db"))
                                             << false;
        QTest::newRow("no database") << "SQLite"
                                     << "server=somewhere;"
                                     << "The connection string names no database." << false;
        QTest::newRow("unknown provider") << "Jet"
                                          << "server=;database=%1/x.db"
                                          << "Provider cannot be found: \"Jet\"." << false;
        QTest::newRow("PostgreSQL without database") << "PostgreSQL"
                                                     << "server=127.0.0.1;"
                                                     << "The connection string names no database." << false;
        QTest::newRow("closed port") << "PostgreSQL"
                                     << "server=127.0.0.1:%3;database=reg"
                                     << "~Connection refused" << false;
        QTest::newRow("server never answers") << "PostgreSQL"
                                              << "server=127.0.0.1:%4;database=reg"
                                              << "~timeout" << false;
        QTest::newRow("no such database") << "PostgreSQL"
                                          << "server=%2;database=protocol_no_such_db"
                                          << "~does not exist" << true;
    }
    void openFails() {
        QFETCH(QString, provider);
        QFETCH(QString, connStr);
        QFETCH(QString, description);
        QFETCH(bool, needsServer);
        if (needsServer && !TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG is not set");
        const LocalPort closed(false), silent(true);
        QVERIFY(closed.port() > 0 && silent.port() > 0);
        const QString dir = m_session->settings().dir();
        const QString pg = qEnvironmentVariable("PROTOCOL_TEST_PG");
        connStr.replace(QLatin1String("%1"), dir)
            .replace(QLatin1String("%2"), pg)
            .replace(QLatin1String("%3"), QString::number(closed.port()))
            .replace(QLatin1String("%4"), QString::number(silent.port()));
        description.replace(QLatin1String("%1"), dir);

        set(QStringLiteral("errLogging"), QStringLiteral("1"));
        set(QStringLiteral("ConnTimeout"), QStringLiteral("2"));
        // The error log beside the program, as start-up makes it.
        App::SetPath(dir);
        App::SetEXEName(QStringLiteral("Protocol"));
        App::SetVersion(3, 10, 0);
        modDeclare::gErr = std::make_unique<cls_Error>();
        modDeclare::gErr->Init(true);
        const QString logFile = cls_Error::LogFileName(dir, QStringLiteral("Protocol"), 3, 10);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!connectDB(QStringLiteral("postgres"), QStringLiteral("pw"), provider, connStr));
        QVERIFY2(clock.elapsed() < 15000, "the connection time-out was not applied");
        QVERIFY(!Err().Pending());
        QCOMPARE(Screen::MousePointer(), int(Screen::vbDefault));
        QCOMPARE(gOleDbConnStr, kUnchanged);

        const auto& boxes = MsgBoxHook::Log();
        QCOMPARE(boxes.size(), 2);
        const QString head = QStringLiteral("Η σύνδεση με την βάση απέτυχε!\r\n");
        const QString tail = QStringLiteral(" ") + QString::number(ErrNo::DbOpenFailed);
        if (description.startsWith(QLatin1Char('~'))) {
            QVERIFY2(boxes[0].prompt.startsWith(head) && boxes[0].prompt.endsWith(tail),
                     qPrintable(boxes[0].prompt));
            QVERIFY2(boxes[0].prompt.contains(description.mid(1), Qt::CaseInsensitive),
                     qPrintable(boxes[0].prompt));
        } else {
            QCOMPARE(boxes[0].prompt, head + description + tail);
        }
        QCOMPARE(boxes[0].buttons, int(vb::vbExclamation));
        QCOMPARE(boxes[0].title, kProduct);
        QCOMPARE(boxes[1].title, QStringLiteral("Αποτυχία Σύνδεσης"));
        QCOMPARE(boxes[1].buttons, int(vb::vbOKOnly));
        QCOMPARE(boxes[1].prompt,
                 details(connStr, provider, 3, 200, QStringLiteral("postgres"), QStringLiteral("pw")));
        // The failure is in the error log as well, with its reason.
        QFile log(logFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString logged = Cp1253::decode(log.readAll());
        QVERIFY2(logged.contains(QStringLiteral("\r\n#cls_Connection -> Η σύνδεση με την βάση απέτυχε\r\n")),
                 qPrintable(logged));
        QVERIFY2(logged.contains(QStringLiteral("Κωδικός  : %1\r\n").arg(ErrNo::DbOpenFailed)),
                 qPrintable(logged));
        const QString reason = description.startsWith(QLatin1Char('~')) ? description.mid(1) : description;
        QVERIFY2(logged.contains(QStringLiteral("Περιγραφή: ")), qPrintable(logged));
        QVERIFY2(logged.contains(reason, Qt::CaseInsensitive), qPrintable(logged));
    }

    // Where the server asks for passwords: the right one opens, a wrong one is refused.
    void password() {
        if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG is not set");
        TestDatabase db(Backend::PostgreSQL);
        QVERIFY(db.ok());
        PasswordRole role(db);
        QVERIFY(role.ok());

        ConnectionPtr conn = connectDB(role.name(), QStringLiteral("right"), db.provider(), db.connStr());
        QVERIFY(conn);
        QCOMPARE(gOleDbConnStr, QStringLiteral("Provider=PostgreSQL;Password=right;User ID=") + role.name() +
                                    QStringLiteral(";Extended Properties=\"") + db.connStr() +
                                    QStringLiteral("\""));
        conn.reset();
        gOleDbConnStr = kUnchanged;

        conn = connectDB(role.name(), QStringLiteral("wrong"), db.provider(), db.connStr());
        if (conn) QSKIP("the server lets any password in (trust authentication)");
        QCOMPARE(gOleDbConnStr, kUnchanged);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(MsgBoxHook::Log()[0].prompt.contains(QStringLiteral("password authentication failed")),
                 qPrintable(MsgBoxHook::Log()[0].prompt));
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
