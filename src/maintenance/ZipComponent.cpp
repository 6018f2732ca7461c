#include "ZipComponent.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cerrno>

#include "FileModes.h"
#include "FileSync.h"
#include "KessboPlaces.h"
#include "ParallelDeflate.h"
#include "SplitZip.h"

namespace {
int resultOfErrno(int e) {
    switch (e) {
        case 0:
            return ZipComponent::Success;
        case ENOSPC:
        case EDQUOT:
            return ZipComponent::DiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return ZipComponent::NoPermission;
        case ENOENT:
        case ENOTDIR:
            return ZipComponent::TargetFolderMissing;
        case ECANCELED:
            return ZipComponent::UserAbort;
        case EFBIG:
            return ZipComponent::TooLargeToSpan;
        default:
            return ZipComponent::WriteError;
    }
}

int resultOfZipError(zip_error_t* error) {
    switch (zip_error_code_zip(error)) {
        case ZIP_ER_OK:
            return ZipComponent::Success;
        case ZIP_ER_NOENT:
        case ZIP_ER_NOZIP:
        case ZIP_ER_INCONS:
        case ZIP_ER_CRC:
        case ZIP_ER_COMPNOTSUPP:
        case ZIP_ER_ENCRNOTSUPP:
            return ZipComponent::BadArchive;
        case ZIP_ER_WRONGPASSWD:
        case ZIP_ER_NOPASSWD:
            return ZipComponent::WrongPassword;
        case ZIP_ER_READ:
            return ZipComponent::ReadError;
        default:
            if (zip_error_system_type(error) == ZIP_ET_SYS)
                return resultOfErrno(zip_error_code_system(error));
            return ZipComponent::WriteError;
    }
}

// Serves an already deflated stream to libzip, which stores it without compressing it again.
struct RawSource {
    QFile* file = nullptr;
    DeflatedEntry entry;
    zip_error_t error{};
};

zip_int64_t rawSourceCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<RawSource*>(userdata);
    switch (cmd) {
        case ZIP_SOURCE_OPEN:
            return s->file->seek(0) ? 0 : (zip_error_set(&s->error, ZIP_ER_SEEK, EIO), -1);
        case ZIP_SOURCE_READ: {
            const qint64 n = s->file->read(static_cast<char*>(data), qint64(len));
            if (n < 0) {
                zip_error_set(&s->error, ZIP_ER_READ, EIO);
                return -1;
            }
            return n;
        }
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD |
                        ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_MTIME;
            st->size = zip_uint64_t(s->entry.size);
            st->comp_size = zip_uint64_t(s->entry.compSize);
            st->crc = s->entry.crc;
            st->comp_method = ZIP_CM_DEFLATE;
            st->encryption_method = ZIP_EM_NONE;
            st->mtime = time_t(s->entry.modified.toSecsSinceEpoch());
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&s->error, data, len);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

struct ProgressState {
    std::function<void(qint64, qint64)>* progress;
    qint64 total;
};

void zipProgress(zip_t*, double fraction, void* ud) {
    auto* p = static_cast<ProgressState*>(ud);
    if (*p->progress) (*p->progress)(qint64(fraction * double(p->total)), p->total);
}

// An entry's name that stays inside the folder it is unpacked into; empty when it would not.
QString safeEntryName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.isEmpty() || n.startsWith(QLatin1Char('/')) || (n.size() > 1 && n.at(1) == QLatin1Char(':')))
        return {};
    for (const QString& part : n.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (part == QLatin1String("..")) return {};
    return n;
}

// A name that would show as something else on a terminal or in a list: control characters
// (escape sequences start with one) and the invalid bytes of a name that is not UTF-8.
bool hasControlCharacters(const QString& name) {
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::ReplacementCharacter)
            return true;
    return false;
}

bool hasControlBytes(const char* name) {
    for (; *name; ++name)
        if (static_cast<unsigned char>(*name) < 0x20 || *name == 0x7F) return true;
    return false;
}

