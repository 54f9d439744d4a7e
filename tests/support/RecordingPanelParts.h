#pragma once

#include "app/Cfg.h"
#include "recording/RecordingPanelVM.h"
#include "support/Fakes.h"

#include <QStringList>

namespace mebo::test {

// The recording panel's view-model over settings in memory; `called` lists the controls pressed.
struct RecordingPanelParts {
    FakeDefaultsStore store;
    Cfg cfg{store};
    RecordingPanelVM vm{cfg};
    QStringList called;

    RecordingPanelParts() {
        RecordingPanelVM::Controls c;
        c.start = [this] { called << QStringLiteral("start"); };
        c.stop = [this] { called << QStringLiteral("stop"); };
        c.pauseResume = [this] { called << QStringLiteral("pauseResume"); };
        c.restart = [this] { called << QStringLiteral("restart"); };
        c.cancel = [this] { called << QStringLiteral("cancel"); };
        vm.setControls(c);
    }
};

} // namespace mebo::test
