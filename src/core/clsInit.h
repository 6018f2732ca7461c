#pragma once

#include <QString>

// Checks the installation's settings at start-up and sets a session up once the user is known.
class clsInit {
public:
    // False when the connection setting still lacks its server and the user cancelled the prompt.
    bool Registry_Valid();

    // Menus by rights, session values, the user's network names, the error header, the status bar.
    bool Init_Application();

    // "v.<major>.<minor>.<revision> - <user> - <computer>"
    static QString ErrorHeader(int major, int minor, int revision, const QString& userName,
                               const QString& machineName);

private:
    // The report headings, the logo file and the documents folder.
    void LoadSettings();
};
