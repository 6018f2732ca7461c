#pragma once

#include <QDate>
#include <QString>
#include <functional>

// The zip component cls_Zip drives: options, a zip and an unzip call returning a result code, the
// text of a code, and two events raised while a call runs. Archives go through libzip; the data
// is deflated beforehand on every core and handed to libzip as already compressed. On a removable
// target without room for the whole archive, it is written as a split archive (.z01, .z02, ...,
// .zip) asking for each disk. Whatever it writes is put in place only when complete.
class ZipComponent {
public:
    // Result codes.
    enum Result : int {
        Success = 0,
        UserAbort = 1,
        SourceMissing = 2,
        TargetFolderMissing = 3,
        ReadError = 4,
        WriteError = 5,
        DiskFull = 6,
        NoPermission = 7,
        BadArchive = 8,
        WrongPassword = 9,
        TooLargeToSpan = 10,
        UnsafeName = 11,
        LinkEntry = 12,
        TooLarge = 13,
        SpecialEntry = 14,
        ConflictingNames = 15,
        ControlCharacters = 16,
        LinkInTarget = 17,
        NothingDone = 526,  // a warning, not a failure
    };

    // Options (reset by the caller before each call).
    QString BasePath;
    int CompressionLevel = 6;
    QString EncryptionPassword;
    int RequiredFileAttributes = 0;
    int ExcludedFileAttributes = 0;
    QString FilesToProcess;
    QString FilesToExclude;
    QDate MinDateToProcess;
    QDate MaxDateToProcess;
    qint64 MinSizeToProcess = 0;
    qint64 MaxSizeToProcess = 0;
    qint64 SplitSize = 0;
    bool PreservePaths = true;
    bool ProcessSubfolders = false;
    bool SkipIfExisting = false;
    bool SkipIfNotExisting = false;
    bool SkipIfOlderDate = false;
    bool SkipIfOlderVersion = false;
    QString TempFolder;
    bool UseTempFile = true;
    QString UnzipToFolder;
    QString ZipFilename;
    int SpanMultipleDisks = 0;  // 2: span on removable drives
    int ExtraHeaders = 0;
    bool ZipOpenedFiles = true;

    // Events: a disk is wanted (numbered from 0 for the first); the call has completed.
    std::function<void(long lDiskNumber, bool& bDiskInserted)> InsertDisk;
    std::function<void(long lFilesTotal, long lFilesProcessed, long lFilesSkipped, qint64 lBytesTotal,
                       qint64 lBytesProcessed, qint64 lBytesSkipped, qint64 lBytesOutput, int nCompressionRatio,
                       int xResult)>
        ProcessCompleted;
    // Progress while a call runs (bytes done, total).
    std::function<void(qint64, qint64)> Progress;

    int Zip();
    int Unzip();
    // The text of a result code (value kind 0: the codes above).
    QString GetErrorDescription(int valueKind, int code) const;

private:
    int zipOne(const QString& source, qint64* output, qint64* inSize);
    int unzipAll(qint64* output, qint64* inSize);
};
