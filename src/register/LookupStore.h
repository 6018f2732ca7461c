#pragma once

#include <QString>
#include <QVariant>

#include "Connection.h"

// The lookup editor's addition, apart from the window, so that two adders on two connections can
// be run against each other.
namespace LookupStore {

enum class AddResult { Added, CodeTaken, Failed };

// Adds an entry (code, description, MODUSER) to a lookup list; codeField "" for a list without
// codes. With codes, the look-up for the same code and the insert are one transaction that makes
// every other adder of the list wait until it ends, so that a code added twice at once is stored
// once: the second adder finds it taken. Failed leaves the reason in DBHelper::LastError().
// Nothing is left open either way.
AddResult Add(const ConnectionPtr& conn, const QString& table, const QString& codeField, const QString& code,
              const QString& descrField, const QString& descr, long userId);

}  // namespace LookupStore
