// The settings window's service parts on the offscreen platform: the About tab's update panel,
// the Feedback tab and the Hotkeys tab, driven through their view-models.
#include "platform/sodium/SodiumCodeSigning.h"
#include "services/CompanionVM.h"
#include "services/FeedbackVM.h"
#include "services/InstallLocation.h"
#include "services/Norvik.h"
#include "services/TasuInstaller.h"
#include "services/TicketAPI.h"
#include "services/UpdateMgr.h"
#include "services/UpdateVM.h"
#include "support/FakeHttpServer.h"
#include "support/TestUtil.h"
#include "ui/FeedbackSettingsTab.h"
#include "ui/HotkeysSettingsTab.h"
#include "ui/UpdatePanel.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

class UpdateTab : public ::testing::Test {
protected:
    void SetUp() override {
        AppcastUpdater::Host host;
        host.version = "0.1.0";
        host.buildNumber = "1";
        host.location = InstallLocation::detect(QCoreApplication::applicationFilePath());
        norvik = std::make_unique<Norvik>(defaults, signing, server.url("/appcast.xml"), host);
        mgr = std::make_unique<UpdateMgr>(defaults, *norvik, VersionMgr([](const QString& key) {
                                              return std::optional<QString>(
                                                  key == "CFBundleVersion" ? "1" : "0.1.0");
                                          }));
        norvik->start();
        mgr->start();
        vm = std::make_unique<UpdateVM>(*mgr, workspace);
        panel = std::make_unique<UpdatePanel>(*vm, &check);
    }
    FakeHttpServer server;
    FakeDefaultsStore defaults;
    FakeWorkspace workspace;
    std::shared_ptr<platform::SodiumCodeSigning> signing = std::make_shared<platform::SodiumCodeSigning>();
    QPushButton check;
    std::unique_ptr<Norvik> norvik;
    std::unique_ptr<UpdateMgr> mgr;
    std::unique_ptr<UpdateVM> vm;
    std::unique_ptr<UpdatePanel> panel;
};

TEST_F(UpdateTab, ShowsEachStatusWithItsButtons) {
    struct Row {
        UpdateCheckStatus status;
        const char* text;
        bool progress, relaunch, checkEnabled;
    };
    for (const Row& row :
         {Row{UpdateCheckStatus::checking(), "Checking for updates...", false, false, true},
          Row{UpdateCheckStatus::downloading(0.426), "Downloading Mebo ... 42%", true, false, false},
          Row{UpdateCheckStatus::readyToInstall(), "Update downloaded.", false, true, false},
          Row{UpdateCheckStatus::upToDate(), "Mebo 0.1.0 is up to date.", false, false, true},
          Row{UpdateCheckStatus::error("Check timeout, please try again later"),
              "Check timeout, please try again later", false, false, true}}) {
        norvik->setStatus(row.status);
        EXPECT_EQ(panel->statusLabel()->text(), QString::fromUtf8(row.text));
        EXPECT_EQ(!panel->progressBar()->isHidden(), row.progress) << row.text;
        EXPECT_EQ(!panel->relaunchButton()->isHidden(), row.relaunch) << row.text;
        if (row.status.kind != UpdateCheckStatus::Kind::checking) {
            EXPECT_EQ(check.isEnabled(), row.checkEnabled) << row.text;
        }
    }
    // A found update shows what it brings and links its notes.
    AppcastItem item;
    item.shortVersion = "0.2.0";
    item.description = "<p>Faster <b>GIFs</b></p>";
    item.releaseNotesLink = "https://example.org/notes";
    norvik->didFindValidUpdate(item);
    EXPECT_EQ(panel->statusLabel()->text(), "Mebo 0.2.0 is available.");
    EXPECT_EQ(panel->notesLabel()->text(), "Faster GIFs");
    ASSERT_FALSE(panel->notesButton()->isHidden());
    panel->notesButton()->click();
    EXPECT_EQ(workspace.opened.value(0), QUrl("https://example.org/notes"));
    // Tests run from a build folder: automatic install is off and the tab says why.
    EXPECT_FALSE(panel->noticeLabel()->isHidden());
    EXPECT_TRUE(panel->noticeLabel()->text().contains("build folder"));
}

