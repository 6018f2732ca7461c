#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "Connection.h"
#include "Recordset.h"
#include "SqlDialect.h"

// The schema upgrade that start-up runs once the user is logged in: each step probes whether its
// columns exist and, when they do not, adds them (and whatever else came with them).
namespace NewVersionCheckFor {
// The record set of the probes.
extern std::unique_ptr<Recordset> mrsCheck;

// Step 1 and step 2 on gConn, each in a transaction of its own.
void SchemaUpgrade();
// Adds PERILIPSI_EIS and THEMA_EX and widens PROS. A failing statement ends the step and is left
// pending: nothing here reports it.
void UpgradeStep1();
// Adds the filing-location list and three register columns; a failing statement is shown in the
// upgrade error box and ends the step.
void UpgradeStep2();

// Adds the row version (ROWVER, changed by a trigger on every update) to the register, the users
// and the lookup lists, by which a save finds that another user changed the row meanwhile.
// Reported to the log and undone on failure.
void UpgradeRowVersion();
// Its statements on a backend (none on SQL Server: updates there go unchecked); the installation
// program runs the same ones.
QStringList RowVersionStatements(Backend backend);
// Every table whose rows carry a version, with its key: the register, the users and the lookup
// lists. The upgrade gives each the version it lacks, in the same transaction as the register's.
struct VersionedTable {
    QString table, key;
};
const QList<VersionedTable>& VersionedTables();
QStringList RowVersionStatements(Backend backend, const QString& table, const QString& key);
// The versioned tables (upper case) that exist without the column; false, with the error
// pending, when the catalogue cannot be read.
bool TablesWithoutRowVersion(const ConnectionPtr& conn, QStringList* tables);
// The same for any column.
bool TablesWithout(const ConnectionPtr& conn, const QString& column, QStringList* tables);
// Adds the save token (SAVETOKEN, a new one written with every save or addition), by which a
// save whose commit's answer was lost is found after reconnecting, to the register, the users and
// the lookup lists (the versioned tables). Reported to the log and undone on failure.
void UpgradeSaveToken();
// Its statements on a backend for the register, and for another table; the installation program
// runs the same ones.
QStringList SaveTokenStatements(Backend backend);
QStringList SaveTokenStatements(Backend backend, const QString& table);
// PostgreSQL only: gives PROTOCOL the stored folds of its searched text columns that it lacks, with
// their trigram indexes, and the picker's lookup tables their index on DESCR (registers made before
// them). A failure is shown in the upgrade error box and undone with the transaction.
void UpgradeFoldedColumns();
// The searched columns (PgFoldedColumns) among `columns` whose folded copy is not among them.
QStringList MissingFoldedColumns(const QStringList& columns);

// The probe query of a step (1 or 2): it fails to open while the step is due.
QString ProbeSql(int step);
// The statements of a step (1 or 2) on a backend, in the order they run.
QStringList UpgradeStatements(int step, Backend backend);
}  // namespace NewVersionCheckFor
