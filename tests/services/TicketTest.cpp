// The feedback client against a local server: requests, every response rule, dates, the device
// identifier and the Feedback tab's view-model flows.
#include "services/DeviceId.h"
#include "services/FeedbackVM.h"
#include "services/TicketAPI.h"
#include "services/TicketDate.h"
#include "support/Answer.h"
#include "support/FakeHttpServer.h"
#include "support/TestUtil.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QUuid>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

const QByteArray kList =
    R"({"_res":"ok","results":[{"uuid":"T1","category":"bug","title":"Crash","status":"replied",
  "atime":"2024-06-04 10:20:30 +0000","mtime":"2024-06-05 08:00:00 +0000"}]})";
const QByteArray kDetail =
    R"({"_res":"ok","ticket":{"uuid":"T1","category":"bug","title":"Crash","content":"It crashed",
  "status":"replied","atime":"2024-06-04 10:20:30 +0000","mtime":"2024-06-05 08:00:00 +0000","comments":[
  {"id":"1","author_type":"admin","author_id":"7","content":"Fixed in 0.2","atime":"2024-06-05 08:00:00 +0000"}]}})";

// The server's port with nobody listening on it.
quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

template <class T> TicketReply<T> await(std::function<void(TicketAPI::Done<T>)> call) {
    return answerOf<TicketReply<T>>(call).value_or(TicketReply<T>{});
}

class Tickets : public ::testing::Test {
protected:
    FakeHttpServer server;
    FakeDefaultsStore defaults;
    LogCapture logs;
    TicketAPI api{server.url("/api"), defaults};
};

TEST_F(Tickets, SendsTheFourRequestsWithTheirHeadersAndBodies) {
    server.route("/api/tickets", 200, kList);
    server.route("/api/ticket", 200, R"({"_res":"ok","message":"created","uuid":"T2"})");
    server.route("/api/ticket/T1", 200, kDetail);
    server.route("/api/ticket/T1/comment", 200, R"({"_res":"ok","message":"added"})");
    const QString device = api.deviceId();

    EXPECT_EQ(await<TicketListResponse>([&](auto done) { api.loadTickets(done); }).value->results.size(), 1);
    EXPECT_EQ(await<TicketResponse>([&](auto done) {
                  api.createTicket("feature", "Dark icons", "Please", done);
              }).value->uuid,
              "T2");
    const auto detail = await<TicketDetailResponse>([&](auto done) { api.loadTicketDetail("T1", done); });
    ASSERT_TRUE(detail.ok());
    EXPECT_TRUE(detail.value->ticket.comments.at(0).isSupportReply());
    EXPECT_TRUE(await<CommentResponse>([&](auto done) { api.addComment("T1", "Thanks", done); }).ok());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].query.queryItemValue("app"), "Mebo");
    EXPECT_EQ(requests[0].query.queryItemValue("device_id"), device);
    for (const auto& r : requests) {
        EXPECT_EQ(r.headers.value("accept"), "application/json") << r.path.toStdString();
        EXPECT_EQ(r.headers.value("content-type"), r.method == "POST" ? "application/json" : "")
            << r.path.toStdString();
    }
    EXPECT_EQ(QJsonDocument::fromJson(requests[1].body).object(), (QJsonObject{{"app", "Mebo"},
                                                                               {"device_id", device},
                                                                               {"category", "feature"},
                                                                               {"title", "Dark icons"},
                                                                               {"content", "Please"}}));
    EXPECT_EQ(QJsonDocument::fromJson(requests[3].body).object(),
              (QJsonObject{{"device_id", device}, {"content", "Thanks"}}));
    for (const char* line :
         {"[TicketAPI] Load tickets from 127.0.0.1", "[TicketAPI] Create ticket to 127.0.0.1",
          "[TicketAPI] Load ticket detail from 127.0.0.1", "[TicketAPI] Add comment to 127.0.0.1"}) {
        EXPECT_TRUE(logs.contains(line)) << line;
    }
}

struct ResponseCase {
    const char* name;
    int status;
    QByteArray body;
    const char* description;
};

class TicketResponses : public Tickets, public ::testing::WithParamInterface<ResponseCase> {};

