#pragma once

#include <QString>
#include <QVariant>

#include "Connection.h"

// The row version the schema's triggers change with every update of a row (registers, users and
// lookup lists). A change of a shown row writes only while the row still has the version it was
// shown with, so nobody overwrites or deletes what another user changed meanwhile unseen.
namespace RowVersion {
constexpr const char* Column = "ROWVER";

// " AND ROWVER=<version>" for a row shown with a version; "" when it had none (a table without
// the column: its changes go unchecked).
QString Condition(const QVariant& version);

// The row as it is now, against the version it was shown with.
enum class State {
    Unchanged,  // still as shown: what refused the change was something else
    Changed,    // another user changed it since
    Gone,       // removed, or marked deleted (MODFLAG 'D')
    Unread,     // it could not be read: the error is pending
};
// Reads the row again by its key condition (outside any lock: the caller has ended its
// transaction before it asks the user anything).
State Judge(const ConnectionPtr& conn, const QString& table, const QString& keyCondition,
            const QVariant& shownVersion);
}  // namespace RowVersion
