#pragma once

#include <QCommandLineOption>
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
// The options the benchmarks share: bench_list's SQLite file, a PostgreSQL server, its user and
// bench_list's database on it.
struct ServerOptions {
    QCommandLineOption db, pg, pgUser, pgDb;
};
ServerOptions serverOptions(const QString& dbHelp);

// The fastest of `repeats` runs of a measurement, by its `ms`.
template <typename F>
auto bestOf(int repeats, F measure) {
    auto best = measure();
    for (int i = 1; i < repeats; ++i) {
        auto r = measure();
        if (r.ms < best.ms) best = r;
    }
    return best;
}

// The figures a run is judged by, printed together at its end so that two runs compare line by
// line: what was timed, the program's time, the reference's (the driver, or the database's client;
// 0 when none) and the target.
class Summary {
public:
    void add(const QString& what, double ms, double referenceMs, const QString& target);
    void print() const;

private:
    struct Line {
        QString what;
        double ms, referenceMs;
        QString target;
    };
    QList<Line> m_lines;
};

// The dialect's support objects, then the register's schema, as the installation program makes them.
void makeSchema(const ConnectionPtr& conn);
}  // namespace Bench
