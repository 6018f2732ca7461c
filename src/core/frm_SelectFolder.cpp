#include "frm_SelectFolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>

#include "FileHelper.h"
#include "FormLayout.h"
#include "SettingsStore.h"

namespace {
const QString kRoot = QStringLiteral("/");
const QString kDefaultDrive = QStringLiteral("C:");

QString separator() {
    return QString(QDir::separator());
}

bool isEnter(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
}  // namespace

frm_SelectFolder::frm_SelectFolder(QWidget* parent) : QDialog(parent) {
    buildControls();
    connect(Drive1, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(Dir1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { Dir1_Open(item); });
    connect(cmdNewFolder, &QPushButton::clicked, this, [this] { cmdNewFolder_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    // Enter opens a folder or makes the new one; it must not press OK as well.
    Dir1->installEventFilter(this);
    txtNewFolder->installEventFilter(this);
    Form_Load();
}

frm_SelectFolder::~frm_SelectFolder() {
    Form_Unload();
}

QStringList frm_SelectFolder::Drives() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    roots.removeAll(kRoot);
    roots.sort(Qt::CaseInsensitive);
    roots.prepend(kRoot);  // the system's default drive, whatever the mount table says
    return roots;
}

QString frm_SelectFolder::DriveRoot(const QString& drive) {
    const QString d = drive.trimmed();
    if (d.isEmpty()) return QString();
    if (d.compare(kDefaultDrive, Qt::CaseInsensitive) == 0 ||
        d.compare(kDefaultDrive + QLatin1Char('\\'), Qt::CaseInsensitive) == 0)
        return kRoot;
    const QString root = QDir::cleanPath(d);
    return Drives().contains(root) ? root : QString();
}

void frm_SelectFolder::Init() {
    m_section = QStringLiteral("\\Protocol") + QStringLiteral("\\") + QStringLiteral("frm_SelectFolder");
    const QString drive = SettingsStore::GetValue(m_section, QStringLiteral("Drive"), QString(), true);
    const QString path = SettingsStore::GetValue(m_section, QStringLiteral("Path"), QString(), true);

    const bool driveOk = SetDrive1_Drive(drive.isEmpty() ? kDefaultDrive : drive);
    if (!driveOk) SetDrive1_Drive(kDefaultDrive);
    if (!driveOk || !SetDir1_Path(path)) SetDir1_Path(QString());
}

QString frm_SelectFolder::folderName() const {
    QString s = m_path.trimmed();
    if (!s.isEmpty() && !s.endsWith(separator())) s += separator();
    return s;
}

QString frm_SelectFolder::Drive1_Drive() const {
    return Drive1->currentData().toString();
}

bool frm_SelectFolder::SetDrive1_Drive(const QString& drive) {
    const int index = Drive1->findData(DriveRoot(drive));
    if (DriveRoot(drive).isEmpty() || index < 0) return false;
    const QSignalBlocker quiet(Drive1);
    Drive1->setCurrentIndex(index);
    // Without a chosen folder the list follows the drive.
    if (m_path.isEmpty()) listFolder(Drive1_Drive());
    return true;
}

bool frm_SelectFolder::SetDir1_Path(const QString& path) {
    if (path.isEmpty()) {
        m_path.clear();
        listFolder(Drive1_Drive().isEmpty() ? kRoot : Drive1_Drive());
        Dir1_Change();
        return true;
    }
    const QString folder = QDir::cleanPath(QDir(path).absolutePath());
    if (!QFileInfo(folder).isDir() || !QDir(folder).isReadable()) return false;
    m_path = folder;
    listFolder(folder);
    showDriveOf(folder);
    Dir1_Change();
    return true;
}

void frm_SelectFolder::Dir1_Refresh() {
    listFolder(m_shown);
}

void frm_SelectFolder::listFolder(const QString& folder) {
    m_shown = folder;
    Dir1->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
    const QDir dir(folder);
    if (folder != kRoot) {
        auto* up =
            new QListWidgetItem(style()->standardIcon(QStyle::SP_FileDialogToParent), QStringLiteral(".."));
        up->setData(Qt::UserRole, QFileInfo(folder).absolutePath());
        Dir1->addItem(up);
    }
    const QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(icon, name);
        item->setData(Qt::UserRole, dir.filePath(name));
        Dir1->addItem(item);
    }
    if (Dir1->count() > 0) Dir1->setCurrentRow(0);
}

void frm_SelectFolder::showDriveOf(const QString& folder) {
    const int index = Drive1->findData(QStorageInfo(folder).rootPath());
    if (index < 0) return;
    const QSignalBlocker quiet(Drive1);
    Drive1->setCurrentIndex(index);
}

void frm_SelectFolder::Form_Load() {
    setWindowIcon(QApplication::windowIcon());
    for (const QString& root : Drives()) Drive1->addItem(root, root);
    bool restoreFlag1 = true, restoreFlag2 = true;
    FormLayout::Shared().Restore(this, 0, 0, 0, 0, QStringLiteral("\\Protocol"), restoreFlag1, restoreFlag2);
}

void frm_SelectFolder::Form_Unload() {
    // The close box unloads the form before its caller deletes it; save once.
    if (m_unloaded) return;
    m_unloaded = true;
    if (!m_section.isEmpty()) {
        SettingsStore::SaveValue(m_section, QStringLiteral("Drive"), Drive1_Drive(), true);
        SettingsStore::SaveValue(m_section, QStringLiteral("Path"), m_path, true);
    }
    bool saveFlag = true;
    FormLayout::Shared().Save(this, QStringLiteral("\\Protocol"), saveFlag);
}

void frm_SelectFolder::Drive1_Change() {
    // A drive that cannot be read: back to the drive of the folder shown, without a message.
    if (!SetDir1_Path(Drive1_Drive())) showDriveOf(m_shown);
}

void frm_SelectFolder::Dir1_Change() {
    txtFolder->setText(m_path);
}

void frm_SelectFolder::Dir1_Open(QListWidgetItem* item) {
    if (!item) return;
    // A folder removed meanwhile: show what is there now.
    if (!SetDir1_Path(item->data(Qt::UserRole).toString())) Dir1_Refresh();
}

void frm_SelectFolder::cmdNewFolder_Click() {
    const QString name = txtNewFolder->text().trimmed();
    txtNewFolder->setText(name);
    if (name.isEmpty()) return;
    // Without a chosen folder the new one goes where the list shows.
    const QString base = m_path.isEmpty() ? m_shown : m_path;
    const QString newPath =
        base.endsWith(separator()) ? QString(base + name) : QString(base + separator() + name);
    FileHelper::CreateFolder(newPath);
    Dir1_Refresh();
    // One that could not be made is not entered.
    if (QFileInfo(newPath).isDir()) SetDir1_Path(newPath);
}

void frm_SelectFolder::cmdOK_Click() {
    m_canceled = false;
    accept();
}

void frm_SelectFolder::cmdExit_Click() {
    m_canceled = true;
    QDialog::reject();
}

void frm_SelectFolder::reject() {
    cmdExit_Click();
}

void frm_SelectFolder::closeEvent(QCloseEvent* event) {
    // A user who closes the window did not choose.
    if (isVisible()) m_canceled = true;
    QDialog::closeEvent(event);
    Form_Unload();
}

void frm_SelectFolder::showEvent(QShowEvent* event) {
    m_unloaded = false;
    QDialog::showEvent(event);
}

bool frm_SelectFolder::eventFilter(QObject* watched, QEvent* event) {
    if (isEnter(event)) {
        if (watched == Dir1) {
            Dir1_Open(Dir1->currentItem());
            return true;
        }
        if (watched == txtNewFolder) {
            cmdNewFolder_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
