#pragma once

#include <QString>

class QObject;

// The one error reporter: reports the pending error (or the database helper's last error) as a
// header and a message, in a critical box when asked, and always in the error log.
class cls_Error {
public:
    // Keeps the logging flag; with logging on, composes the log's path and makes the file writable.
    bool Init(bool bSaveError);
    // Leaves an error pending: the given one, or (number 0) the pending one, with "[...] " wrapping.
    void ErrRaise(long ErrorNumber, const QString& source, const QString& description);
    // Reports and clears the pending error; false (and nothing else) when none is pending.
    bool ErrorMsg(const QString& source, bool bShowMsgBox, const QObject* caller = nullptr);
    bool ErrorMsg(const QString& source, bool bShowMsgBox, const char* callerClass);
    // Reports the database helper's last error text, clears any pending error; always false.
    bool DBErrorMsg(const QString& source, bool bShowMsgBox, const QObject* caller = nullptr);
    bool DBErrorMsg(const QString& source, bool bShowMsgBox, const char* callerClass);
    // Appends one entry (stamp line unless bWriteOnlyMsg, the text, the delimiter line) to a text file.
    void Msg_2_TxtFile(const QString& txtFilename, const QString& text, bool bWriteOnlyMsg,
                       int delimiterLength, const QString& delimiterChar);
    // The context text of the stamp line (write-only in use; readable for tests).
    void setHeader(const QString& header) { m_header = header; }
    QString header() const { return m_header; }

    QString LogFile() const { return m_logFile; }
    // The log's folder: the program's, or, when this user cannot write there (an installed
    // program), the user's state folder "$XDG_STATE_HOME/Protocol" (else ~/.local/state/Protocol).
    static QString LogFolder(const QString& programFolder);
    // "<folder>/<exe>.<major>.<minor, two digits at least>.err"
    static QString LogFileName(const QString& folder, const QString& exeName, int major, int minor);

private:
    bool report(const QString& source, bool show, const QString& callerClass, const QString& message);

    bool m_logging = false;
    QString m_logFile;
    QString m_header;
};
