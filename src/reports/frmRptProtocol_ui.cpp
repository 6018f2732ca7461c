// The controls of frmRptProtocol.
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "frmRptProtocol.h"

void frmRptProtocol::buildControls() {
    setObjectName(QStringLiteral("frmRptProtocol"));
    setAccessibleDescription(objectName());
    setWindowTitle(QStringLiteral("Εκτύπωση Πρωτοκόλλου"));

    Frame1 = named(new QGroupBox(QStringLiteral("Επιλέξτε τύπο εκτύπωσης "), this), QStringLiteral("Frame1"));
    auto* rows = new QVBoxLayout(Frame1);
    const QString options[4] = {QStringLiteral("Αναλυτική εκτύπωση"),
                                QStringLiteral("Συγκεντρωτική εκτύπωση"),
                                QStringLiteral("Εκτύπωση βεβαίωσης"), QStringLiteral("Εκτύπωση βεβαίωσεων")};
    const QString notes[4] = {
        QStringLiteral("Για τις επιλεγμένες ή όλες τις εγγραφές Πρωτοκόλλου"),
        QStringLiteral("Σύνολα ανά τύπο εισερχόμενου, τύπο εξερχόμενου, προέλευση (από), προορισμό (προς), "
                       "υπεύθυνη μονάδα"),
        QStringLiteral("Για την τρέχουσα εγγραφή Πρωτοκόλλου"),
        QStringLiteral("Για κάθε εγγραφή Πρωτοκόλλου")};
    for (int i = 0; i < 4; ++i) {
        const QString index = QStringLiteral("(%1)").arg(i);
        optRpt[i] = named(new QRadioButton(options[i], Frame1), QStringLiteral("optRpt") + index);
        lbl[i] = named(new QLabel(notes[i], Frame1), QStringLiteral("lbl") + index);
        lbl[i]->setWordWrap(true);
        lbl[i]->setContentsMargins(22, 0, 0, 0);  // under the option's text, past its circle
        rows->addWidget(optRpt[i]);
        rows->addWidget(lbl[i]);
        rows->addSpacing(6);
    }

    // "ΟΚ" in Greek capitals Omicron Kappa.
    cmdAction[0] =
        named(new QPushButton(QStringLiteral("\u039F\u039A"), this), QStringLiteral("cmdAction(0)"));
    cmdAction[1] = named(new QPushButton(QStringLiteral("Έξοδος"), this), QStringLiteral("cmdAction(1)"));
    cmdAction[0]->setDefault(true);
    cmdAction[0]->setAutoDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAction[0]);
    buttons->addWidget(cmdAction[1]);

    auto* main = new QVBoxLayout(this);
    main->addWidget(Frame1, 1);
    main->addLayout(buttons);
    setMinimumWidth(420);
}
