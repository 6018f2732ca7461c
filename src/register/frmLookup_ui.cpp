// The controls of frmLookup, placed in twips as the resize rule keeps them.
#include <QGroupBox>
#include <QHeaderView>
#include <QTableView>

#include "FormLayout.h"
#include "frmLookup.h"
#include "mod_Grid.h"

void frmLookup::buildControls() {
    setObjectName(QStringLiteral("frmLookup"));
    setAccessibleDescription(objectName());
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    tdbg = named(new QTableView(this), QStringLiteral("tdbg"));
    tdbg->setGeometry(Twips::rect(50, 50, 8020, 3815));
    tdbg->setAccessibleName(QStringLiteral("Κατάλογος"));
    mod_Grid::SetupListGrid(tdbg);
    tdbg->horizontalHeader()->resizeSection(0, Twips::toPixels(1500));

    fra = named(new QGroupBox(this), QStringLiteral("fra"));
    fra->setGeometry(Twips::rect(50, 3945, 8020, 1060));

    const QString captions[] = {QStringLiteral("Κωδικός"), QStringLiteral("Περιγραφή")};
    // Labels beside their boxes: the frame holds one row of them and one of buttons.
    const QRect labels[] = {Twips::rect(120, 120, 800, 330), Twips::rect(2360, 120, 1000, 330)};
    const QRect boxes[] = {Twips::rect(940, 120, 1300, 330), Twips::rect(3380, 120, 4550, 330)};
    for (int i = 0; i < 2; ++i) {
        auto* box = new QLineEdit(fra);
        txt.set(i, box);
        box->setGeometry(boxes[i]);
        box->setAccessibleName(captions[i]);
        auto* label = new QLabel(captions[i], fra);
        lbl.set(i, label);
        label->setGeometry(labels[i]);
        label->setBuddy(box);
    }
    // The current entry's key, out of sight.
    auto* key = new QLineEdit(fra);
    txt.set(2, key);
    key->setAccessibleName(QStringLiteral("Α/Α"));
    key->hide();

    const QString actions[] = {QStringLiteral("Προσθήκη"), QStringLiteral("Διόρθωση"),
                               QStringLiteral("Διαγραφή")};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(actions[i], fra);
        cmd.set(i, b);
        b->setAutoDefault(false);
        b->setGeometry(Twips::rect(120 + i * 1300, 560, 1215, 360));
    }
    // The frame's height follows its buttons.
    fra->resize(fra->width(), cmd[0]->y() + cmd[0]->height() + Twips::toPixels(60));

    cmdPrint = named(new QPushButton(QStringLiteral("Εκτύπωση"), this), QStringLiteral("cmdPrint"));
    cmdSelect = named(new QPushButton(QStringLiteral("Επιλογή"), this), QStringLiteral("cmdSelect"));
    cmdExit = named(new QPushButton(QStringLiteral("Έξοδος"), this), QStringLiteral("cmdExit"));
    cmdPrint->setGeometry(Twips::rect(50, 5095, 1215, 390));
    cmdSelect->setGeometry(Twips::rect(5640, 5095, 1215, 390));
    cmdExit->setGeometry(Twips::rect(6895, 5095, 1215, 390));
    for (QPushButton* b : {cmdPrint, cmdSelect, cmdExit}) b->setAutoDefault(false);
    cmdSelect->setDefault(true);

    setTabOrder(tdbg, txt[0]);
    setTabOrder(txt[0], txt[1]);
    setTabOrder(txt[1], cmd[0]);
    setTabOrder(cmd[0], cmd[1]);
    setTabOrder(cmd[1], cmd[2]);
    setTabOrder(cmd[2], cmdPrint);
    setTabOrder(cmdPrint, cmdSelect);
    setTabOrder(cmdSelect, cmdExit);
}
