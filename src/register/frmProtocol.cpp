#include "frmProtocol.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>

#include "Adodc.h"
#include "BoundControl.h"
#include "DBHelper.h"
#include "FormLayout.h"
#include "GridModel.h"
#include "MsgBox.h"
#include "Rights.h"
#include "Screen.h"
#include "Shell.h"
#include "StrHelper.h"
#include "Utility.h"
#include "VbKeys.h"
#include "clsDBForm.h"
#include "cls_GetFileName.h"
#include "frmMDI.h"
#include "frmPhrases.h"
#include "modDeclare.h"
#include "modResIDs.h"

using namespace modDeclare;

namespace {
const QString kFileTypes = QStringLiteral("*.xls;*.xlsx;*.doc;*.docx;*.rtf;*.bmp;*.jpg;*.pdf;*.png");

// Copies every item, text and item data, of one list into another.
template <typename From, typename To>
void copyItems(const From* from, To* to) {
    for (int i = 0; i < from->count(); ++i) {
        if constexpr (std::is_same_v<To, QListWidget>) {
            auto* item = new QListWidgetItem(from->itemText(i), to);
            item->setData(Qt::UserRole, from->itemData(i));
        } else {
            to->addItem(from->itemText(i), from->itemData(i));
        }
    }
    if constexpr (std::is_same_v<To, QComboBox>) to->setCurrentIndex(-1);
}

}  // namespace

frmProtocol::frmProtocol(QWidget* parent) : DBFormWindow(parent) {
    setObjectName(QStringLiteral("frmProtocol"));
    buildRecordPage();
    buildSearchPage();
    cmdExport = named(new QPushButton(QStringLiteral("Εξαγωγή (.csv)"), this), QStringLiteral("cmdExport"));
    cmdExport->setAutoDefault(false);
    cmdExport->hide();
    connect(cmdExport, &QPushButton::clicked, this, [this] { cmdExport_Click(); });
    for (const ControlArrayBase* a : std::initializer_list<const ControlArrayBase*>{
             &lblEdit, &dtEdit, &tbEdit, &cmbEdit, &lstEdit, &cmdEdit, &lblFilesCnt, &lbl, &ln, &lblBackEx,
             &lblImg, &img, &txtSearch, &dtSearch, &cmbSearch, &cmdSearch, &lblInfo})
        Controls().add(*a);
    Form_Load();
}

frmProtocol::~frmProtocol() {
    // The window's placement is not kept.
    m_filler.reset();
    m_arrays.reset();
    m_lists.reset();
    if (mclsDBForm) {
        mclsDBForm->Terminate();
        mclsDBForm.reset();
    }
}

QString frmProtocol::tbText(int index) const {
    return BoundControl::Value(tbEdit[index]).toString();
}

void frmProtocol::setTbText(int index, const QString& text) {
    BoundControl::SetValue(tbEdit[index], text);
}

void frmProtocol::Form_Load() {
    setWindowIcon(frmMDI::AppIcon());
    bool keep = false, restore = true;
    FormLayout::Shared().Restore(this, 0, 0, 10000, 7200, QStringLiteral("\\Protocol"), keep, restore);
    lblInfo[1]->setText(
        QStringLiteral("Συμπληρώστε όσα πεδία θέλετε και πατήστε ENTER ή το εικονίδιο 'Κατάλογος'.") +
        QStringLiteral("\r\n") +
        QStringLiteral("Επεξηγήσεις -> [αρχ]:αρχίζει από, [περ]:περιέχει, [=]:ίσο με, [>=]/[<=]:μεγαλύτερο/"
                       "μικρότερο ή ίσο από ") +
        QStringLiteral("\r\n") +
        QStringLiteral(
            "Εισάγετε -> [1]:μία τιμή, [Ν]:πολλές τιμές χωρισμένες με κόμμα (το κόμμα σημαίνει 'ή').") +
        QStringLiteral("\r\n") +
        QStringLiteral(
            "Στην σελίδα 'Κατάλογος', θα παρουσιαστούν όσες εγγραφές ικανοποιούν ΟΛΑ τα κριτήρια που "
            "ορίσατε."));
}

