#pragma once

#include <QString>
#include <QTextStream>

#include "Connection.h"

// What the benchmark programs share: output, ending with a message, memory peaks, connections.
namespace Bench {
QTextStream& out();
// Prints the program's name and the text, and ends the program.
[[noreturn]] void die(const QString& text);
// Peak and current resident set in MiB; -1 when the kernel does not tell.
double peakMiB();
double residentMiB();
// Resets the peak to the current resident set, so that each measurement gets its own peak. The
// heap freed by the previous measurement is handed back first, or it would count in every peak.
bool resetPeak();
// A connection without a command time-out; closed (IsOpen false) when it failed.
ConnectionPtr openConn(const QString& provider, const QString& server, const QString& database,
                       const QString& user = {});
// The same, ending the program when the connection fails.
ConnectionPtr mustOpen(const QString& provider, const QString& server, const QString& database,
                       const QString& user = {});
// The dialect's support objects, then the register's schema, as the installation program makes them.
void makeSchema(const ConnectionPtr& conn);
}  // namespace Bench
