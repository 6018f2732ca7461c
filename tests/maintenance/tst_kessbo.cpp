// The backup utility's window and its backup flow, on real SQLite and PostgreSQL registers.
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QMutex>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <ctime>
#include <utility>

#include "App.h"
#include "AppIcons.h"
#include "Connection.h"
#include "FileModes.h"
#include "KessboPlaces.h"
#include "Leftovers.h"
#include "ModMain.h"
#include "MsgBox.h"
#include "NetInfo.h"
#include "OwnCluster.h"
#include "PgServer.h"
#include "PswFormat.h"
#include "RegisterDatabase.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "cls_SQLServer.h"
#include "frmActions.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kRefused = QStringLiteral("Πρόβλημα: Δεν δημιουργήθηκε το Αντίγραφο Ασφαλείας !\r\n");
const QString kPgBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

// An installation of Protocol with Kessbo's folders, all in a temporary folder.
struct Installation {
    TempSettings settings;
    QTemporaryDir dir;
    AnswerQueues answers;
    QString backupFolder() const { return dir.filePath(QStringLiteral("dbBackup")); }
    QString appFolder() const { return dir.filePath(QStringLiteral("app")); }
    QString floppy() const { return dir.filePath(QStringLiteral("floppy")); }

    Installation() {
        QDir().mkpath(appFolder());
        QDir().mkpath(floppy());
        App::SetPath(appFolder());
        SettingsStore::SaveValue(QStringLiteral("\\Kessbo"), QStringLiteral("BackupFolder"), backupFolder(), false);
        SettingsStore::SaveValue(QStringLiteral("\\Kessbo"), QStringLiteral("FloppyFolder"), floppy(), false);
        SettingsStore::SaveValue(QStringLiteral("\\Kessbo"), QStringLiteral("RegMain"), QStringLiteral("Protocol"), true);
    }
    ~Installation() { App::SetPath(QString()); }

    // A previous backup of the database, "OLD"; its path.
    QString oldBackup(const QString& label) const {
        QDir().mkpath(backupFolder());
        const QString bak = backupFolder() + "/" + label + ".bak";
        QFile old(bak);
        if (!old.open(QIODevice::WriteOnly) || old.write("OLD") != 3) qWarning("cannot write %s", qPrintable(bak));
        return bak;
    }

    void protocol(const QString& provider, const QString& connStr, const QString& user = {},
                  const QString& password = {}) const {
        SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("ConnStr"), connStr, false);
        SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("Provider"), provider, false);
        SettingsStore::SaveValue(QStringLiteral("\\Protocol"), QStringLiteral("L"), PswFormat::ComposeL(user, password),
                                 false);
    }
    // The installation of a test database, as protocol-setup writes it (SQLite: server=localhost).
    void protocol(const TestDatabase& db) const {
        QString conn = db.connStr();
        if (db.backend() == Backend::SQLite) conn.replace(QStringLiteral("server=;"), QStringLiteral("server=localhost;"));
        protocol(db.provider(), conn, db.user(), qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD"));
    }
};

// Runs the backup as the user does: the backup tab, the chosen target, "Έναρξη".
void runBackup(int target = 1) {
    frmActions form;
    form.Init();
    form.SSTab1->setCurrentIndex(1);
    form.optZip[target]->setChecked(true);
    form.cmdBackup->click();
}

QStringList prompts() {
    QStringList out;
    for (const MsgBoxHook::Shown& s : MsgBoxHook::Log()) out << s.prompt;
    return out;
}

QString databaseName(const TestDatabase& db) {
    const QString conn = db.connStr();
    const qsizetype at = conn.indexOf(QStringLiteral("database=")) + 9;
    return conn.mid(at, conn.indexOf(QLatin1Char(';'), at) - at);
}

int run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) return -1;
    if (out) *out = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Rows and a checksum of PROTOCOL up to an ID (all rows when maxId < 0).
struct Digest {
    qint64 rows = 0;
    qint64 maxId = 0;
    QByteArray hash;
};
Digest digestOf(const QSqlDatabase& db, qint64 maxId = -1) {
    Digest d;
    QCryptographicHash h(QCryptographicHash::Sha1);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString where = maxId >= 0 ? QStringLiteral(" WHERE ID <= %1").arg(maxId) : QString();
    if (!q.exec(QStringLiteral("SELECT ID, ETOS, PROT_AA, THEMA FROM PROTOCOL") + where + QStringLiteral(" ORDER BY ID"))) {
        qWarning("%s", qPrintable(q.lastError().text()));
        return d;
    }
    while (q.next()) {
        ++d.rows;
        d.maxId = q.value(0).toLongLong();
        for (int i = 0; i < 4; ++i) h.addData((q.value(i).toString() + QLatin1Char('|')).toUtf8());
    }
    d.hash = h.result();
    return d;
}