bool frmProtocol::Init() {
    Screen::SetMousePointer(Screen::vbHourglass);
    m_listsFilled = false;
    m_lists = std::make_unique<ListHelper>();
    m_arrays = std::make_unique<ArrayHelper>();
    m_filler = std::make_unique<ComboFiller>();

    // Every entry is shown through these lists: without them none would show whole, and the
    // window is not opened.
    const auto refuse = [this] {
        if (gErr) gErr->DBErrorMsg(QStringLiteral("Init"), true, this);
        Err().Clear();
        m_filler.reset();
        m_arrays.reset();
        m_lists.reset();
        Screen::SetMousePointer(Screen::vbDefault);
        return false;
    };
    Err().Clear();
    if (!m_filler->FillList(gConn, QStringLiteral("L_TYPOI"), QStringLiteral("MODFLAG<>'D'"),
                            QStringLiteral("CODE"), QStringLiteral("DESCR"), cmbSearch[0], m_typeCodes,
                            QStringLiteral(" - "), 0, QStringLiteral("ID"), QStringLiteral("CODE")))
        return refuse();
    copyItems(cmbSearch[0], cmbSearch[1]);
    copyItems(cmbSearch[0], cmbEdit[0]);
    copyItems(cmbSearch[0], cmbEdit[1]);
    if (!m_filler->FillList(gConn, QStringLiteral("L_TMHMATA"), QStringLiteral("MODFLAG<>'D'"),
                            QStringLiteral("CODE"), QStringLiteral("CODE,DESCR"), cmbSearch[2], m_deptCodes,
                            QStringLiteral(" - "), 0, QStringLiteral("ID"), QStringLiteral("CODE")))
        return refuse();
    copyItems(cmbSearch[2], cmbSearch[3]);
    copyItems(cmbSearch[2], lstEdit[0]);
    copyItems(cmbSearch[2], lstEdit[1]);
    m_listsFilled = true;

    long mask = 15;
    const long auth = gUser ? gUser->Auth : 0;
    if (auth & (Rights::ProtocolEdit | Rights::ProtocolEditIncoming)) mask |= 16 | 32 | 128;
    if (auth & Rights::ProtocolDelete) mask |= 64;
    // The list opens on this year's entries, as the server counts years.
    const QVariant today = DBHelper::ServerDate(gConn);
    const int year = today.isNull() ? QDate::currentDate().year() : today.toDate().year();

    mclsDBForm = std::make_unique<clsDBForm>();
    mclsDBForm->ConnString(gOleDbConnStr);
    const bool ok =
        mclsDBForm->Init(modResIDs::GetResString(143, QStringLiteral("Prot.frs")), this, gConn, QString(),
                         QString(), QStringLiteral("\\Protocol"), &frmMDI::instance()->imlDBForm, mask, 4, 0,
                         QVariant(QString()), QStringLiteral("ETOS=") + QString::number(year),
                         QStringLiteral("PROT_AA"), QString(), 16, BaseCondition(), nullptr, 0, gAppID);
    if (ok) {
        mclsDBForm->Refresh(QString());
        tdbg_FetchRowStyle();
        if (GridModel* grid = mclsDBForm->Grid())
            for (int c = 0; c < grid->columnCount(); ++c)
                if (grid->fieldName(c).compare(QLatin1String("MODFLAG"), Qt::CaseInsensitive) == 0)
                    tdbg->setColumnHidden(c, true);
        Form_Resize();
    } else {
        m_filler.reset();
        m_arrays.reset();
        m_lists.reset();
        mclsDBForm.reset();
    }
    Screen::SetMousePointer(Screen::vbDefault);
    return ok;
}

QVariant frmProtocol::SelectedRecs(const QString& column) const {
    return mclsDBForm ? mclsDBForm->SelectedRecs(column) : QVariant();
}

void frmProtocol::tdbg_FetchRowStyle() {
    if (mclsDBForm && mclsDBForm->Grid())
        mclsDBForm->Grid()->setRowBackground(GridModel::deletedRowColour(QStringLiteral("MODFLAG")));
}

void frmProtocol::EnableIncoming(bool Enabled) {
    const QColor colour = QApplication::palette().color(Enabled ? QPalette::Base : QPalette::Button);
    QList<QWidget*> incoming{dtEdit[0], dtEdit[1],  tbEdit[0],  tbEdit[1],
                             tbEdit[2], cmbEdit[0], lstEdit[0], lstEdit[1]};
    for (QWidget* w : incoming) {
        if (!w) continue;
        QPalette p = w->palette();
        p.setColor(QPalette::Base, colour);
        w->setPalette(p);
    }
}

