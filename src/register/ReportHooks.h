#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// What the print keys of the users window and the lookup editor run. The report classes live in a
// library above this one; whoever links both installs these (empty: the key does nothing).
namespace ReportHooks {
// The users list, with the framework's three print arguments unchanged.
extern std::function<void(const QString& sWhereCond, const QString& mExtraCond, const QStringList& arFields)>
    UsersList;
// A lookup list: table, the window's caption, code column ("" none), description column, report number.
extern std::function<void(const QString& table, const QString& caption, const QString& codeField,
                          const QString& descrField, long reportNo)>
    LookupList;
}  // namespace ReportHooks
