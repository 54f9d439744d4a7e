#include "FakeHttpServer.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <future>
#include <memory>

namespace mebo::test {

namespace {

// Lives in the server thread: accepts connections, parses requests, writes responses.
class Worker : public QObject {
public:
    explicit Worker(FakeHttpServer& owner) : owner_(owner) {}

    quint16 listen() {
        server_ = new QTcpServer(this);
        server_->listen(QHostAddress::LocalHost, 0);
        connect(server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                // A later socket may get the same address: its state starts afresh.
                connect(socket, &QObject::destroyed, this, [this, socket] {
                    buffers_.remove(socket);
                    answered_.remove(socket);
                });
            }
        });
        return server_->serverPort();
    }

private:
    void onData(QTcpSocket* socket) {
        QByteArray& buffer = buffers_[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0 || answered_.contains(socket)) {
            return;
        }
        FakeHttpServer::Request request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        const QUrl target(QString::fromLatin1(first.value(1)));
        request.path = target.path();
        request.query = QUrlQuery(target);
        qint64 length = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                const QByteArray name = lines[i].left(colon).trimmed().toLower();
                request.headers.insert(name, lines[i].mid(colon + 1).trimmed());
                if (name == "content-length") {
                    length = lines[i].mid(colon + 1).trimmed().toLongLong();
                }
            }
        }
        if (buffer.size() < headerEnd + 4 + length) {
            return; // the body is still coming
        }
        request.body = buffer.mid(headerEnd + 4, length);
        answered_.insert(socket);
        owner_.record(request);
        respond(socket, owner_.responseFor(request.path));
    }

    void respond(QTcpSocket* socket, const FakeHttpServer::Response& r) {
        using Mode = FakeHttpServer::Response::Mode;
        if (r.mode == Mode::neverAnswer) {
            return;
        }
        QByteArray head =
            "HTTP/1.1 " + QByteArray::number(r.status) + (r.status < 400 ? " OK" : " Error") + "\r\n";
        head += "Content-Type: " + r.contentType + "\r\n";
        head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\nConnection: close\r\n\r\n";
        socket->write(head);
        const QByteArray body = r.mode == Mode::truncate ? r.body.left(r.truncateAt) : r.body;
        if (r.chunkBytes <= 0) {
            socket->write(body);
            finish(socket, r.mode == Mode::truncate);
            return;
        }
        auto* timer = new QTimer(socket);
        auto offset = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [this, socket, timer, body, offset, r] {
            socket->write(body.mid(*offset, r.chunkBytes));
            *offset += r.chunkBytes;
            if (*offset >= body.size()) {
                timer->stop();
                finish(socket, r.mode == FakeHttpServer::Response::Mode::truncate);
            }
        });
        timer->start(r.chunkDelayMs);
    }

    void finish(QTcpSocket* socket, bool abrupt) {
        QPointer<QTcpSocket> guard(socket);
        if (abrupt) {
            socket->flush();
            QTimer::singleShot(50, socket, [guard] {
                if (guard) {
                    guard->abort();
                }
            });
            return;
        }
        socket->disconnectFromHost();
    }

    FakeHttpServer& owner_;
    QTcpServer* server_ = nullptr;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QSet<QTcpSocket*> answered_;
};

} // namespace

// The worker is made, listens and is destroyed on the server thread itself; the port comes back
// through a promise and the end is the thread's join, so every hand-over is one the standard
// library (and a race checker) can see.
class FakeHttpServer::Thread : public QThread {
public:
    explicit Thread(FakeHttpServer& owner) : owner_(owner) {}
    std::promise<quint16> port;

protected:
    void run() override {
        Worker worker(owner_);
        port.set_value(worker.listen());
        exec(); // returns at once when quit() came first
    }

private:
    FakeHttpServer& owner_;
};

FakeHttpServer::FakeHttpServer() : thread_(std::make_unique<Thread>(*this)) {
    std::future<quint16> listening = thread_->port.get_future();
    thread_->start();
    port_ = listening.get();
}

FakeHttpServer::~FakeHttpServer() {
    thread_->quit();
    thread_->wait();
}

QString FakeHttpServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

void FakeHttpServer::route(const QString& path, const Response& response) {
    std::lock_guard lock(mutex_);
    routes_.insert(path, response);
}

void FakeHttpServer::route(const QString& path, int status, const QByteArray& body,
                           const QByteArray& contentType) {
    Response r;
    r.status = status;
    r.body = body;
    r.contentType = contentType;
    route(path, r);
}

FakeHttpServer::Response FakeHttpServer::responseFor(const QString& path) const {
    std::lock_guard lock(mutex_);
    if (routes_.contains(path)) {
        return routes_.value(path);
    }
    Response missing;
    missing.status = 404;
    missing.body = "not found";
    return missing;
}

void FakeHttpServer::record(const Request& request) {
    std::lock_guard lock(mutex_);
    requests_ << request;
}

QList<FakeHttpServer::Request> FakeHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int FakeHttpServer::count(const QString& path) const {
    std::lock_guard lock(mutex_);
    return int(
        std::count_if(requests_.begin(), requests_.end(), [&](const Request& r) { return r.path == path; }));
}

} // namespace mebo::test
