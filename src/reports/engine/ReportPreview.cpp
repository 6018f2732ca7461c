#include "ReportPreview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include "ReportEngine.h"
#include "Screen.h"

namespace {
constexpr int kKeptPages = 12;
constexpr int kSliceMs = 40;  // reading on in slices keeps the window answering
const QStringList kZooms{QStringLiteral("Πλάτος σελίδας"), QStringLiteral("Ολόκληρη σελίδα"), QStringLiteral("50%"),
                         QStringLiteral("75%"), QStringLiteral("100%"), QStringLiteral("150%"),
                         QStringLiteral("200%")};

// The page's image is kept from one render to the next, and from one preview window to the next:
// a fresh image of a few MiB costs more than painting the page into it.
QImage& spareImage() {
    static QImage image;
    return image;
}
}  // namespace

// A window opened from a modal form must belong to it, or the form's modality would shut it out.
ReportPreview::ReportPreview(const std::shared_ptr<ReportEngine>& engine)
    : QWidget(QApplication::activeModalWidget(), Qt::Window), m_engine(engine) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Προεπισκόπηση - %1").arg(engine->Title()));
    setObjectName(QStringLiteral("ReportPreview"));

    auto* bar = new QHBoxLayout;
    const auto button = [&](const QString& text, const QString& tip, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    cmdFirst = button(QStringLiteral("|<"), QStringLiteral("Πρώτη σελίδα"), "cmdFirst");
    cmdPrev = button(QStringLiteral("<"), QStringLiteral("Προηγούμενη σελίδα"), "cmdPrev");
    spnPage = new QSpinBox(this);
    spnPage->setObjectName(QStringLiteral("spnPage"));
    spnPage->setAccessibleName(QStringLiteral("Σελίδα"));
    spnPage->setRange(1, 1);
    spnPage->setKeyboardTracking(false);
    // Room for a long report's page numbers from the start: the window must not widen as they grow.
    spnPage->setMinimumWidth(spnPage->sizeHint().width() + fontMetrics().horizontalAdvance(QStringLiteral("999999")));
    if (auto* edit = spnPage->findChild<QLineEdit*>()) edit->setAccessibleName(QStringLiteral("Σελίδα"));
    auto* lblPage_ = new QLabel(QStringLiteral("Σελίδα"), this);
    lblPage_->setBuddy(spnPage);
    bar->addWidget(lblPage_);
    bar->addWidget(spnPage);
    lblPages = new QLabel(this);
    lblPages->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("από 9999999+")));
    bar->addWidget(lblPages);
    cmdNext = button(QStringLiteral(">"), QStringLiteral("Επόμενη σελίδα"), "cmdNext");
    cmdLast = button(QStringLiteral(">|"), QStringLiteral("Τελευταία σελίδα"), "cmdLast");
    cmbZoom = new QComboBox(this);
    cmbZoom->setObjectName(QStringLiteral("cmbZoom"));
    cmbZoom->setAccessibleName(QStringLiteral("Μεγέθυνση"));
    cmbZoom->addItems(kZooms);
    auto* lblZoom = new QLabel(QStringLiteral("Μεγέθυνση"), this);
    lblZoom->setBuddy(cmbZoom);
    bar->addSpacing(12);
    bar->addWidget(lblZoom);
    bar->addWidget(cmbZoom);
    bar->addSpacing(12);
    cmdPrint = button(QStringLiteral("Εκτύπωση..."), QStringLiteral("Εκτύπωση"), "cmdPrint");
    cmdExport = button(QStringLiteral("Εξαγωγή PDF..."), QStringLiteral("Εξαγωγή σε αρχείο PDF"), "cmdExport");
    cmdExport->setVisible(engine->CanExport());
    bar->addStretch(1);
    cmdClose = button(QStringLiteral("Κλείσιμο"), QStringLiteral("Κλείσιμο"), "cmdClose");

    scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scroll"));
    scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll->setBackgroundRole(QPalette::Dark);
    lblPage = new QLabel;
    lblPage->setObjectName(QStringLiteral("lblPage"));
    scroll->setWidget(lblPage);

    auto* status = new QHBoxLayout;
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    // The count's text grows while the rest is read; the window must not widen with it.
    lblProgress->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    barProgress = new QProgressBar(this);
    barProgress->setRange(0, 0);
    barProgress->setMaximumWidth(200);
    barProgress->setAccessibleName(QStringLiteral("Ανάγνωση σελίδων"));
    status->addWidget(lblProgress, 1);
    status->addWidget(barProgress);

    auto* v = new QVBoxLayout(this);
    v->addLayout(bar);
    v->addWidget(scroll, 1);
    v->addLayout(status);

    connect(cmdFirst, &QPushButton::clicked, this, [this] { ShowPage(1); });
    connect(cmdPrev, &QPushButton::clicked, this, [this] { ShowPage(m_current - 1); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { ShowPage(m_current + 1); });
    connect(cmdLast, &QPushButton::clicked, this, [this] {
        readToEnd();
        ShowPage(m_known);
    });
    connect(spnPage, &QSpinBox::valueChanged, this, [this](int n) {
        if (n != m_current) ShowPage(n);
    });
    connect(cmbZoom, &QComboBox::currentIndexChanged, this, [this] { render(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] {
        if (auto e = m_engine.lock()) {
            e->PrintWithDialog(this);
            m_known = std::max(m_known, e->PagesDelivered());
            if (e->AtEnd()) m_done = true;
            updateState();
        }
    });
    connect(cmdExport, &QPushButton::clicked, this, [this] {
        if (auto e = m_engine.lock(); e && e->CanExport()) {
            e->ExportWithDialog(this);
            m_known = std::max(m_known, e->PagesDelivered());
            if (e->AtEnd()) m_done = true;
            updateState();
        }
    });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    m_reader.setSingleShot(true);
    connect(&m_reader, &QTimer::timeout, this, [this] { readOn(); });

    const QRect avail = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(900, avail.width()), std::min(1000, avail.height()));
}