void frmProtocol::ShowFilesCount(int Index) {
    if (lblFilesCnt[Index] && cmbEdit[Index])
        lblFilesCnt[Index]->setText(u'[' + QString::number(cmbEdit[Index]->count()) + u']');
}

void frmProtocol::UnmarkDepartments(int ListIndex) {
    QListWidget* list = lstEdit[ListIndex];
    if (!list) return;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        item->setSelected(false);
        item->setData(Qt::UserRole, qAbs(item->data(Qt::UserRole).toLongLong()));
    }
    list->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
}

bool frmProtocol::MarkDepartments(int ListIndex, long PR_ID) {
    QListWidget* list = lstEdit[ListIndex];
    if (!list) return false;
    UnmarkDepartments(ListIndex);
    QStringList ids, unused;
    ComboFiller filler;
    const bool read =
        filler.ReadColumns(gConn, ListIndex == 0 ? QStringLiteral("R_YPEYTH") : QStringLiteral("R_ANTIGRAFA"),
                           QStringLiteral("PR_ID=") + QString::number(PR_ID), QStringLiteral("TM_ID"),
                           QStringLiteral("TM_ID"), ids, unused, QStringLiteral(" - "), QString());
    // A failed read is not an entry without departments: the error stays pending for the caller.
    if (!read) return false;
    if (ids.isEmpty() || ids.first().isEmpty()) return true;
    int first = -1;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        const double id = item->data(Qt::UserRole).toDouble();
        for (const QString& stored : ids) {
            if (stored.toDouble() != id) continue;
            item->setSelected(true);
            item->setData(Qt::UserRole, -qAbs(item->data(Qt::UserRole).toLongLong()));
            if (first < 0) first = i;
            break;
        }
    }
    if (first >= 0) list->setCurrentRow(first, QItemSelectionModel::NoUpdate);
    return true;
}

void frmProtocol::cmdEdit_Click(int Index) {
    switch (Index) {
        case 0:
            return pick(QStringLiteral("L_APO"), QStringLiteral("Επιλογή 'Από'"), tbEdit[0], false);
        case 2:
            return pick(QStringLiteral("L_TOPOS"), QStringLiteral("Επιλογή Τόπου προέλευσης"), tbEdit[2],
                        false);
        case 3:
            return pick(QStringLiteral("L_ARMODIOS"), QStringLiteral("Επιλογή Αρμοδίου"), tbEdit[3], false);
        case 4:
            return pick(QStringLiteral("L_PROS"), QStringLiteral("Επιλογή 'Προς'"), tbEdit[4], false);
        case 9:
            return pick(QStringLiteral("L_PHRASES"), QStringLiteral("Επιλογή φράσης"), tbEdit[9], true);
        case 10:
            return pick(QStringLiteral("L_ARMODIOS"), QStringLiteral("Επιλογή Αρμοδίου"), tbEdit[10], false);
        case 12:
            return pick(QStringLiteral("L_PHRASES"), QStringLiteral("Επιλογή φράσης"), tbEdit[12], true);
        case 13:
            return pick(QStringLiteral("L_ARXEIOTHETHSH"), QStringLiteral("Επιλογή 'Αρχειοθέτησης'"),
                        tbEdit[13], false);
        case 1:
            return openFile();
        case 6:
            return addFile();
        case 11:
            return removeItem(2);
        case 7:
            return AddAttachment();
        case 5:
            return removeItem(3);
        default:
            return;
    }
}

void frmProtocol::pick(const QString& table, const QString& caption, QWidget* box, bool blankAfter) {
    auto picker = std::make_unique<frmPhrases>(this);
    if (picker->Init(table, caption)) {
        picker->exec();
        if (!picker->Canceled() && !picker->Phrase().isEmpty() && box) {
            QString text = BoundControl::Value(box).toString() + picker->Phrase();
            if (blankAfter) text += u' ';
            BoundControl::SetValue(box, text);
            Utility::SelectAllText(box);
            box->setFocus();
        }
    }
}

