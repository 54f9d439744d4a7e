#include "app/SingleInstance.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace mebo {

namespace {
// A hand-over is one JSON array of strings; anything larger is not from us.
constexpr qint64 kMaxMessageBytes = 1 << 20;
} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    return QDir(dir).filePath(QStringLiteral("app.mebo.instance"));
}

bool SingleInstance::handOver(const QStringList& arguments, int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact));
    socket.flush();
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(timeoutMs)) {
    }
    const bool sent = socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(timeoutMs);
    }
    return sent;
}

bool SingleInstance::listen() {
    if (server_) {
        return true;
    }
    // Ask first: listening with access options replaces an existing socket file, a live one too.
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(500)) {
        probe.disconnectFromServer();
        error_ = QStringLiteral("another instance is running");
        return false;
    }
    // Nobody answers: whatever is left at the name is a crashed instance's socket.
    QLocalServer::removeServer(name_);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        error_ = server->errorString();
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->size() > kMaxMessageBytes) {
                buffer->clear();
                socket->abort();
            }
        });
        auto finish = [this, socket, buffer] {
            buffer->append(socket->readAll());
            socket->deleteLater();
            const QJsonDocument doc = QJsonDocument::fromJson(*buffer);
            if (!doc.isArray()) {
                return; // a probe, or not ours
            }
            QStringList arguments;
            for (const QJsonValue& v : doc.array()) {
                arguments.append(v.toString());
            }
            Q_EMIT argumentsReceived(arguments);
        };
        // A short-lived sender may be gone before its connection is taken.
        if (socket->state() == QLocalSocket::UnconnectedState) {
            finish();
        } else {
            connect(socket, &QLocalSocket::disconnected, this, finish);
        }
    }
}

} // namespace mebo
