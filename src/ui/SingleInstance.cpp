#include "ui/SingleInstance.h"
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace belvanto {

namespace {

QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

QString plainKey(const QString& key)
{
    QString plain = key;
    for (QChar& c : plain)
        if (!c.isLetterOrNumber() && c != QLatin1Char('.')) c = QLatin1Char('-');
    return plain;
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), key_(key) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& key)
{
    return plainKey(key) + QLatin1Char('-') + userTag();
}

QString SingleInstance::lockPath(const QString& key)
{
    return QDir(QDir::tempPath()).filePath(serverName(key) + QStringLiteral(".lock"));
}

bool SingleInstance::start()
{
    lock_ = std::make_unique<QLockFile>(lockPath(key_));
    // Only a dead owner makes a lock stale, however old it is.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        QLocalSocket socket;
        socket.connectToServer(serverName(key_));
        if (socket.waitForConnected(2000)) {
            socket.write("activate\n");
            socket.waitForBytesWritten(2000);
            socket.disconnectFromServer();
        }
        return false;
    }
    server_ = new QLocalServer(this);
    // A socket file left by a crashed first instance would block listening.
    QLocalServer::removeServer(serverName(key_));
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(serverName(key_));
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("activate")) Q_EMIT activated();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

} // namespace belvanto
