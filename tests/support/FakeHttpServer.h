#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QUrlQuery>
#include <memory>
#include <mutex>

namespace mebo::test {

// A local HTTP/1.1 server on 127.0.0.1 with a thread of its own, so it answers while a test
// blocks (waiting for a child process) as well as while it runs the event loop. Routes are set
// before or during a test; every request is recorded. Each response closes its connection.
class FakeHttpServer {
public:
    struct Request {
        QByteArray method;
        QString path;
        QUrlQuery query;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Response {
        enum class Mode {
            normal,
            neverAnswer, // reads the request and keeps the connection open, silent
            truncate     // announces the whole body, sends `truncateAt` bytes and closes
        };
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/octet-stream";
        Mode mode = Mode::normal;
        qint64 truncateAt = 0;
        int chunkBytes = 0; // > 0: the body goes out in pieces this big, `chunkDelayMs` apart
        int chunkDelayMs = 0;
    };

    FakeHttpServer();
    ~FakeHttpServer();

    quint16 port() const { return port_; }
    // "http://127.0.0.1:PORT" + path.
    QString url(const QString& path = {}) const;
    // Answers requests for `path` (without the query). Unknown paths get 404.
    void route(const QString& path, const Response& response);
    void route(const QString& path, int status, const QByteArray& body,
               const QByteArray& contentType = "application/json");

    QList<Request> requests() const;
    int count(const QString& path) const;

    // Internal: the server thread's worker reads the routes and records requests through these.
    Response responseFor(const QString& path) const;
    void record(const Request& request);

private:
    mutable std::mutex mutex_;
    QMap<QString, Response> routes_;
    QList<Request> requests_;
    class Thread;
    std::unique_ptr<Thread> thread_;
    quint16 port_ = 0;
};

} // namespace mebo::test
