#pragma once

#include <QStyledItemDelegate>

namespace mebo {

// Paints a library item for the thumbnail strip and the history grid: the thumbnail with rounded
// corners (a placeholder while there is none), a play badge with the duration on videos, a
// pencil badge on items with annotations, and the name and time below in a small font. The item
// being edited gets a ring in the highlight colour. Reads the roles of HistoryListModel.
class HistoryItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Layout { strip, grid };

    static constexpr int kPadding = 6;
    static constexpr int kRadius = 6;
    static constexpr int kBadgeHeight = 18;

    explicit HistoryItemDelegate(Layout layout, QObject* parent = nullptr);

    void setCurrentEntryId(const QString& entryId) { currentId_ = entryId; }
    QString currentEntryId() const { return currentId_; }

    Layout layout() const { return layout_; }
    // The box a thumbnail is fitted into.
    QSize thumbnailBox() const;
    // `image` scaled to fit `box` (aspect kept, centred); the box itself for an empty size.
    static QRect fittedRect(const QSize& image, const QRect& box);
    // Where the picture of `index` lies in an item painted into `cell`.
    QRect pictureRect(const QRect& cell, const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QFont smallFont(const QFont& base) const;
    QRect boxIn(const QRect& cell) const;

    Layout layout_;
    QString currentId_;
};

} // namespace mebo
