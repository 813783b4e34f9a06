#include "KvBoardHandshake.h"

#include <QList>
#include <QRegularExpression>
#include <QUrl>

namespace {

const QByteArray kHeadEnd("\r\n\r\n");

} // namespace

KvBoardHandshake::Outcome KvBoardHandshake::parse(const QByteArray &bytes,
                                                  KvBoardHandshake *handshake)
{
    const int end = bytes.indexOf(kHeadEnd);
    if (end < 0)
        return bytes.size() > kMaxHeadBytes ? Malformed : Incomplete;
    if (end > kMaxHeadBytes)
        return Malformed;
    const QList<QByteArray> lines = bytes.left(end).split('\n');
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    if (request.size() != 3 || request.at(0) != "GET" || !request.at(1).startsWith('/'))
        return Malformed;
    *handshake = {};
    const QString path = QUrl::fromPercentEncoding(request.at(1).split('?').first());
    handshake->room = path.mid(1);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (key == "authorization" && value.startsWith("Bearer "))
            handshake->token = value.mid(7).trimmed();
        else if (key == "x-kvboard-name")
            handshake->name = cleanName(QString::fromUtf8(value));
    }
    return isRoomName(handshake->room) ? Complete : BadRoom;
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

QByteArray KvBoardHandshake::refusal(int status, const QByteArray &reason)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason
        + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}
