#pragma once

#include <QJsonObject>
#include <QStringList>

class KvPenObject;

// Replays what remote participants send: a live pointer message step by step on the sender's
// engine, a whole-stroke message in one piece on the local engine. Messages are untrusted: what
// lies beyond the remote limits is refused or clamped with a kvpen.remote line.
namespace KvRemoteReplay {

// What the core reports to the host after a live message.
struct Report
{
    enum Kind { Nothing, PenChanged, RemoveItem };
    Kind kind = Nothing;
    QJsonObject snapshot; // PenChanged: the finished stroke's whole-stroke message
    QStringList removedUuids; // RemoveItem
};

// Sets the engine's tool from the message and replays its step; a release finishes the step.
Report replayLive(KvPenObject *engine, int type, const QJsonObject &data);
// Rebuilds the stroke on the engine's board, scaled to its first view; the engine's tool
// settings are as before afterwards.
void replayStroke(KvPenObject *engine, const QJsonObject &data);

} // namespace KvRemoteReplay
