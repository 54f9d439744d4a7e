#include "app/SingleInstance.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <unistd.h>

namespace mebo {

namespace {
// A hand-over is one JSON array of strings; anything larger is not from us.
constexpr qint64 kMaxMessageBytes = 1 << 20;
} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName() {
    // One instance per X display: a URL opened on a second display must reach the Mebo drawn
    // there, not the one of the first. ":1" and ":1.0" are the same display.
    QString base = QStringLiteral("app.mebo.instance");
    static const QRegularExpression kDisplay(QStringLiteral("^([^:/]*):(\\d+)"));
    const auto match = kDisplay.match(qEnvironmentVariable("DISPLAY"));
    if (match.hasMatch()) {
        const QString host = match.captured(1);
        base += QLatin1Char('.') + (host.isEmpty() || host == QLatin1String("unix")
                                        ? match.captured(2)
                                        : host + QLatin1Char('-') + match.captured(2));
    }
    // Read directly: Qt warns on standard error when it has to pick a runtime folder itself, and
    // commands that only look for the instance must stay quiet.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        return QDir(runtime).filePath(base);
    }
    return QDir::temp().filePath(base + QStringLiteral("-%1").arg(::getuid()));
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

void SingleInstance::setRequestHandler(const QString& name,
                                       std::function<QString(const QStringList&)> handler) {
    handlers_.insert(name, std::move(handler));
}

std::optional<QString> SingleInstance::ask(const QStringList& request, int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) {
        return std::nullopt;
    }
    socket.write(QJsonDocument(QJsonArray::fromStringList(request)).toJson(QJsonDocument::Compact));
    socket.flush();
    // The answer is one line; the instance closes the connection after it.
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(timeoutMs)) {
        answer += socket.readAll();
    }
    socket.abort();
    if (!answer.contains('\n')) {
        return std::nullopt;
    }
    return QString::fromUtf8(answer.left(answer.indexOf('\n')));
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        auto answered = std::make_shared<bool>(false);
        // A request is answered as soon as it is complete; the sender waits for the answer.
        auto tryRequest = [this, socket, buffer, answered] {
            if (*answered || handlers_.isEmpty()) {
                return;
            }
            const QJsonDocument doc = QJsonDocument::fromJson(*buffer);
            if (!doc.isArray() || doc.array().isEmpty()) {
                return;
            }
            const auto handler = handlers_.constFind(doc.array().first().toString());
            if (handler == handlers_.constEnd()) {
                return;
            }
            *answered = true;
            QStringList rest;
            for (qsizetype i = 1; i < doc.array().size(); ++i) {
                rest.append(doc.array().at(i).toString());
            }
            const QString answer = (*handler)(rest);
            socket->write(answer.toUtf8().replace('\n', ' ') + '\n');
            socket->flush();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer, tryRequest] {
            buffer->append(socket->readAll());
            if (buffer->size() > kMaxMessageBytes) {
                buffer->clear();
                socket->abort();
                return;
            }
            tryRequest();
        });
        auto finish = [this, socket, buffer, answered, tryRequest] {
            buffer->append(socket->readAll());
            tryRequest();
            socket->deleteLater();
            if (*answered) {
                return;
            }
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
