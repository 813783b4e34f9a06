#include "KvBoardHandshake.h"

#include <QNetworkRequest>
#include <QRegularExpression>

bool KvBoardHandshake::read(const QNetworkRequest &request, KvBoardHandshake *handshake)
{
    *handshake = {};
    const QByteArray authorization = request.rawHeader("Authorization");
    if (authorization.startsWith("Bearer "))
        handshake->token = authorization.mid(7).trimmed();
    handshake->name = cleanName(QString::fromUtf8(request.rawHeader("X-Kvboard-Name")));
    const QString path = request.url().path();
    handshake->room = path.mid(1);
    return (path.isEmpty() || path.startsWith(QLatin1Char('/'))) && isRoomName(handshake->room);
}

bool KvBoardHandshake::isRoomName(const QString &room)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{0,64}$"));
    return pattern.match(room).hasMatch();
}

QString KvBoardHandshake::cleanName(const QString &name)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9 ._-]"));
    return QString(name).remove(unsafe).trimmed().left(kMaxNameLength);
}
