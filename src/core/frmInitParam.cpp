#include "frmInitParam.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

#include "FormLayout.h"
#include "MsgBox.h"
#include "NetInfo.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");
}

frmInitParam::frmInitParam(QWidget* parent) : QDialog(parent) {
    buildControls();
    for (int i = 0; i < 2; ++i)
        connect(cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    Form_Load();
}

frmInitParam::~frmInitParam() {
    Form_Unload();
}

QString frmInitParam::ServerName() const {
    return txt[0]->text();
}

QString frmInitParam::Logo() const {
    return txt[1]->text();
}

void frmInitParam::Form_Load() {
    setWindowIcon(QApplication::windowIcon());
    bool restoreFlag1 = true, restoreFlag2 = true;
    FormLayout::Shared().Restore(this, 0, 0, 8220, 5565, kSection, restoreFlag1, restoreFlag2);
    txt[0]->setText(NetInfo().ComputerName());
}

void frmInitParam::Form_Unload() {
    // The close box unloads the form before its caller does; save the place once.
    if (!m_unloaded) {
        bool saveFlag = true;
        FormLayout::Shared().Save(this, kSection, saveFlag);
        m_unloaded = true;
    }
    m_canceled = true;
}

void frmInitParam::cmdAction_Click(int index) {
    if (index == 1) {
        txt[0]->setText(txt[0]->text().trimmed());
        if (txt[0]->text().isEmpty()) {
            MsgBox(QStringLiteral("Πρέπει να συμπληρώσετε το όνομα του db Server"), vb::vbCritical);
            return;
        }
        txt[1]->setText(txt[1]->text().trimmed());
    }
    m_canceled = (index == 0);
    // Hiding ends the modal loop; the caller reads the result before it deletes the form.
    if (index == 1)
        accept();
    else
        QDialog::reject();
}

void frmInitParam::reject() {
    cmdAction_Click(0);
}

void frmInitParam::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}
