#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include "Connection.h"
#include "Err.h"
#include "PswFormat.h"
#include "Recordset.h"
#include "SettingsStore.h"
#include "TestDatabase.h"
#include "TestSupport.h"

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run runSetup(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(QStringLiteral(PROTOCOL_SETUP_EXE), args);
    if (p.waitForStarted(60000)) {
        p.write(input);
        p.closeWriteChannel();
    }
    Run r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        r.err = QStringLiteral("did not finish: ") + p.errorString();
        return r;
    }
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString setting(const QString& name) {
    return SettingsStore::GetValue(QStringLiteral("\\Protocol"), name, QStringLiteral("<absent>"), false);
}

QString pgServer() {
    return qEnvironmentVariable("PROTOCOL_TEST_PG");
}
QString pgUser() {
    const QString u = qEnvironmentVariable("PROTOCOL_TEST_PG_USER");
    return u.isEmpty() ? QStringLiteral("postgres") : u;
}

ConnectionPtr openPg(const QString& database, const QString& user = pgUser()) {
    auto c = std::make_shared<Connection>();
    c->Provider = QStringLiteral("PostgreSQL");
    c->Open(QStringLiteral("server=%1;database=%2;").arg(pgServer(), database), user,
            qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD"));
    return c;
}

// The register the installed settings name, opened as the program opens it.
ConnectionPtr openInstalled() {
    QString user, password;
    PswFormat::ParseL(setting(QStringLiteral("L")), user, password);
    auto c = std::make_shared<Connection>();
    c->Provider = setting(QStringLiteral("Provider"));
    c->Open(setting(QStringLiteral("ConnStr")), user, password);
    return c;
}

QVariant value(const ConnectionPtr& c, const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, c) || rs.Eof()) return {};
    return rs.Value(0);
}

bool hasColumn(const ConnectionPtr& c, const QString& table, const QString& column) {
    Recordset rs;
    return rs.Open("SELECT * FROM " + table + " WHERE 1 = 0", c) && rs.FieldIndex(column) >= 0;
}

}  // namespace

class tst_SetupTool : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void installs_data() { TestDatabase::addBackendRows(); }
    void installs();
    void existingDatabase_data() { TestDatabase::addBackendRows(); }
    void existingDatabase();
    void badArguments_data();
    void badArguments();
    void settingsOrDatabaseOnly();
    void postgresFailureRemovesTheDatabase();
    void anyText_data() { TestDatabase::addBackendRows(); }
    void anyText();
    void settingsKeepTheirGroup();
    void passwordsFromStandardInput_data();
    void passwordsFromStandardInput();
    void settingsKeepTheirGroupAndMode_data();
    void settingsKeepTheirGroupAndMode();
    void databasePasswordGivenAndSupervisorsRead();

private:
    // The backend's --provider, --database and (PostgreSQL) --server and --db-user arguments.
    QStringList target(Backend backend);

    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    // Where the refused runs must not make their database (named by the data rows, made before init()).
    QTemporaryDir m_never;
    QStringList m_pgDatabases;
};

