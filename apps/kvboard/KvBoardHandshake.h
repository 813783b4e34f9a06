#pragma once

#include <QByteArray>
#include <QString>

class QNetworkRequest;

// What a participant's WebSocket request asks for: the room from the path ("/" is the room
// named ""), the token from "Authorization: Bearer TOKEN" and the name from "X-Kvboard-Name".
struct KvBoardHandshake
{
    static constexpr int kMaxNameLength = 32;
    // Close codes of a refused participant (the application's range of WebSocket codes).
    static constexpr int kWrongToken = 4401;
    static constexpr int kNoSuchRoom = 4404;

    QString room;
    QByteArray token;
    QString name;

    // False for a path that names no room: letters, digits, "_" and "-", at most 64.
    static bool read(const QNetworkRequest &request, KvBoardHandshake *handshake);
    static bool isRoomName(const QString &room);
    // A name that is safe to show and log: letters, digits, " ._-", at most kMaxNameLength.
    static QString cleanName(const QString &name);
};
