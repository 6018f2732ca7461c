#pragma once

#include <QStringList>

#include "SqlDialect.h"

// The statements that make the register's objects, per backend; RegisterSchema runs them.
namespace RegisterSchemaSql {
// Collation, functions, tables, view, triggers and indexes, in the order they must run.
QStringList Objects(Backend backend, bool preUpgrade);
}  // namespace RegisterSchemaSql
