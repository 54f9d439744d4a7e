#pragma once

#include "video/RegionRef.h"

#include <QList>
#include <QString>

namespace mebo {

// The timeline's context menus as the editor model states them: titles, and whether each item
// can be chosen. The view builds its menu from these and calls the matching VideoEditorVM
// operation.
class VideoTimelineMenus {
public:
    enum class Action {
        disableFiveSeconds, // VideoEditorVM::disableForFiveSeconds
        clearTrack,         // VideoEditorVM::clearTrack
        toggleTrack,        // setSystemAudioTrackEnabled / setMicTrackEnabled
        splitChapter,       // splitChapterAtPlayhead
        renameChapter,      // the rename sheet, then renameChapter
        none,               // an inert line ("No muted system segments")
    };
    struct Item {
        QString title;
        Action action = Action::none;
        bool enabled = true;
        bool operator==(const Item&) const = default;
    };

    // The menu of a mute or hidden track: the five-second item, then "Clear ..." or the empty
    // line, then (audio tracks) "Enable/Disable ... Track".
    static QList<Item> trackMenu(RegionRef::List track, int regionCount, bool trackEnabled);
    // The chapter menu: split, then rename or "No chapter to rename - split first".
    static QList<Item> chapterMenu(bool hasChapters);

    // The rename sheet's texts.
    static QString renamePlaceholder() { return QStringLiteral("Chapter title"); }
    static QString renameHint() {
        return QStringLiteral("80 characters max. Leave empty to use the default chapter title.");
    }
};

} // namespace mebo