TEST(FeedbackTab, ListsTicketsOpensOneAndSendsAReplyWithCtrlEnter) {
    FakeHttpServer server;
    server.route(
        "/tickets", 200,
        R"({"_res":"ok","results":[{"uuid":"T1","category":"bug","title":"Crash on save","status":"pending",
                     "atime":"2024-06-04 10:20:30 +0000","mtime":"2024-06-04 10:20:30 +0000"}]})");
    server.route(
        "/ticket/T1", 200,
        R"({"_res":"ok","ticket":{"uuid":"T1","category":"bug","title":"Crash on save","content":"Boom",
                     "status":"replied","atime":"2024-06-04 10:20:30 +0000","mtime":"2024-06-04 10:20:30 +0000",
                     "comments":[{"id":"1","author_type":"admin","author_id":"2","content":"Which version?",
                     "atime":"2024-06-04 11:00:00 +0000"}]}})");
    server.route("/ticket/T1/comment", 200, R"({"_res":"ok","message":"ok"})");
    FakeDefaultsStore defaults;
    TicketAPI api(server.url(), defaults);
    FeedbackVM vm(api);
    FeedbackSettingsTab tab(vm);
    tab.show();
    ASSERT_TRUE(waitUntil([&] { return tab.ticketList()->topLevelItemCount() == 1; }));
    EXPECT_EQ(tab.ticketList()->topLevelItem(0)->text(0), "Crash on save");
    EXPECT_EQ(tab.ticketList()->topLevelItem(0)->toolTip(0), "Pending");
    EXPECT_FALSE(tab.submitButton()->isEnabled());

    vm.openTicket("T1");
    ASSERT_TRUE(waitUntil([&] { return tab.pages()->currentIndex() == 1 && vm.ticketDetail().has_value(); }));
    EXPECT_TRUE(tab.conversation()->toPlainText().contains("Mebo Support"));
    EXPECT_TRUE(tab.conversation()->toPlainText().contains("Which version?"));
    tab.replyField()->setFocus();
    QTest::keyClicks(tab.replyField(), "0.1.0");
    EXPECT_TRUE(tab.sendButton()->isEnabled());
    QTest::keyClick(tab.replyField(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(
        waitUntil([&] { return server.count("/ticket/T1/comment") == 1 && vm.newComment().isEmpty(); }));
    EXPECT_TRUE(tab.replyField()->toPlainText().isEmpty());
}

TEST(HotkeysTab, OffersTheInstallShowsProgressAndTheCommands) {
    FakeHttpServer server;
    FakeHttpServer::Response silent;
    silent.mode = FakeHttpServer::Response::Mode::neverAnswer;
    server.route("/tasu.xml", silent);
    QTemporaryDir home;
    std::shared_ptr<platform::SodiumCodeSigning> signing = std::make_shared<platform::SodiumCodeSigning>();
    TasuInstaller::Setup setup;
    setup.appcastURL = server.url("/tasu.xml");
    setup.installPath = home.filePath("Applications/Tasu.app");
    setup.tempDir = home.path();
    TasuInstaller installer(setup, signing);
    FakeClipboard clipboard;
    CompanionVM vm(installer, clipboard);
    HotkeysSettingsTab tab(vm);
    EXPECT_EQ(tab.stateLabel()->text(), "Install Tasu.app to set global hotkeys");
    EXPECT_EQ(tab.actionButton()->text(), "Install Tasu");
    tab.actionButton()->click();
    EXPECT_EQ(tab.actionButton()->text(), "Downloading Tasu...");
    EXPECT_FALSE(tab.actionButton()->isEnabled());

    auto* copy = tab.findChild<QPushButton*>("copy-fullscreen");
    ASSERT_TRUE(copy);
    copy->click();
    EXPECT_EQ(clipboard.formats.value("text/plain"), "xdg-open 'mebo://capture?mode=fullscreen'");

    QDir().mkpath(setup.installPath);
    TasuInstaller idle(setup, signing);
    CompanionVM installedVm(idle, clipboard);
    HotkeysSettingsTab installedTab(installedVm);
    EXPECT_EQ(installedTab.stateLabel()->text(), "Tasu.app installed — open to bind hotkeys");
    installedTab.actionButton()->click(); // no program inside: the reason shows
    EXPECT_FALSE(installedTab.errorLabel()->isHidden());
}

} // namespace
