#pragma once

#include <QJsonArray>
#include <QString>

#include <functional>

class KvBoard;
class KvBoardView;

// Plays a scripted session offscreen on a board and its mirror (a remote participant linked
// through the transport) and writes board.png, mirror.png, board.xml and messages.jsonl.
//
// A session is a JSON object: {"mirror": "live" | "stroke", "delay": ms, "steps": [...]}.
// Each step is an object naming what it does in "do", acting on the board, or on the mirror
// with "board": "mirror":
//   tool        "tool": "pen" | "highlighter" | "eraser", optional "width", "color"
//   press, move, release                       the single pointer, "at": [x, y] (scene)
//   touchPress, touchMove, touchRelease        a finger: "id", "at"
//   erase       the area eraser (a palm) at "at", "size" wide; endErase lifts it
//   undo, redo, clear, zoom ("factor"), save ("file", in the output folder)
//   open        "file" (relative to the script) replaces the board, as Ctrl+O does; a file
//               refused whole or in part fails the step
//   wait        runs the event loop for "ms" milliseconds
// Every pointer step leaves exactly one live message; messages.jsonl tags each message with
// the index of the step that sent it.
class KvBoardScript
{
public:
    bool load(const QString &path, QString *error);
    bool run(const QString &outDir, QString *error);
    // Runs around the steps (taking part in a shared board, say): `before` once the boards
    // exist, `after` after the last step; false, with the reason in `error`, ends the run.
    using Hook = std::function<bool(KvBoard *board, QString *error)>;
    void setHooks(Hook before, Hook after);

private:
    struct Players
    {
        KvBoard *board;
        KvBoardView *boardView;
        KvBoard *mirror;
        KvBoardView *mirrorView;
    };
    bool play(const QJsonObject &step, const Players &players, const QString &outDir,
              QString *error);
    bool setTool(KvBoard *board, const QJsonObject &step, QString *error);
    bool open(KvBoard *board, const QString &path, QString *error);

    QJsonArray m_steps;
    Hook m_before;
    Hook m_after;
    bool m_wholeStroke = false;
    int m_delay = 0;
    QString m_sessionDir;
};
