#include "app/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace kova::app {
namespace {

constexpr char kOpenCommand[] = "open ";
constexpr qsizetype kLargestRequest = 64 * 1024;

}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), serverName_(std::move(serverName)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnection);
}

QString SingleInstance::DefaultServerName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) {
        user = QDir::home().dirName();
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString name = QStringLiteral("kova-%1.socket").arg(user);
    return runtime.isEmpty() ? name : QDir(runtime).filePath(name);
}

bool SingleInstance::HandOver(const QString& path, int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kOpenCommand + path.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    // The running instance answers once it has taken the request.
    return socket.waitForReadyRead(timeoutMs) && socket.readLine().startsWith("ok");
}

bool SingleInstance::OtherIsRunning() const {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    return socket.waitForConnected(500);
}

bool SingleInstance::Listen() {
    if (server_.isListening()) {
        return true;
    }
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(serverName_)) {
        return true;
    }
    if (server_.serverError() == QAbstractSocket::AddressInUseError && !OtherIsRunning()) {
        QLocalServer::removeServer(serverName_);
        return server_.listen(serverName_);
    }
    return false;
}

void SingleInstance::AcceptConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kLargestRequest) {
                    socket->abort();
                }
                return;
            }
            const QByteArray line = socket->readLine(kLargestRequest).chopped(1);
            if (!line.startsWith(kOpenCommand)) {
                socket->abort();
                return;
            }
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            // Opening may ask questions in a nested loop: not inside the socket's handler.
            const QString path = QString::fromUtf8(line.mid(sizeof(kOpenCommand) - 1));
            QMetaObject::invokeMethod(
                this, [this, path] { emit FileRequested(path); }, Qt::QueuedConnection);
        });
    }
}

}  // namespace kova::app
