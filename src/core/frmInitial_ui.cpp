// The controls of frmInitial.
#include <QApplication>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "App.h"
#include "ControlNames.h"
#include "frmInitial.h"

void frmInitial::buildControls() {
    setObjectName(QStringLiteral("frmInitial"));
    setAccessibleDescription(objectName());
    setWindowTitle(App::Title());
    setWindowIcon(QApplication::windowIcon());

    Label1 = named(new QLabel(QStringLiteral("Παρακαλώ περιμένετε ..."), this), QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);

    fraLogin = named(new QFrame(this), QStringLiteral("fraLogin"));
    fraLogin->setFrameShape(QFrame::StyledPanel);
    fraLogin->setVisible(false);
    auto* grid = new QGridLayout(fraLogin);

    const QString captions[2] = {QStringLiteral("Όνομα χρήστη"), QStringLiteral("Κωδικός ασφαλείας")};
    txtLoginName = named(new QLineEdit(fraLogin), QStringLiteral("txtLoginName"));
    txtPassword = named(new QLineEdit(fraLogin), QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // shows "*"
    QLineEdit* boxes[2] = {txtLoginName, txtPassword};
    for (int i = 0; i < 2; ++i) {
        lbl[i] = named(new QLabel(captions[i], fraLogin), QStringLiteral("lbl(%1)").arg(i));
        lbl[i]->setBuddy(boxes[i]);
        boxes[i]->setAccessibleName(captions[i]);
        grid->addWidget(lbl[i], i, 0);
        grid->addWidget(boxes[i], i, 1);
    }

    // Latin "OK" here, unlike the Greek "ΟΚ" of the other dialogs.
    cmdOK = named(new QPushButton(QStringLiteral("OK"), fraLogin), QStringLiteral("cmdOK"));
    cmdCancel = named(new QPushButton(QStringLiteral("Ακύρωση"), fraLogin), QStringLiteral("cmdCancel"));
    cmdOK->setDefault(true);
    cmdOK->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);

    lblVersion = named(new QLabel(this), QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(24, 24, 24, 12);
    main->addWidget(Label1);
    main->addWidget(fraLogin);
    main->addStretch(1);
    main->addWidget(lblVersion);
    setMinimumWidth(380);

    setTabOrder(txtLoginName, txtPassword);
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
}
