#include "KessboPlaces.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QStandardPaths>
#include <QStorageInfo>

#include "App.h"
#include "SettingsStore.h"

namespace KessboPlaces {
namespace {
const QString kSection = QStringLiteral("\\Kessbo");

std::function<qint64(const QString&)>& freeSpaceHook() {
    static std::function<qint64(const QString&)> hook;
    return hook;
}

QString userDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kessbo");
}

QString setting(const QString& name) {
    const QString value = SettingsStore::GetValue(kSection, name, QString(), false).trimmed();
    return value.isEmpty() ? QString() : QDir::cleanPath(value);
}

const QString kNoFloppy = QStringLiteral("A:/");

bool isRemovableMount(const QString& root) {
    for (const QString& folder : MediaFolders())
        if (root.startsWith(folder + QLatin1Char('/'))) return true;
    return false;
}

bool isUnder(const QString& path, const QString& folder) {
    const QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString f = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return p == f || p.startsWith(f.endsWith(QLatin1Char('/')) ? f : f + QLatin1Char('/'));
}

// The host without a ":port" (IPv6 addresses in brackets keep their colons).
QString withoutPort(const QString& host) {
    if (host.startsWith(QLatin1Char('['))) {
        const qsizetype end = host.indexOf(QLatin1Char(']'));
        return end > 0 ? host.mid(1, end - 1) : host;
    }
    if (host.count(QLatin1Char(':')) == 1) return host.left(host.indexOf(QLatin1Char(':')));
    return host;
}
}  // namespace

QString BackupFolder() {
    const QString configured = setting(QStringLiteral("BackupFolder"));
    return configured.isEmpty() ? userDataFolder() + QStringLiteral("/dbBackup") : configured;
}

QString FloppyFolder() {
    const QString configured = setting(QStringLiteral("FloppyFolder"));
    if (!configured.isEmpty()) return configured;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (v.isValid() && v.isReady() && !v.isReadOnly() && isRemovableMount(v.rootPath())) return v.rootPath();
    }
    return kNoFloppy;
}

bool HasFloppy() {
    return FloppyFolder() != kNoFloppy;
}

QStringList MediaFolders() {
    return {QStringLiteral("/media"), QStringLiteral("/run/media")};
}

QString ProgramFolder() {
    const QString path = App::Path();
    if (!path.isEmpty() && QFileInfo(path).isDir() && QFileInfo(path).isWritable()) return path;
    return userDataFolder();
}

bool IsRemovable(const QString& folder) {
    const QString configured = setting(QStringLiteral("FloppyFolder"));
    if (!configured.isEmpty()) return isUnder(folder, configured);
    return isRemovableMount(QStorageInfo(folder).rootPath());
}

qint64 FreeSpace(const QString& folder) {
    if (freeSpaceHook()) return freeSpaceHook()(folder);
    const QStorageInfo info(folder);
    return info.isValid() ? info.bytesAvailable() : -1;
}

void SetFreeSpaceHook(std::function<qint64(const QString&)> hook) {
    freeSpaceHook() = std::move(hook);
}

bool IsThisComputer(const QString& host, const QString& machine) {
    const QString h = withoutPort(host.trimmed());
    if (h.isEmpty()) return false;
    if (h.startsWith(QLatin1Char('/'))) return true;  // a PostgreSQL socket folder is local by nature
    if (h.compare(machine.trimmed(), Qt::CaseInsensitive) == 0) return true;
    for (const char* alias : {"localhost", ".", "(local)"})
        if (h.compare(QLatin1String(alias), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(h);
    if (address.isNull()) return false;
    if (address.isLoopback()) return true;
    for (const QHostAddress& own : QNetworkInterface::allAddresses())
        if (own.isEqual(address)) return true;
    return false;
}

QString DatabaseLabel(const QString& database) {
    if (!database.contains(QLatin1Char('/')) && !database.contains(QLatin1Char('\\'))) return database;
    QString name = database;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QFileInfo(name).completeBaseName();
}
}  // namespace KessboPlaces
