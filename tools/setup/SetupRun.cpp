#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "Connection.h"
#include "PswFormat.h"
#include "Recordset.h"
#include "SettingsStore.h"
#include "SetupPlan.h"

namespace {

const QString kSection = QStringLiteral("\\Protocol");
const QFileDevice::Permissions kPrivate = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadUser | QFileDevice::WriteUser;

bool failWith(QString* error, const QString& text) {
    *error = text;
    return false;
}

ConnectionPtr openConnection(const QString& provider, const QString& connStr, const QString& user,
                             const QString& password) {
    auto conn = std::make_shared<Connection>();
    conn->Provider = provider;
    conn->CommandTimeout = 0;  // making a database may take longer than a statement of the program
    conn->Open(connStr, user, password);
    return conn;
}

// The new database is built under a temporary name and put in place only when it is complete, so
// that a failure leaves neither a half-made database nor, with --force, a lost old one.
class DatabaseMaker {
public:
    virtual ~DatabaseMaker() = default;
    virtual bool connect(QString* error) = 0;
    virtual bool exists() = 0;
    // Creates the empty temporary database and opens it.
    virtual ConnectionPtr createTemporary(QString* error) = 0;
    virtual bool putInPlace(QString* error) = 0;
    virtual void removeTemporary() = 0;
    virtual void removeFinal() = 0;
};

class SqliteMaker final : public DatabaseMaker {
public:
    explicit SqliteMaker(const SetupPlan& plan)
        : m_plan(plan), m_temp(plan.database + QStringLiteral(".setup")) {}

    bool connect(QString*) override { return true; }
    bool exists() override { return QFileInfo::exists(m_plan.database); }

    ConnectionPtr createTemporary(QString* error) override {
        removeFiles(m_temp);
        QFile file(m_temp);
        // Private before anything is written into it; SQLite gives its -wal and -shm files the
        // same mode. A shared installation opens it to its group afterwards (README).
        if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kPrivate)) {
            *error = QStringLiteral("cannot create %1: %2").arg(m_temp, file.errorString());
            return {};
        }
        file.close();
        ConnectionPtr conn = openConnection(
            m_plan.provider, QStringLiteral("server=localhost;database=%1;").arg(m_temp), {}, {});
        if (!conn->IsOpen()) *error = conn->LastErrorText();
        return conn;
    }

    bool putInPlace(QString* error) override {
        if (!removeFiles(m_plan.database))
            return failWith(error, QStringLiteral("cannot remove the old database %1.").arg(m_plan.database));
        if (!QFile::rename(m_temp, m_plan.database))
            return failWith(error, QStringLiteral("cannot rename %1 to %2.").arg(m_temp, m_plan.database));
        return true;
    }
    void removeTemporary() override { removeFiles(m_temp); }
    void removeFinal() override { removeFiles(m_plan.database); }

private:
    // The database with its write-ahead log and shared-memory index.
    static bool removeFiles(const QString& path) {
        bool ok = true;
        for (const QString& f :
             QStringList{path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
            if (QFileInfo::exists(f) && !QFile::remove(f)) ok = false;
        return ok;
    }

    const SetupPlan& m_plan;
    QString m_temp;
};

class PostgresMaker final : public DatabaseMaker {
public:
    explicit PostgresMaker(const SetupPlan& plan)
        : m_plan(plan), m_temp(plan.database + QStringLiteral("__setup")) {}

    bool connect(QString* error) override {
        // Databases are created and dropped from the server's maintenance database.
        m_server = openConnection(m_plan.provider, connStr(QStringLiteral("postgres")), m_plan.dbUser,
                                  m_plan.dbPassword);
        if (m_server->IsOpen()) return true;
        return failWith(error, QStringLiteral("cannot connect to the PostgreSQL server %1: %2")
                                   .arg(m_plan.server, m_server->LastErrorText()));
    }

    bool exists() override { return exists(m_plan.database); }

    ConnectionPtr createTemporary(QString* error) override {
        removeTemporary();
        // A UTF-8 ctype, or lower() and the Greek fold leave Greek letters alone.
        if (!m_server->Execute(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8'"
                                              " LC_CTYPE 'C.UTF-8' TEMPLATE template0")
                                   .arg(quoted(m_temp)))) {
            *error = QStringLiteral("cannot create the database: ") + m_server->LastErrorText();
            return {};
        }
        ConnectionPtr conn =
            openConnection(m_plan.provider, connStr(m_temp), m_plan.dbUser, m_plan.dbPassword);
        if (!conn->IsOpen()) *error = conn->LastErrorText();
        return conn;
    }

    bool putInPlace(QString* error) override {
        if (exists(m_plan.database) &&
            !m_server->Execute(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(quoted(m_plan.database))))
            return failWith(error,
                            QStringLiteral("cannot drop the old database: ") + m_server->LastErrorText());
        if (!m_server->Execute(QStringLiteral("ALTER DATABASE %1 RENAME TO %2")
                                   .arg(quoted(m_temp), quoted(m_plan.database))))
            return failWith(error,
                            QStringLiteral("cannot rename the new database: ") + m_server->LastErrorText());
        return true;
    }
    void removeTemporary() override { drop(m_temp); }
    void removeFinal() override { drop(m_plan.database); }

private:
    QString connStr(const QString& database) const {
        return QStringLiteral("server=%1;database=%2;").arg(m_plan.server, database);
    }
    // Quoted, so that the name keeps the case that ConnStr gives it.
    static QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }
    bool exists(const QString& name) {
        Recordset rs;
        return rs.Open(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = %1")
                           .arg(m_server->dialect().textLiteral(name)),
                       m_server) &&
               !rs.Eof();
    }
    void drop(const QString& name) {
        if (exists(name))
            m_server->Execute(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(quoted(name)));
    }

    const SetupPlan& m_plan;
    QString m_temp;
    ConnectionPtr m_server;
};

