#pragma once

#include <QCommandLineOption>
#include <QHash>

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
    // Keeps the options' values: the parser may go before the application comes.
    void read(const QCommandLineParser &parser);
    bool serves() const;
    bool joins() const;

    // The relay, until SIGINT or SIGTERM: 0 then, 2 when it cannot start.
    int serve() const;
    // Plays the script as a participant, lingers, writes the outputs: 0, 1 for a bad script,
    // 2 with a one-line reason when refused or unreachable.
    int playJoined(KvBoardScript *script, const QString &outDir) const;
    // The window's board joins the shared board; the connection shows in its toolbar.
    KvBoardClient *join(KvBoardWindow *window, QString *error) const;

private:
    KvBoardClient *makeClient(class KvBoard *board, QString *error) const;
    QString value(const QCommandLineOption &option) const;
    bool isSet(const QCommandLineOption &option) const;

    QCommandLineOption m_serve;
    QCommandLineOption m_token;
    QCommandLineOption m_board;
    QCommandLineOption m_cert;
    QCommandLineOption m_key;
    QCommandLineOption m_join;
    QCommandLineOption m_name;
    QCommandLineOption m_linger;
    QCommandLineOption m_untilStrokes;
    QHash<QString, QString> m_values;
};
