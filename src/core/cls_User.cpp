#include "cls_User.h"

#include "NetInfo.h"

void cls_User::Get_NetUser() {
    NetInfo net;
    WinUserName = net.NetUserName();
    MachineName = net.ComputerName();
}
