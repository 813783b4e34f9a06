#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

// The relay's listening socket: plain TCP, or TLS once a certificate and key are set, so that
// the relay reads the handshake itself before it hands the connection on.
class KvBoardListener : public QTcpServer
{
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

    // PEM files; false, with the reason, when either does not load.
    bool setCertificate(const QString &certPath, const QString &keyPath, QString *error);
    bool isSecure() const;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    QSslCertificate m_certificate;
    QSslKey m_key;
};
