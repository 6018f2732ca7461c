#include "frm_Psw.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "MsgBox.h"

namespace {
constexpr int kMinLength = 5;
}

frm_Psw::frm_Psw(QWidget* parent) : QDialog(parent) {
    buildControls();
    setWindowIcon(QApplication::windowIcon());
    for (int i = 0; i < 2; ++i)
        connect(cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
}

void frm_Psw::cmdAction_Click(int index) {
    m_newPsw.clear();
    txtPsw[0]->setText(txtPsw[0]->text().remove(QLatin1Char(' ')));
    const QString candidate = txtPsw[0]->text().trimmed().toUpper();

    if (index == 0) {
        QDialog::reject();
        return;
    }
    if (candidate == m_oldPsw) {
        refuse(QStringLiteral("Πρέπει να δώσετε διαφορετικό Κωδικό από τον προηγούμενο."), 0);
        return;
    }
    if (candidate.size() < kMinLength) {
        // The message begins with a Latin capital O.
        refuse(QStringLiteral("O Κωδικός πρεπει να έχει τουλάχιστον ") + QString::number(kMinLength) +
                   QStringLiteral(" χαρακτήρες."),
               0);
        return;
    }
    if (txtPsw[1]->text().isEmpty()) {
        refuse(QStringLiteral("Πρέπει να επαναπληκτρολογήσετε τον Κωδικό."), 1);
        return;
    }
    if (txtPsw[1]->text().trimmed().toUpper() != candidate) {
        refuse(QStringLiteral("Πρέπει να επαναπληκτρολογήσετε τον Κωδικό ακριβώς όπως στο πρώτο πλαίσιο."),
               1);
        return;
    }
    m_newPsw = candidate;
    accept();
}

void frm_Psw::refuse(const QString& message, int box) {
    MsgBox(message, vb::vbExclamation);
    txtPsw[box]->setFocus();
}

void frm_Psw::reject() {
    cmdAction_Click(0);
}
