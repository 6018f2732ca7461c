// The controls of frm_SelectFolder.
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "frm_SelectFolder.h"

void frm_SelectFolder::buildControls() {
    setObjectName(QStringLiteral("frm_SelectFolder"));
    setAccessibleDescription(objectName());
    setWindowTitle(QStringLiteral("Επιλογή κατάλογου"));
    setSizeGripEnabled(true);

    Drive1 = named(new QComboBox(this), QStringLiteral("Drive1"));
    Dir1 = named(new QListWidget(this), QStringLiteral("Dir1"));
    Dir1->setSelectionMode(QAbstractItemView::SingleSelection);
    Dir1->setUniformItemSizes(true);
    // The two lists have no label of their own.
    Drive1->setAccessibleName(QStringLiteral("Μονάδα δίσκου"));
    Dir1->setAccessibleName(QStringLiteral("Κατάλογοι"));

    Label4 = named(new QLabel(QStringLiteral("Επιλεγμένος κατάλογος"), this), QStringLiteral("Label4"));
    txtFolder = named(new QLineEdit(this), QStringLiteral("txtFolder"));
    txtFolder->setReadOnly(true);
    txtFolder->setAccessibleName(Label4->text());
    Label4->setBuddy(txtFolder);

    Frame1 = named(new QGroupBox(QStringLiteral("Νέος κατάλογος"), this), QStringLiteral("Frame1"));
    txtNewFolder = named(new QLineEdit(Frame1), QStringLiteral("txtNewFolder"));
    txtNewFolder->setAccessibleName(Frame1->title());
    cmdNewFolder =
        named(new QPushButton(QStringLiteral("Δημιουργία"), Frame1), QStringLiteral("cmdNewFolder"));
    cmdNewFolder->setAutoDefault(false);
    auto* newRow = new QHBoxLayout(Frame1);
    newRow->addWidget(txtNewFolder, 1);
    newRow->addWidget(cmdNewFolder);

    cmdOK = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOK"));
    cmdExit = named(new QPushButton(QStringLiteral("Ακύρωση"), this), QStringLiteral("cmdExit"));
    cmdOK->setDefault(true);
    cmdExit->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdExit);

    auto* main = new QVBoxLayout(this);
    main->addWidget(Drive1);
    main->addWidget(Dir1, 1);
    main->addSpacing(4);
    main->addWidget(Label4);
    main->addWidget(txtFolder);
    main->addSpacing(4);
    main->addWidget(Frame1);
    main->addLayout(buttons);

    resize(420, 480);
    Dir1->setFocus();
}
