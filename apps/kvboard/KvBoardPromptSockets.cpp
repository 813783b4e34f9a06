#include "KvBoardPromptSockets.h"

#include <QAbstractSocket>
#include <QWebSocket>
#include <QWebSocketServer>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

void kvboardSendPromptly(QWebSocket *socket)
{
    QObject::connect(socket, &QWebSocket::connected, socket, [socket] {
        // The WebSocket keeps the connection's socket as its child; without it, frames merely
        // wait as they did.
        if (auto *connection = socket->findChild<QAbstractSocket *>())
            connection->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    });
}

void kvboardSendPromptly(QWebSocketServer *server)
{
    const int on = 1;
    ::setsockopt(int(server->nativeDescriptor()), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}
