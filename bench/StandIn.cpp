// A stand-in for the register's Greek collation, loadable into the sqlite3 shell (".load"), so
// that the shell can open a register: texts compare byte by byte. For references only.
#include <sqlite3ext.h>

#include <cstring>
SQLITE_EXTENSION_INIT1

namespace {
int compareBytes(void*, int na, const void* a, int nb, const void* b) {
    const int c = std::memcmp(a, b, size_t(na < nb ? na : nb));
    return c != 0 ? c : na - nb;
}
}  // namespace

extern "C" int sqlite3_benchstandin_init(sqlite3* db, char**, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    return sqlite3_create_collation(db, "GREEK_CI_AI", SQLITE_UTF8, nullptr, compareBytes);
}
