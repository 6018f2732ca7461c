// The controls of frmRptProtGroup.
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "frmRptProtGroup.h"

void frmRptProtGroup::buildControls() {
    setObjectName(QStringLiteral("frmRptProtGroup"));
    setAccessibleDescription(objectName());
    setWindowTitle(QStringLiteral("Εκτύπωση Συνόλων"));

    Frame1 = named(new QFrame(this), QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    lbl = named(new QLabel(Frame1), QStringLiteral("lbl"));
    lbl->setWordWrap(true);
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* inside = new QVBoxLayout(Frame1);
    inside->addWidget(lbl);

    const QString captions[4] = {QStringLiteral("Εκτύπωση"), QStringLiteral("Προεπισκόπηση"),
                                 QStringLiteral("Ρυθμίσεις Εκτύπωσης"), QStringLiteral("Ακύρωση")};
    auto* buttons = new QVBoxLayout;
    for (int i = 0; i < 4; ++i) {
        cmdAction[i] = named(new QPushButton(captions[i], this), QStringLiteral("cmdAction(%1)").arg(i));
        buttons->addWidget(cmdAction[i]);
    }
    buttons->addStretch(1);
    cmdAction[0]->setDefault(true);
    cmdAction[0]->setAutoDefault(true);

    auto* main = new QHBoxLayout(this);
    main->addWidget(Frame1, 1);
    main->addLayout(buttons);
    resize(480, 200);
}
