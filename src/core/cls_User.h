#pragma once

#include <QString>

// The logged-in user.
class cls_User {
public:
    long UserId = 0;
    QString UserName;
    long Auth = 0;
    long UserGroupID = 0;
    long UserGroupFlag = 0;
    QString WinUserName;
    QString MachineName;

    // Fills WinUserName and MachineName from this computer.
    void Get_NetUser();
};