bool settingsWritable(QString* error) {
    const QFileInfo file(SettingsStore::MachineFile());
    const QString dir = file.absolutePath();
    const bool ok =
        QDir().mkpath(dir) && QFileInfo(dir).isWritable() && (!file.exists() || file.isWritable());
    return ok || failWith(error, QStringLiteral("cannot write the settings file %1.").arg(file.filePath()));
}

// The settings hold the database log-in: never readable by others, never writable by the group.
// A file made now is the owner's alone; one a shared installation opened to its group keeps that.
// Done before the log-in is written, so that it is never readable by others, not even for a moment.
// The settings file is written anew and renamed into place, so it would take the writer's group:
// the group and mode of the file it replaces (never more than 0640) are given back to it.
struct SettingsAccess {
    gid_t group = gid_t(-1);
    mode_t mode = 0600;
};

bool restrictSettings(SettingsAccess* access) {
    const QString path = SettingsStore::MachineFile();
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    const bool existed = ::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode);
    if (existed) {
        access->group = st.st_gid;
        access->mode = (st.st_mode & 0640) | 0600;
    } else {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return false;
    }
    return ::chmod(name.constData(), access->mode) == 0;
}

bool restoreSettingsAccess(const SettingsAccess& access) {
    const QByteArray name = QFile::encodeName(SettingsStore::MachineFile());
    if (access.group != gid_t(-1) && ::chown(name.constData(), uid_t(-1), access.group) != 0) return false;
    return ::chmod(name.constData(), access.mode) == 0;
}

bool writeSettings(const SetupPlan& plan, QString* error) {
    SettingsAccess access;
    const bool ok = restrictSettings(&access) &&
                    SettingsStore::SaveValue(kSection, QStringLiteral("Provider"), plan.provider, false) &&
                    SettingsStore::SaveValue(kSection, QStringLiteral("ConnStr"), plan.connStr(), false) &&
                    SettingsStore::SaveValue(kSection, QStringLiteral("L"),
                                             PswFormat::ComposeL(plan.dbUser, plan.dbPassword), false) &&
                    (!plan.hasOrganisation ||
                     SettingsStore::SaveValue(kSection, QStringLiteral("Logo1"), plan.organisation, false)) &&
                    (!plan.hasSecondHeading || SettingsStore::SaveValue(kSection, QStringLiteral("Logo2"),
                                                                        plan.secondHeading, false)) &&
                    restoreSettingsAccess(access);
    return ok ||
           failWith(error,
                    QStringLiteral("cannot write the settings file %1.").arg(SettingsStore::MachineFile()));
}

bool makeDatabase(const SetupPlan& plan, DatabaseMaker& maker, QString* error) {
    if (!maker.connect(error)) return false;
    if (maker.exists() && !plan.force)
        return failWith(
            error, QStringLiteral("the database %1 exists already; --force replaces it.").arg(plan.database));
    ConnectionPtr conn = maker.createTemporary(error);
    bool ok = conn && conn->IsOpen();
    if (ok) {
        ok = RegisterSchema::Create(conn, plan.schema, error) && RegisterSchema::UseWal(conn, error);
        if (!ok) *error = QStringLiteral("cannot create the register: ") + *error;
    }
    if (conn) conn->Close();
    if (ok) ok = maker.putInPlace(error);
    if (!ok) maker.removeTemporary();
    return ok;
}

QString describe(const SetupPlan& plan) {
    QString where = plan.database;
    if (plan.backend == Backend::PostgreSQL) where += QStringLiteral(" on ") + plan.server;
    return QStringLiteral("made the %1 register %2 (%3, supervisor %4)")
        .arg(plan.provider, where,
             plan.schema.preUpgrade ? QStringLiteral("schema before the upgrade")
                                    : QStringLiteral("current schema"),
             plan.schema.supervisorName);
}

}  // namespace

bool RunSetup(const SetupPlan& plan, QString* error, QString* summary) {
    if (plan.writeSettings && !settingsWritable(error)) return false;
    QStringList done;
    std::unique_ptr<DatabaseMaker> maker;
    if (plan.makeDatabase) {
        if (plan.backend == Backend::PostgreSQL)
            maker = std::make_unique<PostgresMaker>(plan);
        else
            maker = std::make_unique<SqliteMaker>(plan);
        if (!makeDatabase(plan, *maker, error)) return false;
        done << describe(plan);
    }
    if (plan.writeSettings) {
        if (!writeSettings(plan, error)) {
            // Settings that cannot name it would leave the new database unused.
            if (maker) maker->removeFinal();
            return false;
        }
        done << QStringLiteral("wrote the settings to %1").arg(SettingsStore::MachineFile());
    }
    *summary = done.join(QStringLiteral(" and "));
    return true;
}
