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
// The highest resident set since the last resetPeak() and the current one, in MiB; -1 when the
// kernel does not tell. The peak is sampled every millisecond by a thread of its own, so that
// neither the heap nor the kernel's high-water mark is touched: a measurement does not pay for
// memory handed back before it, and /usr/bin/time -v still sees the process's real peak.
double peakMiB();
double residentMiB();
// The process's own peak so far (the kernel's high-water mark, as /usr/bin/time -v reports it).
double processPeakMiB();
// Starts a measurement's peak at the current resident set; false when it cannot be sampled.
bool resetPeak();
// The load average over 1, 5 and 15 minutes, as uptime prints it.
QString loadAverage();
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
// psql's connection arguments for the server ("host:port"), user and database.
QStringList psqlArgs(const QString& server, const QString& user, const QString& database);
// Runs the statements through psql, timed by psql itself (\timing: the statements alone, without
// psql's start and connection); their rows go to `output`. The sum of psql's times in ms; ends the
// program when psql or a statement fails.
double psqlMs(const QStringList& connArgs, const QStringList& statements,
              const QString& output = QStringLiteral("/dev/null"));

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
// 0 when none) and the target; then the load average when the program started and now, and the
// process's peak memory.
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
