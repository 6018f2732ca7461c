#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "NetInfo.h"
#include "SingleInstance.h"

namespace {
// A name of its own per run, so that parallel test runs do not meet.
QString programName(const char* what) {
    return QStringLiteral("tst_si_%1_%2").arg(QLatin1String(what)).arg(QCoreApplication::applicationPid());
}

QString lockPath(const QString& folder, const QString& program) {
    return folder + QLatin1Char('/') + program + QLatin1Char('-') + NetInfo().NetUserName() +
           QStringLiteral(".lock");
}

// Points XDG_RUNTIME_DIR at a folder (or removes it) for the lifetime of the object.
class RuntimeDir {
public:
    explicit RuntimeDir(const QString& dir)
        : m_old(qgetenv("XDG_RUNTIME_DIR")), m_had(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        dir.isEmpty() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
    }
    ~RuntimeDir() { m_had ? qputenv("XDG_RUNTIME_DIR", m_old) : qunsetenv("XDG_RUNTIME_DIR"); }

private:
    QByteArray m_old;
    bool m_had;
};
}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void secondCopySeesFirst() {
        const QString name = programName("second");
        auto first = std::make_unique<SingleInstance>(name);
        QVERIFY(!first->PrevInstance());
        QVERIFY(!first->PrevInstance());  // asking again does not see itself
        {
            SingleInstance second(name);
            QVERIFY(second.PrevInstance());
            SingleInstance otherProgram(programName("other"));
            QVERIFY(!otherProgram.PrevInstance());
        }
        first.reset();
        SingleInstance third(name);
        QVERIFY(!third.PrevInstance());
    }

    // Another process: seen while it runs, even after days; its lock no longer counts once it is killed.
    void copyInAnotherProcess() {
        RuntimeDir env{QString()};
        const QString name = programName("process");
        int ready[2];
        QCOMPARE(pipe(ready), 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            SingleInstance running(name);
            const char ok = running.PrevInstance() ? 'n' : 'y';
            if (write(ready[1], &ok, 1) != 1) _exit(1);
            for (;;) pause();
        }
        char ok = 0;
        QCOMPARE(read(ready[0], &ok, 1), ssize_t(1));
        close(ready[0]);
        close(ready[1]);
        QCOMPARE(ok, 'y');

        SingleInstance second(name);
        QVERIFY(second.PrevInstance());
        QFile lock(lockPath(QDir::tempPath(), name));
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(
            lock.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
        lock.close();
        QVERIFY(SingleInstance(name).PrevInstance());

        kill(child, SIGKILL);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(QFile::exists(lock.fileName()));  // left behind
        SingleInstance next(name);
        QVERIFY(!next.PrevInstance());
        QVERIFY(SingleInstance(name).PrevInstance());
    }

    void lockPlace_data() {
        QTest::addColumn<bool>("runtimeDir");
        QTest::newRow("runtime folder") << true;
        QTest::newRow("no runtime folder: temp folder") << false;
    }
    void lockPlace() {
        QFETCH(bool, runtimeDir);
        QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        RuntimeDir env(runtimeDir ? runtime.path() : QString());
        const QString name = programName("place");
        const QString folder = runtimeDir ? runtime.path() : QDir::tempPath();
        const QString lock = lockPath(folder, name);
        {
            SingleInstance running(name);
            QVERIFY(!running.PrevInstance());
            QVERIFY2(QFile::exists(lock), qPrintable(lock));
        }
        QVERIFY(!QFile::exists(lock));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
