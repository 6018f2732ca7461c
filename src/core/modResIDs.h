#pragma once

#include <QString>

// The definition texts built into the program.
namespace modResIDs {
enum ResId : long {
    resGlobalRpt = 50,
    resUsersFrs = 100,
    resUsersRpt = 101,
    resLookupRpt = 123,
    resProtocolFrs = 143,
    resProtDetRpt = 144,
    resProtGroupRpt = 145,
    resProtReceiptRpt = 146,
};
// The text with this id, after TextHelper's prefix; the name only describes it. "" for an unknown id.
QString GetResString(long id, const QString& name);
}  // namespace modResIDs