// Another user saving entries, two in each transaction, on its own thread and connection.
class Writer : public QThread {
public:
    explicit Writer(const TestDatabase& db) : m_backend(db.backend()), m_connStr(db.connStr()), m_user(db.user()) {}
    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    // Written on the writer's thread, read on the test's.
    QString error() const {
        const QMutexLocker locker(&m_mutex);
        return m_error;
    }

protected:
    void run() override {
        const QString name = QStringLiteral("writer");
        {
            const SqlDialect& dialect = SqlDialect::forBackend(m_backend);
            QSqlDatabase db = QSqlDatabase::addDatabase(dialect.driverName(), name);
            const QMap<QString, QString> p = Connection::ParseConnStr(m_connStr);
            if (m_backend == Backend::PostgreSQL) {
                const QString server = p.value(QStringLiteral("server"));
                db.setHostName(server.section(QLatin1Char(':'), 0, 0));
                db.setPort(server.section(QLatin1Char(':'), 1, 1).toInt());
                db.setUserName(m_user);
                db.setPassword(qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD"));
            } else {
                db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
            }
            db.setDatabaseName(p.value(QStringLiteral("database")));
            QString why;
            if (!db.open() || !dialect.prepare(db, &why)) {
                setError(db.lastError().text() + why);
                return;
            }
            QSqlQuery q(db);
            for (int n = 0; !stop; ++n) {
                bool ok = db.transaction();
                for (int k = 0; k < 2 && ok; ++k)
                    ok = q.exec(QStringLiteral("INSERT INTO PROTOCOL (HMEROM, APO, THEMA, MODUSER) "
                                               "VALUES ('2026-03-02', 'Δήμος', 'Θέμα %1', 1)")
                                    .arg(n * 2 + k));
                if (ok && db.commit()) {
                    ++commits;
                } else {
                    setError(q.lastError().text());
                    db.rollback();
                    return;
                }
            }
        }
        QSqlDatabase::removeDatabase(name);
    }

private:
    void setError(const QString& text) {
        const QMutexLocker locker(&m_mutex);
        m_error = text;
    }
    Backend m_backend;
    QString m_connStr, m_user;
    mutable QMutex m_mutex;
    QString m_error;
};

bool fill(const ConnectionPtr& conn, int rows) {
    if (!conn->BeginTrans()) return false;
    for (int i = 0; i < rows; ++i)
        if (!conn->Execute(QStringLiteral("INSERT INTO PROTOCOL (HMEROM, APO, THEMA, MODUSER) VALUES "
                                          "('2026-01-05', 'Υπουργείο Εσωτερικών', 'Θέμα πρώτης φόρτωσης %1', 1)")
                               .arg(i)))
            return false;
    return conn->CommitTrans();
}

// A fresh PostgreSQL database with the dump restored into it; dropped with the object.
struct Restored {
    QString name;
    QString host, port;
    QSqlDatabase db;
    explicit Restored(const QString& dump) {
        const QString server = qEnvironmentVariable("PROTOCOL_TEST_PG");
        host = server.section(QLatin1Char(':'), 0, 0);
        port = server.section(QLatin1Char(':'), 1, 1);
        name = QStringLiteral("kessbo_restore_%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        psql(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' LC_CTYPE 'C.UTF-8' LC_COLLATE 'C.UTF-8' TEMPLATE template0")
                 .arg(name));
        QByteArray out;
        const int rc = run(kPgBin + QStringLiteral("pg_restore"),
                           {QStringLiteral("-h"), host, QStringLiteral("-p"), port, QStringLiteral("-U"), user(),
                            QStringLiteral("--no-owner"), QStringLiteral("--exit-on-error"), QStringLiteral("-d"), name, dump},
                           &out);
        if (rc != 0) qWarning("pg_restore: %s", out.constData());
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(host);
        db.setPort(port.toInt());
        db.setUserName(user());
        db.setDatabaseName(name);
        if (rc != 0 || !db.open()) db = QSqlDatabase();
    }
    ~Restored() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        psql(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    }
    static QString user() {
        const QString u = qEnvironmentVariable("PROTOCOL_TEST_PG_USER");
        return u.isEmpty() ? QStringLiteral("postgres") : u;
    }
    static void psql(const QString& sql) {
        const QString server = qEnvironmentVariable("PROTOCOL_TEST_PG");
        const QString host = server.section(QLatin1Char(':'), 0, 0), port = server.section(QLatin1Char(':'), 1, 1);
        run(kPgBin + QStringLiteral("psql"), {QStringLiteral("-h"), host, QStringLiteral("-p"), port, QStringLiteral("-U"),
                                             user(), QStringLiteral("-d"), QStringLiteral("postgres"),
                                             QStringLiteral("-c"), sql});
    }
};
}  // namespace

