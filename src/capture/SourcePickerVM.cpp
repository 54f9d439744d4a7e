#include "capture/SourcePickerVM.h"

#include "capture/ScreenCaptureSvc.h"

#include <QPointer>

namespace mebo {

SourcePickerVM::SourcePickerVM(ScreenCaptureSvc& screenshots, qint64 ownPid, QObject* parent)
    : QObject(parent), screenshots_(screenshots), ownPid_(ownPid) {}

QImage SourcePickerVM::thumbnailOf(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    return image.scaled(thumbnailWidth, thumbnailHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QList<SourcePickerVM::Item>* SourcePickerVM::listFor(SourcePickerChoice::Kind kind) {
    return kind == SourcePickerChoice::Kind::display ? &displays_ : &windows_;
}

void SourcePickerVM::refresh() {
    const int generation = ++generation_;
    displays_.clear();
    for (const auto& d : screenshots_.displays()) {
        Item item;
        item.choice = {SourcePickerChoice::Kind::display, d.displayId,
                       d.name.isEmpty() ? QStringLiteral("Display") : d.name};
        const QSize pixels = d.nativeFrame.isValid() ? d.nativeFrame.size() : d.frame.size();
        item.detail = QStringLiteral("%1 × %2").arg(pixels.width()).arg(pixels.height());
        item.frame = d.nativeFrame.isValid() ? d.nativeFrame : d.frame;
        if (d.primary) {
            displays_.prepend(item);
        } else {
            displays_ << item;
        }
    }
    windows_.clear();
    Q_EMIT itemsChanged();
    QPointer<SourcePickerVM> self(this);
    screenshots_.listShareableWindows([self, generation](QList<platform::WindowInfo> windows) {
        if (!self || generation != self->generation_) {
            return;
        }
        for (const auto& w : windows) {
            if (!w.onScreen || !ScreenCaptureSvc::isSnapCandidate(w, self->ownPid_)) {
                continue;
            }
            Item item;
            const QString app = w.appName.isEmpty() ? w.appId : w.appName;
            item.choice = {SourcePickerChoice::Kind::window, w.windowId, w.title.isEmpty() ? app : w.title};
            item.detail =
                app.isEmpty()
                    ? QStringLiteral("%1 × %2").arg(w.frame.width()).arg(w.frame.height())
                    : QStringLiteral("%1 · %2 × %3").arg(app).arg(w.frame.width()).arg(w.frame.height());
            item.frame = w.frame;
            self->windows_ << item;
        }
        // A chosen window that closed leaves nothing chosen.
        if (self->selection_ && self->selection_->kind == SourcePickerChoice::Kind::window) {
            const bool present =
                std::any_of(self->windows_.begin(), self->windows_.end(),
                            [&](const Item& i) { return i.choice.id == self->selection_->id; });
            if (!present) {
                self->selection_.reset();
                Q_EMIT self->selectionChanged();
            }
        }
        Q_EMIT self->itemsChanged();
        self->requestThumbnails();
    });
    if (!selection_ && !displays_.isEmpty()) {
        select(displays_.first().choice);
    } else if (selection_ && selection_->kind == SourcePickerChoice::Kind::display &&
               std::none_of(displays_.begin(), displays_.end(),
                            [&](const Item& i) { return i.choice.id == selection_->id; })) {
        selection_.reset();
        Q_EMIT selectionChanged();
    }
    requestThumbnails();
}

void SourcePickerVM::refreshThumbnails() {
    // A slow machine answers later than the next tick: the round in flight is let finish, or
    // grabs would pile up and every answer would be outdated before it came.
    if (pending_ > 0) {
        return;
    }
    requestThumbnails();
}

void SourcePickerVM::requestThumbnails() {
    const int generation = generation_;
    QPointer<SourcePickerVM> self(this);
    const auto deliver = [self, generation](SourcePickerChoice::Kind kind, uint32_t id, const QImage& image) {
        if (!self) {
            return;
        }
        --self->pending_;
        if (generation != self->generation_ || image.isNull()) {
            return;
        }
        QList<Item>* list = self->listFor(kind);
        for (int i = 0; i < list->size(); ++i) {
            if ((*list)[i].choice.id == id) {
                (*list)[i].thumbnail = thumbnailOf(image);
                Q_EMIT self->thumbnailChanged(kind, i);
            }
        }
    };
    pending_ += int(displays_.size() + windows_.size());
    for (const Item& d : displays_) {
        const uint32_t id = d.choice.id;
        screenshots_.captureFullDisplay(id, [deliver, id](std::optional<QImage> image) {
            deliver(SourcePickerChoice::Kind::display, id, image.value_or(QImage()));
        });
    }
    for (const Item& w : windows_) {
        const uint32_t id = w.choice.id;
        screenshots_.captureWindow(id, [deliver, id](std::optional<ScreenCaptureSvc::WindowCapture> capture) {
            deliver(SourcePickerChoice::Kind::window, id, capture ? capture->image : QImage());
        });
    }
}

void SourcePickerVM::select(const SourcePickerChoice& choice) {
    if (selection_ != choice) {
        selection_ = choice;
        Q_EMIT selectionChanged();
    }
}

} // namespace mebo
