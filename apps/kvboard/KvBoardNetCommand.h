#pragma once

#include <QCommandLineOption>

class KvBoardClient;
class KvBoardScript;
class KvBoardWindow;
class QCommandLineParser;

// kvboard across machines on the command line: `--serve PORT` runs the relay, `--join URL`
// takes part in a shared board, in the window or playing a script.
class KvBoardNetCommand
{
public:
    KvBoardNetCommand();

    void addOptions(QCommandLineParser &parser) const;
    bool serves(const QCommandLineParser &parser) const;
    bool joins(const QCommandLineParser &parser) const;

    // The relay, until SIGINT or SIGTERM: 0 then, 2 when it cannot start.
    int serve(const QCommandLineParser &parser) const;
    // Plays the script as a participant, lingers, writes the outputs: 0, 1 for a bad script,
    // 2 with a one-line reason when refused or unreachable.
    int playJoined(const QCommandLineParser &parser, KvBoardScript *script,
                   const QString &outDir) const;
    // The window's board joins the shared board; the connection shows in its toolbar.
    KvBoardClient *join(const QCommandLineParser &parser, KvBoardWindow *window,
                        QString *error) const;

private:
    KvBoardClient *makeClient(const QCommandLineParser &parser, class KvBoard *board,
                              QString *error) const;

    QCommandLineOption m_serve;
    QCommandLineOption m_token;
    QCommandLineOption m_board;
    QCommandLineOption m_cert;
    QCommandLineOption m_key;
    QCommandLineOption m_join;
    QCommandLineOption m_name;
    QCommandLineOption m_linger;
};
