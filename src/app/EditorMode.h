#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace mebo {

class EditorVM;

// What the main window's editor area shows: nothing, an image capture with its annotation
// editor, a recording in the video editor, or a recording whose project is still loading (with
// the library item's id when it has one). The image editor is shared with the views that draw it;
// the main window's model decides when it is replaced.
class EditorMode {
public:
    enum class Kind : uint8_t { empty, image, video, loadingVideo };

    EditorMode() = default;

    static EditorMode image(std::shared_ptr<EditorVM> editor) {
        EditorMode m;
        m.kind_ = editor ? Kind::image : Kind::empty;
        m.editor_ = std::move(editor);
        return m;
    }
    static EditorMode video() {
        EditorMode m;
        m.kind_ = Kind::video;
        return m;
    }
    static EditorMode loadingVideo(std::optional<QString> entryId = std::nullopt) {
        EditorMode m;
        m.kind_ = Kind::loadingVideo;
        m.entryId_ = std::move(entryId);
        return m;
    }

    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::empty; }
    bool isImage() const { return kind_ == Kind::image; }
    // The annotation editor in image mode, else null.
    EditorVM* imageEditor() const { return editor_.get(); }
    const std::shared_ptr<EditorVM>& sharedImageEditor() const { return editor_; }
    // loadingVideo: the history entry being loaded, when known.
    const std::optional<QString>& loadingEntryId() const { return entryId_; }

    bool operator==(const EditorMode&) const = default;

private:
    Kind kind_ = Kind::empty;
    std::shared_ptr<EditorVM> editor_;
    std::optional<QString> entryId_;
};

} // namespace mebo
