#include "frmRptProtocol.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>

#include "frmMDI.h"

frmRptProtocol::frmRptProtocol(QWidget* parent) : QDialog(parent) {
    buildControls();
    for (int i = 0; i < 2; ++i)
        connect(cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    Form_Load();
}

void frmRptProtocol::Form_Load() {
    setWindowIcon(frmMDI::exists() ? frmMDI::instance()->windowIcon() : QApplication::windowIcon());
    optRpt[2]->setChecked(true);  // the receipt of the current entry
    optRpt[2]->setFocus();        // else Space would tick the first choice, which has the focus
}

long frmRptProtocol::Rpt_Selection() const {
    if (m_canceled) return 0;
    for (int i = 0; i < 4; ++i)
        if (optRpt[i]->isChecked()) return i + 1;
    return 0;
}

void frmRptProtocol::cmdAction_Click(int Index) {
    m_canceled = Index == 1;
    hide();
    done(m_canceled ? Rejected : Accepted);
}

void frmRptProtocol::reject() {
    cmdAction_Click(1);
}
