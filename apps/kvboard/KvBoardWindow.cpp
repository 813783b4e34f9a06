#include "KvBoardWindow.h"

#include "KvBoard.h"
#include "KvBoardClickThrough.h"
#include "KvBoardDocument.h"
#include "KvBoardTransport.h"
#include "KvBoardView.h"
#include "KvErasePopup.h"
#include "KvPenCore.h"
#include "KvPenPopup.h"
#include "KvPenTypes.h"
#include "KvToolPenButton.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoGroup>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

const QString kImages = QStringLiteral(":/kvboard/imgs/");
const QString kFileFilters = QStringLiteral("Board XML (*.xml);;Save records (*.kvb)");
// Work this short shows no progress.
constexpr int kQuietMilliseconds = 200;

// The window's own widgets are dark; dialogs keep the platform's readable colours, so these
// never go on the window itself (its style sheet would reach every dialog it parents).
const QString kBoardsStyle = QStringLiteral(
    "QSplitter, QSplitter > QWidget { background: #12151C; }"
    "QLabel { color: #C8CCDA; }"
    "QScrollBar { background: #1A1E28; width: 10px; height: 10px; }"
    "QScrollBar::handle { background: #3E456B; border-radius: 4px; min-width: 24px;"
    " min-height: 24px; }"
    "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
    "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");
const QString kStatusStyle = QStringLiteral(
    "QStatusBar { background: #12151C; color: #C8CCDA; }"
    "QStatusBar QLabel { color: #C8CCDA; }"
    "QPushButton { color: #E6E8F0; background: #3E456B; border: none; border-radius: 4px;"
    " padding: 2px 10px; }");
const QString kToolbarStyle = QStringLiteral(
    "QToolBar { background: #2E3249; border: none; spacing: 6px; padding: 4px 10px; }"
    "QLabel { color: #E6E8F0; min-width: 44px; qproperty-alignment: AlignCenter; }"
    "QComboBox, QSpinBox { color: #E6E8F0; background: #3E456B; border: none;"
    " border-radius: 4px; padding: 4px 8px; }"
    "QToolButton:focus { border: 2px solid #8FA8FF; border-radius: 6px; }");

QString zoomText(qreal zoom)
{
    return QStringLiteral("%1 %").arg(qRound(zoom * 100));
}

} // namespace

KvBoardWindow::KvBoardWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_board(new KvBoard(QStringLiteral("board"), this))
    , m_mirror(new KvBoard(QStringLiteral("mirror"), this))
    , m_transport(new KvBoardTransport(m_board, m_mirror, this))
    , m_undoGroup(new QUndoGroup(this))
    , m_penPopup(new KvPenPopup(this))
    , m_erasePopup(new KvErasePopup(this))
{
    buildBoards();
    buildToolbar();
    buildStatusBar();
    connectPopups();
    buildShortcuts();
    m_undoGroup->addStack(m_board->undoStack());
    m_undoGroup->addStack(m_mirror->undoStack());
    m_undoGroup->setActiveStack(m_board->undoStack());
    connect(m_board, &KvBoard::modifiedChanged, this, &KvBoardWindow::updateTitle);
    for (KvBoard *board : {m_board, m_mirror}) {
        connect(board, &KvBoard::remoteRefused, this, &KvBoardWindow::showProblem);
        connect(board, &KvBoard::fullRefused, this, [this] {
            statusBar()->showMessage(tr("The board is full: erase or clear some ink, or save it "
                                        "and start a new board."),
                                     6000);
        });
    }
    connect(m_transport, &KvBoardTransport::undeliverable, this,
            [this](const QString &reason) { showProblem(reason, {}); });
    restoreSettings();
    updateTitle();
    statusBar()->showMessage(tr("Draw on the left board; the right one is a remote participant."));
}

KvBoardWindow::~KvBoardWindow() = default;

KvBoard *KvBoardWindow::board() const
{
    return m_board;
}

KvBoardTransport *KvBoardWindow::transport() const
{
    return m_transport;
}

void KvBoardWindow::setDocumentPath(const QString &path)
{
    if (QFileInfo::exists(path)) {
        openPath(path);
        return;
    }
    m_documentPath = path;
    updateTitle();
}

void KvBoardWindow::setMirrorVisible(bool visible)
{
    m_mirrorPane->setVisible(visible);
}

void KvBoardWindow::closeEvent(QCloseEvent *event)
{
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    QSettings settings;
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("window/zoom"), m_boardView->zoom());
    QMainWindow::closeEvent(event);
}

