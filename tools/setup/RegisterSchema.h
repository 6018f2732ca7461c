#pragma once

#include <QString>

#include "Connection.h"

// Creates the register's database objects on an empty database (SQLite or PostgreSQL).
namespace RegisterSchema {
struct Options {
    bool preUpgrade = false;   // the schema as it stood before the program's upgrade
    QString supervisorName{};  // the first user (a supervisor with every right); none when empty
    QString supervisorPassword{};
    QString supervisorLastName{};  // U_LNAME, which the users window requires
    QString docsFolder{};          // PARAM 'PFOLD'; the row is left out when empty
    int passwordWarningDays = 10;  // PARAM 'PCHK'
    bool demoSamples = false;      // a few departments and document types, for a demonstration
};

// Every table, the view V_USER_LOG, defaults, getdate(), the Greek collation, triggers, indexes,
// user groups, PARAM rows and the supervisor, in one transaction. False with *error on failure
// (nothing is left half-made).
//
// PROTOCOL.PROT_AA is numbered by the database per ETOS (max + 1 under a per-year lock); ETOS,
// when not given, is the year of HMEROM. Updates of PROTOCOL and of the lookup tables set MODDATE
// and MODFLAG 'M', except that a row whose MODFLAG becomes or stays 'D' keeps 'D'.
// On PostgreSQL the trigger function public.set_row_modified() serves every such table.
bool Create(const ConnectionPtr& conn, const Options& options, QString* error);

// Puts an SQLite register into write-ahead logging, so that readers do not wait for the writer.
// Nothing to do on other backends. Must run outside a transaction.
bool UseWal(const ConnectionPtr& conn, QString* error);

// The supervisor's rights: &H1000000 and every register and list right.
long SupervisorRights();
}  // namespace RegisterSchema