void frmProtocol::addFile() {
    const QString folder = gDocsFolder;
    if (folder.trimmed().isEmpty() || !QDir(folder).exists()) {
        MsgBox(QStringLiteral(
                   "Ο κατάλογος των αρχείων «%1» δεν υπάρχει. Ορίστε τον από τις «Ρυθμίσεις εφαρμογής».")
                   .arg(folder),
               vb::vbExclamation);
        return;
    }
    const QString path = cls_GetFileName().GetFileName(frmMDI::instance()->cmnDlg1, folder, kFileTypes);
    if (path.isEmpty()) return;
    if (!QFileInfo::exists(path)) {
        MsgBox(QStringLiteral("Το αρχείο δεν βρέθηκε: ") + path, vb::vbExclamation);
        return;
    }
    const QString name = DocumentName(folder, path);
    if (name.isEmpty()) {
        MsgBox(QStringLiteral("Το αρχείο πρέπει να βρίσκεται στον κατάλογο: ") + folder, vb::vbCritical);
        return;
    }
    if (m_lists->Contains(cmbEdit[2], name)) {
        MsgBox(QStringLiteral("Έχετε ήδη καταχωρήσει το αρχείο: ") + name, vb::vbExclamation);
        return;
    }
    cmbEdit[2]->addItem(name, 0);
    cmbEdit[2]->setCurrentIndex(cmbEdit[2]->count() - 1);
    cmdEdit[1]->setEnabled(true);
    ShowFilesCount(2);
}

namespace {

// The folder and the path with ".." and links resolved; false when either does not exist.
bool canonical(const QString& folder, const QString& path, QString* canonFolder, QString* canonPath) {
    *canonFolder = QFileInfo(folder).canonicalFilePath();
    *canonPath = QFileInfo(path).canonicalFilePath();
    return !canonFolder->isEmpty() && !canonPath->isEmpty();
}

// The part of a canonical path below a canonical folder, without a separator in front; empty
// when the path is not below it. Compared as the file system does: with regard to case.
QString below(const QString& canonFolder, const QString& canonPath) {
    const QString prefix = canonFolder.endsWith(u'/') ? canonFolder : canonFolder + u'/';
    if (!canonPath.startsWith(prefix) || canonPath.size() == prefix.size()) return {};
    return canonPath.mid(prefix.size());
}

}  // namespace

QString frmProtocol::DocumentName(const QString& folder, const QString& path) {
    QString canonFolder, canonPath;
    if (!canonical(folder, path, &canonFolder, &canonPath)) return {};
    const QString rest = below(canonFolder, canonPath);
    return rest.isEmpty() ? QString() : u'/' + rest;
}

QString frmProtocol::DocumentPath(const QString& folder, const QString& name) {
    // A stored name may carry either separator, with or without one in front.
    QString rest = name;
    rest.replace(u'\\', u'/');
    while (rest.startsWith(u'/')) rest.remove(0, 1);
    if (rest.isEmpty() || folder.trimmed().isEmpty()) return {};
    QString canonFolder, canonPath;
    if (!canonical(folder, folder + u'/' + rest, &canonFolder, &canonPath)) return {};
    return below(canonFolder, canonPath).isEmpty() ? QString() : canonPath;
}

void frmProtocol::removeItem(int index) {
    QComboBox* combo = cmbEdit[index];
    if (!combo || combo->count() == 0 || combo->currentIndex() < 0) return;
    const QString question = index == 2 ? QStringLiteral("Σίγουρα να αφαιρεθεί το αρχείο: ")
                                        : QStringLiteral("Σίγουρα να αφαιρεθεί το συνημμένο: ");
    if (MsgBox(question + combo->currentText() + QStringLiteral(" ;"), vb::vbYesNoCancel | vb::vbQuestion) !=
        vb::vbYes)
        return;
    QStringList& ids = index == 2 ? m_fileIds : m_attachIds;
    const QString id = QString::number(combo->currentData().toLongLong());
    const int at = m_arrays->IndexOf(id, ids, 0, 1);
    if (at >= 0) ids[at] = QString::number(-qAbs(ids.at(at).toLongLong()));
    combo->removeItem(combo->currentIndex());
    combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
    ShowFilesCount(index);
    if (index == 2) UpdateOpenButton();
}

void frmProtocol::openFile() {
    QComboBox* files = cmbEdit[2];
    if (!files || files->count() == 0 || files->currentIndex() < 0 || files->currentText().isEmpty()) return;
    // Checked again at every opening: the name may have been stored by anyone, and a link in the
    // folder may have changed since.
    const QString path = DocumentPath(gDocsFolder, files->currentText());
    if (path.isEmpty()) {
        MsgBox(QStringLiteral("Το αρχείο «%1» δεν ανοίγει: δεν υπάρχει μέσα στον κατάλογο των αρχείων «%2».")
                   .arg(files->currentText(), gDocsFolder),
               vb::vbExclamation);
        return;
    }
    Shell::Execute(this, path);
}