void KvBoardWindow::buildBoards()
{
    auto *splitter = new QSplitter(this);
    m_boardView = new KvBoardView(m_board, splitter);
    auto *remote = m_mirrorPane = new QWidget(splitter);
    auto *layout = new QVBoxLayout(remote);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *title = new QLabel(tr("Remote participant"), remote);
    title->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(title);
    m_mirrorView = new KvBoardView(m_mirror, remote);
    layout->addWidget(m_mirrorView);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setStyleSheet(kBoardsStyle);
    setCentralWidget(splitter);
    for (KvBoardView *view : {m_boardView, m_mirrorView}) {
        connect(view, &KvBoardView::pointerDown, this,
                [this, view] { m_undoGroup->setActiveStack(view->board()->undoStack()); });
    }
}

KvToolAction *KvBoardWindow::addToolButton(QHBoxLayout *row, const QString &image,
                                           const QString &tip)
{
    auto *button
        = image.startsWith(QLatin1String("tool_pen")) ? new KvToolPenButton : new KvToolAction;
    button->setStylePre(kImages + image);
    button->setIsSvg(true);
    button->setFixedSize(48, 48);
    button->setToolTip(tip);
    // The toolbar works from the keyboard too: Tab reaches each button, Space presses it.
    button->setFocusPolicy(Qt::TabFocus);
    row->addWidget(button);
    return button;
}

void KvBoardWindow::buildToolbar()
{
    auto *toolbar = new QToolBar(tr("Tools"), this);
    toolbar->setMovable(false);
    toolbar->setStyleSheet(kToolbarStyle);
    addToolBar(Qt::BottomToolBarArea, toolbar);
    // Centred, so that the popups, which open to the left of their buttons, stay on screen.
    auto *bar = new QWidget(toolbar);
    bar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addStretch();
    toolbar->addWidget(bar);
    const auto addSeparator = [row, bar] {
        auto *line = new QFrame(bar);
        line->setFrameShape(QFrame::VLine);
        line->setStyleSheet(QStringLiteral("color: #4A5178;"));
        row->addWidget(line);
    };

    m_inkButton = static_cast<KvToolPenButton *>(addToolButton(
        row, QStringLiteral("tool_pen"), tr("Pen and highlighter: width and colour (P, H)")));
    m_eraserButton = addToolButton(row, QStringLiteral("tool_eraser"), tr("Eraser, clear all (E)"));
    auto *tools = new QButtonGroup(this);
    for (KvToolAction *button : {static_cast<KvToolAction *>(m_inkButton), m_eraserButton}) {
        button->setCheckable(true);
        tools->addButton(button);
    }
    m_inkButton->setChecked(true);
    connect(m_inkButton, &KvToolAction::checkedPressed, this, &KvBoardWindow::showInkPopup);
    connect(m_eraserButton, &KvToolAction::checkedPressed, this, &KvBoardWindow::showErasePopup);
    addSeparator();

    KvToolAction *undo = addToolButton(row, QStringLiteral("undo"), tr("Undo (Ctrl+Z)"));
    KvToolAction *redo = addToolButton(row, QStringLiteral("redo"), tr("Redo (Ctrl+Y)"));
    connect(undo, &QAbstractButton::clicked, m_undoGroup, &QUndoGroup::undo);
    connect(redo, &QAbstractButton::clicked, m_undoGroup, &QUndoGroup::redo);
    connect(m_undoGroup, &QUndoGroup::canUndoChanged, undo, &QWidget::setEnabled);
    connect(m_undoGroup, &QUndoGroup::canRedoChanged, redo, &QWidget::setEnabled);
    undo->setEnabled(false);
    redo->setEnabled(false);
    addSeparator();

    connect(addToolButton(row, QStringLiteral("zoomout"), tr("Zoom out (Ctrl+-, Ctrl+wheel)")),
            &QAbstractButton::clicked, this, [this] { m_boardView->zoomOut(); });
    m_zoomLabel = new QLabel(zoomText(m_boardView->zoom()), bar);
    m_zoomLabel->setObjectName(QStringLiteral("zoomLevel"));
    m_zoomLabel->setToolTip(tr("Zoom of your board (Ctrl+0: 100 %)"));
    row->addWidget(m_zoomLabel);
    connect(m_boardView, &KvBoardView::zoomChanged, m_zoomLabel,
            [this](qreal zoom) { m_zoomLabel->setText(zoomText(zoom)); });
    connect(addToolButton(row, QStringLiteral("zoomin"), tr("Zoom in (Ctrl++, Ctrl+wheel)")),
            &QAbstractButton::clicked, this, [this] { m_boardView->zoomIn(); });
    addSeparator();

    connect(addToolButton(row, QStringLiteral("open"), tr("Open (Ctrl+O)")),
            &QAbstractButton::clicked, this, &KvBoardWindow::open);
    connect(addToolButton(row, QStringLiteral("save"), tr("Save (Ctrl+S; save as: Ctrl+Shift+S)")),
            &QAbstractButton::clicked, this, &KvBoardWindow::save);
    connect(addToolButton(row, QStringLiteral("export"), tr("Export PNG (Ctrl+E)")),
            &QAbstractButton::clicked, this, &KvBoardWindow::exportPng);
    addSeparator();

    auto *mode = new QComboBox(bar);
    mode->addItem(tr("Live mirroring"), KvBoardTransport::Live);
    mode->addItem(tr("Whole-stroke mirroring"), KvBoardTransport::WholeStroke);
    mode->setCurrentIndex(m_transport->mode() == KvBoardTransport::Live ? 0 : 1);
    connect(mode, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, mode] {
        m_transport->setMode(KvBoardTransport::Mode(mode->currentData().toInt()));
    });
    row->addWidget(mode);
    auto *delay = new QSpinBox(bar);
    delay->setRange(0, 5000);
    delay->setSingleStep(100);
    delay->setPrefix(tr("delay "));
    delay->setSuffix(tr(" ms"));
    delay->setValue(m_transport->delay());
    connect(delay, qOverload<int>(&QSpinBox::valueChanged), m_transport,
            &KvBoardTransport::setDelay);
    row->addWidget(delay);
    row->addStretch();
    connect(m_transport, &KvBoardTransport::modeChanged, mode,
            [mode](int value) { mode->setCurrentIndex(mode->findData(value)); });
    connect(m_transport, &KvBoardTransport::delayChanged, delay, &QSpinBox::setValue);
}