ReportPreview::~ReportPreview() {
    spareImage() = takeImage();
    // Deleted with the form it belongs to: the run ends as if the window had been closed.
    if (m_attached) {
        m_attached = false;
        if (const auto e = m_engine.lock()) e->previewClosed();
    }
}

void ReportPreview::start() {
    Screen::SetMousePointer(Screen::vbHourglass);
    ShowPage(1);
    Screen::SetMousePointer(Screen::vbDefault);
    if (!m_done) m_reader.start(0);
}

void ReportPreview::detach() {
    m_attached = false;
    m_reader.stop();
    m_engine.reset();
}

const ReportPage::Page* ReportPreview::CurrentModel() const {
    const auto it = m_cache.constFind(m_current);
    return it == m_cache.cend() ? nullptr : &*it;
}

void ReportPreview::remember(const ReportPage::Page& page) {
    m_cache.insert(page.number, page);
    m_recent.removeAll(page.number);
    m_recent.append(page.number);
    while (m_cache.size() > kKeptPages) {
        const auto victim = std::find_if(m_recent.begin(), m_recent.end(), [this](int n) { return n != m_current; });
        if (victim == m_recent.end()) break;
        m_cache.remove(*victim);
        m_recent.erase(victim);
    }
}

bool ReportPreview::fetch(int number) {
    if (m_cache.contains(number)) {
        m_recent.removeAll(number);
        m_recent.append(number);
        return true;
    }
    const auto e = m_engine.lock();
    if (!e || number < 1 || (m_done && number > m_known)) return false;
    if (number <= e->PagesDelivered()) e->Restart();  // behind the pass: read again from the start
    ReportPage::Page page;
    while (e->PagesDelivered() < number) {
        if (!e->NextPage(page)) {
            m_done = true;
            return false;
        }
        m_known = std::max(m_known, e->PagesDelivered());
        // Keep what is near the wanted page; the pages passed over are not needed.
        if (page.number + kKeptPages / 2 >= number) remember(page);
    }
    if (e->AtEnd()) m_done = true;
    return m_cache.contains(number);
}

bool ReportPreview::ShowPage(int number) {
    if (!fetch(number)) {
        updateState();
        return false;
    }
    m_current = number;
    render();
    updateState();
    return true;
}

