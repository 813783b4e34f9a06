#pragma once

#include <QMainWindow>
#include <QStringList>

#include <functional>

class KvBoard;
class KvBoardTransport;
class KvBoardView;
class KvErasePopup;
class KvPenPopup;
class KvToolAction;
class KvToolPenButton;
class QHBoxLayout;
class QLabel;
class QProgressDialog;
class QPushButton;
class QUndoGroup;

// The whiteboard window: the user's board, a remote participant's board mirrored through the
// transport, and a toolbar of the plug-in's tool buttons and popups. Tool settings apply to
// both boards; undo, redo and clear act on the board the user last drew on. Opening and
// quitting ask before unsaved ink of the user's board is discarded; the window remembers its
// size, zoom and last folder.
class KvBoardWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit KvBoardWindow(QWidget *parent = nullptr);
    ~KvBoardWindow() override;

    KvBoard *board() const;
    KvBoardTransport *transport() const;
    // Opens the file if it exists; Save then writes it without asking. A file that does not
    // open leaves the window without a file.
    void setDocumentPath(const QString &path);
    // The in-window remote participant, for the offline demo; hidden on a shared board.
    void setMirrorVisible(bool visible);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildBoards();
    void buildToolbar();
    void buildStatusBar();
    void buildShortcuts();
    void connectPopups();
    KvToolAction *addToolButton(QHBoxLayout *row, const QString &image, const QString &tip);
    void forEachCore(const std::function<void(KvBoard *)> &apply);
    void setStylus(int stylus);
    void showInkPopup();
    void showErasePopup();
    KvBoard *activeBoard() const;
    // Asks whether to save unsaved ink; false when the user cancels.
    bool maybeSave();
    void open();
    bool openPath(const QString &path);
    bool save();
    bool saveAs();
    bool writeBoard(const QString &path);
    void exportPng();
    void updateTitle();
    void showProblem(const QString &summary, const QStringList &details);
    void showDetails();
    // Runs `work` on a worker thread, showing `progress` once it takes long.
    void runAside(QProgressDialog *progress, const std::function<void()> &work);
    QString startFolder() const;
    void rememberFolder(const QString &path);
    void restoreSettings();

    KvBoard *m_board;
    KvBoard *m_mirror;
    KvBoardView *m_boardView = nullptr;
    KvBoardView *m_mirrorView = nullptr;
    QWidget *m_mirrorPane = nullptr;
    KvBoardTransport *m_transport;
    QUndoGroup *m_undoGroup;
    KvToolPenButton *m_inkButton = nullptr;
    KvToolAction *m_eraserButton = nullptr;
    QLabel *m_zoomLabel = nullptr;
    QPushButton *m_detailsButton = nullptr;
    KvPenPopup *m_penPopup;
    KvErasePopup *m_erasePopup;
    QString m_documentPath;
    QString m_problem;
    QStringList m_problemDetails;
};
