// The controls of frmActions.
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "AppIcons.h"
#include "ControlNames.h"
#include "frmActions.h"

void frmActions::buildControls() {
    named(this, QStringLiteral("frmActions"));
    setWindowTitle(QStringLiteral("Συντήρηση Βάσης Δεδομένων"));
    setWindowIcon(AppIcons::Icon(AppIcons::Program::Kessbo));

    SSTab1 = named(new QTabWidget(this), QStringLiteral("SSTab1"));

    auto* tab0 = new QWidget;
    Frame1 = named(new QFrame(tab0), QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Label2 = named(new QLabel(QStringLiteral("Βάση δεδομένων"), Frame1), QStringLiteral("Label2"));
    txtReg[0] = named(new QLineEdit(Frame1), QStringLiteral("txtReg(0)"));
    txtReg[0]->setAccessibleName(Label2->text());
    Label2->setBuddy(txtReg[0]);
    txtReg[0]->setPlaceholderText(QStringLiteral("Protocol"));
    lblHint = named(new QLabel(Frame1), QStringLiteral("lblHint"));
    lblHint->setWordWrap(true);
    lblHint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPath[0] = named(new QLabel(QStringLiteral("Προσοχή: Αυτός ο υπολογιστής (όπου τώρα εκτελείται η εφαρμογή) "
                                                 "πρέπει να είναι ο Database Server. "),
                                  Frame1),
                       QStringLiteral("lblPath(0)"));
    lblPath[1] = named(new QLabel(QStringLiteral("Με την επιλογή αυτή, δηλώνετε την ονομασία της Βάσης Δεδομένων της "
                                                 "εφαρμογής σας. Η βάση αυτή είναι  μία SQL Server Database. "),
                                  Frame1),
                       QStringLiteral("lblPath(1)"));
    auto* rows0 = new QVBoxLayout(Frame1);
    rows0->addWidget(Label2);
    rows0->addWidget(txtReg[0]);
    rows0->addWidget(lblHint);
    rows0->addSpacing(10);
    for (QLabel* l : lblPath) {
        l->setWordWrap(true);
        rows0->addWidget(l);
    }
    rows0->addStretch(1);
    (new QVBoxLayout(tab0))->addWidget(Frame1);

    auto* tab1 = new QWidget;
    Frame2 = named(new QFrame(tab1), QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::StyledPanel);
    for (int i = 0; i < 2; ++i) {
        lblBackup[i] = named(new QLabel(Frame2), QStringLiteral("lblBackup(%1)").arg(i));
        lblBackup[i]->setWordWrap(true);
        optZip[i] = named(new QRadioButton(Frame2), QStringLiteral("optZip(%1)").arg(i));
    }
    // "Α" after "drive" is the Greek capital alpha.
    optZip[0]->setText(QStringLiteral("Δισκέτα στο drive Α:"));
    cmdBackup = named(new QPushButton(QStringLiteral("Έναρξη"), Frame2), QStringLiteral("cmdBackup"));
    auto* rows1 = new QVBoxLayout(Frame2);
    rows1->addWidget(lblBackup[0]);
    rows1->addWidget(optZip[0]);
    rows1->addWidget(optZip[1]);
    rows1->addSpacing(10);
    rows1->addWidget(lblBackup[1]);
    auto* start = new QHBoxLayout;
    start->addStretch(1);
    start->addWidget(cmdBackup);
    rows1->addLayout(start);
    rows1->addStretch(1);
    (new QVBoxLayout(tab1))->addWidget(Frame2);

    SSTab1->addTab(tab0, QStringLiteral("Εντοπισμός Βάσης Δεδομένων"));
    SSTab1->addTab(tab1, QStringLiteral("&Αντίγραφα Ασφαλείας"));

    cmdCancel = named(new QPushButton(QStringLiteral("Έξοδος"), this), QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(SSTab1, 1);
    main->addLayout(buttons);
    resize(520, 340);
}