void ReportPreview::readOn() {
    const auto e = m_engine.lock();
    if (!e || m_done) {
        updateState();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    ReportPage::Page page;
    while (clock.elapsed() < kSliceMs) {
        if (!e->NextPage(page)) {
            m_done = true;
            break;
        }
        m_known = std::max(m_known, e->PagesDelivered());
        if (page.number == m_known) remember(page);  // the last one read, for "last page"
    }
    if (e->AtEnd()) m_done = true;
    updateState();
    if (!m_done && m_attached) m_reader.start(0);
}

void ReportPreview::readToEnd() {
    if (m_done) return;
    Screen::SetMousePointer(Screen::vbHourglass);
    while (!m_done && m_attached) {
        readOn();
        m_reader.stop();
    }
    Screen::SetMousePointer(Screen::vbDefault);
}

void ReportPreview::render() {
    const ReportPage::Page* page = CurrentModel();
    if (!page) return;
    const double screenDpm = logicalDpiX() / 25.4;
    QSize view = scroll->viewport()->size() - QSize(4, 4);
    // A page as wide as the view is taller than it: leave room for the scroll bar it will bring, so
    // that the page keeps its size when the bar comes.
    if (cmbZoom->currentIndex() == 0 && !scroll->verticalScrollBar()->isVisible())
        view.rwidth() -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll->verticalScrollBar());
    double dpm;
    switch (cmbZoom->currentIndex()) {
        case 0: dpm = view.width() / page->size.width(); break;
        case 1: dpm = std::min(view.width() / page->size.width(), view.height() / page->size.height()); break;
        default: dpm = screenDpm * cmbZoom->currentText().chopped(1).toDouble() / 100.0; break;
    }
    dpm = std::clamp(dpm, 0.5, 40.0);
    const QSize size(qRound(page->size.width() * dpm), qRound(page->size.height() * dpm));
    QImage image = takeImage();
    if (image.size() != size || image.format() != QImage::Format_RGB32 || !image.isDetached())
        image = QImage(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpm * 1000));
    image.setDotsPerMeterY(qRound(dpm * 1000));
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    ReportPage::Paint(p, *page, dpm);
    p.end();
    lblPage->resize(size);
    // The pixmap shares the image rather than copying it; the next render takes it back.
    lblPage->setPixmap(QPixmap::fromImage(std::move(image)));
}

QImage ReportPreview::takeImage() {
    QImage image;
    if (!lblPage->pixmap().isNull()) {
        image = lblPage->pixmap().toImage();
        lblPage->setPixmap(QPixmap());
    } else {
        image.swap(spareImage());
    }
    return image;
}

void ReportPreview::updateState() {
    const int last = std::max(m_known, m_current);
    spnPage->blockSignals(true);
    spnPage->setRange(1, std::max(1, m_done ? m_known : last + 1));
    spnPage->setValue(std::max(1, m_current));
    spnPage->blockSignals(false);
    lblPages->setText(m_done ? QStringLiteral("από %1").arg(m_known) : QStringLiteral("από %1+").arg(last));
    cmdFirst->setEnabled(m_current > 1);
    cmdPrev->setEnabled(m_current > 1);
    cmdNext->setEnabled(!m_done || m_current < m_known);
    cmdLast->setEnabled(!m_done || m_current < m_known);
    lblProgress->setText(m_done ? QStringLiteral("Σελίδες: %1").arg(m_known)
                                : QStringLiteral("Ανάγνωση της εκτύπωσης... %1 σελίδες ως τώρα").arg(m_known));
    barProgress->setVisible(!m_done);
}

void ReportPreview::closeEvent(QCloseEvent* event) {
    m_reader.stop();
    if (m_attached) {
        m_attached = false;
        if (const auto e = m_engine.lock()) e->previewClosed();
        m_engine.reset();
    }
    event->accept();
}

void ReportPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (cmbZoom->currentIndex() <= 1) render();
}

void ReportPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_PageDown: ShowPage(m_current + 1); break;
        case Qt::Key_PageUp: ShowPage(m_current - 1); break;
        case Qt::Key_Home:
            if (event->modifiers() & Qt::ControlModifier) ShowPage(1);
            break;
        case Qt::Key_End:
            if (event->modifiers() & Qt::ControlModifier) {
                readToEnd();
                ShowPage(m_known);
            }
            break;
        case Qt::Key_Escape: close(); break;
        default: QWidget::keyPressEvent(event);
    }
}
