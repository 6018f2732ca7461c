#pragma once

#include <QDateTime>

struct sqlite3;

// What every SQLite connection of the register gets: the Greek collation, a Greek-insensitive LIKE,
// and getdate(), which reads the clock below.
namespace SqliteSupport {
// Returns the SQLite result code (0 on success).
int registerFunctions(sqlite3* db);

// The clock getdate() reads: the local time, unless a fixed time was set (tests and demos; the
// variable PROTOCOL_SQLITE_CLOCK="yyyy-MM-dd HH:mm:ss" sets it for a whole process).
void setClock(const QDateTime& now);
void clearClock();
QDateTime now();

// A date or date-time stored as text ("yyyy-MM-dd", optionally " HH:mm[:ss[.zzz]]" or with "T");
// invalid when the text is not one.
QDateTime parseDateTime(const QString& text);
// The day of such a text, without building a local date-time.
QDate parseDate(const QString& text);
}  // namespace SqliteSupport
