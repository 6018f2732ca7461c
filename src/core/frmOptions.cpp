#include "frmOptions.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "DBHelper.h"
#include "Err.h"
#include "NumBox.h"
#include "SettingsStore.h"
#include "StrHelper.h"
#include "cls_Error.h"
#include "frmMDI.h"
#include "frm_SelectFolder.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {
const QString kSection = QStringLiteral("\\Protocol");
const QString kGridMaxRecs = QStringLiteral("grdMaxRecs");

// The number a text begins with, as the system reads numbers out of texts; 0 when none.
double leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+))"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : 0;
}

// Halves go to the even neighbour, as the system rounds.
long roundWhole(double value) {
    return long(std::nearbyint(value));
}

long userId() {
    return gUser ? gUser->UserId : 0;
}

void reportDBError(const QString& source, const QObject* caller) {
    if (gErr) {
        gErr->DBErrorMsg(source, true, caller);
        return;
    }
    cls_Error().DBErrorMsg(source, true, caller);
}
}  // namespace

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {
    buildControls();
    connect(cmdSelectFolder[0], &QPushButton::clicked, this, [this] { cmdSelectFolder_Click(0); });
    for (int i = 0; i < 2; ++i)
        connect(cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    Form_Load();
}

frmOptions::~frmOptions() = default;

void frmOptions::Form_Load() {
    setWindowIcon(frmMDI::AppIcon());

    m_folder = gDocsFolder;
    txtFolder[0]->setText(m_folder);

    const QString limit =
        SettingsStore::GetValue(kSection, kGridMaxRecs, QString::number(kMinGridRecs), true);
    numGridMaxRecs->SetValue(qlonglong(roundWhole(leadingNumber(limit))));
    lbl[1]->setText(lbl[1]->text() + QStringLiteral("(") + QString::number(kMinGridRecs) +
                    QStringLiteral(" έως ") + QString::number(kMaxGridRecs) + QStringLiteral(")"));

    Err().Clear();
    const QString days = DBHelper::LookupValue(gConn, QStringLiteral("PARAM"), QStringLiteral("PCODE='PCHK'"),
                                               QStringLiteral("PVAL"), 0, QStringLiteral(","));
    if (Err().Pending()) {
        // A failed read leaves the box empty; the dialog opens all the same.
        Err().Clear();
    } else {
        m_pswDays = roundWhole(leadingNumber(days));
        numPswDays->SetValue(qlonglong(m_pswDays));
    }
}

void frmOptions::cmdSelectFolder_Click(int index) {
    frm_SelectFolder picker(this);
    picker.Init();
    picker.exec();
    if (!picker.Canceled()) txtFolder[index]->setText(picker.folderName());
}

bool frmOptions::saveParam(const QString& code, const QString& valueLiteral) {
    const QString table = QStringLiteral("PARAM");
    const QString condition = QStringLiteral("PCODE='") + code + QLatin1Char('\'');
    const QString id = QString::number(userId());
    Err().Clear();
    if (DBHelper::RecExists(gConn, table, condition))
        return DBHelper::UpdateRec(gConn, table, condition,
                                   QStringLiteral("PVAL=") + valueLiteral + QStringLiteral(",MODUSER=") + id,
                                   QStringList());
    // A failed look-up is not an absent row: an insert would only hide the first error.
    if (Err().Pending()) return false;
    return !DBHelper::InsertRec(
                gConn, table, 0, QString(), QStringLiteral("PCODE,PVAL,MODUSER"),
                QLatin1Char('\'') + code + QStringLiteral("',") + valueLiteral + QLatin1Char(',') + id,
                QStringList())
                .isNull();
}

void frmOptions::cmdAction_Click(int index) {
    if (index == 1) {
        // An emptied box gives no number: the stored limit stays as it is.
        const QVariant limit = numGridMaxRecs->Value();
        if (!limit.isNull()) {
            const qlonglong n = std::clamp<qlonglong>(limit.toLongLong(), kMinGridRecs, kMaxGridRecs);
            SettingsStore::SaveValue(kSection, kGridMaxRecs, QString::number(n), true);
        }

        m_folder = StrHelper::NormPath(txtFolder[0]->text().trimmed());
        if (m_folder != gDocsFolder) {
            if (!saveParam(QStringLiteral("PFOLD"), StrHelper::SqlValue(m_folder)))
                reportDBError(QStringLiteral("ProtFiles_Folder"), this);
            gDocsFolder = m_folder;
        }

        const QVariant days = numPswDays->Value();
        if (!days.isNull() && days.toLongLong() != m_pswDays) {
            const qlonglong n = std::clamp<qlonglong>(days.toLongLong(), kMinPswDays, kMaxPswDays);
            // PVAL is a text column: the number goes in as its text.
            if (!saveParam(QStringLiteral("PCHK"), StrHelper::SqlValue(QString::number(n))))
                reportDBError(QStringLiteral("Psw Days"), this);
        }
        accept();
        return;
    }
    QDialog::reject();
}

void frmOptions::reject() {
    cmdAction_Click(0);
}
