#include "video/VideoTimelineMenus.h"

namespace mebo {

QList<VideoTimelineMenus::Item> VideoTimelineMenus::trackMenu(RegionRef::List track, int regionCount,
                                                              bool trackEnabled) {
    using List = RegionRef::List;
    QList<Item> items;
    switch (track) {
    case List::systemAudioMute:
        items.append(
            {QStringLiteral("Mute system audio for 5 seconds at the playhead."), Action::disableFiveSeconds});
        items.append(regionCount > 0 ? Item{QStringLiteral("Clear Muted Segments"), Action::clearTrack}
                                     : Item{QStringLiteral("No muted system segments"), Action::none, false});
        items.append(
            {trackEnabled ? QStringLiteral("Disable System Track") : QStringLiteral("Enable System Track"),
             Action::toggleTrack});
        break;
    case List::micMute:
        items.append(
            {QStringLiteral("Mute mic/audio for 5 seconds at the playhead."), Action::disableFiveSeconds});
        items.append(regionCount > 0 ? Item{QStringLiteral("Clear Muted Segments"), Action::clearTrack}
                                     : Item{QStringLiteral("No muted mic segments"), Action::none, false});
        items.append({trackEnabled ? QStringLiteral("Disable Mic Track") : QStringLiteral("Enable Mic Track"),
                      Action::toggleTrack});
        break;
    case List::webcamHidden:
        items.append({QStringLiteral("Hide cam for 5 seconds at the playhead."), Action::disableFiveSeconds});
        items.append(regionCount > 0 ? Item{QStringLiteral("Clear Hidden Segments"), Action::clearTrack}
                                     : Item{QStringLiteral("No hidden cam segments"), Action::none, false});
        break;
    default:
        break;
    }
    return items;
}

QList<VideoTimelineMenus::Item> VideoTimelineMenus::chapterMenu(bool hasChapters) {
    // Ctrl is the Command key of this desktop.
    return {{QStringLiteral("Split at Playhead (Ctrl+B)"), Action::splitChapter},
            hasChapters ? Item{QStringLiteral("Rename Chapter..."), Action::renameChapter}
                        : Item{QStringLiteral("No chapter to rename - split first"), Action::none, false}};
}

} // namespace mebo
