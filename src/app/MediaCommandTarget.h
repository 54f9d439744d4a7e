#pragma once

namespace mebo {

// What the main window does for the application-wide save, copy and paste keys: the targets of
// the key routing. Main thread only.
class MediaCommandTarget {
public:
    virtual ~MediaCommandTarget() = default;

    // An image or a video item is open (only then is there something to save).
    virtual bool showsMedia() const = 0;
    virtual void save() = 0;
    // Save As: for images a flattened export elsewhere, for videos a move.
    virtual void saveAs() = 0;
    // Copies the open item (the image, or the file of a video); false when there is none.
    virtual bool copyCurrentMedia() = 0;
    // Adds the clipboard's image to the open canvas; false without a canvas or an image.
    virtual bool pasteImageIntoCanvas() = 0;
};

} // namespace mebo
