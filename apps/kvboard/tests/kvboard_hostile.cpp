// A hostile participant for the network tests: joins a room, then sends garbage, frames over the
// size limit, unknown kinds, binary frames and a flood of harmless frames, as fast as it can.
// Exits 0 once it has sent everything or the relay has closed the connection.
#include <QCoreApplication>
#include <QNetworkRequest>
#include <QTimer>
#include <QUuid>
#include <QWebSocket>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: kvboard_hostile URL TOKEN FLOOD\n");
        return 2;
    }
    QNetworkRequest request(QUrl(QString::fromLocal8Bit(argv[1])));
    request.setRawHeader("Authorization", QByteArray("Bearer ") + QByteArray(argv[2]));
    request.setRawHeader("X-Kvboard-Name", "alice");
    const int flood = QByteArray(argv[3]).toInt();
    QWebSocket socket;
    QObject::connect(&socket, &QWebSocket::connected, [&] {
        for (int i = 0; i < 50; ++i)
            socket.sendTextMessage(
                QStringLiteral("{\"kind\":\"live\",\"payload\":{\"type\":%1").arg(i));
        const QString padding(1 << 20, QLatin1Char('x'));
        for (int i = 0; i < 3; ++i)
            socket.sendTextMessage(
                QStringLiteral("{\"kind\":\"remove\",\"payload\":{\"uuids\":[\"%1\"]}}")
                    .arg(padding));
        for (int i = 0; i < 10; ++i)
            socket.sendTextMessage(QStringLiteral("{\"kind\":\"shout\",\"payload\":{}}"));
        socket.sendBinaryMessage(QByteArray(64, '\xff'));
        // Impersonation: the relay stamps its own identity on this, whatever it says.
        for (int i = 0; i < flood; ++i)
            socket.sendTextMessage(QStringLiteral("{\"kind\":\"remove\",\"sender\":\"alice\","
                                                  "\"payload\":{\"uuids\":[\"%1\"]}}")
                                       .arg(QUuid::createUuid().toString(QUuid::WithoutBraces)));
        socket.flush();
        QTimer::singleShot(3000, &app, &QCoreApplication::quit);
    });
    QObject::connect(&socket, &QWebSocket::disconnected, &app, &QCoreApplication::quit);
    socket.open(request);
    QTimer::singleShot(30000, &app, [] { QCoreApplication::exit(1); });
    return app.exec();
}
