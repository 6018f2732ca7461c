#include "SetupPlan.h"

#include <termios.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "Connection.h"

namespace {

bool refuse(QString* error, const QString& text) {
    *error = text;
    return false;
}

// The program reads ConnStr as ";"-separated parts: a ";" in a value would cut it.
bool fitsConnStr(const QString& value) {
    return !value.contains(QLatin1Char(';'));
}

bool validName(const QString& name) {
    // Room is left for the temporary name the database is built under (63 bytes at most).
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,39}$"));
    return re.match(name).hasMatch();
}

bool checkSupervisorPassword(const QString& password, QString* error) {
    if (password.size() < 5 || password.contains(QRegularExpression(QStringLiteral("\\s"))))
        return refuse(error,
                      QStringLiteral("the supervisor's password must have 5 characters or more and no blanks "
                                     "(--admin-password)."));
    if (password.size() > 40)
        return refuse(
            error,
            QStringLiteral("the supervisor's password is longer than 40 characters (--admin-password)."));
    return true;
}

// Options that put a password on the command line: every local user sees it while the program runs.
const char* const kVisible = "\nVisible to every local user while the program runs: prefer --password-stdin.";

}  // namespace

QString SetupPlan::connStr() const {
    return QStringLiteral("server=%1;database=%2;")
        .arg(backend == Backend::SQLite ? QStringLiteral("localhost") : server, database);
}

