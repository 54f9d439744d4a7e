#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QLocalServer;

namespace mebo {

// One running application per user: the first process listens on a local socket; later launches
// hand their arguments (URLs included) to it and exit.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `serverName`: a socket path or name; the default lives in the user's runtime folder.
    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultServerName();

    // Hands `arguments` to a running instance; true when one took them (the caller then exits).
    // Blocks for at most `timeoutMs` (a launch has nothing else to do meanwhile).
    bool handOver(const QStringList& arguments, int timeoutMs = 2000) const;
    // Starts listening; false (with the reason in errorString) when another instance already does.
    // A socket left behind by a crashed instance is removed and taken over.
    bool listen();
    QString errorString() const { return error_; }

    // Requests: a message whose first element is `name` goes to `handler` (main thread) with the
    // rest, and its answer is sent back instead of the message being announced.
    void setRequestHandler(const QString& name, std::function<QString(const QStringList&)> handler);
    // Sends a request to the running instance and waits for its answer; nothing when no instance
    // answered within `timeoutMs`.
    std::optional<QString> ask(const QStringList& request, int timeoutMs = 2000) const;

Q_SIGNALS:
    // Arguments a later launch handed over, in its order.
    void argumentsReceived(const QStringList& arguments);

private:
    void acceptConnections();

    QString name_;
    QLocalServer* server_ = nullptr;
    QString error_;
    QHash<QString, std::function<QString(const QStringList&)>> handlers_;
};

} // namespace mebo