void KvBoardWindow::buildStatusBar()
{
    statusBar()->setStyleSheet(kStatusStyle);
    m_detailsButton = new QPushButton(tr("Details…"), statusBar());
    m_detailsButton->hide();
    statusBar()->addPermanentWidget(m_detailsButton);
    connect(m_detailsButton, &QPushButton::clicked, this, &KvBoardWindow::showDetails);
    // The button belongs to the problem on show; another message takes it away.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString &message) {
        if (message != m_problem)
            m_detailsButton->hide();
    });
}

void KvBoardWindow::connectPopups()
{
    m_penPopup->setToolAction(m_inkButton);
    m_erasePopup->setToolAction(m_eraserButton);
    new KvBoardClickThrough(m_penPopup);
    new KvBoardClickThrough(m_erasePopup);
    KvPenCore *core = m_board->core();
    m_penPopup->setPenWidth(core->penWidth());
    m_penPopup->setHightWidth(core->markerWidth());
    m_penPopup->setPenColor(core->penColor());
    m_penPopup->setHightColor(core->markerColor());
    m_erasePopup->setEraseWidth(int(core->eraserWidth()));

    connect(m_penPopup, &KvPenPopup::penWidthChanged, this,
            [this](int width) { forEachCore([=](KvBoard *b) { b->core()->setPenWidth(width); }); });
    connect(m_penPopup, &KvPenPopup::hightWidthChanged, this, [this](int width) {
        forEachCore([=](KvBoard *b) { b->core()->setMarkerWidth(width); });
    });
    connect(m_penPopup, &KvPenPopup::penColorChanged, this, [this](const QColor &color) {
        forEachCore([=](KvBoard *b) { b->core()->setPenColor(color); });
        m_inkButton->setPenColor(color);
    });
    connect(m_penPopup, &KvPenPopup::hightColorChanged, this, [this](const QColor &color) {
        forEachCore([=](KvBoard *b) { b->core()->setMarkerColor(color); });
    });
    connect(m_penPopup, &KvPenPopup::penClicked, this, [this](int width, const QColor &color) {
        forEachCore([=](KvBoard *b) {
            b->core()->setPenWidth(width);
            b->core()->setPenColor(color);
        });
        m_inkButton->setStylePre(kImages + QStringLiteral("tool_pen"));
        m_inkButton->setPenColor(color);
        setStylus(KvPen::PenStylus);
    });
    connect(m_penPopup, &KvPenPopup::hightClicked, this, [this](int width, const QColor &color) {
        forEachCore([=](KvBoard *b) {
            b->core()->setMarkerWidth(width);
            b->core()->setMarkerColor(color);
        });
        m_inkButton->setStylePre(kImages + QStringLiteral("tool_marker"));
        setStylus(KvPen::MarkerStylus);
    });
    connect(m_erasePopup, &KvErasePopup::eraseWidthChanged, this, [this](int width) {
        forEachCore([=](KvBoard *b) { b->core()->setEraserWidth(width); });
    });
    connect(m_erasePopup, &KvErasePopup::clearScene, this, [this] {
        m_erasePopup->hide();
        activeBoard()->clear();
    });
}

