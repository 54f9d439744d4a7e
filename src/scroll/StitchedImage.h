#pragma once

#include <QImage>
#include <QList>

namespace mebo {

// The tall image a scroll capture builds: the first frame and then the rows each later frame
// added, kept as separate bands so that appending never copies what is already stitched. The
// bands share nothing with the frames they came from. compose() makes the one picture at the end.
class StitchedImage {
public:
    StitchedImage() = default;
    explicit StitchedImage(const QImage& first);

    bool isNull() const { return height_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    qint64 pixelCount() const { return qint64(width_) * height_; }

    // Appends `rows` rows at the bottom: the bottom min(rows, frame height) rows of `frame`, and
    // black above them when `rows` is larger. The image becomes `outputWidth` wide (a narrower
    // band is padded with black on the right).
    void append(const QImage& frame, int rows, int outputWidth);
    // Drops the bottom `rows` rows (the image never gets shorter than one row).
    void removeBottomRows(int rows);
    // The bottom `rows` rows (fewer when the image is shorter), one picture.
    QImage bottomRows(int rows) const;
    // Columns at the sides that are not content (a scroll bar whose thumb moved between frames
    // would repeat down the image): compose() leaves them out. Only ever widened.
    void excludeColumns(int left, int right);
    int excludedLeft() const { return excludeLeft_; }
    int excludedRight() const { return excludeRight_; }
    // The whole image in one piece, without the excluded columns.
    QImage compose() const;

private:
    QList<QImage> bands_;
    int width_ = 0;
    int height_ = 0;
    int excludeLeft_ = 0;
    int excludeRight_ = 0;
};

} // namespace mebo
