#include "NetInfo.h"

#include <QDir>
#include <QSysInfo>

QString NetInfo::NetUserName() const {
    for (const char* var : {"USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(var).trimmed();
        if (!name.isEmpty()) return name;
    }
    return QDir::home().dirName();
}

QString NetInfo::ComputerName() const {
    return QSysInfo::machineHostName();
}
