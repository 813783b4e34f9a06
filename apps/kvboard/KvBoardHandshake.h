#pragma once

#include <QByteArray>
#include <QString>

// The opening of a participant's WebSocket handshake, as the relay checks it before the
// connection is upgraded: the room from the path ("/" is the room named ""), the token from
// "Authorization: Bearer TOKEN" and the participant's name from "X-Kvboard-Name".
struct KvBoardHandshake
{
    // A request head longer than this is refused.
    static constexpr int kMaxHeadBytes = 8192;
    static constexpr int kMaxRoomLength = 64;
    static constexpr int kMaxNameLength = 32;

    enum Outcome { Incomplete, Complete, Malformed, BadRoom };

    QString room;
    QByteArray token;
    QString name;

    // Reads the request head at the start of `bytes`.
    static Outcome parse(const QByteArray &bytes, KvBoardHandshake *handshake);
    static bool isRoomName(const QString &room);
    // A name that is safe to show and log: letters, digits, " ._-", at most kMaxNameLength.
    static QString cleanName(const QString &name);
    // The HTTP response that refuses a handshake, e.g. (401, "Unauthorized").
    static QByteArray refusal(int status, const QByteArray &reason);
};