void tst_SetupTool::init() {
    Err().Clear();
    m_settings = std::make_unique<TempSettings>();
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_SetupTool::cleanup() {
    if (!m_pgDatabases.isEmpty()) {
        ConnectionPtr c = openPg(QStringLiteral("postgres"));
        for (const QString& name : std::as_const(m_pgDatabases))
            for (const QString& n : QStringList{name, name + QStringLiteral("__setup")})
                if (value(c, QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(n))
                        .isValid())
                    c->Execute(QStringLiteral("DROP DATABASE \"%1\" WITH (FORCE)").arg(n));
        m_pgDatabases.clear();
    }
    m_settings.reset();
    m_dir.reset();
}

QStringList tst_SetupTool::target(Backend backend) {
    if (backend == Backend::SQLite)
        return {"--provider", "SQLite", "--database", m_dir->filePath("register.db")};
    // Mixed case: the name must reach ConnStr as created.
    const QString name =
        QStringLiteral("Setup_%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QChar('0'));
    m_pgDatabases << name;
    return {"--provider", "PostgreSQL", "--database", name, "--server", pgServer(), "--db-user", pgUser()};
}

void tst_SetupTool::installs() {
    const Backend backend = TestDatabase::currentBackend();
    const QStringList where = target(backend);
    const QString docs = m_dir->filePath("έγγραφα");
    const Run r = runSetup(where + QStringList{"--db-password", "pw;x=1", "--admin-user", "Διαχειριστής",
                                               "--admin-password", "Μυστικό1", "--organisation",
                                               "Δήμος Δοκιμής", "--docs-folder", docs});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY(r.err.isEmpty());
    QCOMPARE(r.out.count('\n'), 1);
    QVERIFY(r.out.contains("Διαχειριστής"));

    const QString database = where.at(3);
    // Nothing is left beside the database (the temporary file it was built in is gone).
    if (backend == Backend::SQLite)
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"register.db"}));
    QCOMPARE(setting("Provider"), backend == Backend::SQLite ? QString("SQLite") : QString("PostgreSQL"));
    const QString connStr =
        backend == Backend::SQLite
            ? QString("server=localhost;database=" + QFileInfo(database).absoluteFilePath() + ";")
            : QString("server=" + pgServer() + ";database=" + database + ";");
    QCOMPARE(setting("ConnStr"), connStr);
    // The organisation is the first heading, the one every report prints; no second one was asked for.
    QCOMPARE(setting("Logo1"), QString("Δήμος Δοκιμής"));
    QCOMPARE(setting("Logo2"), QString("<absent>"));
    QString user, password;
    PswFormat::ParseL(setting("L"), user, password);
    QCOMPARE(user, backend == Backend::SQLite ? QString() : pgUser());
    QCOMPARE(password, QString("pw;x=1"));

    const ConnectionPtr c = openInstalled();
    QVERIFY2(c->IsOpen(), qPrintable(c->LastErrorText()));
    Recordset admin;
    QVERIFY(admin.Open("SELECT U_PSW, U_AUTH, U_LNAME FROM USERS WHERE U_NAME = 'ΔΙΑΧΕΙΡΙΣΤΗΣ'", c));
    QCOMPARE(admin.RecordCount(), 1);
    // The users window requires a last name: without one the supervisor could not be saved.
    QCOMPARE(admin.Value("U_LNAME").toString(), QString("Διαχειριστής"));
    QCOMPARE(PswFormat::Read(admin.Value("U_PSW").toString()), QString("ΜΥΣΤΙΚΌ1"));
    QCOMPARE(admin.Value("U_AUTH").toLongLong(), 0x103FFC0LL);
    QCOMPARE(value(c, "SELECT PVAL FROM PARAM WHERE PCODE = 'PFOLD'").toString(), docs);
    QVERIFY(hasColumn(c, "PROTOCOL", "ARXEIOTHETHSH"));
    if (backend == Backend::SQLite) QCOMPARE(value(c, "PRAGMA journal_mode").toString(), QString("wal"));
}

void tst_SetupTool::existingDatabase() {
    const Backend backend = TestDatabase::currentBackend();
    const QStringList args =
        target(backend) + QStringList{"--admin-user", "ADMIN", "--admin-password", "ADMIN1"};
    QCOMPARE(runSetup(args).code, 0);
    {
        const ConnectionPtr c = openInstalled();
        QVERIFY(c->Execute("INSERT INTO L_APO (DESCR, MODUSER) VALUES ('Κρατημένο', 1)"));
    }
    QVERIFY(SettingsStore::SaveValue("\\Protocol", "Logo2", "unchanged", false));

    const Run refused = runSetup(args);
    QCOMPARE(refused.code, 1);
    QVERIFY2(refused.err.contains("--force"), qPrintable(refused.err));
    QCOMPARE(setting("Logo2"), QString("unchanged"));
    {
        const ConnectionPtr c = openInstalled();
        QCOMPARE(value(c, "SELECT count(*) FROM L_APO").toInt(), 1);
    }

    // --force replaces it, here with the schema from before the upgrade.
    const Run replaced = runSetup(args + QStringList{"--force", "--pre-upgrade"});
    QVERIFY2(replaced.code == 0, qPrintable(replaced.err));
    const ConnectionPtr c = openInstalled();
    QVERIFY2(c->IsOpen(), qPrintable(c->LastErrorText()));
    QCOMPARE(value(c, "SELECT count(*) FROM L_APO").toInt(), 0);
    QVERIFY(hasColumn(c, "PROTOCOL", "PROS"));
    for (const char* column : {"PERILIPSI_EIS", "THEMA_EX", "ARXEIOTHETHSH", "SYSXETIZOMENA", "HMER_DIEKP"})
        QVERIFY2(!hasColumn(c, "PROTOCOL", column), column);
    QVERIFY(!Recordset().Open("SELECT * FROM L_ARXEIOTHETHSH", c));
}

