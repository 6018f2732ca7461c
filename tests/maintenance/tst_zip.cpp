// The zip object: archives of one file, the parallel deflate, split archives over small disks,
// unpacking, the summary text and the failure messages.
#include <sys/mount.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "App.h"
#include "FileModes.h"
#include "KessboPlaces.h"
#include "MsgBox.h"
#include "ParallelDeflate.h"
#include "SettingsStore.h"
#include "SplitZip.h"
#include "TestSupport.h"
#include "cls_Zip.h"

namespace {
int run(const QString& program, const QStringList& args, QByteArray* out = nullptr, const QString& dir = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!dir.isEmpty()) p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForFinished(60000)) return -1;
    if (out) *out = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Text that compresses like a register: repeated words with numbers that change.
QByteArray registerLike(qint64 size) {
    QByteArray out;
    out.reserve(size);
    for (int i = 0; out.size() < size; ++i)
        out += QStringLiteral("%1;Υπουργείο Εσωτερικών;Θέμα αριθμός %2;%3\n")
                   .arg(i)
                   .arg(i * 7919 % 10007)
                   .arg(QRandomGenerator::global()->bounded(1000))
                   .toUtf8();
    out.truncate(size);
    return out;
}

QByteArray noise(qint64 size) {
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (qint64 i = 0; i < size; ++i) out[i] = char(gen.bounded(256));
    return out;
}

QByteArray inflateRaw(const QByteArray& raw, bool* ok) {
    z_stream z{};
    inflateInit2(&z, -15);
    QByteArray out;
    QByteArray buf(1 << 16, Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData()));
    z.avail_in = uInt(raw.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buf.data());
        z.avail_out = uInt(buf.size());
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buf.constData(), buf.size() - z.avail_out);
    }
    *ok = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return out;
}

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Stored {
    QString name;
    QByteArray data;
    quint32 attributes = 0100600;  // the file type and mode as a Unix zip stores them
    bool badCrc = false;
    qint64 declared = -1;  // the size the headers give, when it is not the data's own
};
}  // namespace
Q_DECLARE_METATYPE(Stored)
namespace {

// An archive of the entries written byte by byte, so that it may hold what no writer would make.
QByteArray craftArchive(const QList<Stored>& entries) {
    QByteArray archive, central;
    for (const Stored& s : entries) {
        QByteArray input = s.data, raw;
        QBuffer in(&input), out(&raw);
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        const DeflateResult r = ParallelDeflate(in, input.size(), out, {});
        DeflatedEntry e{s.name, QDateTime::currentDateTime(), r.crc ^ (s.badCrc ? 1u : 0u), r.inSize,
                        r.outSize};
        if (s.declared >= 0) e.size = s.declared;
        QByteArray header = ZipCentralHeader(e, quint32(archive.size()));
        for (int i = 0; i < 4; ++i) header[38 + i] = char(((s.attributes << 16) >> (8 * i)) & 0xFF);
        if (s.declared > 0xFFFFFFFFLL || s.declared < -1) {
            // A size beyond 32 bits is in the entry's zip64 extra field.
            for (int i = 0; i < 4; ++i) header[24 + i] = char(0xFF);
            header[30] = 12;
            header += QByteArray::fromHex("01000800");
            for (int i = 0; i < 8; ++i) header += char((quint64(s.declared) >> (8 * i)) & 0xFF);
        }
        central += header;
        archive += ZipLocalHeader(e) + raw;
    }
    const auto le = [](quint32 v, int n) {
        QByteArray b(n, '\0');
        for (int i = 0; i < n; ++i) b[i] = char((v >> (8 * i)) & 0xFF);
        return b;
    };
    const quint32 at = quint32(archive.size());
    return archive + central + QByteArray::fromHex("504b050600000000") + le(quint32(entries.size()), 2) +
           le(quint32(entries.size()), 2) + le(quint32(central.size()), 4) + le(at, 4) + QByteArray(2, '\0');
}

QStringList filesUnder(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

// The permission bits of every file under the folders, by name (what a progress call sees).
void recordModes(const QStringList& folders, QMap<QString, int>* modes) {
    for (const QString& folder : folders)
        for (const QString& f : filesUnder(folder))
            if (QFileInfo(folder + "/" + f).isFile()) (*modes)[f] = int(FileModes::ModeOf(folder + "/" + f));
}

// umask 022 for the object's life, as a usual session has it.
struct UsualUmask {
    mode_t saved = ::umask(022);
    ~UsualUmask() { ::umask(saved); }
};

// A removable disk with 40,000 bytes free and a backup of 100,000 bytes that does not compress.
struct SmallFloppy {
    AnswerQueues answers;
    TempSettings settings;
    QTemporaryDir dir;
    QString floppy = dir.filePath("floppy");
    QString source = dir.filePath("Prot.bak");
    QByteArray data = noise(100000);
    SmallFloppy() {
        QDir().mkpath(floppy);
        SettingsStore::SaveValue("\\Kessbo", "FloppyFolder", floppy, false);
        KessboPlaces::SetFreeSpaceHook([](const QString&) { return qint64(40000); });
        writeFile(source, data);
    }
    ~SmallFloppy() { KessboPlaces::SetFreeSpaceHook({}); }
};

QStringList prompts() {
    QStringList out;
    for (const MsgBoxHook::Shown& s : MsgBoxHook::Log()) out << s.prompt;
    return out;
}
}  // namespace

class TestZip : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { App::SetTitle(QStringLiteral("Kessbo")); }
    void cleanup() { KessboPlaces::SetFreeSpaceHook({}); }