class TestKessbo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { App::SetTitle(QStringLiteral("Kessbo")); }

    // The first tab names the kind of database of the installation typed, and follows the typing.
    void kindNamed_data() {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kind");
        const QString sqlServer = QStringLiteral("μία SQL Server Database. ");
        QTest::newRow("SQLite") << "SQLite" << "Protocol" << "μία SQLite Database, ένα αρχείο σε αυτόν τον υπολογιστή. ";
        QTest::newRow("PostgreSQL") << "PostgreSQL" << "Protocol" << "μία PostgreSQL Database. ";
        QTest::newRow("SQL Server") << "SQLOLEDB" << "Protocol" << sqlServer;
        QTest::newRow("no provider: the system's server") << "" << "Protocol" << sqlServer;
        QTest::newRow("another section") << "SQLite" << "Other" << sqlServer;
        QTest::newRow("nothing typed") << "SQLite" << "" << sqlServer;
    }
    void kindNamed() {
        QFETCH(QString, provider);
        QFETCH(QString, typed);
        QFETCH(QString, kind);
        Installation inst;
        inst.protocol(provider, QStringLiteral("server=localhost;database=/tmp/x.db;"));
        frmActions form;
        form.Init();
        form.txtReg[0]->setText(typed);
        QCOMPARE(form.lblPath[1]->text(),
                 QStringLiteral("Με την επιλογή αυτή, δηλώνετε την ονομασία της Βάσης Δεδομένων της εφαρμογής σας. "
                                "Η βάση αυτή είναι  ") +
                     kind);
    }

    void windowAsGiven() {
        Installation inst;
        frmActions form;
        form.Init();
        QCOMPARE(form.windowTitle(), QStringLiteral("Συντήρηση Βάσης Δεδομένων"));
        QCOMPARE(
            form.windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
            AppIcons::Draw(AppIcons::Program::Kessbo, 32));
        QCOMPARE(form.SSTab1->currentIndex(), 0);
        QCOMPARE(form.SSTab1->tabText(0), QStringLiteral("Εντοπισμός Βάσης Δεδομένων"));
        QCOMPARE(form.SSTab1->tabText(1), QStringLiteral("&Αντίγραφα Ασφαλείας"));
        QCOMPARE(form.Label2->text(), QStringLiteral("Βάση δεδομένων"));
        QCOMPARE(form.lblPath[1]->text(),
                 QStringLiteral("Με την επιλογή αυτή, δηλώνετε την ονομασία της Βάσης Δεδομένων της εφαρμογής σας. "
                                "Η βάση αυτή είναι  μία SQL Server Database. "));
        QVERIFY(form.optZip[0]->isChecked());
        QCOMPARE(form.optZip[0]->text(), QStringLiteral("Δισκέτα στο drive Α:"));
        QCOMPARE(form.optZip[1]->text(), QStringLiteral("Ο κατάλογος της εφαρμογής (") + inst.appFolder() + ")");
        QCOMPARE(form.lblBackup[1]->text(),
                 QStringLiteral("2. Πατώντας το κουμπί 'Εναρξη' θα δημιουργηθεί ένα συμπιεσμένο (ZIP) αντίγραφο της "
                                "βάσης δεδομένων στον κατάλογο που έχετε επιλέξει παραπάνω."));
        QCOMPARE(form.cmdBackup->text(), QStringLiteral("Έναρξη"));
        QCOMPARE(form.cmdCancel->text(), QStringLiteral("Έξοδος"));
        QCOMPARE(form.gMachine, NetInfo().ComputerName());
        QVERIFY(unnamedInputs(&form).isEmpty());
    }

    void settingsNameRemembered() {
        Installation inst;
        {
            frmActions form;
            form.Init();
            QCOMPARE(form.txtReg[0]->text(), QStringLiteral("Protocol"));
            form.show();
            form.txtReg[0]->clear();
            typeText(form.txtReg[0], QStringLiteral("  Πρωτόκολλο 2 "));
            QCOMPARE(form.gApp_RegMain, QStringLiteral("Πρωτόκολλο 2"));
            form.cmdCancel->click();
            QVERIFY(!form.isVisible());
        }
        QCOMPARE(SettingsStore::GetValue("\\Kessbo", "RegMain", "", true), QStringLiteral("Πρωτόκολλο 2"));
    }

    void secondCopyRefused() {
        Installation inst;
        // A lock folder of its own, so that other runs of this test (or a running Kessbo) do not meet it.
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        const bool hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const auto restore = qScopeGuard([&] { hadRuntime ? qputenv("XDG_RUNTIME_DIR", oldRuntime) : qunsetenv("XDG_RUNTIME_DIR"); });
        QVERIFY(ModMain::Main());
        auto* first = qobject_cast<frmActions*>(QApplication::topLevelWidgets().value(0));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmActions*>(w)) first = f;
        QVERIFY(first && first->isVisible());
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QVERIFY(!ModMain::Main());
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QCOMPARE(MsgBoxHook::Log().at(0).prompt, QStringLiteral("Η εφαρμογή \"τρέχει\" ήδη!"));
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbExclamation));
        first->close();
    }

    void archiveName() {
        QCOMPARE(frmActions::ArchiveName("Prot", QDateTime(QDate(2024, 2, 3), QTime(9, 5, 7))),
                 QStringLiteral("Prot-2024-02-03_090507.zip"));
        QCOMPARE(frmActions::ArchiveName("Prot", QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58))),
                 QStringLiteral("Prot-2024-12-31_235958.zip"));
    }

    // A run names its archive by the local time: under a zone other than UTC a name by UTC is off.
    void archiveNamedByLocalTime() {
        const QByteArray oldTz = qgetenv("TZ");
        const auto restoreTz = qScopeGuard([&] {
            oldTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldTz);
            tzset();
        });
        qputenv("TZ", "Europe/Athens");
        tzset();
        QVERIFY(QDateTime::currentDateTime().offsetFromUtc() >= 2 * 3600);  // the zone is in force
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        Installation inst;
        inst.protocol(db);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        runBackup(1);
        const QDateTime after = QDateTime::currentDateTime();
        const QStringList zips = QDir(inst.appFolder()).entryList({"register-*.zip"});
        QCOMPARE(zips.size(), 1);
        const QDateTime stamp = QDateTime::fromString(zips.first().mid(9, 17), "yyyy-MM-dd_HHmmss");
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(zips.first()));
    }

    void hostIsThisComputer_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("local");
        const QString machine = NetInfo().ComputerName();
        QTest::newRow("own name, other case") << machine.toUpper() << true;
        QTest::newRow("localhost") << "LocalHost" << true;
        QTest::newRow("dot") << "." << true;
        QTest::newRow("(local)") << "(local)" << true;
        QTest::newRow("loopback with port") << "127.0.0.1:5432" << true;
        QTest::newRow("ipv6 loopback") << "[::1]:5432" << true;
        QTest::newRow("socket folder") << "/var/run/postgresql:5432" << true;
        for (const QHostAddress& a : QNetworkInterface::allAddresses())
            if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol) {
                QTest::newRow("own address") << a.toString() << true;
                break;
            }
        QTest::newRow("other host") << "SRV-OTHER" << false;
        QTest::newRow("other address") << "192.0.2.7" << false;
        QTest::newRow("empty") << "" << false;
    }
    void hostIsThisComputer() {
        QFETCH(QString, host);
        QFETCH(bool, local);
        QCOMPARE(KessboPlaces::IsThisComputer(host, NetInfo().ComputerName()), local);
    }

    void databaseLabel() {
        QCOMPARE(KessboPlaces::DatabaseLabel("Prot"), QStringLiteral("Prot"));
        QCOMPARE(KessboPlaces::DatabaseLabel("/srv/Πρωτόκολλο/μητρώο.2024.db"), QStringLiteral("μητρώο.2024"));
        QCOMPARE(KessboPlaces::DatabaseLabel("C:\\data\\Prot.mdf"), QStringLiteral("Prot"));
    }

    // Each failure of steps 3 to 7: its reason in the one box, and nothing written.
    void refusedBeforeTheBackup_data() {
        QTest::addColumn<QString>("regMain");
        QTest::addColumn<QString>("connStr");
        QTest::addColumn<QString>("reason");
        const QString machine = NetInfo().ComputerName().toUpper();
        QTest::newRow("empty section name") << "" << "server=localhost;database=Prot" << "Δεν βρέθηκαν στοιχεία για την ΒΔ.";
        QTest::newRow("unknown section") << "Άλλο" << "server=localhost;database=Prot" << "Δεν βρέθηκαν στοιχεία για την ΒΔ.";
        QTest::newRow("provider first") << "Protocol" << "Provider=SQLOLEDB;server=localhost;database=Prot"
                                        << "Το όνομα του db Server είναι κενό";
        QTest::newRow("empty server") << "Protocol" << " server = ;database=Prot" << "Το όνομα του db Server είναι κενό";
        QTest::newRow("no second field") << "Protocol" << "server=localhost" << "Το όνομα της database είναι κενό";
        QTest::newRow("empty second field") << "Protocol" << "server=localhost;;database=Prot"
                                            << "Το όνομα της database είναι κενό";
        QTest::newRow("semicolon in the server") << "Protocol" << "server=local;host;database=Prot"
                                                 << "Το όνομα της database είναι κενό";
        QTest::newRow("another host") << "Protocol" << "server=srv-other\\SQLEXPRESS;database=Prot"
                                      << "O db Server πρέπει να βρίσκεται σε αυτόν τον υπολογιστή.\r\n"
                                         "dbServer:SRV-OTHER\r\ngMachine:" +
                                             machine;
    }
    void refusedBeforeTheBackup() {
        QFETCH(QString, regMain);
        QFETCH(QString, connStr);
        QFETCH(QString, reason);
        Installation inst;
        inst.protocol("SQLite", connStr);
        frmActions form;
        form.Init();
        form.txtReg[0]->setText(regMain);
        form.SSTab1->setCurrentIndex(1);
        form.cmdBackup->click();
        QCOMPARE(prompts(), QStringList{kRefused + reason});
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbCritical));
        QCOMPARE(MsgBoxHook::Log().at(0).title, QStringLiteral("Kessbo"));
        if (reason.startsWith(QStringLiteral("Δεν βρέθηκαν"))) QCOMPARE(form.SSTab1->currentIndex(), 0);
        QVERIFY(!QFileInfo::exists(inst.backupFolder()));
    }

    // A whole run on each backend while another user keeps saving: the archive holds the one
    // backup file under its name alone, and the backup restores to one consistent state.
    void backupWhileAnotherUserWrites_data() { TestDatabase::addBackendRows(); }
    void backupWhileAnotherUserWrites() {
        TEST_REGISTER(db);
        QVERIFY(fill(db.conn(), 20000));
        Installation inst;
        inst.protocol(db);
        const QString label = KessboPlaces::DatabaseLabel(databaseName(db));
        QFile(inst.oldBackup(label)).setPermissions(QFileDevice::ReadOwner);  // replaced even when read-only

        Writer writer(db);
        writer.start();
        QTRY_VERIFY(writer.commits > 10 || !writer.error().isEmpty());
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        runBackup(1);
        const int commitsAfter = writer.commits;
        QTRY_VERIFY(writer.commits > commitsAfter || !writer.error().isEmpty());  // still writing after the backup
        writer.stop = true;
        writer.wait();
        QVERIFY2(writer.error().isEmpty(), qPrintable(writer.error()));

        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown done = MsgBoxHook::Log().at(0);
        QCOMPARE(done.icon(), int(vb::vbInformation));
        QCOMPARE(done.title, QStringLiteral("Δημιουργία Αντιγράφων Ασφαλείας"));
        const QStringList zips = QDir(inst.appFolder()).entryList({label + "-*.zip"});
        QCOMPARE(zips.size(), 1);
        const QString zip = inst.appFolder() + "/" + zips.first();
        const QDateTime stamp = QDateTime::fromString(zips.first().mid(label.size() + 1, 17), "yyyy-MM-dd_HHmmss");
        QVERIFY(stamp >= before && stamp <= QDateTime::currentDateTime());
        QVERIFY2(done.prompt.startsWith("Η διαδικασία ολοκληρώθηκε επιτυχώς!\r\n\r\nΤο Backup αρχείο που "
                                        "δημιουργήθηκε είναι το: " + zip + "\r\nΜέγεθος σε KBytes: "),
                 qPrintable(done.prompt));
        QVERIFY(done.prompt.contains(" -Ποσοστό συμπίεσης: ") && done.prompt.endsWith('%'));

        QByteArray out;
        QCOMPARE(run("unzip", {"-tq", zip}, &out), 0);
        QCOMPARE(run("unzip", {"-Z1", zip}, &out), 0);
        QCOMPARE(out.trimmed(), (label + ".bak").toUtf8());
        const QString bak = inst.backupFolder() + "/" + label + ".bak";
        QFile bakFile(bak);
        QVERIFY(bakFile.open(QIODevice::ReadOnly));
        QCOMPARE(run("unzip", {"-p", zip}, &out), 0);
        QVERIFY(out == bakFile.readAll());
        QCOMPARE(QDir(inst.backupFolder()).entryList(QDir::Files), QStringList{label + ".bak"});

        const Digest now = digestOf(db.conn()->database());
        Digest copy;
        if (db.backend() == Backend::SQLite) {
            Connection c;
            c.Provider = "SQLite";
            QVERIFY(c.Open("server=localhost;database=" + bak + ";"));
            QSqlQuery q(c.database());
            QVERIFY(q.exec("PRAGMA integrity_check") && q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("ok"));
            copy = digestOf(c.database());
        } else {
            Restored restored(bak);
            QVERIFY(restored.db.isOpen());
            copy = digestOf(restored.db);
        }
        QVERIFY(copy.rows >= 20000 + 20);
        QCOMPARE(copy.rows % 2, 0);  // never half of a save
        QVERIFY(copy.rows < now.rows);
        const Digest sameRows = digestOf(db.conn()->database(), copy.maxId);
        QCOMPARE(copy.rows, sameRows.rows);
        QCOMPARE(copy.hash, sameRows.hash);
    }

    // What the installation program writes is what the utility reads: a register on a path with
    // Greek letters and blanks, or on the PostgreSQL server, backed up as it stands.
    void backupOfAnInstallation_data() { TestDatabase::addBackendRows(); }
    void backupOfAnInstallation() {
        Installation inst;
        const bool pg = TestDatabase::currentBackend() == Backend::PostgreSQL;
        const QString name = pg ? QStringLiteral("kessbo_setup_%1").arg(QCoreApplication::applicationPid())
                                : QStringLiteral("Μητρώο γραφείου");
        QStringList args{"--admin-user", "ADMIN", "--admin-password", "ADMIN1"};
        if (pg)
            args << "--provider" << "PostgreSQL" << "--server" << qEnvironmentVariable("PROTOCOL_TEST_PG") << "--db-user"
                 << Restored::user() << "--database" << name << "--force";
        else
            args << "--database" << inst.dir.filePath("Πρωτόκολλο 2024/" + name + ".db");
        if (!pg) QDir().mkpath(inst.dir.filePath("Πρωτόκολλο 2024"));
        QByteArray out;
        QCOMPARE(run(PROTOCOL_SETUP_EXE, args, &out), 0);
        // Blanks typed around the keys and values by hand change nothing.
        const QString conn = SettingsStore::GetValue("\\Protocol", "ConnStr", "", false);
        QVERIFY(conn.startsWith("server="));
        SettingsStore::SaveValue("\\Protocol", "ConnStr", QString(conn).replace("=", " = ").replace(";", " ; "), false);
        runBackup(1);
        if (pg) Restored::psql(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(prompts().at(0).startsWith("Η διαδικασία ολοκληρώθηκε επιτυχώς!"), qPrintable(prompts().at(0)));
        QCOMPARE(QDir(inst.backupFolder()).entryList(QDir::Files), QStringList{name + ".bak"});
        QCOMPARE(QDir(inst.appFolder()).entryList({name + "-*.zip"}).size(), 1);
    }

    // A backup that meets a full disk or the file-size limit says so, keeps the previous .bak and
    // leaves no temporary file behind.
    void failedBackupKeepsThePrevious_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("fullDisk");
        for (const Backend b : TestDatabase::configuredBackends()) {
            const QString tag = TestDatabase::backendTag(b);
            QTest::addRow("%s, file-size limit", qPrintable(tag)) << tag << false;
            QTest::addRow("%s, full disk", qPrintable(tag)) << tag << true;
        }
    }
    void failedBackupKeepsThePrevious() {
        QFETCH(bool, fullDisk);
        TEST_REGISTER(db);
        QVERIFY(fill(db.conn(), 3000));
        Installation inst;
        inst.protocol(db);
        const QString label = KessboPlaces::DatabaseLabel(databaseName(db));

        // A disk of 16 KiB, the old .bak taking its first 4 KiB.
        QDir().mkpath(inst.backupFolder());
        const QByteArray folder = QFile::encodeName(inst.backupFolder());
        if (fullDisk &&
            ::mount("tmpfs", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16k,mode=0700") != 0)
            QSKIP(qPrintable(QStringLiteral("no small file system can be mounted here: ") +
                             qt_error_string(errno)));
        const auto unmount = qScopeGuard([&] {
            if (fullDisk) ::umount2(folder.constData(), MNT_DETACH);
        });
        const QString bak = inst.oldBackup(label);

        // A file-size limit of 16 KiB: writes beyond it fail (EFBIG) as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 16 * 1024;
        if (!fullDisk) setrlimit(RLIMIT_FSIZE, &small);
        runBackup(1);
        setrlimit(RLIMIT_FSIZE, &saved);

        QCOMPARE(MsgBoxHook::Log().size(), 1);
        const MsgBoxHook::Shown box = MsgBoxHook::Log().at(0);
        QCOMPARE(box.prompt,
                 "b3 Δεν δημιουργήθηκε με το Αντίγραφο Ασφαλείας.\r\nΑιτία: 61 - Δεν υπάρχει αρκετός "
                 "ελεύθερος χώρος στο δίσκο: " +
                     bak);
        QCOMPARE(box.icon(), int(vb::vbInformation));
        QFile kept(bak);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("OLD"));
        QCOMPARE(QDir(inst.backupFolder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{label + ".bak"});
        QVERIFY(QDir(inst.appFolder()).entryList(QDir::Files).isEmpty());
    }

    // With the usual umask 022, the .bak (and its temporary), the archive and its entry are the
    // owner's alone, or the group's too when the register is shared through its group; another
    // user cannot read a private archive even through open folders.
    void backupFilesArePrivate_data() {
        QTest::addColumn<bool>("shared");
        QTest::newRow("private register") << false;
        QTest::newRow("register shared with its group") << true;
    }
    void backupFilesArePrivate() {
        QFETCH(bool, shared);
        const mode_t savedMask = ::umask(022);
        const auto restoreMask = qScopeGuard([&] { ::umask(savedMask); });
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        const QString file = databaseName(db);
        const gid_t nogroup = 65534;
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), shared ? 0660 : 0600), 0);
        if (shared) QCOMPARE(::chown(QFile::encodeName(file).constData(), uid_t(-1), nogroup), 0);
        Installation inst;
        inst.protocol(db);
        runBackup(1);
        QVERIFY2(prompts().value(0).startsWith("Η διαδικασία ολοκληρώθηκε επιτυχώς!"),
                 qPrintable(prompts().value(0)));
        const QString bak = inst.backupFolder() + "/register.bak";
        const QStringList zips = QDir(inst.appFolder()).entryList({"register-*.zip"});
        QCOMPARE(zips.size(), 1);
        const QString zip = inst.appFolder() + "/" + zips.first();
        const int mode = shared ? 0660 : 0600;
        for (const QString& f : {bak, zip}) {
            QCOMPARE(int(FileModes::ModeOf(f)), mode);
            QCOMPARE(QFileInfo(f).groupId() == nogroup, shared);
        }
        QByteArray out;
        QCOMPARE(run("zipinfo", {zip}, &out), 0);
        QVERIFY2(out.contains(shared ? "-rw-rw---- " : "-rw------- "), out.constData());

        // The temporary .bak is private while the backup writes it.
        QList<int> seen;
        cls_SQLServer sql(Backend::SQLite);
        sql.Sharing = FileModes::SharingOf(file);
        sql.Progress = [&](qint64, qint64) {
            QDirIterator it(inst.dir.path(), {"*.tmp"}, QDir::Files | QDir::Hidden,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) seen << int(FileModes::ModeOf(it.next()));
        };
        QVERIFY(sql.Backup_db("localhost", "", file, inst.dir.filePath("again.bak"), ""));
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen, QList<int>(seen.size(), 0600));

        if (shared) return;
        if (run("runuser", {"-u", "nobody", "--", "true"}) != 0)
            QSKIP("cannot run as another user here; modes checked");
        // Open folders all the way: only the archive's own mode may keep it from others.
        for (QString d = inst.appFolder(); d != QDir::rootPath() && d != QDir::tempPath();
             d = QFileInfo(d).absolutePath())
            QFile(d).setPermissions(QFile(d).permissions() | QFileDevice::ExeOther | QFileDevice::ReadOther);
        QFile control(inst.appFolder() + "/open.txt");
        QVERIFY(control.open(QIODevice::WriteOnly) && control.write("x") == 1);
        control.close();
        QCOMPARE(run("runuser", {"-u", "nobody", "--", "cat", control.fileName()}), 0);  // the switch works
        QVERIFY(run("runuser", {"-u", "nobody", "--", "cat", zip}) != 0);
    }

    // A fresh installation under the usual umask 022: the backup folder Kessbo makes is its user's
    // alone, and the .bak's temporary is private while it is written.
    void freshInstallationUnderUsualUmask() {
        const mode_t savedMask = ::umask(022);
        const auto restoreMask = qScopeGuard([&] { ::umask(savedMask); });
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        Installation inst;
        inst.protocol(db);
        QVERIFY(!QFileInfo::exists(inst.backupFolder()));
        QList<int> tempModes;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            QDirIterator it(inst.backupFolder(), {"*.tmp"}, QDir::Files | QDir::Hidden,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) tempModes << int(FileModes::ModeOf(it.next()));
        });
        watch.start();
        runBackup(1);
        watch.stop();
        QVERIFY2(prompts().value(0).startsWith("Η διαδικασία ολοκληρώθηκε επιτυχώς!"),
                 qPrintable(prompts().value(0)));
        QCOMPARE(int(FileModes::ModeOf(inst.backupFolder())), 0700);
        QVERIFY(!tempModes.isEmpty());
        QCOMPARE(tempModes, QList<int>(tempModes.size(), 0600));
    }

    // A backup folder every user may write and rename in, without the sticky bit, is refused with
    // its reason before anything is written; one with the sticky bit (as /tmp) is used.
    void backupFolderOthersCanWrite_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("refused");
        QTest::newRow("0777") << 0777 << true;
        QTest::newRow("0773") << 0773 << true;
        QTest::newRow("1777") << 01777 << false;
        QTest::newRow("0775") << 0775 << false;
    }
    void backupFolderOthersCanWrite() {
        QFETCH(int, mode);
        QFETCH(bool, refused);
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        Installation inst;
        inst.protocol(db);
        QVERIFY(QDir().mkpath(inst.backupFolder()));
        QCOMPARE(::chmod(QFile::encodeName(inst.backupFolder()).constData(), mode_t(mode)), 0);
        runBackup(1);
        if (!refused) {
            QVERIFY2(prompts().value(0).startsWith("Η διαδικασία ολοκληρώθηκε επιτυχώς!"),
                     qPrintable(prompts().value(0)));
            return;
        }
        QCOMPARE(
            prompts(),
            QStringList{"Πρόβλημα: Δεν δημιουργήθηκε το Αντίγραφο Ασφαλείας !\r\nΟ φάκελος των αντιγράφων " +
                        inst.backupFolder() +
                        " επιτρέπει σε κάθε χρήστη να σβήνει και να αντικαθιστά αρχεία του: ένας άλλος "
                        "χρήστης θα μπορούσε να αντικαταστήσει το αντίγραφο. Αφαιρέστε την εγγραφή από τους "
                        "άλλους χρήστες (chmod o-w) ή ορίστε άλλον φάκελο (BackupFolder)."});
        QVERIFY(QDir(inst.backupFolder())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
        QVERIFY(QDir(inst.appFolder()).entryList(QDir::Files).isEmpty());
    }

    // A server of the test's own that asks for passwords (scram-sha-256): the backup logs in with
    // the installation's password, which no process shows on its command line. In a backup folder
    // open to all (with the sticky bit), the user nobody put a link where the .bak goes, and the
    // temporary's folder is swapped just before pg_dump starts: nothing of the dump reaches
    // nobody's file and no file of this user's is overwritten.
    void postgresBackupWithAPassword() {
        const QString why = OwnCluster::unavailable();
        if (!why.isEmpty()) QSKIP(qPrintable(why));
        const bool asNobody = run("runuser", {"-u", "nobody", "--", "true"}) == 0;
        OwnCluster cluster;
        QVERIFY(cluster.init());
        QVERIFY(cluster.start());
        const QString password = QStringLiteral("Pw-%1").arg(QRandomGenerator::global()->generate64(), 0, 36);
        const QString server = cluster.connStr().section(';', 0, 0).mid(7);
        {
            Connection c;
            c.Provider = "PostgreSQL";
            QVERIFY(c.Open(cluster.connStr(), "postgres", ""));
            QVERIFY(c.Execute("CREATE ROLE kessbo_owner LOGIN SUPERUSER PASSWORD '" + password + "'"));
            QVERIFY(c.Execute("CREATE DATABASE pwdb OWNER kessbo_owner"));
            c.Close();
            Connection d;
            d.Provider = "PostgreSQL";
            QVERIFY(d.Open("server=" + server + ";database=pwdb;", "postgres", ""));
            // Enough rows for pg_dump to run a while.
            QVERIFY(
                d.Execute("CREATE TABLE t AS SELECT g, md5(g::text) AS h FROM generate_series(1, 400000) g"));
            d.Close();
        }
        QVERIFY(cluster.requirePasswords());
        QVERIFY(cluster.stop());
        QVERIFY(cluster.start());

        Installation inst;
        inst.protocol("PostgreSQL", "server=" + server + ";database=pwdb;", "kessbo_owner", password);
        // Open folders down to the backup folder, which every user may write in.
        for (QString d = inst.dir.path(); d != QDir::rootPath() && d != QDir::tempPath();
             d = QFileInfo(d).absolutePath())
            QFile(d).setPermissions(QFile(d).permissions() | QFileDevice::ExeOther);
        QVERIFY(QDir().mkpath(inst.backupFolder()));
        QCOMPARE(::chmod(QFile::encodeName(inst.backupFolder()).constData(), 01777), 0);
        const QString bak = inst.backupFolder() + "/pwdb.bak";
        // A file of the backing-up user's own, and one of nobody's that would receive the dump.
        const QString mine = inst.dir.filePath("mine.txt"), loot = inst.backupFolder() + "/loot";
        QFile m(mine);
        QVERIFY(m.open(QIODevice::WriteOnly) && m.write("MINE") == 4);
        m.close();
        // nobody's file that would receive the dump, and its link where the .bak is to go.
        const QByteArray plant =
            "F=\"$1\"; : > \"$F/loot\"; chmod 666 \"$F/loot\"; ln -s \"$2\" \"$F/pwdb.bak\"\n";
        // The temporary's folder swapped for one holding a link to that file, as another user could in
        // a folder without protection (here done as this user, who may in any folder).
        const QByteArray swap =
            "F=\"$1\"; for d in \"$F\"/.kessbo-dump-*; do\n"
            "  mv \"$d\" \"$F/.gone\" && mkdir \"$d\" && ln -s \"$F/loot\" \"$d/pwdb.bak.tmp\"\n"
            "done\n";
        // The swap comes just before pg_dump starts, where a run that reopens the file by name would
        // follow it: pg_dump here swaps, then runs the server's own pg_dump.
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath("15/bin")));
        for (const char* name : {"postgres", "pg_isready"})
            QVERIFY(QFile::link(kPgBin + name, root.filePath(QString("15/bin/") + name)));
        QFile dumpScript(root.filePath("15/bin/pg_dump"));
        const QByteArray script = "#!/bin/sh\nsh -c \"$KESSBO_SWAP\" sh \"$KESSBO_FOLDER\"\nexec " +
                                  QFile::encodeName(kPgBin) + "pg_dump \"$@\"\n";
        QVERIFY(dumpScript.open(QIODevice::WriteOnly) && dumpScript.write(script) == script.size());
        dumpScript.close();
        QVERIFY(dumpScript.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner));
        const QString savedRoot = PgServer::InstallRoot();
        PgServer::InstallRoot() = root.path();
        qputenv("KESSBO_SWAP", swap);
        qputenv("KESSBO_FOLDER", QFile::encodeName(inst.backupFolder()));
        const auto restore = qScopeGuard([&] {
            PgServer::InstallRoot() = savedRoot;
            for (const char* v : {"KESSBO_SWAP", "KESSBO_FOLDER"}) qunsetenv(v);
        });
        const QStringList planting{"-c", plant, "sh", inst.backupFolder(), mine};
        QCOMPARE(asNobody ? run("runuser", QStringList{"-u", "nobody", "--", "sh"} + planting)
                          : run("sh", planting),
                 0);

        bool sawDump = false;
        QStringList shown;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            for (const QString& pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
                QFile f("/proc/" + pid + "/cmdline");
                if (!f.open(QIODevice::ReadOnly)) continue;
                const QByteArray cmd = f.readAll();
                if (cmd.contains("pg_dump")) sawDump = true;
                if (cmd.contains(password.toUtf8())) shown << QString::fromUtf8(cmd).replace('\0', ' ');
            }
        });
        watch.start();
        runBackup(1);
        watch.stop();
        QVERIFY2(prompts().value(0).startsWith("Η διαδικασία ολοκληρώθηκε επιτυχώς!"),
                 qPrintable(prompts().value(0)));
        QVERIFY(sawDump);
        QVERIFY2(shown.isEmpty(), qPrintable(shown.join('\n')));
        // The .bak is the dump, a regular file of this user's alone, where a link stood.
        QFileInfo b(bak);
        QVERIFY(!b.isSymLink() && b.isFile() && b.size() > 1000000);
        QCOMPARE(int(FileModes::ModeOf(bak)), 0600);
        QFile dump(bak);
        QVERIFY(dump.open(QIODevice::ReadOnly));
        QCOMPARE(dump.read(5), QByteArray("PGDMP"));
        QVERIFY(QFileInfo::exists(inst.backupFolder() + "/.gone"));  // the swap took place
        QCOMPARE(QFileInfo(mine).size(), qint64(4));
        QCOMPARE(QFileInfo(loot).size(), qint64(0));
    }

    // What the start removes: the temporaries of an unfinished run, never a finished archive or
    // volume, the .bak itself or a file of the user's own.
    void leftoverNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");
        QTest::newRow("the .bak's temporary") << "register.bak.Ab12Cd.tmp" << true;
        QTest::newRow("the deflated stream") << ".kessbo-Ab12Cd.deflate" << true;
        QTest::newRow("libzip's unfinished archive") << "db-2026-12-11_101500.zip.Ab12Cd" << true;
        QTest::newRow("a volume in progress") << "db-2026-12-11_101500.z01.tmp" << true;
        QTest::newRow("a finished archive") << "db-2026-12-11_101500.zip" << false;
        QTest::newRow("a finished volume") << "db-2026-12-11_101500.z01" << false;
        QTest::newRow("a finished volume, two digits") << "db-2026-12-11_101500.z12" << false;
        QTest::newRow("the .bak") << "db.bak" << false;
        QTest::newRow("a user's temporary file") << "notes.tmp" << false;
        QTest::newRow("a user's .bak copy") << "register.bak.old.tmp" << false;
        QTest::newRow("a user's archive copy") << "db-2026-12-11_101500 (2).zip" << false;
        QTest::newRow("an archive of another name") << "notes.zip.Ab12Cd" << false;
    }
    void leftoverNames() {
        QFETCH(QString, name);
        QFETCH(bool, removed);
        QCOMPARE(Leftovers::IsLeftover(name), removed);
    }

    // A start with finished archives in the program's folder and on the medium, and an unfinished
    // backup's private folder: only the unfinished is removed.
    void startKeepsFinishedArchives() {
        Installation inst;
        QVERIFY(QDir().mkpath(inst.backupFolder() + "/.kessbo-dump-Ab12Cd"));
        const QStringList finished{"db-2026-12-11_101500.zip", "db-2026-12-11_101500.z01",
                                   "db-2026-12-11_101500.z02"};
        const auto write = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
        };
        for (const QString& folder : {inst.appFolder(), inst.floppy()})
            for (const QString& f : finished) QVERIFY(write(folder + "/" + f));
        QVERIFY(write(inst.appFolder() + "/db-2026-12-11_101500.zip.Xy98Zw"));
        QVERIFY(write(inst.backupFolder() + "/db.bak"));
        QVERIFY(write(inst.backupFolder() + "/.kessbo-dump-Ab12Cd/db.bak.tmp"));
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const bool started = ModMain::Main();
        oldRuntime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", oldRuntime);
        QVERIFY(started);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmActions*>(w)) f->close();
        const auto all = [](const QString& folder) {
            return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        QStringList sorted = finished;
        sorted.sort();
        QCOMPARE(all(inst.appFolder()), sorted);
        QCOMPARE(all(inst.floppy()), sorted);
        QCOMPARE(all(inst.backupFolder()), QStringList{"db.bak"});
    }

    // Kessbo killed while pg_dump runs: pg_dump ends with it, no file holds the password, and
    // the next start removes the unfinished backup (and an older version's password file).
    void killedDuringTheDump() {
        if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG is not set");
        TestDatabase db(Backend::PostgreSQL);
        QVERIFY(createRegister(db));
        Installation inst;
        inst.protocol(db);
        const QString bak = inst.oldBackup(KessboPlaces::DatabaseLabel(databaseName(db)));
        QTemporaryDir root, state, temp;
        QVERIFY(QDir().mkpath(root.filePath("15/bin")));
        const QByteArray dump =
            "#!/bin/sh\n"
            "printf partial\n"  // its standard output is the file
            "echo $$ > \"$KESSBO_TEST_STATE/pid.new\" && mv \"$KESSBO_TEST_STATE/pid.new\" "
            "\"$KESSBO_TEST_STATE/pid\"\n"
            "exec sleep 600\n";
        for (const auto& [name, text] : {std::pair<QString, QByteArray>{"postgres", "#!/bin/sh\nexit 0\n"},
                                         {"pg_isready", "#!/bin/sh\nexit 0\n"},
                                         {"pg_dump", dump}}) {
            QFile f(root.filePath("15/bin/" + name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
            QVERIFY(
                f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        }

        // Gone or a zombie waiting to be reaped: either way it runs no more.
        const auto running = [](qint64 pid) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly)) return false;
            const QByteArray line = stat.readAll();
            return line.mid(line.lastIndexOf(')') + 2, 1) != "Z";
        };
        // The stand-in pg_dump is killed however the test ends, once it has said who it is.
        const auto reap = qScopeGuard([&] {
            QFile f(state.filePath("pid"));
            const qint64 pid = f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
            if (pid > 0 && running(pid)) ::kill(pid_t(pid), SIGKILL);
        });
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KESSBO_TEST_ROOT", root.path());
        env.insert("KESSBO_TEST_STATE", state.path());
        env.insert("TMPDIR", temp.path());
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"killedRun"});
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(state.filePath("pid")) || child.state() == QProcess::NotRunning, 60000);
        QVERIFY2(child.state() == QProcess::Running, child.readAll().constData());
        QFile pidFile(state.filePath("pid"));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const qint64 dumpPid = pidFile.readAll().trimmed().toLongLong();
        QVERIFY(dumpPid > 0);
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QTRY_VERIFY_WITH_TIMEOUT(!running(dumpPid), 30000);
        QVERIFY(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());  // no password file
        const QStringList left =
            QDir(inst.backupFolder()).entryList({".kessbo-dump-*"}, QDir::Dirs | QDir::Hidden);
        QCOMPARE(left.size(), 1);
        QCOMPARE(QDir(inst.backupFolder() + "/" + left.first()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(bak).fileName() + ".tmp"});

        // The next start, with a password file of an older version lying about.
        QFile oldPass(temp.filePath("kessbo-pgpass-Ab12Cd"));
        QVERIFY(oldPass.open(QIODevice::WriteOnly) && oldPass.write("*:*:*:u:secret\n") > 0);
        oldPass.close();
        QFile other(inst.backupFolder() + "/notes.tmp");  // not Kessbo's: stays
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR"), oldTmp = qgetenv("TMPDIR");
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        const bool started = ModMain::Main();
        oldRuntime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", oldRuntime);
        oldTmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTmp);
        QVERIFY(started);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmActions*>(w)) f->close();
        QCOMPARE(QDir(inst.backupFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"notes.tmp", QFileInfo(bak).fileName()}));
        QVERIFY(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    // The run that killedDuringTheDump starts as a process of its own and kills.
    void killedRun() {
        const QString root = qEnvironmentVariable("KESSBO_TEST_ROOT");
        if (root.isEmpty()) QSKIP("run by killedDuringTheDump only");
        AnswerQueues answers;
        PgServer::InstallRoot() = root;
        runBackup(1);
        QFAIL("the backup was to be killed");
    }

    void missingDatabase_data() { TestDatabase::addBackendRows(); }
    void missingDatabase() {
        TEST_DATABASE(db);
        Installation inst;
        inst.protocol(db);
        QString conn = db.connStr();
        const QString name = databaseName(db);
        const QString missing = db.backend() == Backend::SQLite ? inst.dir.filePath("Ανύπαρκτο μητρώο.db")
                                                                : QStringLiteral("kessbo_no_such_db");
        conn.replace(name, missing);
        if (db.backend() == Backend::SQLite) conn.replace("server=;", "server=localhost;");
        inst.protocol(db.provider(), conn, db.user());
        runBackup(1);
        QCOMPARE(prompts(), QStringList{"b1 Δεν δημιουργήθηκε με το Αντίγραφο Ασφαλείας.\r\nΑιτία: Ανύπαρκτη database: " +
                                        missing});
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbInformation));
        QVERIFY(QDir(inst.backupFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    // Neither a FloppyFolder setting nor a medium: the box names the places looked in and the
    // other choice, and nothing is done.
    void noMediumSaysWhereItLooked() {
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        Installation inst;
        inst.protocol(db);
        SettingsStore::SaveValue("\\Kessbo", "FloppyFolder", "", false);
        if (KessboPlaces::HasFloppy()) QSKIP("a removable medium is mounted on this machine");
        frmActions form;
        form.Init();
        form.SSTab1->setCurrentIndex(0);
        form.cmdBackup->click();
        QCOMPARE(
            prompts(),
            QStringList{kRefused +
                        "Δεν βρέθηκε αφαιρούμενο μέσο (δισκέτα). Αναζητήθηκαν: η ρύθμιση FloppyFolder της "
                        "ενότητας «\\Kessbo» στο " +
                        inst.settings.machineFile() +
                        " (δεν υπάρχει) και τα μέσα στους φακέλους /media, /run/media (κανένα).\r\n"
                        "Τοποθετήστε ένα μέσο, ή επιλέξτε «Ο κατάλογος της εφαρμογής (" +
                        inst.appFolder() + ")»."});
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbCritical));
        QCOMPARE(form.SSTab1->currentIndex(), 1);
        QVERIFY(!QFileInfo::exists(inst.backupFolder()));
    }

    // The demo installation of scripts/run, found as scripts/run-kessbo finds it (scripts/demo),
    // backed up under the section name the first tab tells the newcomer to type.
    void demoInstallationBackedUp() {
        AnswerQueues answers;
        QTemporaryDir data, app;
        const char* vars[] = {"XDG_DATA_HOME", "PROTOCOL_CONFIG_DIR", "PROTOCOL_SETUP"};
        QList<std::pair<bool, QByteArray>> old;
        for (const char* v : vars) old.append({qEnvironmentVariableIsSet(v), qgetenv(v)});
        const auto restore = qScopeGuard([&] {
            for (int i = 0; i < 3; ++i) old[i].first ? qputenv(vars[i], old[i].second) : qunsetenv(vars[i]);
            App::SetPath(QString());
        });
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        qunsetenv("PROTOCOL_CONFIG_DIR");
        qputenv("PROTOCOL_SETUP", PROTOCOL_SETUP_EXE);
        QProcess demo;
        demo.start("bash", {PROTOCOL_SOURCE_DIR "/scripts/demo"});
        QVERIFY(demo.waitForFinished(120000));
        QVERIFY2(demo.exitCode() == 0, demo.readAllStandardError().constData());
        const QString folder = QString::fromUtf8(demo.readAllStandardOutput()).trimmed();
        QCOMPARE(folder, data.filePath("Protocol-demo"));

        qputenv("PROTOCOL_CONFIG_DIR", QFile::encodeName(folder));
        App::SetPath(app.path());
        frmActions form;
        form.Init();
        QVERIFY2(form.lblHint->text().contains("«Protocol»") &&
                     form.lblHint->text().contains(folder + "/machine.ini"),
                 qPrintable(form.lblHint->text()));
        form.show();
        typeText(form.txtReg[0], QStringLiteral("Protocol"));
        form.SSTab1->setCurrentIndex(1);
        form.optZip[1]->setChecked(true);
        form.cmdBackup->click();
        QCOMPARE(MsgBoxHook::Log().size(), 1);
        QVERIFY2(prompts().at(0).startsWith("Η διαδικασία ολοκληρώθηκε επιτυχώς!"),
                 qPrintable(prompts().at(0)));
        QCOMPARE(QDir(app.path()).entryList({"protocol-*.zip"}).size(), 1);

        Connection c;
        c.Provider = "SQLite";
        QVERIFY(c.Open("server=localhost;database=" + data.filePath("Kessbo/dbBackup/protocol.bak") + ";"));
        QSqlQuery q(c.database());
        QVERIFY(q.exec("SELECT U_NAME, U_LNAME FROM USERS") && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ADMIN"));
        QCOMPARE(q.value(1).toString(), QStringLiteral("Διαχειριστής"));
        QVERIFY(q.exec("SELECT count(*) FROM L_TMHMATA") && q.next());
        QCOMPARE(q.value(0).toInt(), 4);
    }

    // The archive cannot be written (no removable medium): the zip box, then the flow's own; the
    // new .bak stays.
    void zipFailureReported() {
        TestDatabase db(Backend::SQLite);
        QVERIFY(createRegister(db));
        Installation inst;
        inst.protocol(db);
        SettingsStore::SaveValue("\\Kessbo", "FloppyFolder", inst.dir.filePath("no-medium"), false);
        runBackup(0);
        QCOMPARE(MsgBoxHook::Log().size(), 2);
        const QString zip = inst.dir.filePath("no-medium") + "/register-";
        QVERIFY2(prompts().at(0).startsWith("Σημειώθηκε σφάλμα κατά τη δημιουργία του αρχείου: " + zip), qPrintable(prompts().at(0)));
        QVERIFY(prompts().at(0).endsWith(".zip\r\n\r\n[Ο φάκελος προορισμού δεν υπάρχει.]"));
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbCritical));
        QCOMPARE(prompts().at(1), QStringLiteral("Η διαδικασία δεν ολοκληρώθηκε επιτυχώς!"));
        QCOMPARE(MsgBoxHook::Log().at(1).icon(), int(vb::vbCritical));
        QVERIFY(QFileInfo(inst.backupFolder() + "/register.bak").size() > 0);
    }

    // PostgreSQL's service: not installed, not running and not startable, log-in refused.
    void postgresServiceFailures_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QStringList>("expected");
        const QString noConnection = "Δεν δημιουργήθηκε με το Αντίγραφο Ασφαλείας.\r\nΑιτία: Αδύνατη η σύνδεση με τον db Server";
        QTest::newRow("not installed") << "not installed"
                                       << QStringList{"Πρέπει να εγκαταστήσετε τον SQL Server (MSDE2000)", "2 " + noConnection};
        QTest::newRow("not running") << "not running"
                                     << QStringList{"### Server_start 2 ###\r\nΠροέλευση : PostgreSQL\r\nΚωδικός   : ",
                                                    "2 " + noConnection};
        QTest::newRow("log-in refused") << "login"
                                        << QStringList{"### Server_connect 3 ###\r\nΠροέλευση : ", "3 " + noConnection};
    }
    void postgresServiceFailures() {
        QFETCH(QString, what);
        QFETCH(QStringList, expected);
        if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG is not set");
        Installation inst;
        QTemporaryDir empty;
        const QString root = PgServer::InstallRoot();
        const QStringList start = PgServer::StartCommand();
        QString server = qEnvironmentVariable("PROTOCOL_TEST_PG");
        QString user = Restored::user();
        if (what == "not installed") PgServer::InstallRoot() = empty.path();
        if (what == "not running") {
            server = "127.0.0.1:1";
            PgServer::StartCommand() = {"false"};
        }
        if (what == "login") user = "kessbo_no_such_role";
        inst.protocol("PostgreSQL", "server=" + server + ";database=postgres;", user);
        runBackup(1);
        PgServer::InstallRoot() = root;
        PgServer::StartCommand() = start;
        QCOMPARE(MsgBoxHook::Log().size(), 2);
        QVERIFY2(prompts().at(0).startsWith(expected.at(0)), qPrintable(prompts().at(0)));
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbCritical));
        QCOMPARE(prompts().at(1), expected.at(1));
        QCOMPARE(MsgBoxHook::Log().at(1).icon(), int(vb::vbInformation));
    }
};

QTEST_MAIN(TestKessbo)
#include "tst_kessbo.moc"