bool ParseSetupArguments(const QStringList& arguments, SetupPlan* plan, QString* error, QString* helpText,
                         bool terminal) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Creates a new register database (SQLite or PostgreSQL) with its first supervisor, and writes the\n"
        "installation settings (Provider, ConnStr, L, Logo1, Logo2) into the machine-wide settings file."));
    const QCommandLineOption help = p.addHelpOption();
    const QCommandLineOption version = p.addVersionOption();
    const QCommandLineOption provider(QStringLiteral("provider"),
                                      QStringLiteral("SQLite (default) or PostgreSQL."),
                                      QStringLiteral("name"), QStringLiteral("SQLite"));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("SQLite: the database file. PostgreSQL: the database name."),
        QStringLiteral("file|name"));
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral(
            "PostgreSQL: host[:port] or socket folder[:port]; \"?\" (with --settings-only) lets the\n"
            "program ask for the server at its first start."),
        QStringLiteral("server"));
    const QCommandLineOption dbUser(QStringLiteral("db-user"),
                                    QStringLiteral("The database log-in (PostgreSQL)."),
                                    QStringLiteral("name"));
    const QCommandLineOption dbPassword(
        QStringLiteral("db-password"),
        QStringLiteral("The password of the database log-in.") + QLatin1String(kVisible),
        QStringLiteral("password"));
    const QCommandLineOption adminUser(
        QStringLiteral("admin-user"),
        QStringLiteral("The first supervisor's log-in name (up to 20 characters)."), QStringLiteral("name"));
    const QCommandLineOption adminPassword(
        QStringLiteral("admin-password"),
        QStringLiteral(
            "The first supervisor's password (5 characters or more, no blanks; stored in capitals).\n"
            "Asked for when standard input is a terminal.") +
            QLatin1String(kVisible),
        QStringLiteral("password"));
    const QCommandLineOption passwordStdin(
        QStringLiteral("password-stdin"),
        QStringLiteral("Read the passwords not given as options from standard input, one line each: the "
                       "database log-in's (PostgreSQL) first, then the first supervisor's. At a terminal "
                       "they are asked for without being shown."));
    const QCommandLineOption organisation(
        QStringLiteral("organisation"),
        QStringLiteral("The organisation's name, printed at the head of every report (Logo1)."),
        QStringLiteral("text"));
    const QCommandLineOption secondHeading(QStringLiteral("second-heading"),
                                           QStringLiteral("The second report heading (Logo2)."),
                                           QStringLiteral("text"));
    const QCommandLineOption docsFolder(QStringLiteral("docs-folder"),
                                        QStringLiteral("The shared folder of the register's document files."),
                                        QStringLiteral("folder"));
    const QCommandLineOption demoSamples(
        QStringLiteral("demo-samples"),
        QStringLiteral("Add a few sample departments and document types (a demonstration register)."));
    const QCommandLineOption preUpgrade(
        QStringLiteral("pre-upgrade"),
        QStringLiteral("Create the schema as it was before the program's upgrade."));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("Replace an existing database (PostgreSQL: its open sessions are ended)."));
    const QCommandLineOption settingsOnly(QStringLiteral("settings-only"),
                                          QStringLiteral("Write the settings only; touch no database."));
    const QCommandLineOption noSettings(QStringLiteral("no-settings"),
                                        QStringLiteral("Create the database only; write no settings."));
    for (const QCommandLineOption& o :
         {provider, database, server, dbUser, dbPassword, adminUser, adminPassword, passwordStdin,
          organisation, secondHeading, docsFolder, demoSamples, preUpgrade, force, settingsOnly, noSettings})
        p.addOption(o);

    // The users window requires a last name: without one the supervisor's first save is refused.
    const QCommandLineOption adminLastName(
        QStringLiteral("admin-last-name"),
        QStringLiteral("The first supervisor's last name (up to 30 characters; default \"Διαχειριστής\")."),
        QStringLiteral("name"), QStringLiteral("Διαχειριστής"));
    p.addOption(adminLastName);

    if (!p.parse(arguments)) return refuse(error, p.errorText());
    if (p.isSet(help) || p.isSet(version)) {
        *helpText = p.isSet(help) ? p.helpText()
                                  : QCoreApplication::applicationName() + QLatin1Char(' ') +
                                        QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return false;
    }
    if (!p.positionalArguments().isEmpty())
        return refuse(error,
                      QStringLiteral("unexpected argument \"%1\".").arg(p.positionalArguments().first()));

    SetupPlan& out = *plan;
    bool known = false;
    out.backend = Connection::BackendForProvider(p.value(provider), &known);
    if (!known || out.backend == Backend::SqlServer)
        return refuse(
            error,
            QStringLiteral("--provider must be SQLite or PostgreSQL, not \"%1\".").arg(p.value(provider)));
    out.provider = out.backend == Backend::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");

    if (p.isSet(settingsOnly) && p.isSet(noSettings))
        return refuse(error, QStringLiteral("--settings-only and --no-settings exclude each other."));
    out.makeDatabase = !p.isSet(settingsOnly);
    out.writeSettings = !p.isSet(noSettings);
    out.force = p.isSet(force);

    const QString db = p.value(database).trimmed();
    if (db.isEmpty()) return refuse(error, QStringLiteral("--database is required."));
    out.dbUser = p.value(dbUser);
    out.dbPassword = p.value(dbPassword);
    if (out.backend == Backend::SQLite) {
        if (p.isSet(server)) return refuse(error, QStringLiteral("--server is for PostgreSQL only."));
        const QFileInfo file(db);
        if (!fitsConnStr(file.absoluteFilePath()))
            return refuse(error, QStringLiteral("the database path may not contain \";\"."));
        if (file.isDir()) return refuse(error, QStringLiteral("\"%1\" is a folder.").arg(db));
        if (out.makeDatabase && !QFileInfo(file.absolutePath()).isDir())
            return refuse(error,
                          QStringLiteral("the folder \"%1\" does not exist.").arg(file.absolutePath()));
        out.database = QDir::cleanPath(file.absoluteFilePath());
    } else {
        if (!validName(db))
            return refuse(error,
                          QStringLiteral("--database must be a name of letters, digits and \"_\" (up to 40),"
                                         " beginning with a letter, not \"%1\".")
                              .arg(db));
        out.database = db;
        out.server = p.value(server).trimmed();
        if (out.server.isEmpty())
            return refuse(error, QStringLiteral("--server is required for PostgreSQL."));
        if (!fitsConnStr(out.server)) return refuse(error, QStringLiteral("--server may not contain \";\"."));
        if (out.server.contains(QLatin1Char('?')) && out.makeDatabase)
            return refuse(error,
                          QStringLiteral("a database cannot be made on server \"?\": give the server, or"
                                         " add --settings-only."));
        if (out.dbUser.isEmpty())
            return refuse(error, QStringLiteral("--db-user is required for PostgreSQL."));
        out.readDbPassword = !p.isSet(dbPassword) && p.isSet(passwordStdin);
    }

    out.hasOrganisation = p.isSet(organisation);
    out.organisation = p.value(organisation).trimmed();
    out.hasSecondHeading = p.isSet(secondHeading);
    out.secondHeading = p.value(secondHeading).trimmed();

    RegisterSchema::Options& s = out.schema;
    s.preUpgrade = p.isSet(preUpgrade);
    s.demoSamples = p.isSet(demoSamples);
    if (s.demoSamples && !out.makeDatabase)
        return refuse(error, QStringLiteral("--demo-samples needs a database to make, not --settings-only."));
    if (p.isSet(docsFolder) && !p.value(docsFolder).trimmed().isEmpty())
        s.docsFolder = QDir::toNativeSeparators(
            QDir::cleanPath(QFileInfo(p.value(docsFolder).trimmed()).absoluteFilePath()));
    if (s.docsFolder.size() > 255)
        return refuse(error, QStringLiteral("--docs-folder is longer than 255 characters."));
    if (out.makeDatabase) {
        s.supervisorName = p.value(adminUser).trimmed();
        s.supervisorPassword = p.value(adminPassword);
        if (s.supervisorName.isEmpty()) return refuse(error, QStringLiteral("--admin-user is required."));
        if (s.supervisorName.size() > 20)
            return refuse(error, QStringLiteral("--admin-user is longer than 20 characters."));
        s.supervisorLastName = p.value(adminLastName).trimmed();
        if (s.supervisorLastName.isEmpty())
            return refuse(error, QStringLiteral("--admin-last-name is empty."));
        if (s.supervisorLastName.size() > 30)
            return refuse(error, QStringLiteral("--admin-last-name is longer than 30 characters."));
        if (p.isSet(adminPassword)) return checkSupervisorPassword(s.supervisorPassword, error);
        if (!terminal && !p.isSet(passwordStdin))
            return refuse(error, QStringLiteral("--admin-password or --password-stdin is required."));
        out.readAdminPassword = true;
    }
    return true;
}

