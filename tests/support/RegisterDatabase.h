#pragma once

#include "RegisterSchema.h"
#include "TestDatabase.h"

// Makes a fresh test database a register: every table, the view, triggers, indexes and seed rows,
// as the installation program makes them (SQLite in WAL mode). False, with a warning, on failure.
bool createRegister(TestDatabase& db, const RegisterSchema::Options& options = {});

// How many session rows of the user are still open; -1 when they cannot be read.
int openSessionRows(const ConnectionPtr& conn, long userId);

// Opens the current row's database as a fresh register, or fails the test. The further arguments
// are designated initialisers of RegisterSchema::Options: TEST_REGISTER(db, .preUpgrade = true).
#define TEST_REGISTER(var, ...)                                     \
    TEST_DATABASE(var);                                             \
    if (!createRegister(var, RegisterSchema::Options{__VA_ARGS__})) \
        QFAIL("register schema could not be created");
