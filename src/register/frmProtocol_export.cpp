// The list page's export to a semicolon-separated file for a spreadsheet.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <iterator>

#include "CommonDialog.h"
#include "Cp1253.h"
#include "DBHelper.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "RegionalSettings.h"
#include "Screen.h"
#include "Utility.h"
#include "clsDBForm.h"
#include "frmMDI.h"
#include "frmProtocol.h"
#include "modDeclare.h"

namespace {

struct Column {
    const char* field;
    bool cleaned;
};

const Column kColumns[] = {
    {"PROT_AA", false},       {"ETOS", false},         {"HMEROM", false},    {"APO", true},
    {"EIS_TYPOS_CODE", true}, {"PROT_EIS", true},      {"HMER_EIS", true},   {"TOPOS_EPID", true},
    {"ARMODIOS_A", true},     {"PERILIPSI_EIS", true}, {"THEMA", true},      {"ARXEIOTHETHSH", true},
    {"SYSXETIZOMENA", true},  {"ARMODIOS", true},      {"PROS", true},       {"EX_TYPOS_CODE", true},
    {"PARATHR", true},        {"DIEYTH_PARAL", true},  {"POLH_PARAL", true}, {"THEMA_EX", true},
    {"HMER_APANT", true},     {"HMER_DIEKP", true},
};

const char16_t kHeader[] =
    u"Αρ. Πρωτ.;Έτος;Ημερομηνία;Από;Τύπος Εισερχ.;Πρωτόκολλο. εισερχ.;Ημερομηνία Εισερχ.;Τόπος;Αρμόδιος;"
    u"Περίληψη;Θέμα;Αρχειοθέτηση;Συσχετιζόμενα;Αρμόδιος εξ.;Προς;Τύπ.Εξ;Παρατηρήσεις.;Διεύθυνση Παραλήπτη;"
    u"Πόλη Παραλήπτη;Θέμα Εξερχ.;Ημερομ. Απάντ.;Ημερομ. Διεκπ.";

// A day as the user's short date, formatted once per day met.
const QString& dayText(const QDate& day, frmProtocol::ExportFormat& format) {
    auto it = format.dates.find(day.toJulianDay());
    if (it == format.dates.end()) it = format.dates.insert(day.toJulianDay(), day.toString(format.dateFormat));
    return *it;
}

// A value as text: dates in the user's short-date format, the time after a blank unless it is
// midnight; numbers in plain decimal; Null empty.
QString valueText(const QVariant& v, frmProtocol::ExportFormat& format) {
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QString) return v.toString();
    if (v.typeId() == QMetaType::QDate) return dayText(v.toDate(), format);
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime t = v.toDateTime();
        QString text = dayText(t.date(), format);
        if (t.time() != QTime(0, 0)) text += u' ' + t.time().toString(format.timeFormat);
        return text;
    }
    return DBHelper::ValueText(v);
}

// True when the value would split a line or a column unquoted.
bool needsQuotes(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u';' || u == u'"' || u == u'\r' || u == u'\n') return true;
    }
    return false;
}

QString stamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"));
}

}  // namespace

frmProtocol::ExportFormat frmProtocol::ExportFormatOf(const ListRecordset& list) {
    ExportFormat f;
    f.dateFormat = RegionalSettings::ShortDateFormat();
    f.timeFormat = RegionalSettings::TimeFormat();
    for (const Column& c : kColumns) f.fields << list.fieldIndex(QLatin1String(c.field));
    return f;
}

void frmProtocol::AppendExportLine(QString& out, ExportFormat& format, const QVector<QVariant>& values) {
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        const int field = format.fields.value(i, -1);
        if (field >= 0 && field < values.size() && !values.at(field).isNull()) {
            QString text = valueText(values.at(field), format);
            if (kColumns[i].cleaned && (text.contains(u'\r') || text.contains(u'\n'))) Utility::OneLine(text);
            if (needsQuotes(text))
                out += CsvValue(text);
            else
                out += text;
        }
        out += u';';
    }
    out += QLatin1String("\r\n");
}