// A body that does not decode is logged as it came.
TEST_P(TicketResponses, EndInThePartsText) {
    const ResponseCase& c = GetParam();
    server.route("/api/tickets", c.status, c.body);
    const auto reply = await<TicketListResponse>([&](auto done) { api.loadTickets(done); });
    ASSERT_FALSE(reply.ok());
    EXPECT_EQ(reply.error->description(), QString::fromUtf8(c.description));
    EXPECT_EQ(logs.contains(QStringLiteral("[TicketAPI] 原始響應: ") + QString::fromUtf8(c.body)),
              QByteArray(c.description).startsWith("Decoding failed"));
}

INSTANTIATE_TEST_SUITE_P(
    Feedback, TicketResponses,
    ::testing::Values(
        ResponseCase{"errorRecordOn200", 200, R"({"_res":"err","code":"device banned"})", "device banned"},
        ResponseCase{"emptyOn500", 500, "", "Request failed (500)"},
        ResponseCase{"errorRecordOn404", 404, R"({"_res":"err","code":"no such app"})", "no such app"},
        ResponseCase{"noResults", 200, R"({"_res":"ok"})", "Decoding failed: missing key 'results'"},
        ResponseCase{"wrongType", 200, R"({"_res":"ok","results":[{"uuid":1}]})",
                     "Decoding failed: key 'results[0].uuid' is not a string"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tickets, AnUnreachableServerAndABadAddressFail) {
    TicketAPI unreachable(QStringLiteral("http://127.0.0.1:%1").arg(closedPort()), defaults);
    const auto refused = await<TicketListResponse>([&](auto done) { unreachable.loadTickets(done); });
    ASSERT_FALSE(refused.ok());
    EXPECT_FALSE(refused.error->statusCode);
    EXPECT_TRUE(refused.error->description().contains("refused", Qt::CaseInsensitive))
        << refused.error->description().toStdString();
    TicketAPI nowhere(QString(), defaults);
    EXPECT_EQ(await<TicketListResponse>([&](auto done) { nowhere.loadTickets(done); }).error->description(),
              "Invalid URL");
    EXPECT_EQ(TicketAPIError::requestFailed(std::nullopt, std::nullopt).description(),
              "Request failed (unknown)");
}

TEST(DeviceId, IsCreatedOnceInUpperCaseAndKept) {
    FakeDefaultsStore defaults;
    const QString id = DeviceId::get(defaults);
    EXPECT_EQ(QUuid::fromString(id).toString(QUuid::WithoutBraces).toUpper(), id);
    EXPECT_EQ(DeviceId::get(defaults), id);
    EXPECT_EQ(defaults.writes, 1);
    EXPECT_EQ(defaults.user.value("MeboDeviceId").toString(), id);
}

struct DateCase {
    const char* text;
    const char* shown;
};

class TicketDates : public ::testing::TestWithParam<DateCase> {};

TEST_P(TicketDates, ShowAsTodayYesterdayOrMonthAndDay) {
    const QDateTime now(QDate(2024, 6, 5), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(TicketDate::display(GetParam().text, now, QTimeZone::utc()),
              QString::fromUtf8(GetParam().shown))
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Feedback, TicketDates,
                         ::testing::Values(DateCase{"2024-06-05 08:30:00.123456 +0000 UTC", "Today 08:30"},
                                           DateCase{"2024-06-05 10:30:00.5 +0200", "Today 08:30"},
                                           DateCase{"2024-06-04 23:59:59 +0000 UTC", "Yesterday 23:59"},
                                           DateCase{"2024-06-04 10:20:30 +0000", "Yesterday 10:20"},
                                           DateCase{"2024-05-01 09:05:00 -0700", "05-01 16:05"},
                                           DateCase{"2024-06-05T08:30:00Z", "2024-06-05T08:30:00Z"},
                                           DateCase{"soon", "soon"}));

class Feedback : public Tickets {
protected:
    FeedbackVM vm{api};
};

TEST_F(Feedback, SubmittingCreatesATicketClearsTheFormAndReloads) {
    server.route("/api/ticket", 200, R"({"_res":"ok","message":"created","uuid":"T9"})");
    server.route("/api/tickets", 200, kList);
    vm.setCategory("question");
    vm.setTitle("How?");
    vm.setContent("Where is it?");
    ASSERT_TRUE(vm.canSubmit());
    vm.submit();
    EXPECT_TRUE(vm.isSubmitting());
    EXPECT_FALSE(vm.canSubmit());
    ASSERT_TRUE(waitUntil([&] { return !vm.isSubmitting() && !vm.isLoading() && !vm.tickets().isEmpty(); }));
    EXPECT_TRUE(vm.showSuccess());
    EXPECT_TRUE(vm.title().isEmpty());
    EXPECT_TRUE(vm.content().isEmpty());
    EXPECT_FALSE(vm.errorMsg());
    EXPECT_EQ(QJsonDocument::fromJson(server.requests().at(0).body).object().value("category"), "question");
    for (const char* line : {"[Feedback] 創建工單: How?", "[Feedback] 工單已創建: T9",
                             "[Feedback] 獲取工單列表", "[Feedback] 獲取到 1"}) {
        EXPECT_TRUE(logs.contains(QString::fromUtf8(line))) << line;
    }
}

struct FlowFailure {
    const char* name;
    const char* error;
    const char* log;
};

class FeedbackFailures : public Feedback, public ::testing::WithParamInterface<FlowFailure> {};

TEST_P(FeedbackFailures, EndInOneMessageAndOneLogLine) {
    server.route("/api/tickets", 500, "");
    server.route("/api/ticket", 500, "");
    server.route("/api/ticket/T1", 500, "");
    server.route("/api/ticket/T1/comment", 500, "");
    const std::string name = GetParam().name;
    if (name == "load") {
        vm.loadTickets();
    } else if (name == "submit") {
        vm.setTitle("t");
        vm.setContent("c");
        vm.submit();
    } else if (name == "detail") {
        vm.openTicket("T1");
    } else {
        server.route("/api/ticket/T1", 200, kDetail);
        vm.openTicket("T1");
        ASSERT_TRUE(waitUntil([&] { return vm.ticketDetail().has_value(); }));
        vm.setNewComment("more");
        vm.addComment();
    }
    ASSERT_TRUE(waitUntil([&] { return vm.errorMsg().has_value(); }));
    EXPECT_EQ(*vm.errorMsg(), QString::fromUtf8(GetParam().error));
    EXPECT_TRUE(logs.contains(QString::fromUtf8(GetParam().log) + "Request failed (500)"));
    EXPECT_FALSE(vm.isLoading() || vm.isSubmitting() || vm.isLoadingDetail() || vm.isAddingComment());
}

INSTANTIATE_TEST_SUITE_P(
    Feedback, FeedbackFailures,
    ::testing::Values(FlowFailure{"load", "Loading failed, please try again", "[Feedback] 載入工單失敗: "},
                      FlowFailure{"submit", "Submission failed, please try again", "[Feedback] 提交失敗: "},
                      FlowFailure{"detail", "Failed to load details", "[Feedback] 載入工單詳情失敗: "},
                      FlowFailure{"comment", "Failed to add comment", "[Feedback] 添加評論失敗: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Feedback, ReplyingClearsTheFieldAndReloadsTheConversation) {
    server.route("/api/ticket/T1", 200, kDetail);
    server.route("/api/ticket/T1/comment", 200, R"({"_res":"ok","message":"added"})");
    vm.openTicket("T1");
    ASSERT_TRUE(waitUntil([&] { return vm.ticketDetail().has_value(); }));
    EXPECT_TRUE(logs.contains("[Feedback] 工單詳情已載入: T1"));
    EXPECT_FALSE(vm.canAddComment());
    vm.setNewComment("Works now");
    vm.addComment();
    ASSERT_TRUE(waitUntil([&] { return server.count("/api/ticket/T1") == 2 && !vm.isLoadingDetail(); }));
    EXPECT_TRUE(vm.newComment().isEmpty());
    EXPECT_TRUE(logs.contains("[Feedback] 添加評論到工單: T1"));
    EXPECT_TRUE(logs.contains("[Feedback] 評論已添加: T1"));
    // A ticket closed before its detail arrives stays closed.
    vm.closeTicket();
    vm.openTicket("T1");
    vm.closeTicket();
    drainEvents();
    waitUntil([&] { return server.count("/api/ticket/T1") == 3; });
    drainEvents();
    EXPECT_FALSE(vm.ticketDetail().has_value());
}

} // namespace
