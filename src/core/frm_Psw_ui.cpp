// The controls of frm_Psw.
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "frm_Psw.h"

void frm_Psw::buildControls() {
    setObjectName(QStringLiteral("frm_Psw"));
    setAccessibleDescription(objectName());
    setWindowTitle(QStringLiteral("Νέος Κωδικός ασφαλείας"));

    Frame1 = named(new QFrame(this), QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    auto* rows = new QVBoxLayout(Frame1);

    const QString captions[2] = {QStringLiteral("Κωδικός ασφαλείας"),
                                 QStringLiteral("Πληκτρολογήστε πάλι τον Κωδικό ασφαλείας")};
    for (int i = 0; i < 2; ++i) {
        const QString index = QStringLiteral("(%1)").arg(i);
        lblPassword[i] = named(new QLabel(captions[i], Frame1), QStringLiteral("lblPassword") + index);
        txtPsw[i] = named(new QLineEdit(Frame1), QStringLiteral("txtPsw") + index);
        txtPsw[i]->setEchoMode(QLineEdit::Password);
        txtPsw[i]->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // shows "*"
        txtPsw[i]->setAccessibleName(captions[i]);
        lblPassword[i]->setBuddy(txtPsw[i]);
        rows->addWidget(lblPassword[i]);
        rows->addWidget(txtPsw[i]);
        rows->addSpacing(8);
    }

    // "ΟΚ" in Greek capitals Omicron Kappa.
    cmdAction[1] =
        named(new QPushButton(QStringLiteral("\u039F\u039A"), this), QStringLiteral("cmdAction(1)"));
    cmdAction[0] = named(new QPushButton(QStringLiteral("Ακύρωση"), this), QStringLiteral("cmdAction(0)"));
    cmdAction[1]->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAction[1]);
    buttons->addWidget(cmdAction[0]);

    auto* main = new QVBoxLayout(this);
    main->addWidget(Frame1, 1);
    main->addLayout(buttons);
    setTabOrder(txtPsw[0], txtPsw[1]);
    setTabOrder(txtPsw[1], cmdAction[1]);
    setTabOrder(cmdAction[1], cmdAction[0]);
}
