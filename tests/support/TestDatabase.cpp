#include "TestDatabase.h"

#include <QFile>
#include <QRandomGenerator>

#include "App.h"
#include "Err.h"
#include "PswFormat.h"
#include "SettingsStore.h"

namespace {

// Local times are read as the programs read them (their main() does this first).
const bool g_localZone = (App::UseLocalTimeZoneFile(), true);

QString pgServer() {
    return qEnvironmentVariable("PROTOCOL_TEST_PG");
}

QString pgUser() {
    const QString user = qEnvironmentVariable("PROTOCOL_TEST_PG_USER");
    return user.isEmpty() ? QStringLiteral("postgres") : user;
}

ConnectionPtr openPg(const QString& database) {
    auto conn = std::make_shared<Connection>();
    conn->Provider = QStringLiteral("PostgreSQL");
    conn->Open(QStringLiteral("server=%1;database=%2;").arg(pgServer(), database), pgUser(),
               qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD"));
    return conn;
}

}  // namespace

TestDatabase::TestDatabase(Backend backend) : m_backend(backend) {
    if (backend == Backend::PostgreSQL) {
        if (!postgresConfigured()) return;
        m_dbName = QStringLiteral("protocol_test_%1")
                       .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        ConnectionPtr maintenance = openPg(QStringLiteral("postgres"));
        if (!maintenance->IsOpen() ||
            !maintenance->Execute(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' LC_CTYPE 'C.UTF-8'"
                                                 " LC_COLLATE 'C.UTF-8' TEMPLATE template0")
                                      .arg(m_dbName))) {
            qWarning("test database: %s", qPrintable(maintenance->LastErrorText()));
            m_dbName.clear();
            return;
        }
        m_conn = openPg(m_dbName);
    } else {
        const QString file = m_dir.filePath(QStringLiteral("register.db"));
        QFile(file).open(QIODevice::WriteOnly);
        m_conn = std::make_shared<Connection>();
        m_conn->Provider = provider();
        m_conn->Open(connStr());
    }
    if (!m_conn->IsOpen()) {
        qWarning("test database: %s", qPrintable(m_conn->LastErrorText()));
        return;
    }
    for (const QString& sql : m_conn->dialect().supportObjectsSql()) {
        if (!m_conn->Execute(sql)) {
            qWarning("test database: %s", qPrintable(m_conn->LastErrorText()));
            m_conn->Close();
            return;
        }
    }
    Err().Clear();
}

TestDatabase::~TestDatabase() {
    if (m_conn) m_conn->Close();
    if (!m_dbName.isEmpty()) {
        // FORCE ends the sessions that a test left open on it.
        ConnectionPtr maintenance = openPg(QStringLiteral("postgres"));
        maintenance->Execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_dbName));
    }
}

QString TestDatabase::provider() const {
    return m_backend == Backend::PostgreSQL ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
}

QString TestDatabase::connStr() const {
    if (m_backend == Backend::PostgreSQL)
        return QStringLiteral("server=%1;database=%2;").arg(pgServer(), m_dbName);
    return QStringLiteral("server=;database=%1;").arg(m_dir.filePath(QStringLiteral("register.db")));
}

QString TestDatabase::user() const {
    return m_backend == Backend::PostgreSQL ? pgUser() : QString();
}

ConnectionPtr TestDatabase::openAnother() const {
    if (m_backend == Backend::PostgreSQL) return openPg(m_dbName);
    auto conn = std::make_shared<Connection>();
    conn->Provider = provider();
    conn->Open(connStr());
    return conn;
}

bool TestDatabase::postgresConfigured() {
    return !pgServer().isEmpty();
}

QList<Backend> TestDatabase::configuredBackends() {
    QList<Backend> out{Backend::SQLite};
    if (postgresConfigured()) out << Backend::PostgreSQL;
    return out;
}

QString TestDatabase::backendTag(Backend backend) {
    return backend == Backend::PostgreSQL ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
}

void TestDatabase::addBackendRows() {
    QTest::addColumn<QString>("backend");
    for (const Backend b : configuredBackends()) QTest::newRow(qPrintable(backendTag(b))) << backendTag(b);
}

Backend TestDatabase::currentBackend() {
    const QString tag = *static_cast<QString*>(QTest::qData("backend", QMetaType::QString));
    return tag == QLatin1String("postgresql") ? Backend::PostgreSQL : Backend::SQLite;
}

void TestDatabase::writeLoginSettings() const {
    const QString section = QStringLiteral("\\Protocol");
    SettingsStore::SaveValue(section, QStringLiteral("Provider"), provider(), false);
    SettingsStore::SaveValue(section, QStringLiteral("ConnStr"), connStr(), false);
    SettingsStore::SaveValue(section, QStringLiteral("L"),
                             PswFormat::ComposeL(user(), qEnvironmentVariable("PROTOCOL_TEST_PG_PASSWORD")), false);
}
