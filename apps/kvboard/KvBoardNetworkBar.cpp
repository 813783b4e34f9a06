#include "KvBoardNetworkBar.h"

#include "KvBoardClient.h"

#include <QLabel>

KvBoardNetworkBar::KvBoardNetworkBar(KvBoardClient *client, QWidget *parent)
    : QToolBar(tr("Shared board"), parent)
    , m_client(client)
    , m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("networkBar"));
    setMovable(false);
    setStyleSheet(
        QStringLiteral("QToolBar { background: #2E3249; border: none; padding: 4px 10px; }"
                       "QLabel { color: #E6E8F0; }"));
    addWidget(m_label);
    connect(client, &KvBoardClient::stateChanged, this, &KvBoardNetworkBar::update);
    connect(client, &KvBoardClient::headCountChanged, this, &KvBoardNetworkBar::update);
    update();
}

void KvBoardNetworkBar::update()
{
    QString text;
    QString colour;
    switch (m_client->state()) {
    case KvBoardClient::Connecting:
        text = tr("Connecting…");
        colour = QStringLiteral("#E2C044");
        break;
    case KvBoardClient::Synced:
        text = tr("Connected · %n in the room", nullptr, m_client->headCount());
        colour = QStringLiteral("#5BC477");
        break;
    case KvBoardClient::Offline:
        text = tr("Offline, reconnecting");
        colour = QStringLiteral("#E2C044");
        break;
    case KvBoardClient::Refused:
        text = m_client->reason();
        colour = QStringLiteral("#E25C5C");
        break;
    }
    m_label->setText(
        QStringLiteral("<span style=\"color:%1\">●</span> %2").arg(colour, text.toHtmlEscaped()));
    m_label->setToolTip(m_client->reason());
}
