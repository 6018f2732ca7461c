#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <cstdio>

#include "OwnCluster.h"

namespace {

// Run with this variable, the program only starts a cluster, names its folder and waits to be killed.
const char* const kHold = "TST_OWNCLUSTER_HOLD";

int hold() {
    OwnCluster cluster;
    if (!cluster.init() || !cluster.start()) return 1;
    std::printf("%s\n", qPrintable(cluster.folder()));
    std::fflush(stdout);
    for (;;) ::pause();
}

// A zombie no one reaps counts as gone.
bool running(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) != "Z";
}

}  // namespace

class tst_OwnCluster : public QObject {
    Q_OBJECT
private slots:
    // A test killed while its cluster runs leaves neither the server nor its folder.
    void killedTestStopsItsCluster() {
        if (const QString why = OwnCluster::unavailable(); !why.isEmpty()) QSKIP(qPrintable(why));
        QProcess holder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kHold), QStringLiteral("1"));
        holder.setProcessEnvironment(env);
        holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        holder.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(holder.canReadLine() || holder.state() != QProcess::Running, 90000);
        const QString folder = QString::fromLocal8Bit(holder.readLine()).trimmed();
        QVERIFY2(!folder.isEmpty(), "the cluster did not start");
        QFile pidFile(folder + QStringLiteral("/data/postmaster.pid"));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const qint64 postmaster = pidFile.readLine().trimmed().toLongLong();
        pidFile.close();
        QVERIFY(postmaster > 0);
        QVERIFY(running(postmaster));

        holder.kill();
        QVERIFY(holder.waitForFinished());
        QTRY_VERIFY_WITH_TIMEOUT(!running(postmaster), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(folder), 15000);
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kHold)) return hold();
    QCoreApplication app(argc, argv);
    tst_OwnCluster test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_owncluster.moc"