void KvBoardWindow::buildShortcuts()
{
    const auto shortcut = [this](const QKeySequence &keys, const std::function<void()> &run) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, run);
    };
    shortcut(Qt::Key_P, [this] {
        m_inkButton->setChecked(true);
        m_penPopup->setPenPageVisible(true);
        setStylus(KvPen::PenStylus);
    });
    shortcut(Qt::Key_H, [this] {
        m_inkButton->setChecked(true);
        m_penPopup->setPenPageVisible(false);
        setStylus(KvPen::MarkerStylus);
    });
    shortcut(Qt::Key_E, [this] {
        m_eraserButton->setChecked(true);
        setStylus(KvPen::EraserStylus);
    });
    shortcut(QKeySequence::Undo, [this] { m_undoGroup->undo(); });
    shortcut(QKeySequence(Qt::CTRL + Qt::Key_Y), [this] { m_undoGroup->redo(); });
    shortcut(QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_Z), [this] { m_undoGroup->redo(); });
    shortcut(QKeySequence::Open, [this] { open(); });
    shortcut(QKeySequence::Save, [this] { save(); });
    shortcut(QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_S), [this] { saveAs(); });
    shortcut(QKeySequence(Qt::CTRL + Qt::Key_E), [this] { exportPng(); });
    shortcut(QKeySequence::ZoomIn, [this] { m_boardView->zoomIn(); });
    shortcut(QKeySequence(Qt::CTRL + Qt::Key_Equal), [this] { m_boardView->zoomIn(); });
    shortcut(QKeySequence::ZoomOut, [this] { m_boardView->zoomOut(); });
    shortcut(QKeySequence(Qt::CTRL + Qt::Key_0), [this] { m_boardView->resetZoom(); });
    shortcut(QKeySequence(Qt::CTRL + Qt::Key_Q), [this] { close(); });
}

void KvBoardWindow::forEachCore(const std::function<void(KvBoard *)> &apply)
{
    apply(m_board);
    apply(m_mirror);
}

void KvBoardWindow::setStylus(int stylus)
{
    forEachCore([=](KvBoard *b) { b->core()->setStylus(stylus); });
    if (stylus != KvPen::EraserStylus) {
        m_board->core()->hideEraseWidget();
        m_mirror->core()->hideEraseWidget();
    }
    // The eraser's outline under a hovering pointer comes and goes with the tool.
    for (KvBoardView *view : {m_boardView, m_mirrorView})
        view->viewport()->update();
}

void KvBoardWindow::showInkPopup()
{
    setStylus(m_penPopup->isCurrentPen() ? KvPen::PenStylus : KvPen::MarkerStylus);
    m_penPopup->showPen(m_inkButton->mapToGlobal(QPoint(m_inkButton->width() / 2, 0)));
}

void KvBoardWindow::showErasePopup()
{
    setStylus(KvPen::EraserStylus);
    m_erasePopup->showErase(m_eraserButton->mapToGlobal(QPoint(0, 0)));
}

KvBoard *KvBoardWindow::activeBoard() const
{
    return m_undoGroup->activeStack() == m_mirror->undoStack() ? m_mirror : m_board;
}

bool KvBoardWindow::maybeSave()
{
    if (!m_board->isModified())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Unsaved ink"), tr("Your board has ink that is not saved. Save it first?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return save();
    return answer == QMessageBox::Discard;
}

void KvBoardWindow::open()
{
    if (!maybeSave())
        return;
    const QString path
        = QFileDialog::getOpenFileName(this, tr("Open board"), startFolder(), kFileFilters);
    if (!path.isEmpty())
        openPath(path);
}

