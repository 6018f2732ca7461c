#include "DBFormWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "Adodc.h"
#include "ControlNames.h"
#include "VbKeys.h"
#include "clsDBForm.h"

namespace {

// "Select all" (Ctrl+A, the corner button) means the whole list: its rest is read first, as the
// count, the sort and the export do, or the rows still to come would stay unselected.
class ListView final : public QTableView {
public:
    using QTableView::QTableView;
    void selectAll() override {
        if (model() && model()->canFetchMore(QModelIndex())) model()->fetchMore(QModelIndex());
        QTableView::selectAll();
    }
};

}  // namespace

DBFormWindow::DBFormWindow(QWidget* parent) : QDialog(parent) {
    setWindowFlag(Qt::WindowMinMaxButtonsHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    tlb1 = named(new QToolBar(this), QStringLiteral("tlb1"));
    tlb1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Fifteen keys must fit the window's default width.
    tlb1->setStyleSheet(
        QStringLiteral("QToolBar { spacing: 0px; } QToolButton { padding: 0px 1px; margin: 0px; }"));
    QFont small = tlb1->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    tlb1->setFont(small);
    layout->addWidget(tlb1);

    tabA = named(new QTabWidget(this), QStringLiteral("tabA"));
    for (int i = 0; i < 3; ++i) {
        auto* page = new QWidget(tabA);
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        auto* frame = new QFrame(page);
        frame->setFrameShape(QFrame::NoFrame);
        fr.set(i, frame);
        pageLayout->addWidget(frame);
        tabA->addTab(page, QString());
    }
    layout->addWidget(tabA, 1);

    tdbg = named(new ListView(fr[2]), QStringLiteral("tdbg"));
    tdbg->setAccessibleName(QStringLiteral("Κατάλογος"));
    tdbg->setSelectionBehavior(QAbstractItemView::SelectRows);
    tdbg->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tdbg->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tdbg->verticalHeader()->setDefaultSectionSize(tdbg->fontMetrics().height() + 6);
    tdbg->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    auto* gridLayout = new QVBoxLayout(fr[2]);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->addWidget(tdbg);

    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(this);
        b->setAutoDefault(false);
        cmdAction.set(i, b);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    }
    buttons->addWidget(cmdAction[0]);
    buttons->addStretch(1);
    buttons->addWidget(cmdAction[1]);
    layout->addLayout(buttons);

    adodc = new Adodc(this);
    adodc->setObjectName(QStringLiteral("adodc"));
    adodc->MoveComplete = [this](long reason, ErrObject* err, long& status, ListRecordset* rs) {
        adodc_MoveComplete(reason, err, status, rs);
    };

    m_controls.add(fr);
    m_controls.add(cmdAction);

    connect(tlb1, &QToolBar::actionTriggered, this,
            [this](QAction* a) { tlb1_ButtonClick(a->data().toString()); });
    connect(tabA, &QTabWidget::currentChanged, this, [this](int index) {
        const int previous = m_lastTab;
        m_lastTab = index;
        tabA_Click(previous);
        m_lastTab = tabA->currentIndex();
    });
    connect(tdbg, &QTableView::doubleClicked, this, [this] { tdbg_DblClick(); });

    qApp->installEventFilter(this);
}

DBFormWindow::~DBFormWindow() {
    qApp->removeEventFilter(this);
    if (mclsDBForm) {
        mclsDBForm->Terminate();
        mclsDBForm.reset();
    }
    adodc->MoveComplete = nullptr;
}

QWidget* DBFormWindow::Control(const QString& arrayName, int index) const {
    if (QWidget* w = m_controls.find(arrayName, index)) return w;
    return findChild<QWidget*>(ControlArrayBase::memberName(arrayName, index));
}

QVariant DBFormWindow::SelectedRecs(const QString& column) const {
    return mclsDBForm ? mclsDBForm->SelectedRecs(column) : QVariant();
}

void DBFormWindow::Form_Resize() {
    if (mclsDBForm) mclsDBForm->FormResize();
}

void DBFormWindow::Form_KeyDown(int& KeyCode, int& Shift) {
    if (mclsDBForm) mclsDBForm->FormKeyDown(KeyCode, Shift);
}

void DBFormWindow::tlb1_ButtonClick(const QString& key) {
    if (mclsDBForm) mclsDBForm->ToolbarAction(key);
}

void DBFormWindow::tabA_Click(int previousTab) {
    if (mclsDBForm) mclsDBForm->TabClick(previousTab);
}

void DBFormWindow::tdbg_DblClick() {
    if (mclsDBForm) mclsDBForm->GridDblClick();
}

void DBFormWindow::cmdAction_Click(int index) {
    if (mclsDBForm) mclsDBForm->ActionClick(index);
}

void DBFormWindow::adodc_MoveComplete(long adReason, ErrObject* pError, long& adStatus,
                                      ListRecordset* pRecordset) {
    if (mclsDBForm) mclsDBForm->DataMoveComplete(adReason, pError, adStatus, pRecordset);
}

void DBFormWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!isMinimized()) Form_Resize();
}

void DBFormWindow::closeEvent(QCloseEvent* event) {
    if (mclsDBForm && !mclsDBForm->QueryUnload()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void DBFormWindow::keyPressEvent(QKeyEvent* event) {
    // Enter and Esc belong to the form's handlers, not to a default button or a silent close.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool DBFormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()) {
        // A box would claim some of the toolbar's keys as its own (on X11 a text box takes Ctrl+E
        // as "end of line"): the window's key wins while its button can act. Kept from the box and
        // left unaccepted, the key goes on to the window's shortcut.
        auto* w = static_cast<QWidget*>(watched);
        if (w->window() != this) return false;
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (QAction* a : tlb1->actions())
            if (a->isEnabled() && a->isVisible() && a->shortcut() == pressed) return true;
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != this) return false;
    // A key travels up from the focus widget through its parents: preview it once.
    QWidget* focus = QApplication::focusWidget();
    if (focus ? w != focus : w != this) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int code = VbKeys::KeyCode(key);
    int shift = VbKeys::Shift(key->modifiers());
    if (code == 0) return false;
    Form_KeyDown(code, shift);
    return code == 0;
}