QString frmProtocol::CsvValue(const QString& text) {
    // Only values that would otherwise split a line or a column are quoted, so that every other
    // file is written byte for byte as before.
    if (!needsQuotes(text)) return text;
    QString inner = text;
    inner.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

QString frmProtocol::ExportHeader() {
    return QString::fromUtf16(kHeader);
}

void frmProtocol::cmdExport_Click() {
    if (MsgBox(QStringLiteral("Έχετε επιλέξει εξαγωγή λίστας σε αρχείο τύπου .csv(excel). Είστε σίγουροι;"),
               vb::vbYesNo | vb::vbQuestion) != vb::vbYes)
        return;
    CommonDialog& dlg = frmMDI::instance()->cmnDlg1;
    dlg.Filter = QStringLiteral("Αρχεία CSV (*.csv)|*.csv");
    const QString profile =
        qEnvironmentVariableIsSet("USERPROFILE") ? qEnvironmentVariable("USERPROFILE") : QDir::homePath();
    const QString folder = QDir::cleanPath(profile + QStringLiteral("/AppData/Local/Protocol"));
    // A proposed folder that is not there gives way to the home folder.
    const QString proposedIn = QFileInfo(folder).isDir() ? folder : QDir::homePath();
    dlg.FileName = proposedIn + QStringLiteral("/ProtocolExport-") + stamp() + QStringLiteral(".csv");
    // The dialog is shared: the file picker leaves it raising an error on cancel, with its own
    // title, type and extension.
    dlg.CancelError = false;
    dlg.DialogTitle.clear();
    dlg.DefaultExt.clear();
    dlg.FilterIndex = 1;
    dlg.ShowSave(this);
    const QString name = dlg.FileName;
    if (dlg.Canceled || Utility::FileExt(name).toUpper() != QLatin1String("CSV")) return;

    const std::shared_ptr<ListRecordset> list = mclsDBForm ? mclsDBForm->List() : nullptr;
    if (!list || !list->IsOpen()) {
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("cmdExport"),
                    QStringLiteral("The list is not open."));
        if (modDeclare::gErr) modDeclare::gErr->ErrorMsg(QStringLiteral("cmdExport_Click"), true, this);
        return;
    }
    if (list->rowCount() == 0 || name.isEmpty()) return;

    Screen::SetMousePointer(Screen::vbHourglass);
    QFile file(name);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Append);
    const QByteArray crlf("\r\n");
    if (ok) ok = file.write(Cp1253::encode(ExportHeader()) + crlf) >= 0;
    if (ok) {
        // One pass: the rows are read by key in chunks and kept nowhere; the lines are encoded and
        // written some at a time (a code-page converter for every line cost more than the line).
        ExportFormat format = ExportFormatOf(*list);
        QString lines;
        const auto flush = [&] {
            const bool written = lines.isEmpty() || file.write(Cp1253::encode(lines)) >= 0;
            lines.clear();
            return written;
        };
        ok = list->Walk(
            [&](int, const QVector<QVariant>& values) {
                AppendExportLine(lines, format, values);
                return lines.size() < 64 * 1024 || flush();
            },
            1000, format.fields);
        ok = flush() && ok;
    }
    const QString error = file.error() != QFileDevice::NoError ? file.errorString() : QString();
    file.close();
    Screen::SetMousePointer(Screen::vbDefault);
    if (!ok) {
        if (!Err().Pending())
            Err().Raise(ErrNo::PermissionDenied, QStringLiteral("cmdExport"),
                        error.isEmpty() ? name : name + QStringLiteral(": ") + error);
        if (modDeclare::gErr) modDeclare::gErr->ErrorMsg(QStringLiteral("cmdExport_Click"), true, this);
        return;
    }
    MsgBox(QStringLiteral("Η εξαγωγή ολοκληρώθηκε: ") + QStringLiteral("\r\n") +
               QFileInfo(file).absoluteFilePath(),
           vb::vbOKOnly);
}