void frmProtocol::AddAttachment() {
    QComboBox* combo = cmbEdit[3];
    const QString text = combo->currentText().trimmed();
    if (text.isEmpty()) {
        MsgBox(QStringLiteral("Για να καταχωρήσετε ένα συνημμένο, πληκτρολογήστε το κείμενο") +
                   QStringLiteral(" και πατήστε ENTER ή το κουμπί της προσθήκης"),
               vb::vbInformation);
        return;
    }
    if (m_lists->Contains(combo, text)) {
        MsgBox(QStringLiteral("Έχετε ήδη καταχωρήσει αυτό το συνημμένο: ") + text, vb::vbExclamation);
        return;
    }
    combo->addItem(text, 0);
    combo->setCurrentIndex(combo->count() - 1);
    cmdEdit[5]->setEnabled(true);
    ShowFilesCount(3);
}

void frmProtocol::cmbEdit_KeyDown(int Index, int& KeyCode, int) {
    if (Index == 3 && KeyCode == VbKeys::vbKeyReturn) {
        KeyCode = 0;
        AddAttachment();
    }
}

void frmProtocol::cmbSearch_Click(int Index) {
    QComboBox* picker = cmbSearch[Index];
    if (!picker) return;
    static const int target[] = {3, 7, 10, 11};
    if (Index < 0 || Index > 3) return;
    const QStringList& codes = Index < 2 ? m_typeCodes : m_deptCodes;
    const int current = picker->currentIndex();
    const QString code = current >= 0 && current < codes.size() ? codes.at(current) : QString();
    QLineEdit* box = txtSearch[target[Index]];
    box->setText(StrHelper::MergeList(box->text(), code, QStringLiteral(",")));
}

bool frmProtocol::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && cmbEdit[3] &&
        (watched == cmbEdit[3] || watched == cmbEdit[3]->lineEdit())) {
        auto* key = static_cast<QKeyEvent*>(event);
        int code = VbKeys::KeyCode(key);
        if (code == VbKeys::vbKeyReturn) {
            cmbEdit_KeyDown(3, code, VbKeys::Shift(key->modifiers()));
            if (code == 0) return true;
        }
    }
    return DBFormWindow::eventFilter(watched, event);
}

void frmProtocol::Form_KeyDown(int& KeyCode, int& Shift) {
    if (tabA->currentIndex() == 0) {
        const auto enabled = [this](int i) { return cmdEdit[i] && cmdEdit[i]->isEnabled(); };
        int button = -1;
        if (KeyCode == 118 && Shift == 2 && enabled(4))
            button = 4;
        else if (KeyCode == 118 && enabled(0))
            button = 0;
        else if (KeyCode == 119 && enabled(10))
            button = 10;
        else if (KeyCode == 120 && enabled(9))
            button = 9;
        if (button >= 0) {
            KeyCode = 0;
            cmdEdit_Click(button);
            return;
        }
    }
    DBFormWindow::Form_KeyDown(KeyCode, Shift);
}

void frmProtocol::tabA_Click(int previousTab) {
    DBFormWindow::tabA_Click(previousTab);
    if (cmdExport) cmdExport->setVisible(tabA->currentIndex() == 2);
    if (tabA->currentIndex() == 0) Form_Resize();
}

void frmProtocol::showEvent(QShowEvent* event) {
    DBFormWindow::showEvent(event);
    Form_Resize();
}

