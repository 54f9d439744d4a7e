#include "capture/ShutterSoundPlayer.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;
using mebo::test::FakeSoundPlayer;

namespace {

QString touch(const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("RIFF");
    return path;
}

} // namespace

TEST(ShutterSoundPlayer, CandidateOrderAndFallbacks) {
    QTemporaryDir dir;
    const QString aiff = touch(dir.filePath("Shutter.aiff"));
    const QString wav = touch(dir.filePath("Shutter.wav"));
    const QString system = touch(dir.filePath("camera-shutter.oga"));
    {
        FakeSoundPlayer sound;
        sound.loadable = {aiff, wav, system};
        ShutterSoundPlayer shutter(sound, {dir.path()}, {system}, [] { return 0.0; });
        shutter.play(1.5);
        EXPECT_EQ(shutter.loadedSound().value_or(""), aiff); // aif, aiff, wav in that order
    }
    {
        FakeSoundPlayer sound;
        sound.loadable = {system}; // the bundled files do not decode
        ShutterSoundPlayer shutter(sound, {dir.path()}, {system}, [] { return 0.0; });
        shutter.play(1.5);
        EXPECT_EQ(shutter.loadedSound().value_or(""), system);
        EXPECT_EQ(sound.plays, 1);
    }
    {
        FakeSoundPlayer sound; // nothing loads: the system beep
        ShutterSoundPlayer shutter(sound, {dir.path()}, {system}, [] { return 0.0; });
        shutter.play(1.5);
        EXPECT_FALSE(shutter.loadedSound().has_value());
        EXPECT_EQ(sound.plays, 0);
        EXPECT_EQ(sound.beeps, 1);
    }
    {
        FakeSoundPlayer sound; // loaded but playback fails: beep instead
        sound.loadable = {wav};
        sound.playSucceeds = false;
        ShutterSoundPlayer shutter(sound, {dir.path()}, {}, [] { return 0.0; });
        shutter.play(1.5);
        EXPECT_EQ(sound.plays, 1);
        EXPECT_EQ(sound.beeps, 1);
    }
}
