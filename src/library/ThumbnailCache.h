#pragma once

#include <QImage>
#include <QObject>
#include <QString>

namespace mebo {

// JPEG thumbnails of library items, by `thumbnailName`, in the cache location. Making one
// scales and encodes on a worker thread; the file appears when it is done. Main thread API.
class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    // `directory`: where thumbnails live (created on demand).
    explicit ThumbnailCache(QString directory, QObject* parent = nullptr);
    ~ThumbnailCache() override;

    static constexpr int maxEdgePx = 320;

    QString directory() const { return directory_; }
    QString pathFor(const QString& thumbnailName) const;
    // Scales `image` to fit maxEdgePx and writes it as JPEG under `thumbnailName`.
    void make(const QString& thumbnailName, const QImage& image);
    // Loads the JPEG encoder in the background so the first make() does not wait for it.
    void prepareEncoder();
    // The thumbnail, from memory or disk; a null image when there is none.
    QImage thumbnail(const QString& thumbnailName);
    // The same, looked up by the library item's id.
    QImage thumbnailForId(const QString& entryId);
    // Whether the thumbnail is held in memory (no disk access).
    bool isInMemory(const QString& thumbnailName) const;
    // Whether a make() of this name is still on its way (thumbnailReady follows).
    bool isPending(const QString& thumbnailName) const;
    void drop(const QString& thumbnailName);
    // Forgets every thumbnail in memory (a folder change); files stay for their items.
    void clear();
    // Blocks until thumbnails being made are on disk (process exit, tests).
    void waitForPending();

Q_SIGNALS:
    void thumbnailReady(const QString& thumbnailName);

private:
    void remember(const QString& thumbnailName, const QImage& image);

    struct State;
    QString directory_;
    State* state_;
};

} // namespace mebo
