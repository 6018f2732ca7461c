#pragma once

#include <QList>
#include <QMap>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "ReportPage.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSpinBox;
class ReportEngine;

// The engine's preview: shows one page at a time, made when it is asked for, and goes on reading
// the rest of the report meanwhile to count the pages. Only a few pages are kept; going back
// further makes the report read its data again from the start. Closing it ends the run.
class ReportPreview : public QWidget {
    Q_OBJECT
public:
    explicit ReportPreview(const std::shared_ptr<ReportEngine>& engine);
    ~ReportPreview() override;

    void start();   // shows the first page, then reads on
    void detach();  // the engine is closing: forget it

    // 1-based; false when the report has no such page.
    bool ShowPage(int number);
    int CurrentPage() const { return m_current; }
    int PagesKnown() const { return m_known; }
    bool CountDone() const { return m_done; }
    const ReportPage::Page* CurrentModel() const;
    int CachedPages() const { return int(m_cache.size()); }

    QPushButton *cmdFirst, *cmdPrev, *cmdNext, *cmdLast, *cmdPrint, *cmdExport, *cmdClose;
    QSpinBox* spnPage;
    QComboBox* cmbZoom;
    QLabel *lblPages, *lblProgress, *lblPage;
    QProgressBar* barProgress;
    QScrollArea* scroll;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool fetch(int number);
    void remember(const ReportPage::Page& page);
    void readOn();
    void readToEnd();
    void render();
    // The image last rendered, no longer shown (or the one a closed window left); null when none.
    QImage takeImage();
    void updateState();

    std::weak_ptr<ReportEngine> m_engine;
    QMap<int, ReportPage::Page> m_cache;
    QList<int> m_recent;  // least recently used first
    int m_current = 0;
    int m_known = 0;
    bool m_done = false;
    bool m_attached = true;
    QTimer m_reader;
};
