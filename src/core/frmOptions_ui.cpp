// The controls of frmOptions.
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "NumBox.h"
#include "frmOptions.h"

namespace {
QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// A frame on a tab: its explanation above its input.
QGroupBox* frameWith(QWidget* page, const QString& title, QLabel* text, QWidget* input, QWidget* extra) {
    auto* frame = new QGroupBox(title, page);
    auto* rows = new QVBoxLayout(frame);
    text->setParent(frame);
    text->setWordWrap(true);
    text->setBuddy(input);
    rows->addWidget(text);
    auto* line = new QHBoxLayout;
    input->setParent(frame);
    line->addWidget(input, extra ? 1 : 0);
    if (extra) {
        extra->setParent(frame);
        line->addWidget(extra);
    } else {
        line->addStretch(1);
    }
    rows->addLayout(line);
    return frame;
}

NumBox* numberBox(const QString& name, int maxDigits) {
    auto* box = named(new NumBox, name);
    // "####0": digits only, no sign.
    box->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), box));
    box->setMaxLength(maxDigits);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(maxDigits + 2, QLatin1Char('0'))) + 12);
    return box;
}
}  // namespace

void frmOptions::buildControls() {
    setObjectName(QStringLiteral("frmOptions"));
    setAccessibleDescription(objectName());
    setWindowTitle(QStringLiteral("Ρυθμίσεις εφαρμογής"));

    SSTab1 = named(new QTabWidget(this), QStringLiteral("SSTab1"));
    auto* lists = new QWidget;
    auto* misc = new QWidget;
    SSTab1->addTab(lists, QStringLiteral("Κατάλογοι"));
    SSTab1->addTab(misc, QStringLiteral("Διάφορα"));

    // "αρχείωv" ends in a Latin v, as the system writes it.
    txtFolder[0] = named(new QLineEdit, indexed("txtFolder", 0));
    cmdSelectFolder[0] = named(new QPushButton(QStringLiteral("Επιλογή ...")), indexed("cmdSelectFolder", 0));
    lbl[0] =
        named(new QLabel(QStringLiteral("Συμπληρώστε τον κοινόχρηστο κατάλογο δικτύου όπου θα βρίσκονται "
                                        "τα αρχεία DOC της βάσης 'Πρωτοκόλλου'")),
              indexed("lbl", 0));
    fra1[0] = named(frameWith(lists, QStringLiteral("Κατάλογος αρχείωv DOC βάσης 'Πρωτοκόλλου'"), lbl[0],
                              txtFolder[0], cmdSelectFolder[0]),
                    indexed("fra1", 0));
    txtFolder[0]->setAccessibleName(fra1[0]->title());

    numGridMaxRecs = numberBox(QStringLiteral("numGridMaxRecs"), 5);
    lbl[1] = named(new QLabel(QStringLiteral("Συμπληρώστε το μέγιστο επιτρεπόμενο πλήθος εγγραφών που θα "
                                             "εμφανίζονται σε κατάλογους αναζήτησης ")),
                   indexed("lbl", 1));
    fra1[1] = named(frameWith(misc, QStringLiteral("Πλήθος εγγραφών"), lbl[1], numGridMaxRecs, nullptr),
                    indexed("fra1", 1));
    numGridMaxRecs->setAccessibleName(fra1[1]->title());

    numPswDays = numberBox(QStringLiteral("numPswDays"), 3);
    lbl[2] =
        named(new QLabel(QStringLiteral("Συμπληρώστε το πλήθος ημερών πριν την λήξη του κωδικού ασφαλείας "
                                        "εισόδου (login) που θα ειδοποιείται ο χρήστης για να τον "
                                        "αλλάξει (0 έως 100)")),
              indexed("lbl", 2));
    fra1[2] = named(frameWith(misc, QStringLiteral("Ημέρες για έλεγχο Κωδικού ασφαλείας (για login)"), lbl[2],
                              numPswDays, nullptr),
                    indexed("fra1", 2));
    numPswDays->setAccessibleName(fra1[2]->title());

    auto* listsPage = new QVBoxLayout(lists);
    listsPage->addWidget(fra1[0]);
    listsPage->addStretch(1);
    auto* miscPage = new QVBoxLayout(misc);
    miscPage->addWidget(fra1[1]);
    miscPage->addWidget(fra1[2]);
    miscPage->addStretch(1);

    // "ΟΚ" in Greek capitals Omicron Kappa.
    cmdAction[1] = named(new QPushButton(QStringLiteral("ΟΚ"), this), indexed("cmdAction", 1));
    cmdAction[0] = named(new QPushButton(QStringLiteral("Ακύρωση"), this), indexed("cmdAction", 0));
    cmdAction[1]->setDefault(true);
    cmdSelectFolder[0]->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAction[1]);
    buttons->addWidget(cmdAction[0]);

    auto* main = new QVBoxLayout(this);
    main->addWidget(SSTab1, 1);
    main->addLayout(buttons);
    resize(520, 300);
}
