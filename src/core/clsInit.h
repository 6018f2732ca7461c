#pragma once

#include <QString>

// Checks the installation's settings at start-up and sets a session up once the user is known.
class clsInit {
public:
    // False when the connection setting still lacks its server and the user cancelled the prompt.
    bool Registry_Valid();

    // Menus by rights, session values, the user's network names, the error header, the status bar.
    bool Init_Application();

    // Enables each guarded menu item of the main window by its bit of the rights mask.
    void Set_Menus(long auth);
    // The status bar from gUser and gConn; refreshes the user's network names on the way.
    void Show_UserInfo();

    // "v.<major>.<minor>.<revision> - <user> - <computer>"
    static QString ErrorHeader(int major, int minor, int revision, const QString& userName,
                               const QString& machineName);

private:
    // The report headings, the logo file and the documents folder.
    void LoadSettings();
};
