#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>

namespace mebo {

class ScreenCaptureSvc;

// What the source picker hands back: a display, a window, or the switch to a custom region.
struct SourcePickerChoice {
    enum class Kind { display, window, area };
    Kind kind = Kind::display;
    uint32_t id = 0; // display or window id
    QString title;
    bool operator==(const SourcePickerChoice&) const = default;
};

// The source picker ("Record Screen..."), without widgets: the displays and the shareable windows
// with live thumbnails, the selection, and the answer. Thumbnails come back asynchronously; a
// refresh starts a new generation and answers of older ones are dropped; a live update waits
// for the grabs still in flight. Main thread only.
class SourcePickerVM : public QObject {
    Q_OBJECT
public:
    static constexpr int thumbnailWidth = 240;
    static constexpr int thumbnailHeight = 150;

    struct Item {
        SourcePickerChoice choice;
        QString detail; // "1920 × 1080"
        QRect frame;    // top-left origin
        QImage thumbnail;
    };

    // `ownPid`: this process, whose windows are never offered.
    SourcePickerVM(ScreenCaptureSvc& screenshots, qint64 ownPid, QObject* parent = nullptr);

    // Lists the sources again and asks for fresh thumbnails; the selection stays on the same
    // source when it is still there.
    void refresh();
    // New thumbnails of the listed sources only (the live update while the picker is open);
    // nothing while the last grabs are still answering.
    void refreshThumbnails();

    const QList<Item>& displays() const { return displays_; }
    const QList<Item>& windows() const { return windows_; }
    std::optional<SourcePickerChoice> selection() const { return selection_; }
    void select(const SourcePickerChoice& choice);
    bool canStart() const { return selection_.has_value(); }
    int generation() const { return generation_; }

    // Fits a picture into the thumbnail box, keeping its aspect.
    static QImage thumbnailOf(const QImage& image);

Q_SIGNALS:
    void itemsChanged();
    void thumbnailChanged(mebo::SourcePickerChoice::Kind kind, int index);
    void selectionChanged();

private:
    void requestThumbnails();
    QList<Item>* listFor(SourcePickerChoice::Kind kind);

    ScreenCaptureSvc& screenshots_;
    qint64 ownPid_;
    QList<Item> displays_;
    QList<Item> windows_;
    std::optional<SourcePickerChoice> selection_;
    int generation_ = 0;
    int pending_ = 0; // thumbnail grabs asked for and not answered yet
};

} // namespace mebo
