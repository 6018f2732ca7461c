#pragma once

// Bits of USERS.U_AUTH (gUser->Auth).
namespace Rights {
constexpr long Supervisor = 0x1000000;  // users, connected users, options, the "db" panel
constexpr long ProtocolRead = 0x80;     // opens the register
constexpr long ProtocolEdit = 0x100;
constexpr long ProtocolEditIncoming = 0x400;
constexpr long ProtocolDelete = 0x200;
constexpr long Departments = 0x800;
constexpr long DocTypes = 0x1000;
constexpr long Senders = 0x8000;
constexpr long Recipients = 0x10000;
constexpr long Places = 0x20000;
constexpr long Persons = 0x4000;
constexpr long Phrases = 0x2000;
constexpr long ExportReports = 0x40;
}  // namespace Rights
