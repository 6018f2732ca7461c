// The controls of frmMDI: menus, the child-window area and the status bar.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "frmMDI.h"

namespace {
template <typename T>
T* named(T* object, const QString& name) {
    object->setObjectName(name);
    return object;
}

QMenu* addMenu(QMenuBar* bar, const QString& caption, const QString& name) {
    QMenu* menu = named(bar->addMenu(caption), name);
    menu->setAccessibleDescription(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

// Qt gives menu items no accessible description (only name and shortcut); they are found by
// objectName, and their menus carry the description.
QAction* addItem(QMenu* menu, const QString& caption, const QString& name,
                 const QKeySequence& shortcut = QKeySequence()) {
    QAction* item = named(menu->addAction(caption), name);
    item->setShortcut(shortcut);
    // The work windows are windows of their own: the main window's keys must not fire in them.
    item->setShortcutContext(Qt::WindowShortcut);
    return item;
}

QAction* addSeparator(QMenu* menu, const QString& name) {
    return named(menu->addSeparator(), name);
}
}  // namespace

void frmMDI::buildControls() {
    setObjectName(QStringLiteral("frmMDI"));
    setAccessibleDescription(objectName());

    mdiArea = named(new QMdiArea(this), QStringLiteral("mdiArea"));
    mdiArea->setAccessibleDescription(mdiArea->objectName());
    // The window's default height leaves no room for the area's own minimum.
    mdiArea->setMinimumSize(1, 1);
    setCentralWidget(mdiArea);

    QMenuBar* bar = menuBar();
    mnuFile = addMenu(bar, QStringLiteral("Αρχεία"), QStringLiteral("mnuFile"));
    mnuProtocol = addItem(mnuFile, QStringLiteral("Πρωτόκολλο ..."), QStringLiteral("mnuProtocol"),
                          QKeySequence(Qt::Key_F2));
    mnuFileSep2 = addSeparator(mnuFile, QStringLiteral("mnuFileSep2"));
    mnuUsers = addItem(mnuFile, QStringLiteral("Χρήστες ..."), QStringLiteral("mnuUsers"),
                       QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuNewLogin =
        addItem(mnuFile, QStringLiteral("Σύνδεση σαν άλλος χρήστης ..."), QStringLiteral("mnuNewLogin"));
    mnuUsersActive = addItem(mnuFile, QStringLiteral("Συνδεδεμένοι χρήστες ..."),
                             QStringLiteral("mnuUsersActive"), QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuFileSep4 = addSeparator(mnuFile, QStringLiteral("mnuFileSep4"));
    mnuOptions = addItem(mnuFile, QStringLiteral("Ρυθμίσεις εφαρμογής ..."), QStringLiteral("mnuOptions"));
    mnuFileSep5 = addSeparator(mnuFile, QStringLiteral("mnuFileSep5"));
    mnuExit = addItem(mnuFile, QStringLiteral("Έξοδος"), QStringLiteral("mnuExit"));

    mnuParams = addMenu(bar, QStringLiteral("Παράμετροι"), QStringLiteral("mnuParams"));
    const std::pair<int, QString> params[] = {
        {0, QStringLiteral("Τμήματα ...")},
        {1, QStringLiteral("Τύποι εισερχομένων - εξερχομένων ...")},
        {2, QStringLiteral("Από ...")},
        {3, QStringLiteral("Προς ...")},
        {4, QStringLiteral("Τόπος προέλευσης ...")},
        {5, QStringLiteral("Αρμόδιοι ...")},
        {10, QStringLiteral("Συνήθεις φράσεις ...")},
        {11, QStringLiteral("Αρχειοθέτηση ...")},
    };
    for (const auto& [index, caption] : params)
        mnuParam[index] = addItem(mnuParams, caption, QStringLiteral("mnuParam(%1)").arg(index));

    mnuWindow = addMenu(bar, QStringLiteral("&Παράθυρα"), QStringLiteral("mnuWindow"));
    mnuWindowCascade =
        addItem(mnuWindow, QStringLiteral("&Τακτοποίηση σε επικάλυψη"), QStringLiteral("mnuWindowCascade"));
    mnuWindowTileHorizontal = addItem(mnuWindow, QStringLiteral("Τακτοποίηση &Οριζόντια"),
                                      QStringLiteral("mnuWindowTileHorizontal"));
    mnuWindowTileVertical = addItem(mnuWindow, QStringLiteral("Τακτοποίηση &Κατακόρυφα"),
                                    QStringLiteral("mnuWindowTileVertical"));
    mnuWindowArrangeIcons = addItem(mnuWindow, QStringLiteral("Τακτοποίηση &Εικονιδίων"),
                                    QStringLiteral("mnuWindowArrangeIcons"));
    mnuWindow->menuAction()->setVisible(false);

    mnuHelp = addMenu(bar, QStringLiteral("&Βοήθεια"), QStringLiteral("mnuHelp"));
    mnuHelpAbout = addItem(mnuHelp, QStringLiteral("&Πληροφορίες ..."), QStringLiteral("mnuHelpAbout"));

    sbStatusBar = named(new QStatusBar(this), QStringLiteral("sbStatusBar"));
    sbStatusBar->setAccessibleDescription(sbStatusBar->objectName());
    sbStatusBar->setSizeGripEnabled(false);
    setStatusBar(sbStatusBar);
    const QString keys[] = {QStringLiteral("user"), QStringLiteral("winuser"), QStringLiteral("db"),
                            QStringLiteral("CAPS"), QStringLiteral("NUM"),     QStringLiteral("INS"),
                            QStringLiteral("date"), QStringLiteral("time")};
    int index = 1;
    for (const QString& key : keys) {
        auto* panel = named(new QLabel(sbStatusBar), QStringLiteral("Panels(%1)").arg(index++));
        panel->setAccessibleDescription(panel->objectName());
        panel->setAccessibleName(key);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMargin(1);
        sbStatusBar->addWidget(panel);
        m_panels.insert(key, panel);
    }
    m_panels[QStringLiteral("CAPS")]->setText(QStringLiteral("CAPS"));
    m_panels[QStringLiteral("NUM")]->setText(QStringLiteral("NUM"));
    m_panels[QStringLiteral("INS")]->setText(QStringLiteral("INS"));
    // Only a supervisor's session shows the database.
    m_panels[QStringLiteral("db")]->setVisible(false);
}
