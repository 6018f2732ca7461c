#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "SqlDialect.h"

// The database server's management object, one per backend: start the service, connect, find a
// database, back it up into a file. Every failure leaves the pending error (Err()).
class DbServer {
public:
    virtual ~DbServer() = default;

    // Seconds a connection attempt may take (0: the driver's own limit).
    int LoginTimeout = 0;
    // Called while a backup runs: bytes or pages done and the total (0 when not known).
    std::function<void(qint64 done, qint64 total)> Progress;

    virtual void DisConnect() = 0;
    // Starts the service without connecting. Leaves ServiceRunning when it already runs and
    // ServiceMissing when it is not installed.
    virtual void Start(const QString& serverName) = 0;
    virtual void Connect(const QString& serverName, const QString& login, const QString& password) = 0;
    // Leaves an error when the server has no such database.
    virtual void FindDatabase(const QString& name) = 0;
    // The backup file, open for writing, when the caller holds it: a server program writes into
    // this descriptor, never reopening the file by name. -1: none.
    int Output = -1;
    // Writes a consistent backup of the database into the file (which exists and is empty).
    virtual void Backup(const QString& database, const QString& file) = 0;

    virtual int VersionMajor() const = 0;
    virtual int VersionMinor() const = 0;
    virtual QString VersionString() const = 0;

    // The object for the backend; PostgreSQL connects with the installation's stored log-in.
    static std::unique_ptr<DbServer> ForBackend(Backend backend, const QString& storedUser,
                                                const QString& storedPassword);
};

// The service errors the start reports, as Windows numbers them.
namespace ServiceErr {
constexpr long ServiceRunning = long(std::int32_t(0x80070420));
constexpr long ServiceMissing = long(std::int32_t(0x80070424));
constexpr long NoSuchDatabase = -2147217865;  // the object is not in the collection
constexpr long DiskFull = 61;
constexpr long BackupFailed = -2147217900;
}  // namespace ServiceErr

// The pending error for a failed file operation, in Greek: disk full, no permission, or other.
void RaiseFileError(int errnoValue, const QString& source, const QString& path);
