#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// Named text values per section, machine-wide (installation values) or per user (preferences).
// Sections look like "\Protocol" or "\Protocol\frm_SelectFolder"; section and value names match
// without regard to case. The files live in PROTOCOL_CONFIG_DIR when set (machine.ini, user.ini),
// else in the XDG configuration folders: "Protocol/machine.ini" in the first of MachineFolders()
// that has one (a new one goes to the first of them), "Protocol/user.ini" in XDG_CONFIG_HOME
// (~/.config). An unreadable file reads as empty.
class SettingsStore {
public:
    static QString GetValue(const QString& section, const QString& name, const QString& defaultValue,
                            bool perUser);
    static bool SaveValue(const QString& section, const QString& name, const QString& value, bool perUser);
    // Several values of one section in one write of the file; nothing is written when every value
    // is stored already.
    static bool SaveValues(const QString& section, const QList<std::pair<QString, QString>>& values,
                           bool perUser);

    // The top-level sections (without the backslash) that hold a value of the name.
    static QStringList SectionsWith(const QString& name, bool perUser);

    static QString MachineFile();
    // The absolute folders of XDG_CONFIG_DIRS in their order, then /etc/xdg when they lack it.
    static QStringList MachineFolders();
    // The system's folder that follows XDG_CONFIG_DIRS, /etc/xdg; tests point it at their own
    // folder so that an installed machine.ini never answers them (empty puts /etc/xdg back).
    static void SetSystemFolder(const QString& dir);
    static QString UserFile();
};
