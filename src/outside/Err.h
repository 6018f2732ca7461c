#pragma once

#include <QString>

// The runtime's pending error: a failing step leaves it, the error reporter reads and clears it.
// One per process, touched only by the user-interface thread.
class ErrObject {
public:
    long Number = 0;
    QString Source;
    QString Description;

    // Leaves an error pending (replaces any earlier one).
    void Raise(long number, const QString& source, const QString& description);
    void Clear();
    bool Pending() const { return Number != 0; }
};

// The process-wide pending error.
ErrObject& Err();

// Error numbers the stand-ins raise; database errors use the OLE DB style negative codes.
namespace ErrNo {
constexpr long ObjectNotSet = 91;  // no connection / object not created
constexpr long InvalidUse = 5;     // invalid procedure call or argument
constexpr long FileNotFound = 53;
constexpr long PermissionDenied = 70;
constexpr long PathNotFound = 76;
constexpr long DbCommandFailed = -2147217900;  // errors in the command text / statement failed
constexpr long DbOpenFailed = -2147467259;     // unspecified failure: connection could not open
constexpr long DbNotOpen = 3704;               // operation not allowed when the object is closed
}  // namespace ErrNo
