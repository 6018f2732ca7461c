// The controls of frmPhrases, placed in twips as the resize rule keeps them.
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "FormLayout.h"
#include "frmPhrases.h"
#include "mod_Grid.h"

void frmPhrases::buildControls() {
    setObjectName(QStringLiteral("frmPhrases"));
    setAccessibleDescription(objectName());
    setSizeGripEnabled(true);

    fra = named(new QGroupBox(QStringLiteral("Γρήγορη αναζήτηση"), this), QStringLiteral("fra"));
    fra->setGeometry(Twips::rect(50, 0, 8020, 1260));

    auto* filter = new QLineEdit(fra);
    txt.set(0, filter);
    filter->setGeometry(Twips::rect(120, 300, 7810, 360));
    filter->setAccessibleName(fra->title());

    auto* hint = new QLabel(
        QStringLiteral("Πληκτρολογήστε αρχικούς χαρακτήρες για να δείτε τις σχετικές καταχωρήσεις και να "
                       "επιλέξετε"),
        fra);
    lbl.set(0, hint);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hint->setGeometry(Twips::rect(120, 720, 7810, 500));
    hint->setBuddy(filter);

    tdbg = named(new QTableView(this), QStringLiteral("tdbg"));
    tdbg->setGeometry(Twips::rect(50, 1320, 8020, 3765));
    tdbg->setAccessibleName(QStringLiteral("Περιγραφή"));
    mod_Grid::SetupListGrid(tdbg);

    cmdSelect = named(new QPushButton(QStringLiteral("Επιλογή"), this), QStringLiteral("cmdSelect"));
    cmdExit = named(new QPushButton(QStringLiteral("Έξοδος"), this), QStringLiteral("cmdExit"));
    cmdSelect->setGeometry(Twips::rect(5640, 5130, 1215, 390));
    cmdExit->setGeometry(Twips::rect(6895, 5130, 1215, 390));
    cmdSelect->setDefault(true);
    cmdSelect->setAutoDefault(false);
    cmdExit->setAutoDefault(false);

    setTabOrder(filter, tdbg);
    setTabOrder(tdbg, cmdSelect);
    setTabOrder(cmdSelect, cmdExit);
    filter->setFocus();
}
