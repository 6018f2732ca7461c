#pragma once

#include <QString>
#include <functional>
#include <memory>

class ZipComponent;

// Packs one file into a new zip archive (and unpacks one) through the zip component, asks for the
// next disk when the archive spans removable media, and keeps a one-line summary of the last run.
class cls_Zip {
public:
    cls_Zip();
    ~cls_Zip();

    bool ZipFile(QString sSourceFilename, QString sToZipFileName, QString pPassword);
    bool UnZipFile(QString sFromZipFileName, QString sUnzipToFolder, QString pPassword);
    QString ZipInfo() const { return msZipInfo; }

    // Called while the archive is written (bytes done, total).
    std::function<void(qint64, qint64)> Progress;

    // The component's events.
    void mxZip_InsertDisk(long lDiskNumber, bool& bDiskInserted);
    void mxZip_ProcessCompleted(long lFilesTotal, long lFilesProcessed, long lFilesSkipped, qint64 lBytesTotal,
                                qint64 lBytesProcessed, qint64 lBytesSkipped, qint64 lBytesOutput,
                                int nCompressionRatio, int xResult);

    // The summary text for bytes written and a ratio: "Μέγεθος σε KBytes: 0,50 -Ποσοστό συμπίεσης: 83%".
    static QString SummaryText(qint64 bytesOutput, int compressionRatio);

private:
    void SetDefaultOptions();

    std::unique_ptr<ZipComponent> mxZip;
    bool mbBusy = false;
    QString msZipInfo;
};