    // Blocks deflated apart and joined form one stream that inflates to the input, whatever the
    // input's length against the block size.
    void parallelDeflateRoundTrip_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one byte") << QByteArray("x");
        QTest::newRow("exactly four blocks") << registerLike(4 * 65536);
        QTest::newRow("blocks and a bit") << registerLike(9 * 65536 + 17);
        QTest::newRow("incompressible") << noise(3 * 65536 + 5);
    }
    void parallelDeflateRoundTrip() {
        QFETCH(QByteArray, input);
        QBuffer in(&input);
        in.open(QIODevice::ReadOnly);
        QByteArray raw;
        QBuffer out(&raw);
        out.open(QIODevice::WriteOnly);
        DeflateOptions o;
        o.blockSize = 65536;
        o.threads = 4;
        const DeflateResult r = ParallelDeflate(in, input.size(), out, o);
        QVERIFY(r.ok());
        QCOMPARE(r.inSize, qint64(input.size()));
        QCOMPARE(r.outSize, qint64(raw.size()));
        QCOMPARE(r.crc,
                 quint32(crc32(0, reinterpret_cast<const Bytef*>(input.constData()), uInt(input.size()))));
        bool ok = false;
        QCOMPARE(inflateRaw(raw, &ok), input);
        QVERIFY(ok);
    }

    // Priming each block with the one before keeps the size next to one deflate of the whole.
    void parallelDeflateCompressesAsWell() {
        QByteArray input = registerLike(4 << 20);
        QBuffer in(&input);
        in.open(QIODevice::ReadOnly);
        QByteArray raw;
        QBuffer out(&raw);
        out.open(QIODevice::WriteOnly);
        DeflateOptions o;
        o.blockSize = 128 * 1024;
        QVERIFY(ParallelDeflate(in, input.size(), out, o).ok());
        uLongf whole = compressBound(uLong(input.size()));
        QByteArray single(qsizetype(whole), Qt::Uninitialized);
        QCOMPARE(compress2(reinterpret_cast<Bytef*>(single.data()), &whole,
                           reinterpret_cast<const Bytef*>(input.constData()), uLong(input.size()), 9),
                 Z_OK);
        QVERIFY2(double(raw.size()) <= double(whole) * 1.01,
                 qPrintable(QStringLiteral("%1 against %2").arg(raw.size()).arg(whole)));
    }

    // The archive holds the one file by its name alone; an existing archive of the same name is
    // replaced whole; unpacking gives the file back.
    void zipAndUnzip() {
        AnswerQueues answers;
        QTemporaryDir dir;
        const QString folder = dir.filePath("Φάκελος με κενά");
        QDir().mkpath(folder + "/out");
        const QString source = folder + "/μητρώο.bak";
        const QByteArray data = registerLike(3 << 20);
        QVERIFY(writeFile(source, data));
        const QString zip = folder + "/Prot-2024-02-03_090507.zip";
        QVERIFY(writeFile(zip, "not an archive"));

        cls_Zip z;
        QVERIFY(z.ZipFile(source, zip, "   "));  // blanks only: no password
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QByteArray out;
        QCOMPARE(run("unzip", {"-tq", zip}, &out), 0);
        QCOMPARE(run("unzip", {"-Z1", zip}, &out), 0);
        QCOMPARE(QString::fromUtf8(out.trimmed()), QStringLiteral("μητρώο.bak"));
        QCOMPARE(run("unzip", {"-Zv", zip}, &out), 0);
        QVERIFY(out.simplified().contains("file security status: not encrypted"));
        const qint64 size = QFileInfo(zip).size();
        const int ratio = int(std::lround(100.0 - 100.0 * double(size) / double(data.size())));
        QCOMPARE(z.ZipInfo(), cls_Zip::SummaryText(size, ratio));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);  // no temporary left

        cls_Zip u;
        QVERIFY(u.UnZipFile(zip, folder + "/out", ""));
        QCOMPARE(readFile(folder + "/out/μητρώο.bak"), data);
    }

    // A password (blanks around it dropped) encrypts the archive; unpacking needs the same one.
    void password() {
        AnswerQueues answers;
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("out"));
        const QString source = dir.filePath("Prot.bak");
        const QByteArray data = registerLike(200000);
        QVERIFY(writeFile(source, data));
        const QString zip = dir.filePath("Prot.zip");
        cls_Zip z;
        QVERIFY2(z.ZipFile(source, zip, "  Μυστικό 1 "), qPrintable(prompts().value(0)));
        QByteArray out;
        QCOMPARE(run("unzip", {"-Zv", zip}, &out), 0);
        QVERIFY(!out.simplified().contains("file security status: not encrypted"));
        QVERIFY(!cls_Zip().UnZipFile(zip, dir.filePath("out"), "λάθος"));
        QCOMPARE(prompts().size(), 1);
        QVERIFY(prompts().at(0).endsWith("[Λάθος κωδικός πρόσβασης.]"));
        QVERIFY(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(cls_Zip().UnZipFile(zip, dir.filePath("out"), "Μυστικό 1"));
        QCOMPARE(readFile(dir.filePath("out/Prot.bak")), data);
    }

    void summaryText_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<QString>("text");
        QTest::newRow("512 bytes") << qint64(512) << 83 << "Μέγεθος σε KBytes: 0,50 -Ποσοστό συμπίεσης: 83%";
        QTest::newRow("nothing") << qint64(0) << 0 << "Μέγεθος σε KBytes: 0,00 -Ποσοστό συμπίεσης: 0%";
        QTest::newRow("grouped") << qint64(1234567890) << 91
                                 << "Μέγεθος σε KBytes: 1.205.632,71 -Ποσοστό συμπίεσης: 91%";
    }
    void summaryText() {
        QFETCH(qint64, bytes);
        QFETCH(int, ratio);
        QFETCH(QString, text);
        QCOMPARE(cls_Zip::SummaryText(bytes, ratio), text);
    }

    void failuresReported_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("description");
        QTest::newRow("no source") << "source"
                                   << "Το αρχείο προέλευσης δεν βρέθηκε.";
        QTest::newRow("no target folder") << "target"
                                          << "Ο φάκελος προορισμού δεν υπάρχει.";
        QTest::newRow("relative target") << "relative"
                                         << "Ο φάκελος προορισμού δεν υπάρχει.";
    }
    void failuresReported() {
        QFETCH(QString, what);
        QFETCH(QString, description);
        AnswerQueues answers;
        QTemporaryDir dir;
        QString source = dir.filePath("a.bak");
        QVERIFY(writeFile(source, "data"));
        QString zip = dir.filePath("a.zip");
        if (what == "source") source = dir.filePath("missing.bak");
        if (what == "target") zip = dir.filePath("no/a.zip");
        if (what == "relative") zip = "A:/a.zip";
        cls_Zip z;
        QVERIFY(!z.ZipFile(source, zip, ""));
        QCOMPARE(prompts(), QStringList{"Σημειώθηκε σφάλμα κατά τη δημιουργία του αρχείου: " + zip +
                                        "\r\n\r\n[" + description + "]"});
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbCritical));
        QCOMPARE(z.ZipInfo(), cls_Zip::SummaryText(0, 0));
    }

    // An archive that is unsafe or too large is refused with its reason, before or while it is
    // unpacked: nothing of it lands in the folder or outside it, and what was there stays.
    void unzipRefuses_data() {
        QTest::addColumn<QList<Stored>>("entries");
        QTest::addColumn<qint64>("freeSpace");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("plant");  // "link": out/linkdir links to a folder beside it
        const QString outside = "Το αρχείο ZIP περιέχει όνομα που βγαίνει έξω από τον φάκελο προορισμού.";
        const QByteArray text("secret");
        QTest::newRow("parent folder")
            << QList<Stored>{{"../escaped.txt", text}} << qint64(-1) << outside << QString();
        QTest::newRow("parent inside a path")
            << QList<Stored>{{"a/../../escaped.txt", text}} << qint64(-1) << outside << QString();
        QTest::newRow("absolute name")
            << QList<Stored>{{"@ABS@/escaped.txt", text}} << qint64(-1) << outside << QString();
        QTest::newRow("absolute, back slashes")
            << QList<Stored>{{"\\escaped.txt", text}} << qint64(-1) << outside << QString();
        QTest::newRow("drive letter")
            << QList<Stored>{{"C:escaped.txt", text}} << qint64(-1) << outside << QString();
        QTest::newRow("symbolic link")
            << QList<Stored>{{"keep.txt", "NEW"}, {"link", "@ABS@/escaped.txt", 0120777}} << qint64(-1)
            << "Το αρχείο ZIP περιέχει συμβολικό σύνδεσμο, που δεν αποσυμπιέζεται." << QString();
        const QString special = "Το αρχείο ZIP περιέχει συσκευή, FIFO ή socket, που δεν αποσυμπιέζεται.";
        QTest::newRow("character device")
            << QList<Stored>{{"dev", "", 020666}} << qint64(-1) << special << QString();
        QTest::newRow("block device")
            << QList<Stored>{{"dev", "", 060666}} << qint64(-1) << special << QString();
        QTest::newRow("FIFO") << QList<Stored>{{"fifo", "", 010666}} << qint64(-1) << special << QString();
        QTest::newRow("socket") << QList<Stored>{{"socket", "", 0140666}} << qint64(-1) << special
                                << QString();
        const QString tooLarge = "Το περιεχόμενο του αρχείου ZIP είναι δυσανάλογα μεγάλο για το μέγεθός του.";
        // More than deflate can pack into the archive's size, as entries sharing their data state.
        QTest::newRow("bomb") << QList<Stored>{{"a.bak", QByteArray(1 << 20, '\0'), 0100600, false,
                                                1LL << 31}}
                              << qint64(-1) << tooLarge << QString();
        // 2^63-1 + 2^63-1 + 2 wraps to 0 in a signed 64-bit total.
        QTest::newRow("sizes that wrap") << QList<Stored>{{"a", "a", 0100600, false, INT64_MAX},
                                                          {"b", "b", 0100600, false, INT64_MAX},
                                                          {"c", "cc", 0100600, false, 2}}
                                         << qint64(-1) << tooLarge << QString();
        QTest::newRow("a size beyond 63 bits")
            << QList<Stored>{{"a", "a", 0100600, false, -2}} << qint64(-1) << tooLarge << QString();
        const QString conflict =
            "Το αρχείο ZIP περιέχει ονόματα που συγκρούονται μεταξύ τους ή με τον φάκελο προορισμού "
            "(διπλό όνομα, «.», αρχείο στη θέση φακέλου).";
        QTest::newRow("duplicate name")
            << QList<Stored>{{"a.txt", "1"}, {"a.txt", "2"}} << qint64(-1) << conflict << QString();
        QTest::newRow("a \".\" entry") << QList<Stored>{{".", "x"}} << qint64(-1) << conflict << QString();
        QTest::newRow("a \".\" in a path")
            << QList<Stored>{{"a/./b", "x"}} << qint64(-1) << conflict << QString();
        QTest::newRow("a file where a folder stands")
            << QList<Stored>{{"a", "x"}, {"a/b", "y"}} << qint64(-1) << conflict << QString();
        QTest::newRow("a folder where a file stands")
            << QList<Stored>{{"a/b", "y"}, {"a", "x"}} << qint64(-1) << conflict << QString();
        QTest::newRow("a folder over a file of the target")
            << QList<Stored>{{"new.txt", "n"}, {"keep.txt/x", "y"}} << qint64(-1) << conflict << QString();
        const QString control = "Το αρχείο ZIP περιέχει όνομα με χαρακτήρες ελέγχου.";
        QTest::newRow("escape sequence")
            << QList<Stored>{{"a\x1b]0;owned\x07.txt", "x"}} << qint64(-1) << control << QString();
        QTest::newRow("new line") << QList<Stored>{{"a\nb.txt", "x"}} << qint64(-1) << control << QString();
        QTest::newRow("right-to-left override") << QList<Stored>{{QString::fromUtf8("a\u202Etxt.exe"), "x"}}
                                                << qint64(-1) << control << QString();
        QTest::newRow("a link in the target")
            << QList<Stored>{{"keep2.txt", "NEW"}, {"linkdir/x", "secret"}} << qint64(-1)
            << "Στον φάκελο προορισμού υπάρχει συμβολικός σύνδεσμος στη θέση ενός φακέλου του αρχείου ZIP, "
               "που δεν ακολουθείται."
            << "link";
        QTest::newRow("a link in the target, as a folder entry")
            << QList<Stored>{{"linkdir/", ""}, {"linkdir/x", "secret"}} << qint64(-1)
            << "Στον φάκελο προορισμού υπάρχει συμβολικός σύνδεσμος στη θέση ενός φακέλου του αρχείου ZIP, "
               "που δεν ακολουθείται."
            << "link";
        // Room by the count of bytes, but not for the files themselves.
        QTest::newRow("disk full while unpacking")
            << QList<Stored>{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}} << qint64(-1)
            << "Δεν υπάρχει αρκετός ελεύθερος χώρος στο δίσκο."
            << "few inodes";
        QTest::newRow("more than the free space")
            << QList<Stored>{{"keep.txt", "NEW"}, {"b.bak", registerLike(200000)}} << qint64(100000)
            << "Δεν υπάρχει αρκετός ελεύθερος χώρος στο δίσκο." << QString();
        // The second entry fails only once it is unpacked: the first was unpacked already.
        QTest::newRow("damaged after a good one")
            << QList<Stored>{{"keep.txt", "NEW"}, {"sub/b.bak", registerLike(50000), 0100600, true}}
            << qint64(-1) << "Το αρχείο δεν είναι έγκυρο αρχείο ZIP." << QString();
        QTest::newRow("more data than it says")
            << QList<Stored>{{"keep.txt", "NEW"}, {"b.bak", registerLike(50000), 0100600, false, 1000}}
            << qint64(-1) << "Το αρχείο δεν είναι έγκυρο αρχείο ZIP." << QString();
        QTest::newRow("less data than it says")
            << QList<Stored>{{"keep.txt", "NEW"}, {"b.bak", registerLike(5000), 0100600, false, 9000}}
            << qint64(-1) << "Το αρχείο δεν είναι έγκυρο αρχείο ZIP." << QString();
    }
    void unzipRefuses() {
        QFETCH(QList<Stored>, entries);
        QFETCH(qint64, freeSpace);
        QFETCH(QString, description);
        QFETCH(QString, plant);
        AnswerQueues answers;
        QTemporaryDir dir;
        const QString out = dir.filePath("out");
        QDir().mkpath(out);
        const QByteArray outPath = QFile::encodeName(out);
        if (plant == "few inodes" &&
            ::mount("tmpfs", outPath.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m,nr_inodes=5") != 0)
            QSKIP(qPrintable("no small file system can be mounted here: " + qt_error_string(errno)));
        const auto unmount = qScopeGuard([&] {
            if (plant == "few inodes") ::umount2(outPath.constData(), MNT_DETACH);
        });
        QVERIFY(writeFile(out + "/keep.txt", "OLD"));
        if (plant == "link") {
            QVERIFY(QDir().mkpath(dir.filePath("elsewhere")));
            QVERIFY(QFile::link(dir.filePath("elsewhere"), out + "/linkdir"));
        }
        for (Stored& e : entries) {
            e.name.replace("@ABS@", dir.path());
            e.data.replace("@ABS@", dir.path().toUtf8());
        }
        const QString zip = dir.filePath("evil.zip");
        QVERIFY(writeFile(zip, craftArchive(entries)));
        QCOMPARE(run("unzip", {"-l", zip}), 0);  // a readable archive
        if (freeSpace >= 0) KessboPlaces::SetFreeSpaceHook([freeSpace](const QString&) { return freeSpace; });

        cls_Zip z;
        QVERIFY(!z.UnZipFile(zip, out, ""));
        QCOMPARE(prompts(), QStringList{"Σημειώθηκε σφάλμα κατά τη αποσυμπίεση του αρχείου: " + zip +
                                        "\r\n\r\n[" + description + "]"});
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), 0);
        QCOMPARE(readFile(out + "/keep.txt"), QByteArray("OLD"));
        QStringList expected{"evil.zip", "out", "out/keep.txt"};
        if (plant == "link")
            expected = QStringList{"elsewhere", "evil.zip", "out", "out/keep.txt", "out/linkdir"};
        QCOMPARE(filesUnder(dir.path()), expected);
    }

    // Kessbo's own archive of a register whose pages are mostly free (a large delete, no VACUUM)
    // packs near deflate's limit, hundreds of times: it is unpacked whole, not taken for a bomb.
    void unzipOwnArchiveOfFreePages() {
        AnswerQueues answers;
        QTemporaryDir dir;
        const QString reg = dir.filePath("register.bak");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "freepages");
            db.setDatabaseName(reg);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("CREATE TABLE t(b BLOB)"));
            QVERIFY(q.exec("INSERT INTO t VALUES (zeroblob(40000000)), ('kept')"));
            QVERIFY(q.exec("DELETE FROM t WHERE length(b) > 100"));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase("freepages");
        QVERIFY(QFileInfo(reg).size() > 40000000);
        const QString zip = dir.filePath("register.zip");
        cls_Zip z;
        QVERIFY(z.ZipFile(reg, zip, ""));
        const double ratio = double(QFileInfo(reg).size()) / double(QFileInfo(zip).size());
        QVERIFY2(ratio > 500, qPrintable(QString::number(ratio)));
        const QString out = dir.filePath("out");
        QVERIFY(QDir().mkpath(out));
        cls_Zip u;
        QVERIFY(u.UnZipFile(zip, out, ""));
        QVERIFY(prompts().isEmpty());
        const QStringList unpacked = filesUnder(out);
        QCOMPARE(unpacked.size(), 1);
        QVERIFY(readFile(out + "/" + unpacked.first()) == readFile(reg));
    }

    // Unpacked files come back no more open than they were stored, within the user's mask; what
    // they replace is replaced whole.
    void unzipModes() {
        AnswerQueues answers;
        UsualUmask mask;
        QTemporaryDir dir;
        const QString out = dir.filePath("out");
        QDir().mkpath(out);
        QVERIFY(writeFile(out + "/open.txt", "OLD"));
        const QString zip = dir.filePath("modes.zip");
        QVERIFY(writeFile(zip, craftArchive({{"private.bak", "p", 0100600},
                                             {"open.txt", "o", 0100666},
                                             {"run/script", "s", 0104755},
                                             {"dos.txt", "d", 0}})));
        cls_Zip z;
        QVERIFY(z.UnZipFile(zip, out, ""));
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QCOMPARE(filesUnder(out), (QStringList{"dos.txt", "open.txt", "private.bak", "run", "run/script"}));
        QCOMPARE(readFile(out + "/open.txt"), QByteArray("o"));
        QCOMPARE(int(FileModes::ModeOf(out + "/private.bak")), 0600);
        QCOMPARE(int(FileModes::ModeOf(out + "/open.txt")), 0644);
        QCOMPARE(int(FileModes::ModeOf(out + "/run/script")), 0755);  // never set-user-id
        QCOMPARE(int(FileModes::ModeOf(out + "/dos.txt")), 0600);
        QCOMPARE(int(FileModes::ModeOf(out + "/run")), 0700);
    }

    // A file of the archive where a folder stands: refused, the folder and what it holds kept.
    void unzipKeepsFolders() {
        AnswerQueues answers;
        QTemporaryDir dir;
        const QString out = dir.filePath("out");
        QDir().mkpath(out + "/docs");
        QVERIFY(writeFile(out + "/docs/precious.txt", "KEEP"));
        QVERIFY(writeFile(out + "/keep.txt", "OLD"));
        const QString zip = dir.filePath("f.zip");
        QVERIFY(writeFile(zip, craftArchive({{"keep.txt", "NEW"}, {"docs", "file now"}})));
        cls_Zip z;
        QVERIFY(!z.UnZipFile(zip, out, ""));
        QCOMPARE(prompts().size(), 1);
        QCOMPARE(filesUnder(out), (QStringList{"docs", "docs/precious.txt", "keep.txt"}));
        QCOMPARE(readFile(out + "/docs/precious.txt"), QByteArray("KEEP"));
        QCOMPARE(readFile(out + "/keep.txt"), QByteArray("OLD"));
    }

    // An archive written where an older one or a link stands: the older one's mode never reaches
    // the new one or its temporaries, and a link is replaced, its target left as it was.
    void archiveReplacesWhatStandsInItsPlace_data() {
        QTest::addColumn<bool>("link");
        QTest::newRow("older archive") << false;
        QTest::newRow("link") << true;
    }
    void archiveReplacesWhatStandsInItsPlace() {
        QFETCH(bool, link);
        AnswerQueues answers;
        UsualUmask mask;
        QTemporaryDir dir;
        const QString source = dir.filePath("src/Prot.bak"), zip = dir.filePath("zip/Prot.zip");
        const QString other = dir.filePath("other.txt");
        QDir().mkpath(dir.filePath("src"));
        QDir().mkpath(dir.filePath("zip"));
        QVERIFY(writeFile(source, registerLike(3 << 20)));
        QCOMPARE(::chmod(QFile::encodeName(source).constData(), 0600), 0);
        QVERIFY(writeFile(other, "OTHER"));
        QCOMPARE(::chmod(QFile::encodeName(other).constData(), 0644), 0);
        if (link) {
            QVERIFY(QFile::link(other, zip));
        } else {
            QVERIFY(QFile::copy(other, zip));
            QCOMPARE(::chmod(QFile::encodeName(zip).constData(), 0644), 0);
        }
        QMap<QString, int> seen;
        cls_Zip z;
        z.Progress = [&](qint64, qint64) { recordModes({dir.filePath("zip")}, &seen); };
        QVERIFY(z.ZipFile(source, zip, ""));
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            if (it.key() != "Prot.zip" || !link) QVERIFY2(it.value() == 0600, qPrintable(it.key()));
        QVERIFY(!QFileInfo(zip).isSymLink());
        QCOMPARE(int(FileModes::ModeOf(zip)), 0600);
        QCOMPARE(int(FileModes::ModeOf(other)), 0644);
        QCOMPARE(readFile(other), QByteArray("OTHER"));
        QCOMPARE(run("unzip", {"-tq", zip}), 0);
    }

    // With the usual umask 022, the archive, its temporaries and its entry are as private as the
    // file they hold; a file shared with its group gives its group the archive too.
    void archiveModes_data() {
        QTest::addColumn<int>("sourceMode");
        QTest::addColumn<bool>("group");
        QTest::addColumn<int>("archiveMode");
        QTest::newRow("private") << 0600 << false << 0600;
        QTest::newRow("read by others too") << 0644 << false << 0640;
        QTest::newRow("shared with its group") << 0660 << true << 0660;
        QTest::newRow("read by its group") << 0640 << true << 0640;
    }
    void archiveModes() {
        QFETCH(int, sourceMode);
        QFETCH(bool, group);
        QFETCH(int, archiveMode);
        AnswerQueues answers;
        UsualUmask mask;
        QTemporaryDir dir;
        const QString source = dir.filePath("src/Prot.bak");
        QDir().mkpath(dir.filePath("src"));
        QDir().mkpath(dir.filePath("zip"));
        QVERIFY(writeFile(source, registerLike(3 << 20)));
        QCOMPARE(::chmod(QFile::encodeName(source).constData(), mode_t(sourceMode)), 0);
        const gid_t gid = 65534;  // nogroup: not this user's own
        if (group) QCOMPARE(::chown(QFile::encodeName(source).constData(), uid_t(-1), gid), 0);
        const QString zip = dir.filePath("zip/Prot.zip");

        QMap<QString, int> seen;
        cls_Zip z;
        z.Progress = [&](qint64, qint64) { recordModes({dir.filePath("src"), dir.filePath("zip")}, &seen); };
        QVERIFY(z.ZipFile(source, zip, ""));
        seen.remove("Prot.bak");
        QVERIFY(seen.size() >= 2);  // the deflated stream and libzip's file were seen while written
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            QVERIFY2(it.value() == 0600, qPrintable(it.key()));
        QCOMPARE(int(FileModes::ModeOf(zip)), archiveMode);
        QCOMPARE(QFileInfo(zip).groupId() == gid, group);
        QByteArray listing;
        QCOMPARE(run("zipinfo", {zip}, &listing), 0);
        const QString expected = QStringLiteral("-rw-------");
        QString shown = expected;
        for (int bit = 0; bit < 9; ++bit)
            shown[1 + bit] =
                (sourceMode >> (8 - bit)) & 1 ? QStringLiteral("rwxrwxrwx").at(bit) : QLatin1Char('-');
        QVERIFY2(listing.contains(QByteArray(shown.toLatin1() + " ")) && listing.contains(" unx "),
                 listing.constData());
    }

    // An archive larger than the removable disk: one volume per disk, each asked for; the
    // volumes join into an archive that unpacks to the file.
    void splitOverSmallDisks() {
        SmallFloppy disk;
        const QString floppy = disk.floppy;
        const QString zip = floppy + "/Prot-2024-02-03_090507.zip";

        // Each volume, and each while it is written, is the owner's alone, whatever the umask.
        UsualUmask mask;
        QVERIFY(QFile(disk.source).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QMap<QString, int> seen;
        cls_Zip z;
        z.Progress = [&](qint64, qint64) { recordModes({floppy}, &seen); };
        QVERIFY(z.ZipFile(disk.source, zip, ""));
        QVERIFY(seen.contains("Prot-2024-02-03_090507.z01.tmp"));
        recordModes({floppy}, &seen);
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            QVERIFY2(it.value() == 0600, qPrintable(it.key()));
        const QString ask = QStringLiteral("Tοποθετήστε την δισκέτα %1 στο drive Α: και πατήστε ΟΚ");
        QCOMPARE(prompts(), (QStringList{ask.arg(1), ask.arg(2), ask.arg(3)}));
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbInformation));
        QCOMPARE(MsgBoxHook::Log().at(0).buttonSet(), int(vb::vbOKCancel));
        QCOMPARE(QDir(floppy).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"Prot-2024-02-03_090507.z01", "Prot-2024-02-03_090507.z02",
                              "Prot-2024-02-03_090507.zip"}));
        for (const QString& f : QDir(floppy).entryList(QDir::Files))
            QVERIFY(QFileInfo(floppy + "/" + f).size() <= 40000);

        QByteArray out;
        const QString joined = disk.dir.filePath("joined.zip");
        QCOMPARE(run("zip", {"-s", "0", zip, "--out", joined}, &out), 0);
        QCOMPARE(run("unzip", {"-tq", joined}, &out), 0);
        QCOMPARE(run("unzip", {"-p", joined, "Prot.bak"}, &out), 0);
        QVERIFY(out == disk.data);
        qint64 total = 0;
        for (const QString& f : QDir(floppy).entryList(QDir::Files))
            total += QFileInfo(floppy + "/" + f).size();
        QCOMPARE(z.ZipInfo(),
                 cls_Zip::SummaryText(total, std::max(0, int(std::lround(100.0 - total / 1000.0)))));
    }

    // Cancel at the second disk: nothing of the archive stays, and the abort is reported.
    void splitCancelled() {
        SmallFloppy disk;
        const QString zip = disk.floppy + "/Prot.zip";
        MsgBoxHook::QueueAnswer(vb::vbOK);
        MsgBoxHook::QueueAnswer(vb::vbCancel);
        cls_Zip z;
        QVERIFY(!z.ZipFile(disk.source, zip, ""));
        QCOMPARE(prompts().size(), 3);
        QCOMPARE(prompts().at(2), "Σημειώθηκε σφάλμα κατά τη δημιουργία του αρχείου: " + zip +
                                      "\r\n\r\n[Η διαδικασία διακόπηκε από τον χρήστη.]");
        QVERIFY(QDir(disk.floppy).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QCOMPARE(QDir(disk.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Prot.bak"});
    }

    // A fixed disk without room is no reason to split: the archive is written whole (or fails).
    void noSplitOnFixedDisks() {
        AnswerQueues answers;
        TempSettings settings;
        QTemporaryDir dir;
        KessboPlaces::SetFreeSpaceHook([](const QString&) { return qint64(40000); });
        const QString source = dir.filePath("Prot.bak");
        QVERIFY(writeFile(source, noise(100000)));
        cls_Zip z;
        QVERIFY(z.ZipFile(source, dir.filePath("Prot.zip"), ""));
        QVERIFY(MsgBoxHook::Log().isEmpty());
        QCOMPARE(run("unzip", {"-tq", dir.filePath("Prot.zip")}), 0);
    }
};

QTEST_MAIN(TestZip)
#include "tst_zip.moc"
