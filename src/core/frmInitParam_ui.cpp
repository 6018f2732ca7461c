// The controls of frmInitParam.
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "frmInitParam.h"

void frmInitParam::buildControls() {
    setObjectName(QStringLiteral("frmInitParam"));
    setAccessibleDescription(objectName());
    setWindowTitle(QStringLiteral("Αρχικές ρυθμίσεις εφαρμογής"));

    Frame1 = named(new QFrame(this), QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    auto* rows = new QVBoxLayout(Frame1);

    const QString captions[2] = {QStringLiteral("Όνομα Database Server"),
                                 QStringLiteral("Ονομασία οργανισμού (για επικεφαλίδες εκτυπώσεων)")};
    for (int i = 0; i < 2; ++i) {
        const QString index = QStringLiteral("(%1)").arg(i);
        lblPassword[i] = named(new QLabel(captions[i], Frame1), QStringLiteral("lblPassword") + index);
        txt[i] = named(new QLineEdit(Frame1), QStringLiteral("txt") + index);
        txt[i]->setAccessibleName(captions[i]);
        lblPassword[i]->setBuddy(txt[i]);
        rows->addWidget(lblPassword[i]);
        rows->addWidget(txt[i]);
        rows->addSpacing(12);
    }
    rows->addStretch(1);

    // "ΟΚ" in Greek capitals Omicron Kappa.
    cmdAction[1] = named(new QPushButton(QStringLiteral("ΟΚ"), this), QStringLiteral("cmdAction(1)"));
    cmdAction[0] = named(new QPushButton(QStringLiteral("Ακύρωση"), this), QStringLiteral("cmdAction(0)"));
    cmdAction[1]->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAction[1]);
    buttons->addWidget(cmdAction[0]);

    auto* main = new QVBoxLayout(this);
    main->addWidget(Frame1, 1);
    main->addLayout(buttons);
}