// The folder `parts` below the folder `root`, never through a link; missing parts are made when
// `made` is given (and listed there). -1 with errno: ELOOP for a link, ENOTDIR for a file.
int openFolder(int root, const QStringList& parts, QStringList* made = nullptr) {
    int fd = ::fcntl(root, F_DUPFD_CLOEXEC, 0);
    QString sofar;
    for (const QString& part : parts) {
        if (fd < 0) return -1;
        const QByteArray name = QFile::encodeName(part);
        sofar += (sofar.isEmpty() ? QString() : QStringLiteral("/")) + part;
        if (made && ::mkdirat(fd, name.constData(), 0777) == 0) *made << sofar;
        const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int e = errno;
        struct stat st {};
        if (next < 0 && ::fstatat(fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            e = S_ISLNK(st.st_mode) ? ELOOP : S_ISDIR(st.st_mode) ? e : ENOTDIR;
        ::close(fd);
        fd = next;
        errno = e;
    }
    return fd;
}

// The folders of a path relative to the unpacking's folder, and its last part.
QStringList foldersOf(const QString& rel, QString* last) {
    QStringList parts = rel.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    *last = parts.isEmpty() ? QString() : parts.takeLast();
    return parts;
}

int resultOfFolderErrno(int e) {
    return e == ELOOP                    ? ZipComponent::LinkInTarget
           : e == ENOTDIR || e == EEXIST ? ZipComponent::ConflictingNames
                                         : resultOfErrno(e);
}
}  // namespace

QString ZipComponent::GetErrorDescription(int, int code) const {
    switch (code) {
        case Success:
            return QStringLiteral("Επιτυχία.");
        case UserAbort:
            return QStringLiteral("Η διαδικασία διακόπηκε από τον χρήστη.");
        case SourceMissing:
            return QStringLiteral("Το αρχείο προέλευσης δεν βρέθηκε.");
        case TargetFolderMissing:
            return QStringLiteral("Ο φάκελος προορισμού δεν υπάρχει.");
        case ReadError:
            return QStringLiteral("Σφάλμα κατά την ανάγνωση του αρχείου.");
        case WriteError:
            return QStringLiteral("Σφάλμα κατά την εγγραφή του αρχείου.");
        case DiskFull:
            return QStringLiteral("Δεν υπάρχει αρκετός ελεύθερος χώρος στο δίσκο.");
        case NoPermission:
            return QStringLiteral("Δεν επιτρέπεται η εγγραφή στον φάκελο προορισμού.");
        case BadArchive:
            return QStringLiteral("Το αρχείο δεν είναι έγκυρο αρχείο ZIP.");
        case WrongPassword:
            return QStringLiteral("Λάθος κωδικός πρόσβασης.");
        case TooLargeToSpan:
            return QStringLiteral("Το αρχείο είναι πολύ μεγάλο για να μοιραστεί σε δισκέτες.");
        case UnsafeName:
            return QStringLiteral("Το αρχείο ZIP περιέχει όνομα που βγαίνει έξω από τον φάκελο προορισμού.");
        case LinkEntry:
            return QStringLiteral("Το αρχείο ZIP περιέχει συμβολικό σύνδεσμο, που δεν αποσυμπιέζεται.");
        case TooLarge:
            return QStringLiteral(
                "Το περιεχόμενο του αρχείου ZIP είναι δυσανάλογα μεγάλο για το μέγεθός του.");
        case SpecialEntry:
            return QStringLiteral("Το αρχείο ZIP περιέχει συσκευή, FIFO ή socket, που δεν αποσυμπιέζεται.");
        case ConflictingNames:
            return QStringLiteral(
                "Το αρχείο ZIP περιέχει ονόματα που συγκρούονται μεταξύ τους ή με τον φάκελο προορισμού "
                "(διπλό όνομα, «.», αρχείο στη θέση φακέλου).");
        case ControlCharacters:
            return QStringLiteral("Το αρχείο ZIP περιέχει όνομα με χαρακτήρες ελέγχου.");
        case LinkInTarget:
            return QStringLiteral(
                "Στον φάκελο προορισμού υπάρχει συμβολικός σύνδεσμος στη θέση ενός φακέλου του αρχείου ZIP, "
                "που δεν ακολουθείται.");
        case NothingDone:
            return QStringLiteral("Δεν υπήρχε τίποτα για επεξεργασία.");
    }
    return QStringLiteral("Άγνωστο σφάλμα (%1).").arg(code);
}

int ZipComponent::Zip() {
    qint64 output = 0, inSize = 0;
    // The archive holds the whole file: it and every temporary are the owner's alone at first.
    const FileModes::Private privateFiles;
    const int code = zipOne(FilesToProcess, &output, &inSize);
    const int ratio = inSize > 0 ? int(std::lround(100.0 - double(output) * 100.0 / double(inSize))) : 0;
    if (ProcessCompleted)
        ProcessCompleted(1, code == Success ? 1 : 0, 0, inSize, code == Success ? inSize : 0, 0, output,
                         std::max(ratio, 0), code);
    return code;
}

int ZipComponent::zipOne(const QString& sourcePath, qint64* output, qint64* inSize) {
    const QFileInfo source(sourcePath);
    if (sourcePath.isEmpty() || !source.isFile()) return SourceMissing;
    const QFileInfo zipInfo(ZipFilename);
    if (!zipInfo.isAbsolute() || !QFileInfo(zipInfo.absolutePath()).isDir()) return TargetFolderMissing;
    *inSize = source.size();

    const QString password = EncryptionPassword;
    DeflatedEntry entry;
    entry.name =
        PreservePaths
            ? QDir::fromNativeSeparators(sourcePath).remove(QRegularExpression(QStringLiteral("^/+")))
            : source.fileName();
    entry.modified = source.lastModified();
    entry.mode = FileModes::ModeOf(sourcePath) & 0777;
    // The archive is shared as its file is, and with no one else.
    const FileModes::Sharing sharing = FileModes::SharingOf(sourcePath);

    QFile in(sourcePath);
    if (!in.open(QIODevice::ReadOnly)) return ReadError;

    // The deflated stream waits beside the source (its folder has room for the whole source).
    QTemporaryFile raw(source.absolutePath() + QStringLiteral("/.kessbo-XXXXXX.deflate"));
    const bool precompress = password.isEmpty();
    if (precompress) {
        if (!raw.open()) return NoPermission;
        DeflateOptions o;
        // The top level is zlib's 7: with the memory level chosen by trial, a database's pages come
        // out smaller than zip -9's (within 1 % of zlib's 9) in about half of zlib's 9's time.
        o.level = CompressionLevel >= 9 ? 7 : std::clamp(CompressionLevel, 0, 9);
        o.progress = [this](qint64 done, qint64 total) {
            if (Progress) Progress(done, total);
            return true;
        };
        const DeflateResult r = ParallelDeflate(in, *inSize, raw, o);
        if (r.readErrno) return ReadError;
        if (r.writeErrno) return resultOfErrno(r.writeErrno);
        if (!raw.flush()) return resultOfErrno(ENOSPC);
        entry.crc = r.crc;
        entry.size = r.inSize;
        entry.compSize = r.outSize;
    }

    // Spanning: only on removable media, only when the archive would not fit.
    const qint64 estimate = entry.compSize + 2 * (entry.name.toUtf8().size() + 100);
    const qint64 free = KessboPlaces::FreeSpace(zipInfo.absolutePath());
    if (precompress && SpanMultipleDisks == 2 && free >= 0 && free < estimate &&
        KessboPlaces::IsRemovable(zipInfo.absolutePath())) {
        SplitZipTarget t;
        t.zipPath = zipInfo.absoluteFilePath();
        t.askDisk = [this](long disk) {
            bool inserted = false;
            // The component numbers the first request 0, then the disks from 2 on.
            if (InsertDisk) InsertDisk(disk == 0 ? 0 : disk + 1, inserted);
            return inserted;
        };
        t.room = [](const QString& folder) { return KessboPlaces::FreeSpace(folder); };
        t.progress = Progress;
        QStringList volumes;
        const int rc = WriteSplitZip(t, entry, raw, &volumes);
        if (rc == 1) return UserAbort;
        if (rc != 0) return resultOfErrno(rc);
        for (const QString& v : volumes) {
            if (!FileModes::Apply(v, sharing)) {
                const int e = errno;
                for (const QString& w : volumes) QFile::remove(w);
                return resultOfErrno(e);
            }
            *output += QFileInfo(v).size();
        }
        return Success;
    }

    int error = 0;
    // libzip writes a temporary file beside the archive and renames it when the archive is whole,
    // giving it the mode of an archive it replaces: never more open than this one's.
    const QByteArray zipPath = QFile::encodeName(zipInfo.absoluteFilePath());
    // A link in the archive's place is replaced, never followed.
    if (zipInfo.isSymLink()) {
        if (::unlink(zipPath.constData()) != 0) return resultOfErrno(errno);
    } else if (zipInfo.exists() && ::chmod(zipPath.constData(), 0600) != 0) {
        return resultOfErrno(errno);
    }
    zip_t* za = zip_open(zipPath.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        const int code = resultOfZipError(&e);
        zip_error_fini(&e);
        return code;
    }
    RawSource rawSource;
    zip_source_t* src = nullptr;
    if (precompress) {
        rawSource.file = &raw;
        rawSource.entry = entry;
        zip_error_init(&rawSource.error);
        src = zip_source_function(za, rawSourceCallback, &rawSource);
    } else {
        src = zip_source_file(za, QFile::encodeName(sourcePath).constData(), 0, -1);
    }
    const QByteArray name = entry.name.toUtf8();
    const zip_int64_t index =
        src ? zip_file_add(za, name.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
    if (index < 0) {
        if (src) zip_source_free(src);
        const int code = resultOfZipError(zip_get_error(za));
        zip_discard(za);
        return code;
    }
    if (zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                         zip_uint32_t(S_IFREG | entry.mode) << 16) < 0) {
        const int code = resultOfZipError(zip_get_error(za));
        zip_discard(za);
        return code;
    }
    if (!precompress) {
        zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE,
                                 zip_uint32_t(std::clamp(CompressionLevel, 1, 9)));
        if (zip_file_set_encryption(za, zip_uint64_t(index), ZIP_EM_AES_256, password.toUtf8().constData()) <
            0) {
            const int code = resultOfZipError(zip_get_error(za));
            zip_discard(za);
            return code;
        }
    }
    ProgressState ps{&Progress, precompress ? entry.compSize : *inSize};
    zip_register_progress_callback_with_state(za, 0.01, zipProgress, nullptr, &ps);
    if (zip_close(za) < 0) {
        const int code = resultOfZipError(zip_get_error(za));
        zip_discard(za);
        return code;
    }
    if (!FileModes::Apply(zipInfo.absoluteFilePath(), sharing)) {
        const int e = errno;
        QFile::remove(zipInfo.absoluteFilePath());
        return resultOfErrno(e);
    }
    FileSync::File(zipInfo.absoluteFilePath());
    FileSync::Folder(zipInfo.absolutePath());
    *output = QFileInfo(zipInfo.absoluteFilePath()).size();
    return Success;
}

