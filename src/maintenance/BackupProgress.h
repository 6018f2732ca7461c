#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// A small window over frmActions while a backup runs: what is being done and how far it is. It
// blocks input to the window beneath and cannot be closed; the work keeps it painted by calling
// Show often (at most a few times a second does any painting).
class BackupProgress : public QDialog {
    Q_OBJECT

public:
    explicit BackupProgress(QWidget* parent);
    // Shows the step and its progress (total 0: unknown) and lets the window repaint.
    void Show(const QString& text, qint64 done, qint64 total);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
    qint64 m_lastPaint = 0;
};
