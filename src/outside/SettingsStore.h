#pragma once

#include <QList>
#include <QString>
#include <utility>

// Named text values per section, machine-wide (installation values) or per user (preferences).
// Sections look like "\Protocol" or "\Protocol\frm_SelectFolder"; section and value names match
// without regard to case. The files live in PROTOCOL_CONFIG_DIR when set (machine.ini, user.ini),
// else in the platform's standard configuration folders. An unreadable file reads as empty.
class SettingsStore {
public:
    static QString GetValue(const QString& section, const QString& name, const QString& defaultValue,
                            bool perUser);
    static bool SaveValue(const QString& section, const QString& name, const QString& value, bool perUser);
    // Several values of one section in one write of the file; nothing is written when every value
    // is stored already.
    static bool SaveValues(const QString& section, const QList<std::pair<QString, QString>>& values,
                           bool perUser);

    static QString MachineFile();
    static QString UserFile();
};