namespace {
// An archive unpacking to more than this many times its own size is taken for a "zip bomb" (entries
// that share their data): deflate cannot pack more than 1032 times, so no archive Kessbo makes
// goes beyond it, not even of a register whose pages are mostly free.
constexpr zip_uint64_t kMaxUnpackRatio = 1100;

// Moves the unpacked tree into the target folder. Files it replaces are kept aside until all are
// in place; on any failure every step is undone and the folder is as it was.
int moveIntoPlace(const QString& stage, const QString& target) {
    struct Step {
        QString from;
        int folder;  // the destination's folder, held open
        QByteArray name, displaced;
    };
    QList<Step> done;
    QStringList madeFolders;
    QTemporaryDir aside(QDir(target).filePath(QStringLiteral(".kessbo-replaced-XXXXXX")));
    const int root = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int asideFd = aside.isValid() ? ::open(QFile::encodeName(aside.path()).constData(),
                                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                        : -1;
    const auto finish = [&](int code) {
        if (code != ZipComponent::Success) {
            for (qsizetype i = done.size() - 1; i >= 0; --i) {
                ::renameat(done[i].folder, done[i].name.constData(), AT_FDCWD,
                           QFile::encodeName(done[i].from).constData());
                if (!done[i].displaced.isEmpty())
                    ::renameat(asideFd, done[i].displaced.constData(), done[i].folder,
                               done[i].name.constData());
            }
            for (qsizetype i = madeFolders.size() - 1; i >= 0; --i)
                ::unlinkat(root, QFile::encodeName(madeFolders[i]).constData(), AT_REMOVEDIR);
        }
        for (const Step& s : done) ::close(s.folder);
        if (asideFd >= 0) ::close(asideFd);
        if (root >= 0) ::close(root);
        return code;
    };
    if (root < 0 || asideFd < 0) return finish(ZipComponent::NoPermission);
    const QDir from(stage);
    QDirIterator it(stage, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    QStringList entries;
    while (it.hasNext()) entries << from.relativeFilePath(it.next());
    std::sort(entries.begin(), entries.end());  // a folder before what it holds
    int n = 0;
    for (const QString& rel : entries) {
        const QString source = from.filePath(rel);
        QString last;
        QStringList parts = foldersOf(rel, &last);
        // No part of the path in the target is a link: it is walked part by part, never following one.
        if (QFileInfo(source).isDir()) {
            const int fd = openFolder(root, parts << last, &madeFolders);
            if (fd < 0) return finish(resultOfFolderErrno(errno));
            ::close(fd);
            continue;
        }
        Step step{source, openFolder(root, parts), QFile::encodeName(last), QByteArray()};
        if (step.folder < 0) return finish(resultOfFolderErrno(errno));
        struct stat old {};
        if (::fstatat(step.folder, step.name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
            // A folder is never replaced by a file: what it holds would go with it.
            if (S_ISDIR(old.st_mode)) {
                ::close(step.folder);
                return finish(ZipComponent::ConflictingNames);
            }
            step.displaced = QByteArray::number(n++);
            if (::renameat(step.folder, step.name.constData(), asideFd, step.displaced.constData()) != 0) {
                const int e = errno;
                ::close(step.folder);
                return finish(resultOfErrno(e));
            }
        }
        if (::renameat(AT_FDCWD, QFile::encodeName(source).constData(), step.folder, step.name.constData()) !=
            0) {
            const int e = errno;
            if (!step.displaced.isEmpty())
                ::renameat(asideFd, step.displaced.constData(), step.folder, step.name.constData());
            ::close(step.folder);
            return finish(resultOfErrno(e));
        }
        done << step;
    }
    FileSync::Folder(target);
    return finish(ZipComponent::Success);
}
}  // namespace

int ZipComponent::Unzip() {
    qint64 output = 0, inSize = 0;
    const int code = unzipAll(&output, &inSize);
    if (ProcessCompleted) ProcessCompleted(0, 0, 0, inSize, inSize, 0, output, 0, code);
    return code;
}

int ZipComponent::unzipAll(qint64* output, qint64* inSize) {
    if (!QFileInfo(ZipFilename).isFile()) return SourceMissing;
    if (!QFileInfo(UnzipToFolder).isDir()) return TargetFolderMissing;
    const FileModes::Private privateFiles;
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(ZipFilename).constData(), ZIP_RDONLY, &error);
    if (!za) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        const int code = resultOfZipError(&e);
        zip_error_fini(&e);
        return code;
    }
    const auto closeWith = [za](int code) {
        zip_discard(za);
        return code;
    };
    if (!EncryptionPassword.isEmpty()) zip_set_default_password(za, EncryptionPassword.toUtf8().constData());

    // Every entry is judged before anything is written.
    struct Item {
        zip_uint64_t index;
        QString name;
        qint64 size;
        mode_t mode;
    };
    QList<Item> items;
    zip_uint64_t total = 0;
    QSet<QString> files, folders;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return closeWith(BadArchive);
        const QString stored = QString::fromUtf8(zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_GUESS));
        // The stored bytes too: an old archive's code page would show a control byte as a symbol.
        const char* raw = zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (hasControlCharacters(stored) || (raw && hasControlBytes(raw)))
            return closeWith(ControlCharacters);
        const QString name = safeEntryName(stored);
        if (name.isEmpty()) return closeWith(UnsafeName);
        // Each name once, no "." for the folder itself, no file where another entry has a folder.
        QString last;
        const QStringList parts = foldersOf(name, &last);
        if (last.isEmpty() || last == QLatin1String(".") || parts.contains(QStringLiteral(".")))
            return closeWith(ConflictingNames);
        const QString key = parts.isEmpty() ? last : parts.join(QLatin1Char('/')) + QLatin1Char('/') + last;
        if (files.contains(key) || folders.contains(key)) {
            if (!(name.endsWith(QLatin1Char('/')) && folders.contains(key) && !files.contains(key)))
                return closeWith(ConflictingNames);
        }
        QString sofar;
        for (const QString& part : parts) {
            sofar += (sofar.isEmpty() ? QString() : QStringLiteral("/")) + part;
            if (files.contains(sofar)) return closeWith(ConflictingNames);
            folders.insert(sofar);
        }
        (name.endsWith(QLatin1Char('/')) ? folders : files).insert(key);
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(za, zip_uint64_t(i), 0, &system, &attributes) != 0)
            return closeWith(BadArchive);
        // Files come back no more open than they were stored (and than this user's mask allows);
        // an entry from a system without modes is private.
        mode_t mode = 0600;
        if (system == ZIP_OPSYS_UNIX && (attributes >> 16) != 0) {
            const mode_t stored = mode_t(attributes >> 16);
            if (S_ISLNK(stored)) return closeWith(LinkEntry);
            if ((stored & S_IFMT) != 0 && !S_ISREG(stored) && !S_ISDIR(stored))
                return closeWith(SpecialEntry);
            mode = stored & 0777 & ~privateFiles.previous();
        }
        if (st.valid & ZIP_STAT_COMP_SIZE) *inSize += qint64(std::min<zip_uint64_t>(st.comp_size, INT64_MAX));
        // Stated sizes are checked, never wrapped: beyond the ceiling is too large, however added.
        if (st.size > zip_uint64_t(INT64_MAX) || __builtin_add_overflow(total, st.size, &total))
            return closeWith(TooLarge);
        items.append({zip_uint64_t(i), name, qint64(st.size), mode});
    }
    // A small archive that would unpack to a vast size is refused, as is one the disk cannot hold.
    const zip_uint64_t archiveSize = zip_uint64_t(std::max<qint64>(QFileInfo(ZipFilename).size(), 1));
    zip_uint64_t ceiling = 0;
    if (__builtin_mul_overflow(kMaxUnpackRatio, archiveSize, &ceiling) || total > ceiling)
        return closeWith(TooLarge);
    const qint64 free = KessboPlaces::FreeSpace(UnzipToFolder);
    if (free >= 0 && total > zip_uint64_t(free)) return closeWith(DiskFull);

    // Unpacked into a private folder beside the files it makes, then moved into place: a failure
    // leaves the target folder as it was.
    QTemporaryDir stage(QDir(UnzipToFolder).filePath(QStringLiteral(".kessbo-unzip-XXXXXX")));
    if (!stage.isValid()) return closeWith(NoPermission);
    const int stageFd =
        ::open(QFile::encodeName(stage.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (stageFd < 0) return closeWith(resultOfErrno(errno));
    const auto closeAll = [&](int code) {
        ::close(stageFd);
        return closeWith(code);
    };
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const Item& item : items) {
        QString last;
        QStringList parts = foldersOf(item.name, &last);
        if (item.name.endsWith(QLatin1Char('/'))) {
            QStringList made;
            const int fd = openFolder(stageFd, parts << last, &made);
            if (fd < 0) return closeAll(resultOfFolderErrno(errno));
            ::close(fd);
            continue;
        }
        QStringList made;
        const int folder = openFolder(stageFd, parts, &made);
        if (folder < 0) return closeAll(resultOfFolderErrno(errno));
        const int fd = ::openat(folder, QFile::encodeName(last).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        const int openErrno = errno;
        if (fd < 0) {
            ::close(folder);
            return closeAll(openErrno == EEXIST ? ConflictingNames : resultOfErrno(openErrno));
        }
        zip_file_t* zf = zip_fopen_index(za, item.index, 0);
        if (!zf) {
            ::close(fd);
            ::close(folder);
            return closeAll(resultOfZipError(zip_get_error(za)));
        }
        QFile out;
        int code = out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) ? Success : WriteError;
        if (code != Success) ::close(fd);
        qint64 written = 0;
        while (code == Success) {
            const zip_int64_t n = zip_fread(zf, buffer.data(), zip_uint64_t(buffer.size()));
            if (n < 0) code = resultOfZipError(zip_file_get_error(zf));
            if (n <= 0) break;
            // Never more than the entry said it holds, whatever its data inflates to.
            written += n;
            if (written > item.size)
                code = BadArchive;
            else if (out.write(buffer.constData(), n) != n)
                code = out.error() == QFileDevice::ResourceError ? DiskFull : WriteError;
        }
        zip_fclose(zf);
        if (code == Success && written != item.size) code = BadArchive;
        if (code == Success && !out.flush()) code = DiskFull;
        if (code == Success && ::fchmod(out.handle(), item.mode) != 0) code = NoPermission;
        out.close();
        ::close(folder);
        if (code != Success) return closeAll(code);
        *output += written;
    }
    ::close(stageFd);
    zip_discard(za);
    return moveIntoPlace(stage.path(), UnzipToFolder);
}
