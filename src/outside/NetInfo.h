#pragma once

#include <QString>

class NetInfo {
public:
    QString NetUserName() const;   // the log-on name of the current user
    QString ComputerName() const;  // this computer's name
};
