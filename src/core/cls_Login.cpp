#include "cls_Login.h"

#include "frmInitial.h"

bool cls_Login::UserLogin(ConnectionPtr& conn, std::shared_ptr<cls_User>& user) {
    auto frm = std::make_unique<frmInitial>();
    bool loggedIn = false;
    if (frm->Init()) {
        frm->exec();
        if (frm->LoginOK() && frm->Conn()) {
            auto u = std::make_shared<cls_User>();
            u->UserId = frm->UserId();
            u->UserName = frm->LoginName();
            u->Auth = frm->Auth();
            u->UserGroupID = frm->UserGroupID();
            u->UserGroupFlag = frm->UserGroupFlag();
            user = u;
            conn = frm->Conn();
            loggedIn = true;
        }
    }
    // Unloading saves the remembered name and drops the window's reference to the connection.
    frm.reset();
    return loggedIn;
}
