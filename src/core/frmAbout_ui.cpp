// The controls of frmAbout.
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "frmAbout.h"

void frmAbout::buildControls() {
    setObjectName(QStringLiteral("frmAbout"));
    setAccessibleDescription(objectName());

    Image2 = named(new QLabel(this), QStringLiteral("Image2"));
    Image2->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    lblVersion = named(new QLabel(this), QStringLiteral("lblVersion"));
    QFont versionFont = lblVersion->font();
    versionFont.setBold(true);
    lblVersion->setFont(versionFont);
    lbCopyright = named(new QLabel(this), QStringLiteral("lbCopyright"));
    lbCopyright->setWordWrap(true);
    lbCopyright->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Line1 = named(new QFrame(this), QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    // "ΟΚ" in Greek capitals Omicron Kappa.
    cmdOK = named(new QPushButton(QStringLiteral("ΟΚ"), this), QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblVersion);
    texts->addWidget(lbCopyright, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(Image2);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top, 1);
    main->addWidget(Line1);
    main->addLayout(buttons);
    setMinimumWidth(360);
}
