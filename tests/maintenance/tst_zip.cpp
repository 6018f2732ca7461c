// The zip object: archives of one file, the parallel deflate, split archives over small disks,
// unpacking, the summary text and the failure messages.
#include <zlib.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "App.h"
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
        QCOMPARE(r.crc, quint32(crc32(0, reinterpret_cast<const Bytef*>(input.constData()), uInt(input.size()))));
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
        QVERIFY2(double(raw.size()) <= double(whole) * 1.01, qPrintable(QStringLiteral("%1 against %2").arg(raw.size()).arg(whole)));
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
        QTest::newRow("grouped") << qint64(1234567890) << 91 << "Μέγεθος σε KBytes: 1.205.632,71 -Ποσοστό συμπίεσης: 91%";
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
        QTest::newRow("no source") << "source" << "Το αρχείο προέλευσης δεν βρέθηκε.";
        QTest::newRow("no target folder") << "target" << "Ο φάκελος προορισμού δεν υπάρχει.";
        QTest::newRow("relative target") << "relative" << "Ο φάκελος προορισμού δεν υπάρχει.";
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
        QCOMPARE(prompts(), QStringList{"Σημειώθηκε σφάλμα κατά τη δημιουργία του αρχείου: " + zip + "\r\n\r\n[" +
                                        description + "]"});
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbCritical));
        QCOMPARE(z.ZipInfo(), cls_Zip::SummaryText(0, 0));
    }

    // Entry names that would land outside the folder are refused, and nothing is written.
    void unzipRefusesEscapingNames() {
        AnswerQueues answers;
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("out"));
        QByteArray input("secret"), raw;
        QBuffer in(&input), out(&raw);
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        const DeflateResult r = ParallelDeflate(in, input.size(), out, {});
        DeflatedEntry e{"../escaped.txt", QDateTime::currentDateTime(), r.crc, r.inSize, r.outSize};
        QByteArray archive = ZipLocalHeader(e) + raw;
        const QByteArray central = ZipCentralHeader(e, 0);
        const auto le32 = [](quint32 v) {
            QByteArray b(4, '\0');
            for (int i = 0; i < 4; ++i) b[i] = char((v >> (8 * i)) & 0xFF);
            return b;
        };
        const quint32 at = quint32(archive.size());
        archive += central + QByteArray::fromHex("504b05060000000001000100") + le32(quint32(central.size())) + le32(at) +
                   QByteArray(2, '\0');
        const QString zip = dir.filePath("evil.zip");
        QVERIFY(writeFile(zip, archive));
        QCOMPARE(run("unzip", {"-l", zip}), 0);  // a readable archive

        cls_Zip z;
        QVERIFY(!z.UnZipFile(zip, dir.filePath("out"), ""));
        QCOMPARE(prompts().size(), 1);
        QVERIFY(prompts().at(0).startsWith("Σημειώθηκε σφάλμα κατά τη αποσυμπίεση του αρχείου: " + zip));
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), 0);
        QVERIFY(!QFileInfo::exists(dir.filePath("escaped.txt")));
    }

    // An archive larger than the removable disk: one volume per disk, each asked for; the
    // volumes join into an archive that unpacks to the file.
    void splitOverSmallDisks() {
        SmallFloppy disk;
        const QString floppy = disk.floppy;
        const QString zip = floppy + "/Prot-2024-02-03_090507.zip";

        cls_Zip z;
        QVERIFY(z.ZipFile(disk.source, zip, ""));
        const QString ask = QStringLiteral("Tοποθετήστε την δισκέτα %1 στο drive Α: και πατήστε ΟΚ");
        QCOMPARE(prompts(), (QStringList{ask.arg(1), ask.arg(2), ask.arg(3)}));
        QCOMPARE(MsgBoxHook::Log().at(0).icon(), int(vb::vbInformation));
        QCOMPARE(MsgBoxHook::Log().at(0).buttonSet(), int(vb::vbOKCancel));
        QCOMPARE(QDir(floppy).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"Prot-2024-02-03_090507.z01", "Prot-2024-02-03_090507.z02", "Prot-2024-02-03_090507.zip"}));
        for (const QString& f : QDir(floppy).entryList(QDir::Files)) QVERIFY(QFileInfo(floppy + "/" + f).size() <= 40000);

        QByteArray out;
        const QString joined = disk.dir.filePath("joined.zip");
        QCOMPARE(run("zip", {"-s", "0", zip, "--out", joined}, &out), 0);
        QCOMPARE(run("unzip", {"-tq", joined}, &out), 0);
        QCOMPARE(run("unzip", {"-p", joined, "Prot.bak"}, &out), 0);
        QVERIFY(out == disk.data);
        qint64 total = 0;
        for (const QString& f : QDir(floppy).entryList(QDir::Files)) total += QFileInfo(floppy + "/" + f).size();
        QCOMPARE(z.ZipInfo(), cls_Zip::SummaryText(total, std::max(0, int(std::lround(100.0 - total / 1000.0)))));
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