// A file that does not open changes nothing: not the board, its history or its file name.
bool KvBoardWindow::openPath(const QString &path)
{
    rememberFolder(path);
    QProgressDialog progress(tr("Opening %1…").arg(QFileInfo(path).fileName()), QString(), 0, 0,
                             this);
    KvBoardDocument document;
    runAside(&progress, [&] { document = KvBoardDocument::read(path); });
    QString error;
    KvBoardLoadReport report;
    const bool opened = m_board->load(document, &error, &report, [&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
    });
    progress.reset();
    if (!opened) {
        QMessageBox::warning(this, tr("Open"), tr("Cannot open %1: %2").arg(path, error));
        return false;
    }
    m_documentPath = path;
    updateTitle();
    if (report.isComplete())
        statusBar()->showMessage(tr("Opened %1").arg(path), 4000);
    else
        showProblem(tr("Opened %1, but %2").arg(QFileInfo(path).fileName(), report.summary()),
                    report.details);
    return true;
}

bool KvBoardWindow::save()
{
    return m_documentPath.isEmpty() ? saveAs() : writeBoard(m_documentPath);
}

bool KvBoardWindow::saveAs()
{
    const QString suggested
        = QDir(startFolder())
              .filePath(m_documentPath.isEmpty() ? QStringLiteral("board.xml")
                                                 : QFileInfo(m_documentPath).fileName());
    const QString path
        = QFileDialog::getSaveFileName(this, tr("Save board"), suggested, kFileFilters);
    if (path.isEmpty() || !writeBoard(path))
        return false;
    m_documentPath = path;
    updateTitle();
    return true;
}

// The file is replaced whole or left as it was.
bool KvBoardWindow::writeBoard(const QString &path)
{
    rememberFolder(path);
    QProgressDialog progress(tr("Saving %1…").arg(QFileInfo(path).fileName()), QString(), 0, 0,
                             this);
    const QByteArray bytes = m_board->toBytes(path);
    QString error;
    bool written = false;
    runAside(&progress, [&] { written = KvBoard::writeFile(path, bytes, &error); });
    progress.reset();
    if (!written) {
        QMessageBox::warning(this, tr("Save"), tr("Cannot save %1: %2").arg(path, error));
        return false;
    }
    m_board->setSaved();
    statusBar()->showMessage(tr("Saved %1").arg(path), 4000);
    return true;
}

void KvBoardWindow::exportPng()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export PNG"), QDir(startFolder()).filePath(QStringLiteral("board.png")),
        tr("PNG image (*.png)"));
    if (path.isEmpty())
        return;
    rememberFolder(path);
    if (!m_board->render().save(path, "PNG"))
        QMessageBox::warning(this, tr("Export PNG"), tr("Cannot write %1").arg(path));
    else
        statusBar()->showMessage(tr("Exported %1").arg(path), 4000);
}

void KvBoardWindow::updateTitle()
{
    setWindowTitle(
        m_documentPath.isEmpty()
            ? QStringLiteral("kvboard[*]")
            : QStringLiteral("kvboard - %1[*]").arg(QFileInfo(m_documentPath).fileName()));
    setWindowModified(m_board->isModified());
}

void KvBoardWindow::showProblem(const QString &summary, const QStringList &details)
{
    m_problem = summary;
    m_problemDetails = details;
    statusBar()->showMessage(summary);
    m_detailsButton->show();
}

void KvBoardWindow::showDetails()
{
    QMessageBox box(QMessageBox::Information, tr("Details"), m_problem, QMessageBox::Close, this);
    box.setDetailedText(m_problemDetails.isEmpty() ? tr("Nothing more is known.")
                                                   : m_problemDetails.join(QLatin1Char('\n')));
    box.exec();
}

void KvBoardWindow::runAside(QProgressDialog *progress, const std::function<void()> &work)
{
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(kQuietMilliseconds);
    progress->setValue(0);
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(work));
    // Input waits: the progress dialog, shown after a moment, is modal anyway.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QString KvBoardWindow::startFolder() const
{
    return QSettings().value(QStringLiteral("files/folder"), QDir::homePath()).toString();
}

void KvBoardWindow::rememberFolder(const QString &path)
{
    QSettings().setValue(QStringLiteral("files/folder"), QFileInfo(path).absolutePath());
}

void KvBoardWindow::restoreSettings()
{
    QSettings settings;
    if (!restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray()))
        resize(1440, 860);
    const qreal zoom = settings.value(QStringLiteral("window/zoom"), 1.0).toDouble();
    m_boardView->setZoom(zoom);
    m_zoomLabel->setText(zoomText(m_boardView->zoom()));
}