void frmProtocol::Form_Resize() {
    if (!m_listsFilled || isMinimized()) return;
    DBFormWindow::Form_Resize();
    const auto tw = [](const QWidget* w) { return Twips::fromPixels(w->width()); };
    const auto left = [](const QWidget* w) { return Twips::fromPixels(w->x()); };
    const auto setLeft = [](QWidget* w, int twips) {
        if (w) w->move(Twips::toPixels(twips), w->y());
    };
    const auto setWidth = [](QWidget* w, int twips) {
        if (w) w->resize(qMax(1, Twips::toPixels(twips)), w->height());
    };

    // Hidden pages are not laid out: measure the page area the tabs show, less the record page's
    // scroll bar.
    QWidget* pageArea = tabA->currentWidget() ? tabA->currentWidget() : fr[0];
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int W = Twips::fromPixels(pageArea->width() - scrollBar) - 40;
    const int H = W / 2 - 10;
    for (int i : {0, 3, 4, 5}) setWidth(ln[i], W);
    setLeft(lblBackEx[0], H - 20);
    setWidth(lblBackEx[0], H + 40);
    setWidth(lblBackEx[1], W - left(lblBackEx[1]));
    for (int i : {1, 3}) {
        setLeft(lblImg[i], W - tw(lblImg[1]) - 500);
        setLeft(img[i], W - 500);
    }
    const int L1 = tw(lbl[1]) + 200;
    for (QWidget* w : {tbEdit[0], tbEdit[1], tbEdit[2], static_cast<QWidget*>(cmbEdit[0]),
                       static_cast<QWidget*>(lstEdit[0]), static_cast<QWidget*>(lstEdit[1])})
        setWidth(w, H - L1);
    setWidth(tbEdit[10], tw(tbEdit[2]));
    setWidth(tbEdit[11], tw(tbEdit[2]));
    for (int i : {7, 8, 18}) setLeft(lbl[i], H + 400);
    for (int i : {5, 9, 10, 11, 12, 13, 14, 15}) setLeft(lbl[i], H + 40);
    for (int i : {16, 17}) setLeft(lbl[i], H);
    const int L2 = tw(lbl[8]) + 420;
    const int X = H + L2 + 30;
    for (QWidget* w : {tbEdit[3], tbEdit[4], tbEdit[5], tbEdit[6], tbEdit[7], tbEdit[8], tbEdit[9],
                       tbEdit[12], tbEdit[13], tbEdit[14], static_cast<QWidget*>(cmbEdit[1])}) {
        setLeft(w, X);
        setWidth(w, H - L2);
    }
    setLeft(cmdEdit[12], X - tw(cmdEdit[12]) - 840);
    setLeft(cmdEdit[9], X - tw(cmdEdit[9]) - 540);
    setLeft(cmdEdit[4], left(cmdEdit[9]));
    setLeft(cmdEdit[3], left(cmdEdit[9]) - 300);
    setLeft(cmdEdit[13], left(cmdEdit[3]));
    setLeft(dtEdit[2], H + 30);
    setLeft(dtEdit[3], H + 30);
    setLeft(lblFilesCnt[2], left(lbl[16]) + tw(lbl[16]));
    setLeft(lblFilesCnt[3], left(lblFilesCnt[2]));
    const int L3 = tw(cmbEdit[1]) - 2 * tw(cmdEdit[2]) - 20;
    setLeft(cmbEdit[2], X);
    setLeft(cmbEdit[3], X);
    setWidth(cmbEdit[3], L3);
    setWidth(cmbEdit[2], L3 - tw(cmdEdit[6]));
    setLeft(cmdEdit[1], left(cmbEdit[2]) + tw(cmbEdit[2]) + 20);
    setLeft(cmdEdit[6], left(cmdEdit[1]) + tw(cmdEdit[1]) + 10);
    setLeft(cmdEdit[11], left(cmdEdit[6]) + tw(cmdEdit[6]) + 10);
    setLeft(cmdEdit[7], left(cmdEdit[6]));
    setLeft(cmdEdit[5], left(cmdEdit[11]));
    if (cmdExport && cmdAction[1]) {
        const QPoint p = cmdAction[1]->mapTo(this, QPoint(0, 0));
        cmdExport->adjustSize();
        cmdExport->move(p.x() - cmdExport->width(), p.y());
        cmdExport->raise();
    }
    // Places of our own beyond the rules: the date captions follow their boxes, the stamp the edge.
    for (int i : {25, 26}) setLeft(lbl[i], H + 1400);
    // The F-key hint is wider than lblImg(1), whose width the rule measures it by: it keeps its
    // whole text and ends where the rule ends lblImg(1), beside its picture.
    if (QLabel* hint = lblImg[3]) {
        hint->resize(hint->sizeHint().width(), hint->height());
        setLeft(hint, qMax(120, W - tw(hint) - 500));
    }
    setLeft(lblEdit[5], W - tw(lblEdit[5]) - 100);
}
