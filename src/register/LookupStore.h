#pragma once

#include <QString>
#include <QVariant>

#include "Connection.h"

// The lookup editor's addition, apart from the window, so that two adders on two connections can
// be run against each other.
namespace LookupStore {

enum class AddResult {
    Added,
    Recovered,  // the commit's answer was lost, and the entry was found stored after reconnecting
    CodeTaken,
    Failed,   // nothing stored; the reason in DBHelper::LastError()
    Unknown,  // the commit's answer was lost and the list could not be read since: *pending is set
};

// Adds an entry (code, description, MODUSER) to a lookup list; codeField "" for a list without
// codes. With codes, the look-up for the same code and the insert are one transaction that makes
// every other adder of the list wait until it ends, so that a code added twice at once is stored
// once: the second adder finds it taken. Nothing is left open either way.
// A list with the save token column gets a new token with the entry: a commit whose answer was
// lost is judged by it once the connection is back. When that cannot be done yet, *pending keeps
// the token, and the next call looks it up before writing anything (Recovered when it is there).
// *key receives the entry's key when it was added or recovered.
AddResult Add(const ConnectionPtr& conn, const QString& table, const QString& codeField, const QString& code,
              const QString& descrField, const QString& descr, long userId, QString* pending = nullptr,
              QVariant* key = nullptr);

// The texts of an addition whose commit's answer was lost.
QString RecoveredMessage();
QString CommitLostMessage();
QString CommitUnknownMessage();

}  // namespace LookupStore
