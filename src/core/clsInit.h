#pragma once

#include <QString>

// Sets a session up once the user is known.
class clsInit {
public:
    // Menus by rights, session values, the user's network names, the error header, the status bar.
    bool Init_Application();

    // "v.<major>.<minor>.<revision> - <user> - <computer>"
    static QString ErrorHeader(int major, int minor, int revision, const QString& userName,
                               const QString& machineName);
};
