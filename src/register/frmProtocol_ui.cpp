// The register window's controls: the record page in twips (the resize rules move them
// sideways), the search page in a grid.
#include <QGridLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include "FormLayout.h"
#include "frmMDI.h"
#include "frmProtocol.h"

namespace {

constexpr int kRow = 360;     // twips from one row to the next
constexpr int kHeight = 330;  // of one line of input
constexpr int kTop = 820;     // first row under the headers
constexpr int kPicker = 300;  // width of a picker button

int rowTop(int row) {
    return kTop + row * kRow;
}

void at(QWidget* w, int left, int top, int width, int height = kHeight) {
    w->setGeometry(Twips::toPixels(left), Twips::toPixels(top), Twips::toPixels(width),
                   Twips::toPixels(height));
}

QPushButton* pickerButton(QWidget* parent, const QString& tip) {
    auto* b = new QPushButton(QStringLiteral("..."), parent);
    b->setAutoDefault(false);
    b->setToolTip(tip);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QFrame* line(QWidget* parent) {
    auto* l = new QFrame(parent);
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

}  // namespace

void frmProtocol::buildRecordPage() {
    auto* scroll = new QScrollArea(fr[0]);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* page = new QWidget;
    scroll->setWidget(page);
    auto* frameLayout = new QVBoxLayout(fr[0]);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->addWidget(scroll);

    const auto label = [page](ControlArray<QLabel>& array, int index, const QString& text, int left, int top,
                              int width) {
        auto* l = new QLabel(text, page);
        array.set(index, l);
        at(l, left, top, width);
        return l;
    };
    const auto textBox = [this, page](int index, int left, int top, int width, int rows = 1) {
        QWidget* w;
        if (rows > 1) {
            auto* e = new QPlainTextEdit(page);
            e->setTabChangesFocus(true);
            w = e;
        } else {
            w = new QLineEdit(page);
        }
        tbEdit.set(index, w);
        at(w, left, top, width, kHeight + (rows - 1) * kRow);
        return w;
    };
    const auto dateBox = [this, page](int index, int left, int top) {
        auto* d = new DateBox(page);
        dtEdit.set(index, d);
        at(d, left, top, 1300);
        return d;
    };
    const auto picker = [this, page](int index, int left, int top, const QString& tip) {
        auto* b = pickerButton(page, tip);
        cmdEdit.set(index, b);
        at(b, left, top, kPicker);
        connect(b, &QPushButton::clicked, this, [this, index] { cmdEdit_Click(index); });
        return b;
    };

    // The design width: the default window's record frame; Form_Resize fits it to the window.
    const int W = 9400, H = W / 2 - 10;
    const int L1 = 1650 + 200;
    const int X = H + 1500 + 420 + 30;
    const int rightWidth = H - 1920;

    for (int i = 0; i < 6; ++i) lblEdit.set(i, new QLabel(page));
    lblAA = named(new QLabel(page), QStringLiteral("lblAA"));
    QFont big = lblAA->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    lblAA->setFont(big);
    at(lblAA, 120, 40, 2400);
    lblModif = named(new QLabel(page), QStringLiteral("lblModif"));
    at(lblModif, 2600, 40, 4600);
    at(lblEdit[5], W - 2700, 40, 2600);
    lblEdit[5]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int i : {0, 3, 4, 5}) ln.set(i, line(page));
    at(ln[0], 0, 400, W, 30);

    // Headers of the two halves.
    QFont bold = font();
    bold.setBold(true);
    label(lbl, 0, QStringLiteral("Εισερχόμενο"), 120, 440, 2000)->setFont(bold);
    auto* back0 = new QLabel(QStringLiteral("  Εξερχόμενο"), page);
    lblBackEx.set(0, back0);
    back0->setFont(bold);
    back0->setAutoFillBackground(true);
    back0->setBackgroundRole(QPalette::AlternateBase);
    at(back0, H - 20, 440, H + 40);
    auto* img1 = new QLabel(page);
    img.set(1, img1);
    img1->setPixmap(frmMDI::AppIcon().pixmap(16, 16));
    at(img1, W - 500, 440, 330);
    label(lblImg, 1, QStringLiteral("Πρωτόκολλο"), W - 1500 - 500, 440, 1500)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    at(ln[3], 0, 770, W, 30);

    // The incoming side.
    label(lbl, 1, QStringLiteral("Ημερομηνία"), 120, rowTop(0), 1650);
    dateBox(0, L1, rowTop(0));
    lbl[1]->setBuddy(dtEdit[0]);
    label(lbl, 2, QStringLiteral("Από"), 120, rowTop(1), 1200);
    picker(0, L1 - kPicker - 30, rowTop(1), QStringLiteral("Επιλογή 'Από' (F7)"));
    textBox(0, L1, rowTop(1), H - L1);
    label(lbl, 3, QStringLiteral("Τύπος εισερχ."), 120, rowTop(2), 1500);
    auto* typeIn = new QComboBox(page);
    cmbEdit.set(0, typeIn);
    at(typeIn, L1, rowTop(2), H - L1);
    label(lbl, 4, QStringLiteral("Αρ. εισερχ."), 120, rowTop(3), 1500);
    textBox(1, L1, rowTop(3), H - L1);
    label(lbl, 19, QString(), 120, rowTop(4), 1650);
    dateBox(1, L1, rowTop(4));
    lbl[19]->setBuddy(dtEdit[1]);
    label(lbl, 20, QStringLiteral("Τόπος"), 120, rowTop(5), 1200);
    picker(2, L1 - kPicker - 30, rowTop(5), QStringLiteral("Επιλογή Τόπου προέλευσης"));
    textBox(2, L1, rowTop(5), H - L1);
    label(lbl, 21, QStringLiteral("Αρμόδιος"), 120, rowTop(6), 1200);
    picker(10, L1 - kPicker - 30, rowTop(6), QStringLiteral("Επιλογή Αρμοδίου (F8)"));
    textBox(10, L1, rowTop(6), H - L1);
    label(lbl, 22, QStringLiteral("Περίληψη"), 120, rowTop(7), 1500);
    textBox(11, L1, rowTop(7), H - L1, 2);
    label(lbl, 23, QStringLiteral("Υπεύθυνα τμήματα"), 120, rowTop(9), 1500);
    label(lbl, 24, QStringLiteral("Κοινοποίηση σε"), 120, rowTop(12), 1500);
    for (int i = 0; i < 2; ++i) {
        auto* l = new QListWidget(page);
        l->setSelectionMode(QAbstractItemView::MultiSelection);
        lstEdit.set(i, l);
        at(l, L1, rowTop(9 + 3 * i), H - L1, 3 * kRow - 30);
    }
    lbl[23]->setBuddy(lstEdit[0]);
    lbl[24]->setBuddy(lstEdit[1]);

    // The outgoing side: pickers sit between the labels and the boxes.
    const int pick9 = X - kPicker - 540, pick3 = pick9 - 300;
    label(lbl, 5, QStringLiteral("Αρμόδιος"), H + 40, rowTop(0), 750);
    picker(3, pick3, rowTop(0), QStringLiteral("Επιλογή Αρμοδίου"));
    textBox(3, X, rowTop(0), rightWidth);
    dateBox(2, H + 30, rowTop(1));
    label(lbl, 25, QString(), H + 1400, rowTop(1), 2500);
    lbl[25]->setBuddy(dtEdit[2]);
    label(lbl, 9, QStringLiteral("Προς"), H + 40, rowTop(2), 750);
    picker(4, pick9, rowTop(2), QStringLiteral("Επιλογή 'Προς' (Ctrl+F7)"));
    textBox(4, X, rowTop(2), rightWidth);
    label(lbl, 10, QStringLiteral("Τύπος"), H + 40, rowTop(3), 750);
    auto* typeOut = new QComboBox(page);
    cmbEdit.set(1, typeOut);
    at(typeOut, X, rowTop(3), rightWidth);
    label(lbl, 7, QStringLiteral("Κοινοποίηση"), H + 400, rowTop(4), 1500);
    textBox(5, X, rowTop(4), rightWidth);
    label(lbl, 8, QStringLiteral("Παρατηρήσεις"), H + 400, rowTop(5), 1500);
    textBox(6, X, rowTop(5), rightWidth);
    label(lbl, 18, QStringLiteral("Διεύθ. παραλήπτη"), H + 400, rowTop(6), 1500);
    textBox(7, X, rowTop(6), rightWidth);
    label(lbl, 11, QStringLiteral("Πόλη"), H + 40, rowTop(7), 750);
    textBox(8, X, rowTop(7), rightWidth);
    label(lbl, 12, QStringLiteral("Θέμα"), H + 40, rowTop(8), 750);
    picker(9, pick9, rowTop(8), QStringLiteral("Επιλογή φράσης (F9)"));
    textBox(9, X, rowTop(8), rightWidth, 2);
    label(lbl, 13, QStringLiteral("Θέμα εξ."), H + 40, rowTop(10), 750);
    picker(12, X - kPicker - 840, rowTop(10), QStringLiteral("Επιλογή φράσης"));
    textBox(12, X, rowTop(10), rightWidth, 2);
    label(lbl, 14, QStringLiteral("Αρχειοθ."), H + 40, rowTop(12), 750);
    picker(13, pick3, rowTop(12), QStringLiteral("Επιλογή 'Αρχειοθέτησης'"));
    textBox(13, X, rowTop(12), rightWidth);
    label(lbl, 15, QStringLiteral("Σχετικά"), H + 40, rowTop(13), 750);
    textBox(14, X, rowTop(13), rightWidth);
    dateBox(3, H + 30, rowTop(14));
    label(lbl, 26, QString(), H + 1400, rowTop(14), 2500);
    lbl[26]->setBuddy(dtEdit[3]);
    at(ln[4], 0, rowTop(15) - 25, W, 30);

    // Files and attachments.
    auto* back1 = new QLabel(page);
    lblBackEx.set(1, back1);
    back1->setAutoFillBackground(true);
    back1->setBackgroundRole(QPalette::AlternateBase);
    at(back1, H - 20, rowTop(15), W - (H - 20), 2 * kRow);
    label(lbl, 16, QStringLiteral("Αρχεία"), H, rowTop(15), 800);
    label(lbl, 17, QStringLiteral("Συνημμένα"), H, rowTop(16), 800);
    for (int i : {2, 3}) {
        auto* c = new QLabel(QStringLiteral("[0]"), page);
        lblFilesCnt.set(i, c);
        at(c, H + 800, rowTop(i == 2 ? 15 : 16), 500);
        auto* combo = new QComboBox(page);
        cmbEdit.set(i, combo);
        at(combo, X, rowTop(i == 2 ? 15 : 16), rightWidth - 2 * kPicker - 20);
    }
    cmbEdit[3]->setEditable(true);
    cmbEdit[3]->setInsertPolicy(QComboBox::NoInsert);
    cmbEdit[3]->installEventFilter(this);
    cmbEdit[3]->lineEdit()->installEventFilter(this);
    lbl[16]->setBuddy(cmbEdit[2]);
    lbl[17]->setBuddy(cmbEdit[3]);
    picker(1, X, rowTop(15), QStringLiteral("Άνοιγμα αρχείου"))->setText(QStringLiteral("▸"));
    picker(6, X, rowTop(15), QStringLiteral("Προσθήκη αρχείου"))->setText(QStringLiteral("+"));
    picker(11, X, rowTop(15), QStringLiteral("Αφαίρεση αρχείου"))->setText(QStringLiteral("−"));
    picker(7, X, rowTop(16), QStringLiteral("Προσθήκη συνημμένου"))->setText(QStringLiteral("+"));
    picker(5, X, rowTop(16), QStringLiteral("Αφαίρεση συνημμένου"))->setText(QStringLiteral("−"));
    at(ln[5], 0, rowTop(17) - 25, W, 30);
    auto* img3 = new QLabel(page);
    img.set(3, img3);
    img3->setPixmap(frmMDI::instance()->imlDBForm.ListImage(QStringLiteral("search")));
    at(img3, W - 500, rowTop(17), 330);
    label(lblImg, 3, QStringLiteral("F7: Από   Ctrl+F7: Προς   F8: Αρμόδιος   F9: Θέμα"), 120, rowTop(17),
          W - 700)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Each input is named by its label (screen readers read it, tools find the input by it).
    const QList<QPair<int, QWidget*>> buddies{
        {2, tbEdit[0]},   {3, cmbEdit[0]}, {4, tbEdit[1]},  {20, tbEdit[2]},  {21, tbEdit[10]},
        {22, tbEdit[11]}, {5, tbEdit[3]},  {9, tbEdit[4]},  {10, cmbEdit[1]}, {7, tbEdit[5]},
        {8, tbEdit[6]},   {18, tbEdit[7]}, {11, tbEdit[8]}, {12, tbEdit[9]},  {13, tbEdit[12]},
        {14, tbEdit[13]}, {15, tbEdit[14]}};
    for (const auto& [label, input] : buddies) lbl[label]->setBuddy(input);

    page->setMinimumHeight(Twips::toPixels(rowTop(18)));
    page->setMinimumWidth(Twips::toPixels(7000));

    // Accessible names for inputs whose label the accessibility layer does not read.
    cmbEdit[2]->setAccessibleName(QStringLiteral("Αρχεία"));
    cmbEdit[3]->setAccessibleName(QStringLiteral("Συνημμένα"));
    lstEdit[0]->setAccessibleName(lbl[23]->text());
    lstEdit[1]->setAccessibleName(lbl[24]->text());
}

void frmProtocol::buildSearchPage() {
    auto* scroll = new QScrollArea(fr[1]);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* page = new QWidget;
    scroll->setWidget(page);
    auto* frameLayout = new QVBoxLayout(fr[1]);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->addWidget(scroll);

    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    for (int i = 0; i <= 15; ++i) txtSearch.set(i, new QLineEdit(page));
    for (int i = 0; i <= 5; ++i) {
        dtSearch.set(i, new DateBox(page));
        dtSearch[i]->setFixedWidth(Twips::toPixels(1150));
    }
    for (int i = 0; i <= 3; ++i) {
        auto* c = new QComboBox(page);
        cmbSearch.set(i, c);
        connect(c, &QComboBox::activated, this, [this, i] { cmbSearch_Click(i); });
    }
    for (int i = 0; i <= 2; ++i) {
        auto* b = pickerButton(page, QString());
        b->setFixedWidth(Twips::toPixels(kPicker));
        cmdSearch.set(i, b);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdSearch_Click(i); });
    }
    cmdSearch[0]->setToolTip(QStringLiteral("Επιλογή 'Από'"));
    cmdSearch[1]->setToolTip(QStringLiteral("Επιλογή 'Προς'"));
    cmdSearch[2]->setToolTip(QStringLiteral("Επιλογή Αρμοδίου"));

    // One row: the caption (set from the form script), the box, and its picker or choice.
    int labels = 0;
    const auto row = [&](int r, int side, QWidget* box, QWidget* extra = nullptr,
                         QWidget* captioned = nullptr) {
        auto* l = new QLabel(page);
        lblSearch.set(labels++, l);
        l->setBuddy(captioned ? captioned : box);
        const int c = side * 3;
        grid->addWidget(l, r, c);
        if (!extra) {
            grid->addWidget(box, r, c + 1);
            return;
        }
        auto* pair = new QWidget(page);
        auto* h = new QHBoxLayout(pair);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(3);
        h->addWidget(box, 1);
        h->addWidget(extra);
        grid->addWidget(pair, r, c + 1);
    };
    const auto dates = [&](int r, int side, int from) {
        auto* pair = new QWidget(page);
        auto* h = new QHBoxLayout(pair);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(3);
        auto* to = new QLabel(page);
        lblSearch.set(labels++, to);
        to->setBuddy(dtSearch[from + 1]);
        h->addWidget(dtSearch[from]);
        h->addWidget(to);
        h->addWidget(dtSearch[from + 1]);
        h->addStretch(1);
        row(r, side, pair, nullptr, dtSearch[from]);
    };
    row(0, 0, txtSearch[0]);
    row(1, 0, txtSearch[1]);
    dates(2, 0, 0);
    row(3, 0, txtSearch[2], cmdSearch[0]);
    row(4, 0, txtSearch[3], cmbSearch[0]);
    row(5, 0, txtSearch[4]);
    row(6, 0, txtSearch[14]);
    dates(7, 0, 2);
    row(8, 0, txtSearch[13], cmdSearch[2]);
    row(0, 1, txtSearch[5]);
    dates(1, 1, 4);
    row(2, 1, txtSearch[6], cmdSearch[1]);
    row(3, 1, txtSearch[7], cmbSearch[1]);
    row(4, 1, txtSearch[8]);
    row(5, 1, txtSearch[9]);
    row(6, 1, txtSearch[10], cmbSearch[2]);
    row(7, 1, txtSearch[11], cmbSearch[3]);
    row(8, 1, txtSearch[12]);
    row(9, 1, txtSearch[15]);
    for (int c : {1, 4}) grid->setColumnStretch(c, 1);
    grid->setColumnMinimumWidth(2, 12);
    for (int i = 0; i <= 3; ++i) cmbSearch[i]->setFixedWidth(Twips::toPixels(1500));
    cmbSearch[0]->setAccessibleName(QStringLiteral("Επιλογή τύπου εισερχομένου"));
    cmbSearch[1]->setAccessibleName(QStringLiteral("Επιλογή τύπου εξερχομένου"));
    cmbSearch[2]->setAccessibleName(QStringLiteral("Επιλογή υπεύθυνης μονάδας"));
    cmbSearch[3]->setAccessibleName(QStringLiteral("Επιλογή μονάδας κοινοποίησης"));

    auto* info = new QLabel(page);
    lblInfo.set(1, info);
    info->setWordWrap(true);
    info->setFrameShape(QFrame::StyledPanel);
    grid->addWidget(info, 10, 0, 1, 5);
    grid->setRowStretch(11, 1);
}
