#pragma once

#include <QToolBar>

class KvBoardClient;
class QLabel;

// The toolbar beside the tools when the board is shared: the connection's state and how many
// are in the room.
class KvBoardNetworkBar : public QToolBar
{
    Q_OBJECT
public:
    explicit KvBoardNetworkBar(KvBoardClient *client, QWidget *parent = nullptr);

private:
    void update();

    KvBoardClient *m_client;
    QLabel *m_label;
};
