#include "BackupProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ControlNames.h"

BackupProgress::BackupProgress(QWidget* parent) : QDialog(parent) {
    named(this, QStringLiteral("BackupProgress"));
    setWindowTitle(QStringLiteral("Δημιουργία Αντιγράφων Ασφαλείας"));
    setWindowModality(Qt::WindowModal);
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint & ~Qt::WindowContextHelpButtonHint);
    m_label = named(new QLabel(this), QStringLiteral("lblProgress"));
    m_bar = named(new QProgressBar(this), QStringLiteral("barProgress"));
    m_bar->setAccessibleName(QStringLiteral("Πρόοδος"));
    m_bar->setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
}

void BackupProgress::Show(const QString& text, qint64 done, qint64 total) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (isVisible() && text == m_label->text() && now - m_lastPaint < 100) return;
    m_lastPaint = now;
    m_label->setText(text);
    if (total > 0) {
        m_bar->setRange(0, 1000);
        m_bar->setValue(int(std::clamp<qint64>(done * 1000 / total, 0, 1000)));
    } else {
        m_bar->setRange(0, 0);  // busy
    }
    if (!isVisible()) show();
    QApplication::processEvents();
}

void BackupProgress::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void BackupProgress::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return;  // the backup cannot be left half-way
    QDialog::keyPressEvent(event);
}
