#pragma once

#include "app/AppEvents.h"
#include "app/Cfg.h"
#include "app/HistoryLimitTarget.h"
#include "app/LaunchAtLogin.h"
#include "app/SettingsVM.h"
#include "capture/SandboxFolderAccess.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QTemporaryDir>

namespace mebo::test {

// What the settings store asks of the history store; "apply" carries the limit it runs with.
class RecordingHistoryTarget : public HistoryLimitTarget {
public:
    explicit RecordingHistoryTarget(const Cfg& c) : cfg(c) {}
    bool isPruneInFlight() const override { return false; }
    void markPruneCancelled() override { calls << QStringLiteral("cancel"); }
    void clearPrunePending() override { calls << QStringLiteral("clearPending"); }
    void applyLimitNow() override { calls << QStringLiteral("apply %1").arg(cfg.historyMaxCount()); }
    const Cfg& cfg;
    QStringList calls;
};

// The settings view-model on fakes, in a private folder holding an empty library.
struct SettingsParts {
    SettingsParts() {
        QDir(tmp.path()).mkpath(QStringLiteral("library"));
        cfg.setHistoryLimitTarget(&history);
    }
    QString path(const QString& name) const { return QDir(tmp.path()).filePath(name); }

    LogCapture log;
    QTemporaryDir tmp;
    FakeDefaultsStore defaults;
    Cfg cfg{defaults, path(QStringLiteral("library"))};
    RecordingHistoryTarget history{cfg};
    AppEvents events;
    FakeDialogs dialogs;
    FakeClipboard clipboard;
    SandboxFolderAccess folders{cfg, events, dialogs, path(QStringLiteral("Pictures/mebo"))};
    LaunchAtLogin login{path(QStringLiteral("autostart")), QStringLiteral("/usr/bin/mebo")};
    SettingsVM vm{cfg, folders, login, dialogs, clipboard, AppLogger::shared()};
};

} // namespace mebo::test