namespace {
// One password from the terminal, not shown as it is typed.
bool askHidden(const QString& prompt, QString* value) {
    QFile tty(QStringLiteral("/dev/tty"));
    if (!tty.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) return false;
    termios saved{};
    if (::tcgetattr(tty.handle(), &saved) != 0) return false;
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    quiet.c_lflag |= ECHONL;
    if (::tcsetattr(tty.handle(), TCSAFLUSH, &quiet) != 0) return false;
    tty.write(prompt.toLocal8Bit());
    const QByteArray line = tty.readLine();
    const bool restored = ::tcsetattr(tty.handle(), TCSAFLUSH, &saved) == 0;
    if (line.isEmpty() || !restored) return false;
    *value = QString::fromLocal8Bit(line).remove(QRegularExpression(QStringLiteral("[\\r\\n]+$")));
    return true;
}

bool readLine(QFile& in, QString* value) {
    const QByteArray line = in.readLine();
    if (line.isEmpty()) return false;
    *value = QString::fromUtf8(line).remove(QRegularExpression(QStringLiteral("[\\r\\n]+$")));
    return true;
}
}  // namespace

bool ReadSetupPasswords(SetupPlan* plan, bool terminal, QString* error) {
    QFile in;
    if (!terminal && !in.open(stdin, QIODevice::ReadOnly))
        return refuse(error, QStringLiteral("standard input cannot be read."));
    const auto read = [&](const QString& prompt, QString* value) {
        return terminal ? askHidden(prompt, value) : readLine(in, value);
    };
    if (plan->readDbPassword &&
        !read(QStringLiteral("Password of the database log-in %1: ").arg(plan->dbUser), &plan->dbPassword))
        return refuse(error, QStringLiteral("no password of the database log-in was given."));
    if (!plan->readAdminPassword) return true;
    QString& password = plan->schema.supervisorPassword;
    if (!read(QStringLiteral("Password of the supervisor %1: ").arg(plan->schema.supervisorName), &password))
        return refuse(error, QStringLiteral("no password of the supervisor was given."));
    if (!checkSupervisorPassword(password, error)) return false;
    QString again;
    if (terminal && (!askHidden(QStringLiteral("The same password again: "), &again) || again != password))
        return refuse(error, QStringLiteral("the two passwords differ."));
    return true;
}
