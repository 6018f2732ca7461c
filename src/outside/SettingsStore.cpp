#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace {
QString& systemFolder() {
    static QString dir = QStringLiteral("/etc/xdg");
    return dir;
}

QString configDir() {
    return qEnvironmentVariable("PROTOCOL_CONFIG_DIR");
}

QString fileFor(bool perUser) {
    return perUser ? SettingsStore::UserFile() : SettingsStore::MachineFile();
}

// "\Protocol\frm_SelectFolder" -> {"Protocol", "frm_SelectFolder"}
QStringList sectionParts(const QString& section) {
    QString path = section;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// The stored spelling of a name among the candidates: the exact one first, else any that differs in case.
QString storedSpelling(const QStringList& candidates, const QString& name) {
    if (candidates.contains(name)) return name;
    for (const QString& c : candidates)
        if (c.compare(name, Qt::CaseInsensitive) == 0) return c;
    return QString();
}

// Enters the section's groups, following the spelling already in the file where there is one.
// Returns false when a level is missing (reads then stop; writes go on with the spelling as given).
bool enterSection(QSettings& s, const QString& section) {
    bool found = true;
    for (const QString& part : sectionParts(section)) {
        QString spelling = found ? storedSpelling(s.childGroups(), part) : QString();
        if (spelling.isEmpty()) {
            found = false;
            spelling = part;
        }
        s.beginGroup(spelling);
    }
    return found;
}

QString asText(const QVariant& v) {
    // An unquoted comma in a hand-edited file makes QSettings read a list.
    if (v.metaType().id() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

// QSettings keeps its first error, so a file that failed to parse would hide a failed write: check first.
bool canWrite(const QString& file) {
    const QFileInfo fi(file);
    if (fi.exists()) return fi.isFile() && fi.isWritable() && QFileInfo(fi.absolutePath()).isWritable();
    const QString dir = fi.absolutePath();
    return QDir().mkpath(dir) && QFileInfo(dir).isWritable();
}
}  // namespace

QString SettingsStore::MachineFile() {
    const QString dir = configDir();
    if (!dir.isEmpty()) return dir + QStringLiteral("/machine.ini");
    const QString name = QStringLiteral("/Protocol/machine.ini");
    const QStringList dirs = MachineFolders();
    for (const QString& d : dirs)
        if (QFileInfo(d + name).isFile()) return d + name;
    return dirs.first() + name;
}

QStringList SettingsStore::MachineFolders() {
    QStringList dirs;
    // Relative entries are invalid by the XDG rules and ignored.
    for (const QString& d :
         qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(d)) dirs << QDir::cleanPath(d);
    const QString etc = systemFolder();
    if (!dirs.contains(etc)) dirs << etc;
    return dirs;
}

void SettingsStore::SetSystemFolder(const QString& dir) {
    systemFolder() = dir.isEmpty() ? QStringLiteral("/etc/xdg") : QDir::cleanPath(dir);
}

QString SettingsStore::UserFile() {
    const QString dir = configDir();
    if (!dir.isEmpty()) return dir + QStringLiteral("/user.ini");
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Protocol/user.ini");
}

QString SettingsStore::GetValue(const QString& section, const QString& name, const QString& defaultValue,
                                bool perUser) {
    const QString file = fileFor(perUser);
    if (!QFileInfo(file).isFile()) return defaultValue;
    QSettings s(file, QSettings::IniFormat);
    if (!enterSection(s, section)) return defaultValue;
    const QString key = storedSpelling(s.childKeys(), name);
    if (key.isEmpty()) return defaultValue;
    return asText(s.value(key));
}

QStringList SettingsStore::SectionsWith(const QString& name, bool perUser) {
    const QString file = fileFor(perUser);
    if (!QFileInfo(file).isFile()) return {};
    QSettings s(file, QSettings::IniFormat);
    QStringList sections;
    for (const QString& group : s.childGroups()) {
        s.beginGroup(group);
        if (!storedSpelling(s.childKeys(), name).isEmpty()) sections << group;
        s.endGroup();
    }
    return sections;
}

bool SettingsStore::SaveValue(const QString& section, const QString& name, const QString& value,
                              bool perUser) {
    return SaveValues(section, {{name, value}}, perUser);
}

bool SettingsStore::SaveValues(const QString& section, const QList<std::pair<QString, QString>>& values,
                               bool perUser) {
    const QString file = fileFor(perUser);
    if (!canWrite(file)) return false;
    QSettings s(file, QSettings::IniFormat);
    // Written to a new file that replaces the old one only when whole: a crash or a full disk
    // never leaves half a settings file. Never in place, even where the folder forbids new files.
    s.setAtomicSyncRequired(true);
    enterSection(s, section);
    bool changed = false;
    for (const auto& [name, value] : values) {
        QString key = storedSpelling(s.childKeys(), name);
        if (key.isEmpty()) {
            key = name;
        } else if (const QVariant stored = s.value(key);
                   stored.typeId() == QMetaType::QString && stored.toString() == value) {
            continue;  // already so: a rewrite (and its flush to disk) would change nothing
        }
        s.setValue(key, value);
        changed = true;
    }
    // Other processes read the file: write it now.
    if (changed) s.sync();
    return s.status() != QSettings::AccessError;
}
