#pragma once

#include <QString>

#include "Connection.h"

// Opens the register's database from the settings of a section.
class cls_Connection {
public:
    // The opened connection, or null when the open failed (the user has been told why).
    // An empty connProvider or connStr is read from the section's Provider / ConnStr.
    ConnectionPtr ConnectDB(const QString& regMain, const QString& sLoginName, const QString& sLoginPsw,
                            const QString& connProvider, const QString& connStr, long& connMode);
};