void tst_SetupTool::badArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");  // a piece of what stderr says
    const QStringList admin{"--admin-user", "ADMIN", "--admin-password", "ADMIN1"};
    const QString file = m_never.filePath("protocol-setup-never.db");
    const QStringList sqlite{"--database", file};
    const QStringList pg{"--provider", "PostgreSQL", "--database", "reg", "--db-user", "u"};
    QTest::newRow("no database") << admin << "--database";
    QTest::newRow("no supervisor") << sqlite << "--admin-user";
    QTest::newRow("short password") << sqlite + QStringList{"--admin-user", "A", "--admin-password", "abcd"}
                                    << "--admin-password";
    QTest::newRow("password with a blank")
        << sqlite + QStringList{"--admin-user", "A", "--admin-password", "abc def"} << "--admin-password";
    QTest::newRow("long user name") << sqlite + QStringList{"--admin-user", QString(21, 'a'),
                                                            "--admin-password", "ADMIN1"}
                                    << "20";
    QTest::newRow("long last name") << sqlite + admin + QStringList{"--admin-last-name", QString(31, 'a')}
                                    << "30";
    QTest::newRow("blank last name") << sqlite + admin + QStringList{"--admin-last-name", " "}
                                     << "--admin-last-name";
    QTest::newRow("unknown option") << sqlite + admin + QStringList{"--colour"} << "colour";
    QTest::newRow("stray argument") << sqlite + admin + QStringList{"extra"} << "extra";
    QTest::newRow("unknown provider") << QStringList{"--provider", "SQLOLEDB"} + sqlite + admin << "SQLOLEDB";
    QTest::newRow("server for sqlite") << sqlite + admin + QStringList{"--server", "db1"} << "--server";
    QTest::newRow("missing folder") << QStringList{"--database", "/nonexistent/dir/r.db"} + admin
                                    << "nonexistent";
    QTest::newRow("samples without a database")
        << sqlite + admin + QStringList{"--settings-only", "--demo-samples"} << "--demo-samples";
    QTest::newRow("both only options")
        << sqlite + admin + QStringList{"--settings-only", "--no-settings"} << "exclude";
    QTest::newRow("pg without server") << pg + admin << "--server";
    QTest::newRow("pg unknown server") << pg + admin + QStringList{"--server", "?"} << "--settings-only";
    QTest::newRow("pg without log-in")
        << QStringList{"--provider", "PostgreSQL", "--database", "reg", "--server", "db1"} + admin
        << "--db-user";
    QTest::newRow("pg bad name") << QStringList{"--provider", "PostgreSQL", "--database", "reg; drop",
                                                "--server",   "db1",        "--db-user",  "u"} +
                                        admin
                                 << "--database";
}

void tst_SetupTool::badArguments() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run r = runSetup(args);
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(m_settings->machineFile()));
    QVERIFY(!QFileInfo::exists(m_never.filePath("protocol-setup-never.db")));
}

void tst_SetupTool::settingsOrDatabaseOnly() {
    // A workstation of a shared installation: the first start asks for the server.
    const Run settings = runSetup({"--provider", "PostgreSQL", "--database", "Register", "--server", "?",
                                   "--db-user", "clerk", "--db-password", "secret", "--settings-only"});
    QVERIFY2(settings.code == 0, qPrintable(settings.err));
    QCOMPARE(setting("ConnStr"), QString("server=?;database=Register;"));
    QCOMPARE(setting("Logo1"), QString("<absent>"));
    QCOMPARE(setting("Logo2"), QString("<absent>"));
    QString user, password;
    PswFormat::ParseL(setting("L"), user, password);
    QCOMPARE(user, QString("clerk"));
    QCOMPARE(password, QString("secret"));

    QFile::remove(m_settings->machineFile());
    const Run database =
        runSetup(target(Backend::SQLite) + QStringList{"--admin-user", "ADMIN", "--admin-password", "ADMIN1",
                                                       "--no-settings", "--demo-samples"});
    QVERIFY2(database.code == 0, qPrintable(database.err));
    QVERIFY(QFileInfo::exists(m_dir->filePath("register.db")));
    {
        auto c = std::make_shared<Connection>();
        c->Provider = "SQLite";
        QVERIFY(c->Open("server=localhost;database=" + m_dir->filePath("register.db") + ";"));
        QCOMPARE(value(c, "SELECT count(*) FROM L_TMHMATA").toInt(), 4);
        c->Close();
    }
    QVERIFY(!QFileInfo::exists(m_settings->machineFile()));
}

