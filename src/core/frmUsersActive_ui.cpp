// The controls of frmUsersActive, placed in twips as the resize rule keeps them.
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include "ControlNames.h"
#include "FormLayout.h"
#include "frmUsersActive.h"
#include "mod_Grid.h"

void frmUsersActive::buildControls() {
    setObjectName(QStringLiteral("frmUsersActive"));
    setAccessibleDescription(objectName());
    setWindowTitle(QStringLiteral("Συνδεδεμένοι Χρήστες"));

    tdbg = named(new QTableView(this), QStringLiteral("tdbg"));
    tdbg->setGeometry(Twips::rect(80, 80, 8060, 4915));
    tdbg->setAccessibleName(windowTitle());
    mod_Grid::SetupListGrid(tdbg);

    chkAll = named(new QCheckBox(QStringLiteral("Όλες οι εγγραφές"), this), QStringLiteral("chkAll"));
    chkAll->setGeometry(Twips::rect(80, 5140, 2600, 330));

    fra = named(new QFrame(this), QStringLiteral("fra"));
    fra->setGeometry(Twips::rect(4100, 5095, 4100, 420));
    const QString captions[3] = {QStringLiteral("Έξοδος"), QStringLiteral("Ανανέωση"),
                                 QStringLiteral("Κλείσιμο σύνδεσης")};
    // "Έξοδος" keeps to the window's edge; the longest caption gets the widest button.
    const int lefts[3] = {2950, 1750, 0};
    const int widths[3] = {1150, 1150, 1700};
    for (int i = 0; i < 3; ++i) {
        cmdAction[i] = named(new QPushButton(captions[i], fra), QStringLiteral("cmdAction(%1)").arg(i));
        cmdAction[i]->setGeometry(Twips::rect(lefts[i], 20, widths[i], 375));
        cmdAction[i]->setAutoDefault(false);
    }
    // The buttons cover the check box when the window is very narrow, not the other way round.
    fra->raise();

    setTabOrder(tdbg, chkAll);
    setTabOrder(chkAll, cmdAction[2]);
    setTabOrder(cmdAction[2], cmdAction[1]);
    setTabOrder(cmdAction[1], cmdAction[0]);
}
