#include "KvBoardListener.h"

#include <QFile>
#include <QSslSocket>

namespace {

QByteArray readFile(const QString &path, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return file.readAll();
    *error = path + QStringLiteral(": ") + file.errorString();
    return {};
}

} // namespace

bool KvBoardListener::setCertificate(const QString &certPath, const QString &keyPath,
                                     QString *error)
{
    const QByteArray cert = readFile(certPath, error);
    const QByteArray key = readFile(keyPath, error);
    if (cert.isEmpty() || key.isEmpty())
        return false;
    m_certificate = QSslCertificate(cert, QSsl::Pem);
    m_key = QSslKey(key, QSsl::Rsa, QSsl::Pem);
    if (m_key.isNull())
        m_key = QSslKey(key, QSsl::Ec, QSsl::Pem);
    if (m_certificate.isNull() || m_key.isNull()) {
        *error = QStringLiteral("%1 or %2: not a PEM certificate and key").arg(certPath, keyPath);
        return false;
    }
    return true;
}

bool KvBoardListener::isSecure() const
{
    return !m_certificate.isNull();
}

void KvBoardListener::incomingConnection(qintptr descriptor)
{
    if (!isSecure()) {
        QTcpServer::incomingConnection(descriptor);
        return;
    }
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    socket->startServerEncryption();
    addPendingConnection(socket);
}