void tst_SetupTool::postgresFailureRemovesTheDatabase() {
    if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG names no PostgreSQL server");
    // A log-in that may create databases but whose search path names no schema: the schema's
    // first table fails, after the database has been created.
    const QString role =
        QStringLiteral("setup_%1").arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0'));
    ConnectionPtr admin = openPg("postgres");
    QVERIFY(admin->Execute(QStringLiteral("CREATE ROLE %1 LOGIN CREATEDB").arg(role)));
    QVERIFY(admin->Execute(QStringLiteral("ALTER ROLE %1 SET search_path = nowhere").arg(role)));
    QStringList args = target(Backend::PostgreSQL);
    args[args.indexOf("--db-user") + 1] = role;
    const Run r = runSetup(args + QStringList{"--admin-user", "ADMIN", "--admin-password", "ADMIN1"});
    const QString name = args.at(3);
    const int left =
        value(
            admin,
            QStringLiteral("SELECT count(*) FROM pg_database WHERE datname IN ('%1', '%1__setup')").arg(name))
            .toInt();
    admin->Execute(QStringLiteral("DROP ROLE %1").arg(role));
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("cannot create the register"), qPrintable(r.err));
    QCOMPARE(left, 0);
    QVERIFY(!QFileInfo::exists(m_settings->machineFile()));
}

// Placeholders, quotes and Greek in every text argument are stored as typed, and the files that
// hold the log-in or the register are the owner's alone.
void tst_SetupTool::anyText() {
    const Backend backend = TestDatabase::currentBackend();
    QStringList args = target(backend);
    if (backend == Backend::SQLite)
        args[3] = m_dir->filePath(QStringLiteral("μητρώο %1'%3\".db"));
    const QString docs = m_dir->filePath(QStringLiteral("έγγραφα%3 %1'\""));
    const QString adminUser = QStringLiteral("adm%3in'\"Ω%1");
    const QString adminPassword = QStringLiteral("%1'\"Π%3x");
    const QString organisation = QStringLiteral("Δήμος «%1» '%3' \"x\"");
    const QString heading = QStringLiteral("Διεύθυνση %2 'Β'");
    const QString dbPassword = QStringLiteral("%3;'\"%1=Σ");
    const QString lastName = QStringLiteral("Ο'Νίλ %1\"%3");
    const Run r =
        runSetup(args + QStringList{"--db-password", dbPassword, "--admin-user", adminUser,
                                    "--admin-password", adminPassword, "--organisation", organisation,
                                    "--second-heading", heading, "--docs-folder", docs,
                                    "--admin-last-name", lastName});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(setting("Logo1"), organisation);
    QCOMPARE(setting("Logo2"), heading);
    QString user, password;
    PswFormat::ParseL(setting("L"), user, password);
    QCOMPARE(password, dbPassword);
    const ConnectionPtr c = openInstalled();
    QVERIFY2(c->IsOpen(), qPrintable(c->LastErrorText()));
    QCOMPARE(value(c, "SELECT PVAL FROM PARAM WHERE PCODE = 'PFOLD'").toString(), docs);
    Recordset admin;
    QVERIFY(admin.Open("SELECT U_NAME, U_PSW, U_AUTH, U_LNAME FROM USERS", c));
    QCOMPARE(admin.RecordCount(), 1);
    QCOMPARE(admin.Value("U_NAME").toString(), adminUser);
    QCOMPARE(admin.Value("U_LNAME").toString(), lastName);
    QCOMPARE(PswFormat::Read(admin.Value("U_PSW").toString()), adminPassword.toUpper());
    QCOMPARE(admin.Value("U_AUTH").toLongLong(), 0x103FFC0LL);

    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(m_settings->machineFile()) & others, QFileDevice::Permissions());
    if (backend == Backend::SQLite) {
        c->Close();
        const QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& f : files) QCOMPARE(QFile::permissions(m_dir->filePath(f)) & others, QFileDevice::Permissions());
    }
}

