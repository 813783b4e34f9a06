#pragma once

#include <QMainWindow>

#include <functional>

class KvBoard;
class KvBoardTransport;
class KvBoardView;
class KvErasePopup;
class KvPenPopup;
class KvToolAction;
class KvToolPenButton;
class QHBoxLayout;
class QUndoGroup;

// The whiteboard window: the user's board, a remote participant's board mirrored through the
// transport, and a toolbar of the plug-in's tool buttons and popups. Tool settings apply to
// both boards; undo, redo and clear act on the board the user last drew on.
class KvBoardWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit KvBoardWindow(QWidget *parent = nullptr);
    ~KvBoardWindow() override;

    KvBoard *board() const;
    KvBoardTransport *transport() const;
    // Save writes this file without asking; opened at once if it exists.
    void setDocumentPath(const QString &path);
    // The in-window remote participant, for the offline demo; hidden on a shared board.
    void setMirrorVisible(bool visible);

private:
    void buildBoards();
    void buildToolbar();
    void buildShortcuts();
    void connectPopups();
    KvToolAction *addToolButton(QHBoxLayout *row, const QString &image, const QString &tip);
    void forEachCore(const std::function<void(KvBoard *)> &apply);
    void setStylus(int stylus);
    void showInkPopup();
    void showErasePopup();
    KvBoard *activeBoard() const;
    void open();
    void save();
    void saveAs();
    void exportPng();
    void updateTitle();

    KvBoard *m_board;
    KvBoard *m_mirror;
    KvBoardView *m_boardView = nullptr;
    KvBoardView *m_mirrorView = nullptr;
    QWidget *m_mirrorPane = nullptr;
    KvBoardTransport *m_transport;
    QUndoGroup *m_undoGroup;
    KvToolPenButton *m_inkButton = nullptr;
    KvToolAction *m_eraserButton = nullptr;
    KvPenPopup *m_penPopup;
    KvErasePopup *m_erasePopup;
    QString m_documentPath;
};
