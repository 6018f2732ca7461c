#include "frmRptProtGroup.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "FormLayout.h"
#include "frmMDI.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");
}

frmRptProtGroup::frmRptProtGroup(QWidget* parent) : QDialog(parent) {
    buildControls();
    for (int i = 0; i < 4; ++i)
        connect(cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    Form_Load();
}

frmRptProtGroup::~frmRptProtGroup() {
    Form_Unload();
}

void frmRptProtGroup::Form_Load() {
    setWindowIcon(frmMDI::exists() ? frmMDI::instance()->windowIcon() : QApplication::windowIcon());
    const QString crlf = QStringLiteral("\r\n");
    // The first line's "A" is a Latin capital, as the system writes it.
    lbl->setText(QStringLiteral("Για τις επιλεγμένες εγγραφές Πρωτοκόλλου, εκτυπώνονται ") +
                 QStringLiteral("τα σύνολα: ") + crlf + crlf + QStringLiteral("* Aνά τύπο εισερχόμενου") +
                 crlf + QStringLiteral("* Ανά τύπο εξερχόμενου") + crlf +
                 QStringLiteral("* Ανά προέλευση (από)") + crlf + QStringLiteral("* Ανά προορισμό (προς)") +
                 crlf + QStringLiteral("* Ανά υπεύθυνη μονάδα"));
    bool flag1 = true, flag2 = true;
    FormLayout::Shared().Restore(this, 0, 0, 0, 0, kSection, flag1, flag2);
}

void frmRptProtGroup::Form_Unload() {
    bool flag = true;
    FormLayout::Shared().Save(this, kSection, flag);
    m_canceled = true;
}

void frmRptProtGroup::cmdAction_Click(int Index) {
    static const long actions[4] = {actPrint, actPreview, actPageSetup, actCancel};
    m_action = actions[Index];
    m_canceled = Index == 3;
    hide();
    done(m_canceled ? Rejected : Accepted);
}

void frmRptProtGroup::reject() {
    cmdAction_Click(3);
}