// A shared installation opened the settings to its group: a later run keeps that, but takes away
// what others could read.
void tst_SetupTool::settingsKeepTheirGroup() {
    QVERIFY(SettingsStore::SaveValue("\\Protocol", "Logo2", "x", false));
    const QString file = m_settings->machineFile();
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ReadOther));
    const Run r = runSetup({"--provider", "PostgreSQL", "--database", "Register", "--server", "?", "--db-user",
                            "clerk", "--db-password", "secret", "--settings-only"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(QFile::permissions(file) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
}

QTEST_GUILESS_MAIN(tst_SetupTool)
#include "tst_setup_tool.moc"

void tst_SetupTool::passwordsFromStandardInput_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("refusal");  // empty: installed
    for (const Backend b : TestDatabase::configuredBackends()) {
        const QString tag = TestDatabase::backendTag(b);
        const QByteArray both = b == Backend::PostgreSQL ? "κωδ:ικός 1\r\nΜυστικό1\r\n" : "Μυστικό1\n";
        QTest::addRow("%s, read", qPrintable(tag)) << tag << both << "";
        QTest::addRow("%s, nothing to read", qPrintable(tag)) << tag << QByteArray() << "no password of the";
        QTest::addRow("%s, short", qPrintable(tag))
            << tag << QByteArray(b == Backend::PostgreSQL ? "x\nabc\n" : "abc\n") << "5 characters";
    }
}

// Passwords given on standard input instead of the command line, where every local user sees
// them; the options say so in the help.
void tst_SetupTool::passwordsFromStandardInput() {
    QFETCH(QByteArray, input);
    QFETCH(QString, refusal);
    const Backend backend = TestDatabase::currentBackend();
    const Run r = runSetup(target(backend) + QStringList{"--admin-user", "ADMIN", "--password-stdin"}, input);
    if (!refusal.isEmpty()) {
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(refusal), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(m_settings->machineFile()));
        return;
    }
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QString user, password;
    PswFormat::ParseL(setting("L"), user, password);
    QCOMPARE(password, backend == Backend::PostgreSQL ? QString("κωδ:ικός 1") : QString());
    const ConnectionPtr c = openInstalled();
    QVERIFY2(c->IsOpen(), qPrintable(c->LastErrorText()));
    QCOMPARE(PswFormat::Read(value(c, "SELECT U_PSW FROM USERS WHERE U_NAME = 'ADMIN'").toString()),
             QString("ΜΥΣΤΙΚΌ1"));

    const Run help = runSetup({"--help"});
    QCOMPARE(help.out.simplified().count(
                 "Visible to every local user while the program runs: prefer --password-stdin."),
             2);
    // Without a password and without standard input to read it from, nothing is guessed.
    const Run none = runSetup(target(Backend::SQLite) + QStringList{"--admin-user", "ADMIN"});
    QCOMPARE(none.code, 2);
    QVERIFY2(none.err.contains("--admin-password or --password-stdin is required."), qPrintable(none.err));
}

// The settings file is written anew on every run: a reinstall gives it back the group and mode of
// the file it replaces, never more than the group's reading.
void tst_SetupTool::settingsKeepTheirGroupAndMode_data() {
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("settings only, 640") << false << 0640 << 0640;
    QTest::newRow("reinstall, 640") << true << 0640 << 0640;
    QTest::newRow("reinstall, 664") << true << 0664 << 0640;
    QTest::newRow("reinstall, 600") << true << 0600 << 0600;
}
void tst_SetupTool::settingsKeepTheirGroupAndMode() {
    QFETCH(bool, force);
    QFETCH(int, before);
    QFETCH(int, after);
    if (::geteuid() != 0) QSKIP("giving the file another group needs root here");
    const gid_t group = 65534;  // not the writer's
    const QStringList install =
        target(Backend::SQLite) + QStringList{"--admin-user", "ADMIN", "--admin-password", "Μυστικό1"};
    Run r = runSetup(install);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const QByteArray file = QFile::encodeName(m_settings->machineFile());
    QCOMPARE(::chown(file.constData(), uid_t(-1), group), 0);
    QCOMPARE(::chmod(file.constData(), mode_t(before)), 0);
    r = runSetup(force ? install + QStringList{"--force"}
                       : target(Backend::SQLite) + QStringList{"--settings-only"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    struct stat st {};
    QCOMPARE(::stat(file.constData(), &st), 0);
    QCOMPARE(st.st_gid, group);
    QCOMPARE(int(st.st_mode & 07777), after);
}

// Both a database password on the command line and --password-stdin: the option is the database
// log-in's, the line read is the supervisor's.
void tst_SetupTool::databasePasswordGivenAndSupervisorsRead() {
    if (!TestDatabase::postgresConfigured()) QSKIP("PROTOCOL_TEST_PG names no PostgreSQL server");
    const QString dbPassword = qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD", "given-on-the-line");
    const Run r =
        runSetup(target(Backend::PostgreSQL) +
                     QStringList{"--db-password", dbPassword, "--admin-user", "ADMIN", "--password-stdin"},
                 "Μυστικό1\n");
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QString user, password;
    PswFormat::ParseL(setting("L"), user, password);
    QCOMPARE(password, dbPassword);
    const ConnectionPtr c = openInstalled();
    QVERIFY2(c->IsOpen(), qPrintable(c->LastErrorText()));
    QCOMPARE(PswFormat::Read(value(c, "SELECT U_PSW FROM USERS WHERE U_NAME = 'ADMIN'").toString()),
             QString("ΜΥΣΤΙΚΌ1"));
}
