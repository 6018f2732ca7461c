#pragma once

#include <QString>
#include <QStringList>

#include "RegisterSchema.h"
#include "SqlDialect.h"

// What one run of protocol-setup is to do, read from its command line.
struct SetupPlan {
    Backend backend = Backend::SQLite;
    QString provider;  // the Provider setting: "SQLite" or "PostgreSQL"
    QString database;  // SQLite: the absolute file path; PostgreSQL: the database name
    QString server;    // PostgreSQL: host[:port], socket folder[:port], or "?"
    QString dbUser;
    QString dbPassword;
    QString organisation;  // Logo2; written only when given
    bool hasOrganisation = false;
    bool force = false;
    bool makeDatabase = true;
    bool writeSettings = true;
    RegisterSchema::Options schema;
    // Passwords still to be read (--password-stdin, or asked at the terminal), in this order.
    bool readDbPassword = false;
    bool readAdminPassword = false;

    // "server=...;database=...;" as the program reads it.
    QString connStr() const;
};

// Reads and checks the arguments (argv[0] first). False with a message in *error when they are not
// usable; *helpText is set instead when help or the version was asked for.
// `terminal`: standard input is a terminal, where a missing supervisor's password is asked for.
bool ParseSetupArguments(const QStringList& arguments, SetupPlan* plan, QString* error, QString* helpText,
                         bool terminal = false);

// Reads the passwords the plan still needs: at the terminal without echo (the supervisor's twice),
// else one line each from standard input. False with a message in *error.
bool ReadSetupPasswords(SetupPlan* plan, bool terminal, QString* error);

// Carries the plan out: the database (made under a temporary name and put in place only when
// complete), then the settings. False with a message in *error; nothing new is left behind.
bool RunSetup(const SetupPlan& plan, QString* error, QString* summary);
