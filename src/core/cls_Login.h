#pragma once

#include <memory>

#include "Connection.h"
#include "cls_User.h"

// The whole log-in: opens the connection, runs the log-in window, writes the session row.
class cls_Login {
public:
    // True when conn holds the new session's connection and user its user on return; on failure
    // or cancel both are left as they were.
    bool UserLogin(ConnectionPtr& conn, std::shared_ptr<cls_User>& user);
};
