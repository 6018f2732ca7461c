// The controls of frmWrongRegionalSettings.
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "frmMDI.h"
#include "frmWrongRegionalSettings.h"

namespace {
QLabel* textLabel(QWidget* parent, const QString& name, const QString& text, const QColor& colour,
                  bool bold) {
    auto* label = named(new QLabel(text, parent), name);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    QFont f = label->font();
    f.setBold(bold);
    label->setFont(f);
    return label;
}

QString indexed(const char* name, int i) {
    return QString::fromLatin1(name) + QStringLiteral("(%1)").arg(i);
}
}  // namespace

void frmWrongRegionalSettings::buildControls() {
    setObjectName(QStringLiteral("frmWrongRegionalSettings"));
    setAccessibleDescription(objectName());
    setWindowTitle(QStringLiteral("Έλεγχος τοπικών ρυθμίσεων Η/Υ"));

    const QColor blue(0, 0, 128);
    const QColor red(192, 0, 0);

    Image1 = named(new QLabel(this), QStringLiteral("Image1"));
    Image1->setPixmap(frmMDI::AppIcon().pixmap(48, 48));
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lbOSInfo = named(new QLabel(QStringLiteral("Λειτουργικό: "), this), QStringLiteral("lbOSInfo"));
    lbNotes[0] = named(
        new QLabel(
            QStringLiteral(
                "Μετά τον έλεγχο των τοπικών ρυθμίσεων διαπιστώθηκε ότι οι ρυθμίσεις του υπολογιστή σας, "
                "είναι λανθασμένες και δεν θα μπορέσετε να χρησιμοποιήσετε σωστά την εφαρμογή. Από την "
                "επιλογή Έναρξη, Ρυθμίσεις, Πίνακας Ελέγχου, Τοπικές Ρυθμίσεις θα πρέπει να ορίσετε τα "
                "εξής:"),
            this),
        QStringLiteral("lbNotes(0)"));
    lbNotes[0]->setWordWrap(true);
    // A wrapped label sizes the window for its narrowest width: give it the width of the lines below.
    lbNotes[0]->setMinimumWidth(lbNotes[0]->fontMetrics().averageCharWidth() * 90);

    const QString numbers[4] = {
        QStringLiteral("Η μορφή των Αριθμών πρέπει να είναι η ακόλουθη: 123.456.789,00"),
        QStringLiteral("Η μορφή της Νομισματικής Μονάδας πρέπει να είναι η ακόλουθη: 123.456.789,00"),
        QStringLiteral("Το σύμβολο της υποδιαστολής πρέπει να είναι κόμμα"),
        QStringLiteral("Το σύμβολο ομαδοποίησης ψηφίων πρέπει να είναι τελεία"),
    };
    const QString dates[2] = {
        QStringLiteral("Η μορφή της Ημερομηνίας πρέπει να είναι η ακόλουθη: ηη/μμ/εεεε"),
        QStringLiteral("Το διαχωριστικό ημερομηνίας πρέπει να είναι η κάθετος  /"),
    };
    const QString hours[2] = {
        QStringLiteral("Η μορφή της Ώρας πρέπει να είναι η ακόλουθη: ΩΩ:λλ:δδ (24 ώρες)"),
        QStringLiteral("Το διαχωριστικό ώρας πρέπει να είναι η άνω κάτω τελεία :"),
    };
    for (int i = 0; i < 4; ++i)
        lbNumbers[i] = textLabel(this, indexed("lbNumbers", i), numbers[i], blue, true);
    for (int i = 0; i < 2; ++i) lbDate[i] = textLabel(this, indexed("lbDate", i), dates[i], blue, true);
    for (int i = 0; i < 2; ++i) lbHours[i] = textLabel(this, indexed("lbHours", i), hours[i], blue, true);
    lbApplication[0] = textLabel(this, indexed("lbApplication", 0), QString(), red, false);

    cmdUpdateReg = named(new QPushButton(QStringLiteral("Διόρθωση των ρυθμίσεων αυτόματα"), this),
                         QStringLiteral("cmdUpdateReg"));
    cmdExit = named(new QPushButton(QStringLiteral("Κλείσιμο"), this), QStringLiteral("cmdExit"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(lbNotes[0]);
    texts->addSpacing(8);
    for (QLabel* l : lbNumbers) texts->addWidget(l);
    texts->addSpacing(8);
    for (QLabel* l : lbDate) texts->addWidget(l);
    texts->addSpacing(8);
    for (QLabel* l : lbHours) texts->addWidget(l);
    texts->addSpacing(12);
    texts->addWidget(lbOSInfo);
    texts->addWidget(lbApplication[0]);
    texts->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdUpdateReg);
    buttons->addWidget(cmdExit);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top, 1);
    main->addLayout(buttons);
}
