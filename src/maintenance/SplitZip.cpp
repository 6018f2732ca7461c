#include "SplitZip.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <cerrno>

namespace {
constexpr quint32 kSplitSignature = 0x08074b50;
// A volume must hold at least this much, or the disk counts as full.
constexpr qint64 kMinVolume = 1024;

void put16(QByteArray& b, quint32 v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void put32(QByteArray& b, quint32 v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

quint32 dosDateTime(const QDateTime& t) {
    const QDateTime local = t.isValid() ? t.toLocalTime() : QDateTime::currentDateTime();
    const QDate d = local.date();
    const QTime tm = local.time();
    const int year = std::max(1980, d.year());
    const quint32 date = quint32(((year - 1980) << 9) | (d.month() << 5) | d.day());
    const quint32 time = quint32((tm.hour() << 11) | (tm.minute() << 5) | (tm.second() / 2));
    return (date << 16) | time;
}

quint16 flagsOf(const QString& name) {
    bool ascii = true;
    for (const QChar c : name) ascii = ascii && c.unicode() < 0x80;
    return ascii ? 0 : 0x0800;  // names in UTF-8
}

QString volumeName(const QString& zipPath, int disk, bool last) {
    if (last) return zipPath;
    QString base = zipPath;
    if (base.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive)) base.chop(4);
    return base + QStringLiteral(".z%1").arg(disk + 1, 2, 10, QLatin1Char('0'));
}

// The volume being written: a temporary file that becomes its name when closed.
class Volume {
public:
    explicit Volume(const QString& tempName) : m_file(tempName) {}
    bool open() { return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate); }
    bool write(const QByteArray& data) { return m_file.write(data) == data.size(); }
    // An archive that ended on its first disk is marked as not split after all.
    bool markSingle() {
        const qint64 end = m_file.pos();
        QByteArray mark;
        put32(mark, 0x30304b50);
        return m_file.seek(0) && m_file.write(mark) == 4 && m_file.seek(end);
    }
    qint64 size() const { return m_file.size(); }
    int close(const QString& finalName) {
        m_file.flush();
        if (::fsync(m_file.handle()) != 0) return errno;
        m_file.close();
        if (m_file.error() != QFileDevice::NoError) return EIO;
        QFile::remove(finalName);
        if (!m_file.rename(finalName)) return EACCES;
        return 0;
    }
    void discard() { m_file.remove(); }
    int error() const { return m_file.error() == QFileDevice::ResourceError ? ENOSPC : EIO; }

private:
    QFile m_file;
};
}  // namespace

QByteArray ZipLocalHeader(const DeflatedEntry& e) {
    const QByteArray name = e.name.toUtf8();
    QByteArray b;
    put32(b, 0x04034b50);
    put16(b, 20);
    put16(b, flagsOf(e.name));
    put16(b, 8);  // deflate
    put32(b, dosDateTime(e.modified));
    put32(b, e.crc);
    put32(b, quint32(e.compSize));
    put32(b, quint32(e.size));
    put16(b, quint32(name.size()));
    put16(b, 0);
    b.append(name);
    return b;
}

QByteArray ZipCentralHeader(const DeflatedEntry& e, quint32 localOffset) {
    const QByteArray name = e.name.toUtf8();
    QByteArray b;
    put32(b, 0x02014b50);
    put16(b, (3 << 8) | 20);  // made on Unix, spec 2.0
    put16(b, 20);
    put16(b, flagsOf(e.name));
    put16(b, 8);
    put32(b, dosDateTime(e.modified));
    put32(b, e.crc);
    put32(b, quint32(e.compSize));
    put32(b, quint32(e.size));
    put16(b, quint32(name.size()));
    put16(b, 0);  // extra
    put16(b, 0);  // comment
    put16(b, 0);  // disk where the entry starts
    put16(b, 0);  // internal attributes
    put32(b, quint32(0100000 | (e.mode & 0777)) << 16);
    put32(b, localOffset);
    b.append(name);
    return b;
}

int WriteSplitZip(const SplitZipTarget& target, const DeflatedEntry& entry, QIODevice& raw, QStringList* written) {
    const QString folder = QFileInfo(target.zipPath).absolutePath();
    int disk = 0;
    std::unique_ptr<Volume> volume;
    qint64 room = 0;

    const auto fail = [&](int code) {
        if (volume) volume->discard();
        for (const QString& f : *written) QFile::remove(f);
        written->clear();
        return code;
    };
    // Asks for the disk until it has room or the user refuses it.
    const auto startVolume = [&]() -> int {
        for (;;) {
            if (!target.askDisk(disk)) return 1;
            room = target.room(folder);
            if (room >= kMinVolume) break;
        }
        volume = std::make_unique<Volume>(volumeName(target.zipPath, disk, false) + QStringLiteral(".tmp"));
        return volume->open() ? 0 : EACCES;
    };
    const auto closeVolume = [&](bool last) -> int {
        const QString name = volumeName(target.zipPath, disk, last);
        if (last && disk == 0 && !volume->markSingle()) return volume->error();
        const int rc = volume->close(name);
        volume.reset();
        if (rc != 0) return rc;
        *written << name;
        ++disk;
        return 0;
    };

    if (entry.compSize >= 0xFFFFFFFFLL || entry.size >= 0xFFFFFFFFLL) return EFBIG;
    if (const int rc = startVolume()) return fail(rc);
    QByteArray head;
    put32(head, kSplitSignature);
    head += ZipLocalHeader(entry);
    if (!volume->write(head)) return fail(volume->error());
    room -= head.size();

    raw.seek(0);
    qint64 done = 0;
    while (done < entry.compSize) {
        if (room <= 0) {
            if (const int rc = closeVolume(false)) return fail(rc);
            if (const int rc = startVolume()) return fail(rc);
        }
        const QByteArray chunk = raw.read(std::min<qint64>({room, entry.compSize - done, 1 << 20}));
        if (chunk.isEmpty()) return fail(EIO);
        if (!volume->write(chunk)) return fail(volume->error());
        room -= chunk.size();
        done += chunk.size();
        if (target.progress) target.progress(done, entry.compSize);
    }

    // The central directory and the end record stay together on the last disk.
    const QByteArray central = ZipCentralHeader(entry, 4);
    if (room < central.size() + 22) {
        if (const int rc = closeVolume(false)) return fail(rc);
        if (const int rc = startVolume()) return fail(rc);
    }
    const qint64 centralOffset = volume->size();
    QByteArray tail = central;
    put32(tail, 0x06054b50);
    put16(tail, quint32(disk));  // this disk
    put16(tail, quint32(disk));  // the disk where the directory starts
    put16(tail, 1);
    put16(tail, 1);
    put32(tail, quint32(central.size()));
    put32(tail, quint32(centralOffset));
    put16(tail, 0);
    if (!volume->write(tail)) return fail(volume->error());
    if (const int rc = closeVolume(true)) return fail(rc);
    return 0;
}
