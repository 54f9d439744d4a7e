#include "capture/ShutterSoundPlayer.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;
using mebo::test::FakeSoundPlayer;

TEST(ShutterSoundPlayer, CandidateOrderAndFallbacks) {
    QTemporaryDir dir;
    const auto touch = [&](const char* name) {
        test::writeBytes(dir.filePath(QString::fromLatin1(name)), "RIFF");
        return dir.filePath(QString::fromLatin1(name));
    };
    const QString aiff = touch("Shutter.aiff"), wav = touch("Shutter.wav"),
                  system = touch("camera-shutter.oga");
    const struct {
        const char* what;
        QSet<QString> loadable;
        bool playSucceeds;
        QString loaded;
        int plays, beeps;
    } cases[] = {
        {"aif, aiff, wav in that order", {aiff, wav, system}, true, aiff, 1, 0},
        {"the bundled files do not decode", {system}, true, system, 1, 0},
        {"nothing loads: the system beep", {}, true, QString(), 0, 1},
        {"loaded but playback fails: beep instead", {wav}, false, wav, 1, 1},
    };
    for (const auto& c : cases) {
        FakeSoundPlayer sound;
        sound.loadable = c.loadable;
        sound.playSucceeds = c.playSucceeds;
        ShutterSoundPlayer shutter(sound, {dir.path()}, {system}, [] { return 0.0; });
        shutter.play(1.5);
        EXPECT_EQ(shutter.loadedSound().value_or(QString()), c.loaded) << c.what;
        EXPECT_EQ(sound.plays, c.plays) << c.what;
        EXPECT_EQ(sound.beeps, c.beeps) << c.what;
    }
}
