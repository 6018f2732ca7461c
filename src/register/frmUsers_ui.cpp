// The users window's controls: the record page and the search page in grids.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "frmUsers.h"

void frmUsers::buildControls() {
    // Record page.
    auto* record = new QGridLayout(fr[0]);
    record->setContentsMargins(8, 8, 8, 8);
    record->setHorizontalSpacing(8);
    const auto row = [this, record](int at, int labelIndex, const QString& caption, QWidget* input) {
        auto* l = new QLabel(caption, fr[0]);
        lbl.set(labelIndex, l);
        l->setBuddy(input);
        record->addWidget(l, at, 0);
        record->addWidget(input, at, 1);
    };
    const auto text = [this](int index) {
        auto* e = new QLineEdit(fr[0]);
        txtEdit.set(index, e);
        return e;
    };
    row(0, 0, QStringLiteral("Όνομα"), text(0));
    row(1, 1, QStringLiteral("Επώνυμο"), text(1));
    row(2, 2, QStringLiteral("Όνομα Login"), text(2));
    row(3, 3, QStringLiteral("Κωδικός"), text(3));
    dtEdit.set(0, new DateBox(fr[0]));
    row(4, 4, QStringLiteral("Ημερομ. λήξης Κωδ."), dtEdit[0]);
    auto* days = new QWidget(fr[0]);
    auto* daysLayout = new QHBoxLayout(days);
    daysLayout->setContentsMargins(0, 0, 0, 0);
    numEdit.set(0, new NumBox(days));
    // Days of validity: never negative, and within what the log-in counts.
    numEdit[0]->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), numEdit[0]));
    numEdit[0]->setMaximumWidth(numEdit[0]->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    daysLayout->addWidget(numEdit[0]);
    auto* unit = new QLabel(QStringLiteral("ημέρες (0 = χωρίς λήξη)"), days);
    lbl.set(5, unit);
    daysLayout->addWidget(unit, 1);
    row(5, 6, QStringLiteral("Διάρκεια Κωδικού"), days);
    lbl[6]->setBuddy(numEdit[0]);
    cmbEdit.set(0, new QComboBox(fr[0]));
    cmbEdit[0]->setAccessibleName(QStringLiteral("Ανήκει στην ομάδα"));
    row(6, 7, QStringLiteral("Ανήκει στην ομάδα"), cmbEdit[0]);
    row(7, 8, QStringLiteral("Διεύθυνση"), text(4));
    row(8, 9, QStringLiteral("Τηλέφωνο 1"), text(5));
    row(9, 10, QStringLiteral("Τηλέφωνο 2"), text(6));
    record->setRowStretch(10, 1);

    // The hidden holders of the key, the stored password and the rights mask.
    for (int i = 0; i < 3; ++i) {
        auto* holder = new QLabel(fr[0]);
        holder->setTextFormat(Qt::PlainText);
        holder->hide();
        lblEdit.set(i, holder);
    }

    auto* rights = new QLabel(QStringLiteral("Δικαιώματα χρήστη"), fr[0]);
    lbl.set(11, rights);
    auto* list = new QListWidget(fr[0]);
    lstEdit.set(0, list);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->setAccessibleName(rights->text());
    rights->setBuddy(list);
    record->addWidget(rights, 0, 2);
    record->addWidget(list, 1, 2, 9, 1);
    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(i == 0 ? QStringLiteral("Επιλογή όλων") : QStringLiteral("Αποεπιλογή όλων"),
                                  fr[0]);
        b->setAutoDefault(false);
        cmd.set(i, b);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    record->addLayout(buttons, 10, 2, Qt::AlignTop);
    record->setColumnStretch(1, 2);
    record->setColumnStretch(2, 3);

    // Search page.
    auto* search = new QGridLayout(fr[1]);
    search->setContentsMargins(8, 8, 8, 8);
    const QString captions[] = {QStringLiteral("Όνομα [αρχ]"), QStringLiteral("Επώνυμο  [αρχ]"),
                                QStringLiteral("Όνομα Login [αρχ]")};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QLineEdit(fr[1]);
        txtSearch.set(i, box);
        auto* l = new QLabel(captions[i], fr[1]);
        lblSearch.set(i, l);
        l->setBuddy(box);
        search->addWidget(l, i, 0);
        search->addWidget(box, i, 1);
    }
    search->setRowStretch(3, 1);
    search->setColumnStretch(1, 1);
}
