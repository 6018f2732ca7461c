#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "App.h"
#include "Cp1253.h"
#include "DBHelper.h"
#include "Err.h"
#include "MsgBox.h"
#include "SqliteSupport.h"
#include "TestDatabase.h"
#include "TestSupport.h"
#include "VbFormat.h"
#include "cls_Error.h"
#include "modDeclare.h"

class frmSample : public QObject {
    Q_OBJECT
};

class TestError : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<AnswerQueues> m_answers;

    QString logPath() const { return cls_Error::LogFileName(m_dir.path(), QStringLiteral("Protocol"), 1, 5); }
    QByteArray logBytes() const {
        QFile f(logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QByteArray cp(const QString& s) { return Cp1253::encode(s); }
    static int modeOf(const QString& path) {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    }

private slots:
    void init() {
        App::SetPath(m_dir.path());
        App::SetEXEName(QStringLiteral("Protocol"));
        App::SetVersion(1, 5, 0);
        App::SetTitle(QStringLiteral("Protocol"));
        QFile::remove(logPath());
        Err().Clear();
        DBHelper::SetLastError(QString());
        modDeclare::gConn.reset();
        m_answers = std::make_unique<AnswerQueues>();
    }
    void cleanup() {
        m_answers.reset();
        SqliteSupport::clearClock();
        modDeclare::gConn.reset();
    }

    void logFileName_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("name");
        QTest::newRow("one digit minor") << 1 << 5 << "Protocol.1.05.err";
        QTest::newRow("two digit minor") << 1 << 12 << "Protocol.1.12.err";
        QTest::newRow("zero") << 3 << 0 << "Protocol.3.00.err";
        QTest::newRow("three digit minor") << 2 << 123 << "Protocol.2.123.err";
    }
    void logFileName() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, name);
        QCOMPARE(
            cls_Error::LogFileName(QStringLiteral("/opt/prog"), QStringLiteral("Protocol"), major, minor),
            QStringLiteral("/opt/prog/") + name);
        QCOMPARE(
            cls_Error::LogFileName(QStringLiteral("/opt/prog/"), QStringLiteral("Protocol"), major, minor),
            QStringLiteral("/opt/prog/") + name);
    }

    void noPendingErrorDoesNothing() {
        cls_Error err;
        err.Init(true);
        QVERIFY(!err.ErrorMsg(QStringLiteral("step"), true));
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(!QFile::exists(logPath()));
    }

    // The whole entry, byte for byte: stamp with the local time (no connection, as during the log-in),
    // header with the class, three message lines, dashes; Greek in CP1253, CR LF.
    void entryBytesDuringLogin() {
        cls_Error err;
        err.Init(true);
        frmSample caller;
        Err().Raise(5, QStringLiteral("Πηγή"), QStringLiteral("Λάθος 'x'"));
        const QDateTime before = QDateTime::currentDateTime();
        QVERIFY(err.ErrorMsg(QStringLiteral("Η προσθήκη δεν έγινε."), true, &caller));
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY(!Err().Pending());

        const QByteArray bytes = logBytes();
        const QByteArray body =
            cp(QStringLiteral("#frmSample -> Η προσθήκη δεν έγινε.\r\nΠροέλευση: Πηγή\r\nΚωδικός  : "
                              "5\r\nΠεριγραφή: Λάθος 'x'\r\n"
                              "------------------------------\r\n"));
        QVERIFY2(bytes.endsWith(body), bytes.constData());
        const QByteArray stamp = bytes.left(bytes.size() - body.size());
        // Empty header during the log-in: the stamp ends with " # ".
        QVERIFY(stamp == cp("# " + VbFormat::GeneralDate(before) + " # \r\n") ||
                stamp == cp("# " + VbFormat::GeneralDate(after) + " # \r\n"));

        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const auto& box = MsgBoxHook::Log().first();
        QCOMPARE(box.icon(), int(vb::vbCritical));
        QCOMPARE(box.buttonSet(), int(vb::vbOKOnly));
        QCOMPARE(box.title, QStringLiteral("Protocol"));
        QCOMPARE(box.prompt, QStringLiteral("#frmSample -> Η προσθήκη δεν έγινε.\r\nΠροέλευση: Πηγή\r\n"
                                            "Κωδικός  : 5\r\nΠεριγραφή: Λάθος 'x'"));
    }

    void stampUsesServerTime_data() { TestDatabase::addBackendRows(); }
    void stampUsesServerTime() {
        TEST_DATABASE(db);
        const QDateTime fixed(QDate(2026, 3, 4), QTime(10, 11, 12));
        SqliteSupport::setClock(fixed);
        modDeclare::gConn = db.conn();
        const QVariant server = DBHelper::ServerNow(db.conn());
        QVERIFY(!server.isNull());

        cls_Error err;
        err.Init(true);
        err.setHeader(QStringLiteral("v.1.5.0 - MARIA - PC7"));
        DBHelper::SetLastError(QStringLiteral("το κείμενο του λάθους"));
        QVERIFY(!err.DBErrorMsg(QStringLiteral("Logout_User"), false));
        QVERIFY(MsgBoxHook::Log().isEmpty());

        const QString stampTime = VbFormat::GeneralDate(server.toDateTime());
        if (db.backend() == Backend::SQLite) QCOMPARE(server.toDateTime(), fixed);
        QCOMPARE(logBytes(), cp("# " + stampTime +
                                " # v.1.5.0 - MARIA - PC7\r\n#Logout_User\r\n"
                                "το κείμενο του λάθους\r\n------------------------------\r\n"));
    }

    void boxCutsLongHeader() {
        cls_Error err;
        err.Init(true);
        frmSample caller;
        const QString source = QString(300, QChar(u'α'));
        Err().Raise(7, QStringLiteral("src"), QStringLiteral("desc"));
        QVERIFY(err.ErrorMsg(source, true, &caller));
        const QString header = QStringLiteral("#frmSample -> ") + source;
        const QString prompt = MsgBoxHook::Log().first().prompt;
        QVERIFY(prompt.startsWith(header.left(200) + QStringLiteral("\r\nΠροέλευση: src")));
        QVERIFY(!prompt.contains(header.left(201)));
        QVERIFY(logBytes().contains(cp(header + "\r\n")));
    }

    void emptyDbErrorStillReported() {
        cls_Error err;
        err.Init(true);
        Err().Raise(3, QStringLiteral("s"), QStringLiteral("d"));
        QVERIFY(!err.DBErrorMsg(QStringLiteral("Psw Days"), true));
        QVERIFY(!Err().Pending());
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log().first().prompt, QStringLiteral("#Psw Days\r\n"));
        QVERIFY(logBytes().endsWith(cp("#Psw Days\r\n\r\n------------------------------\r\n")));
    }

    void appendsAndReadOnlyLog() {
        {
            QFile f(logPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier\r\n");
            f.close();
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::ReadUser));
        }
        cls_Error err;
        err.Init(true);
        QVERIFY(QFileInfo(logPath()).isWritable());
        DBHelper::SetLastError(QStringLiteral("one"));
        err.DBErrorMsg(QStringLiteral("a"), false);
        DBHelper::SetLastError(QStringLiteral("two"));
        err.DBErrorMsg(QStringLiteral("b"), false);
        const QByteArray bytes = logBytes();
        QVERIFY(bytes.startsWith("earlier\r\n"));
        QVERIFY(bytes.indexOf("#a\r\none\r\n") < bytes.indexOf("#b\r\ntwo\r\n"));
        QCOMPARE(bytes.count("------------------------------\r\n"), 2);
    }

    void loggingOffAndUnwritableLog() {
        cls_Error off;
        off.Init(false);
        QVERIFY(off.LogFile().isEmpty());
        DBHelper::SetLastError(QStringLiteral("x"));
        off.DBErrorMsg(QStringLiteral("a"), false);
        QVERIFY(!QFile::exists(logPath()));

        // A log that cannot be opened loses the entry quietly.
        cls_Error err;
        err.Init(true);
        err.Msg_2_TxtFile(m_dir.path() + QStringLiteral("/missing/dir/x.err"), QStringLiteral("t"), false, 30,
                          QStringLiteral("-"));
        err.Msg_2_TxtFile(QString(), QStringLiteral("t"), false, 30, QStringLiteral("-"));
    }

    // A program folder this user cannot write (an installed program): the entry goes to the same
    // name in the user's state folder, and none is lost.
    void logInTheStateFolder_data() {
        QTest::addColumn<QString>("stateHome");
        QTest::addColumn<QString>("folder");
        QTest::newRow("XDG_STATE_HOME") << "@T@/state"
                                        << "@T@/state/Protocol";
        QTest::newRow("no XDG_STATE_HOME") << ""
                                           << "@T@/home/.local/state/Protocol";
        QTest::newRow("relative XDG_STATE_HOME") << "state"
                                                 << "@T@/home/.local/state/Protocol";
    }
    void logInTheStateFolder() {
        QFETCH(QString, stateHome);
        QFETCH(QString, folder);
        QTemporaryDir t;
        stateHome.replace("@T@", t.path());
        folder.replace("@T@", t.path());
        const QString program = t.filePath("bin");
        QVERIFY(QDir().mkpath(program));
        // Root writes through any mode: a read-only file system stands for the installed folder.
        const QByteArray programPath = QFile::encodeName(program);
        if (::geteuid() == 0) {
            if (::mount("tmpfs", programPath.constData(), "tmpfs", MS_RDONLY | MS_NOSUID | MS_NODEV,
                        "size=4k") != 0)
                QSKIP("no read-only file system can be mounted here");
        } else {
            QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        }
        const auto unmount = qScopeGuard([&] {
            if (::geteuid() == 0) ::umount2(programPath.constData(), MNT_DETACH);
        });
        const QByteArray oldHome = qgetenv("HOME"), oldState = qgetenv("XDG_STATE_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            oldState.isNull() ? qunsetenv("XDG_STATE_HOME") : qputenv("XDG_STATE_HOME", oldState);
        });
        qputenv("HOME", QFile::encodeName(t.filePath("home")));
        stateHome.isEmpty() ? qunsetenv("XDG_STATE_HOME")
                            : qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome));
        App::SetPath(program);

        cls_Error err;
        err.Init(true);
        QCOMPARE(err.LogFile(), folder + "/Protocol.1.05.err");
        DBHelper::SetLastError(QStringLiteral("Η σύνδεση χάθηκε"));
        err.DBErrorMsg(QStringLiteral("Logout_User"), true);
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QFile log(folder + "/Protocol.1.05.err");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains(cp("#Logout_User\r\nΗ σύνδεση χάθηκε\r\n")));
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());  // the user's alone
        QVERIFY(QDir(program).entryList(QDir::Files).isEmpty());

        // A writable program folder keeps the log beside the program.
        QCOMPARE(cls_Error::LogFolder(m_dir.path()), m_dir.path());
    }

    // The log in the program's folder is created for its user alone; a link planted in its place
    // is not followed, its target neither written nor opened up: the entries go to the state
    // folder's log, which says why.
    void logFollowsNoLink_data() {
        QTest::addColumn<bool>("planted");
        QTest::addColumn<bool>("atInit");  // planted before Init, else after it
        QTest::newRow("no link") << false << false;
        QTest::newRow("link before the start") << true << true;
        QTest::newRow("link after the start") << true << false;
    }
    void logFollowsNoLink() {
        QFETCH(bool, planted);
        QFETCH(bool, atInit);
        const mode_t savedMask = ::umask(022);
        const auto restoreMask = qScopeGuard([&] { ::umask(savedMask); });
        QTemporaryDir t;
        const QString target = t.filePath("victim.txt");
        QVERIFY(QFile(target).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadUser));
        const QByteArray oldState = qgetenv("XDG_STATE_HOME");
        const auto restore = qScopeGuard(
            [&] { oldState.isNull() ? qunsetenv("XDG_STATE_HOME") : qputenv("XDG_STATE_HOME", oldState); });
        qputenv("XDG_STATE_HOME", QFile::encodeName(t.filePath("state")));
        const QString stateLog = t.filePath("state/Protocol/Protocol.1.05.err");

        cls_Error err;
        if (planted && atInit) QVERIFY(QFile::link(target, logPath()));
        err.Init(true);
        if (planted && !atInit) QVERIFY(QFile::link(target, logPath()));
        for (const char* text : {"first", "second"}) {
            DBHelper::SetLastError(QString::fromLatin1(text));
            err.DBErrorMsg(QStringLiteral("a"), false);
        }
        if (!planted) {
            QCOMPARE(modeOf(logPath()), 0600);
            QVERIFY(logBytes().contains("#a\r\nsecond\r\n"));
            QVERIFY(!QFileInfo::exists(stateLog));
            return;
        }
        QCOMPARE(QFileInfo(target).size(), qint64(0));
        QCOMPARE(modeOf(target), 0400);
        QVERIFY(QFileInfo(logPath()).isSymLink());
        QCOMPARE(err.LogFile(), stateLog);
        QFile log(stateLog);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray bytes = log.readAll();
        const QByteArray note = cp("Το αρχείο καταγραφής " + logPath() +
                                   " είναι συμβολικός σύνδεσμος και δεν χρησιμοποιείται· οι καταχωρίσεις "
                                   "γράφονται εδώ.\r\n");
        QVERIFY2(bytes.startsWith(note), bytes.constData());
        QCOMPARE(bytes.count(note), 1);
        QVERIFY(bytes.indexOf("#a\r\nfirst\r\n") < bytes.indexOf("#a\r\nsecond\r\n"));
        QCOMPARE(modeOf(stateLog), 0600);
    }

    void msgToTextFileOptions() {
        cls_Error err;
        const QString path = m_dir.path() + QStringLiteral("/plain.txt");
        err.Msg_2_TxtFile(path, QStringLiteral("γραμμή"), true, 0, QStringLiteral("-"));
        err.Msg_2_TxtFile(path, QStringLiteral("x"), true, 3, QStringLiteral("*="));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), cp("γραμμή\r\nx\r\n***\r\n"));
    }

    void errRaiseWraps() {
        cls_Error err;
        err.ErrRaise(17, QStringLiteral("src"), QStringLiteral("desc"));
        QCOMPARE(Err().Number, 17L);
        QCOMPARE(Err().Source, QStringLiteral("[src] "));
        QCOMPARE(Err().Description, QStringLiteral("[desc] "));
        Err().Raise(9, QStringLiteral("own"), QStringLiteral("text"));
        err.ErrRaise(0, QStringLiteral("ignored"), QStringLiteral("ignored"));
        QCOMPARE(Err().Number, 9L);
        QCOMPARE(Err().Source, QStringLiteral("[own] "));
        QCOMPARE(Err().Description, QStringLiteral("[text] "));
        Err().Clear();
    }
};

QTEST_MAIN(TestError)
#include "tst_error.moc"
