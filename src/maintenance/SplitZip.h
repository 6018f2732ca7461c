#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

// One entry whose data is a raw deflate stream, as it goes into an archive.
struct DeflatedEntry {
    QString name;       // stored name
    QDateTime modified;
    quint32 crc = 0;
    qint64 size = 0;      // uncompressed
    qint64 compSize = 0;  // the raw stream's length
    quint32 mode = 0600;  // the file's permission bits, which unpacking gives back
};

// Writes a standard split archive of the entry: volumes base.z01, base.z02, ... and base.zip last,
// each under a temporary name until it is complete. askDisk(n) is called before each volume
// (n counts from 0) and says whether the disk is there; room(folder) gives the space of the disk.
// Returns 0, or 1 when a disk request was refused, or an errno. `written` gets the volumes made.
struct SplitZipTarget {
    QString zipPath;
    std::function<bool(long disk)> askDisk;
    std::function<qint64(const QString& folder)> room;
    std::function<void(qint64 done, qint64 total)> progress;
};
int WriteSplitZip(const SplitZipTarget& target, const DeflatedEntry& entry, QIODevice& raw, QStringList* written);

// The bytes of a local header and of a central header (for an entry at offset 4 of disk 0), and of
// the end record; kept apart for the plain and the split writer.
QByteArray ZipLocalHeader(const DeflatedEntry& entry);
QByteArray ZipCentralHeader(const DeflatedEntry& entry, quint32 localOffset);
