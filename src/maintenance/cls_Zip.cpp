#include "cls_Zip.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QLocale>
#include <QThread>

#include "App.h"
#include "MsgBox.h"
#include "RegionalSettings.h"
#include "Screen.h"
#include "ZipComponent.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");
// The completion event comes during the call; a component that never sends it is given this long.
constexpr int kCompletionWaitMs = 5000;

// "###,##0.00" with the user's regional separators.
QString formatKBytes(double value) {
    QString digits = QLocale::c().toString(value, 'f', 2);  // "1234.50"
    const qsizetype dot = digits.indexOf(QLatin1Char('.'));
    QString whole = digits.left(dot);
    const QString fraction = digits.mid(dot + 1);
    const QString group = RegionalSettings::Value(RegionalSettings::LOCALE_STHOUSAND);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3) whole.insert(i, group);
    return whole + RegionalSettings::Value(RegionalSettings::LOCALE_SDECIMAL) + fraction;
}
}  // namespace

cls_Zip::cls_Zip() : mxZip(std::make_unique<ZipComponent>()) {
    mxZip->InsertDisk = [this](long disk, bool& inserted) { mxZip_InsertDisk(disk, inserted); };
    mxZip->ProcessCompleted = [this](long a, long b, long c, qint64 d, qint64 e, qint64 f, qint64 g, int h, int i) {
        mxZip_ProcessCompleted(a, b, c, d, e, f, g, h, i);
    };
    mxZip->Progress = [this](qint64 done, qint64 total) {
        if (Progress) Progress(done, total);
    };
}

cls_Zip::~cls_Zip() = default;

void cls_Zip::SetDefaultOptions() {
    mbBusy = true;
    ZipComponent& z = *mxZip;
    z.BasePath = QString();
    z.CompressionLevel = 9;
    z.EncryptionPassword = QString();
    z.RequiredFileAttributes = 0;
    z.ExcludedFileAttributes = 24;
    z.FilesToProcess = QString();
    z.FilesToExclude = QString();
    z.MinDateToProcess = QDate(1900, 1, 1);
    z.MaxDateToProcess = QDate(9999, 12, 31);
    z.MinSizeToProcess = 0;
    z.MaxSizeToProcess = 0;
    z.SplitSize = 0;
    z.PreservePaths = true;
    z.ProcessSubfolders = false;
    z.SkipIfExisting = false;
    z.SkipIfNotExisting = false;
    z.SkipIfOlderDate = false;
    z.SkipIfOlderVersion = false;
    z.TempFolder = QString();
    z.UseTempFile = true;
    z.UnzipToFolder = QString();
    z.ZipFilename = QString();
    z.SpanMultipleDisks = 2;
    z.ExtraHeaders = 0;
    z.ZipOpenedFiles = true;
}

bool cls_Zip::ZipFile(QString sSourceFilename, QString sToZipFileName, QString pPassword) {
    Screen::SetMousePointer(Screen::vbHourglass);
    SetDefaultOptions();
    ZipComponent& z = *mxZip;
    z.ZipFilename = sToZipFileName;
    z.BasePath = QString();
    z.FilesToProcess = sSourceFilename;
    z.FilesToExclude = QString();
    z.PreservePaths = false;
    z.UseTempFile = false;
    z.TempFolder = QString();
    if (!pPassword.trimmed().isEmpty()) z.EncryptionPassword = pPassword.trimmed();

    const int code = z.Zip();
    QDeadlineTimer deadline(kCompletionWaitMs);
    while (mbBusy && !deadline.hasExpired()) QThread::msleep(10);

    bool result = true;
    if (code != ZipComponent::Success && code != ZipComponent::NothingDone) {
        MsgBox(QStringLiteral("Σημειώθηκε σφάλμα κατά τη δημιουργία του αρχείου: ") + sToZipFileName + kCrLf + kCrLf +
                   QLatin1Char('[') + z.GetErrorDescription(0, code) + QLatin1Char(']'),
               vb::vbCritical, App::Title());
        result = false;
    }
    mbBusy = false;
    Screen::SetMousePointer(Screen::vbDefault);
    return result;
}

bool cls_Zip::UnZipFile(QString sFromZipFileName, QString sUnzipToFolder, QString pPassword) {
    Screen::SetMousePointer(Screen::vbHourglass);
    SetDefaultOptions();
    ZipComponent& z = *mxZip;
    z.ZipFilename = sFromZipFileName;
    z.UnzipToFolder = sUnzipToFolder;
    z.FilesToProcess = QString();
    z.SkipIfExisting = false;
    z.SkipIfNotExisting = false;
    z.SkipIfOlderDate = false;
    z.SkipIfOlderVersion = false;
    if (!pPassword.trimmed().isEmpty()) z.EncryptionPassword = pPassword.trimmed();

    const int code = z.Unzip();
    bool result = true;
    if (code != ZipComponent::Success && code != ZipComponent::NothingDone) {
        MsgBox(QStringLiteral("Σημειώθηκε σφάλμα κατά τη αποσυμπίεση του αρχείου: ") + sFromZipFileName + kCrLf +
                   kCrLf + QLatin1Char('[') + z.GetErrorDescription(0, code) + QLatin1Char(']'),
               vb::vbOKOnly, App::Title());
        result = false;
    }
    Screen::SetMousePointer(Screen::vbDefault);
    return result;
}

void cls_Zip::mxZip_InsertDisk(long lDiskNumber, bool& bDiskInserted) {
    const long n = lDiskNumber == 0 ? 1 : lDiskNumber;
    // "T" Latin, "Α" and "ΟΚ" Greek capitals, as the users know the text.
    const int answer = MsgBox(QStringLiteral("Tοποθετήστε την δισκέτα ") + QString::number(n) +
                                  QStringLiteral(" στο drive Α: και πατήστε ΟΚ"),
                              vb::vbInformation + vb::vbOKCancel, App::Title());
    bDiskInserted = answer == vb::vbOK;
}

void cls_Zip::mxZip_ProcessCompleted(long, long, long, qint64, qint64, qint64, qint64 lBytesOutput,
                                     int nCompressionRatio, int) {
    mbBusy = false;
    msZipInfo = SummaryText(lBytesOutput, nCompressionRatio);
}

QString cls_Zip::SummaryText(qint64 bytesOutput, int compressionRatio) {
    return QStringLiteral("Μέγεθος σε KBytes: ") + formatKBytes(double(bytesOutput) / 1024.0) +
           QStringLiteral(" -Ποσοστό συμπίεσης: ") + QString::number(compressionRatio) + QLatin1Char('%');
}
