#include "ui/check/check_window.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLabel>
#include <QTableWidget>
#include <atomic>
#include <fstream>
#include <thread>

#include "base/files/file_ops.h"
#include "base/text/cp936.h"
#include "support/register_fixture.h"
#include "support/temp_folder.h"
#include "support/window_fixture.h"
#include "ui/main/main_window.h"

namespace sitora::ui {
namespace {

// An RDAP registry on 127.0.0.1: renewed*.com run out 2028-05-01, broken.com fails, others
// 2027-05-01, and slow.com does not answer until it is told to stop.
class StandInRegistry {
public:
    StandInRegistry() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener_, 16);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~StandInRegistry() {
        stopping_ = true;
        thread_.join();
        for (std::thread& answer : answers_) answer.join();
        close(listener_);
    }
    int port() const { return port_; }

private:
    void Serve() {
        while (!stopping_) {
            pollfd wanted{listener_, POLLIN, 0};
            if (poll(&wanted, 1, 50) <= 0) continue;
            const int connection = accept(listener_, nullptr, nullptr);
            answers_.emplace_back([this, connection] { Answer(connection); });
        }
    }
    void Answer(int connection) {
        char request[2048] = {};
        const ssize_t got = recv(connection, request, sizeof request - 1, 0);
        const std::string line(request, got > 0 ? static_cast<std::size_t>(got) : 0);
        std::string expiry = line.find("/domain/renewed") != std::string::npos ? "2028-05-01" : "2027-05-01";
        if (line.find("/domain/broken.com") != std::string::npos) {
            const std::string refusal = "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            send(connection, refusal.data(), refusal.size(), MSG_NOSIGNAL);
            close(connection);
            return;
        }
        while (line.find("/domain/slow.com") != std::string::npos && !stopping_)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::string body = R"({"events":[{"eventAction":"expiration","eventDate":")" + expiry + R"(T00:00:00Z"}]})";
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body;
        send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
        close(connection);
    }
    std::vector<std::thread> answers_;  // one a connection: slow.com holds only its own
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

class CheckWindowTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        setenv("XDG_CACHE_HOME", folders_.path().c_str(), 1);
        setenv("XDG_STATE_HOME", folders_.path().c_str(), 1);
        std::ofstream(folders_.path() / "dns.json")
            << R"({"services":[[["com"],["http://127.0.0.1:)" << registry_.port() << R"(/"]]]})";
        std::ofstream(program_.path() / "check.conf") << "bootstrap = " << (folders_.path() / "dns.json").string() << "\n";
        int number = 100001;
        for (const char* domain : {"renewed.com", "agree.com", "slow.com"}) {
            auto record = test::SampleRecord(std::to_string(number), "127.0.0.1:1/" + std::to_string(number));
            record["web_domain"] = domain;
            record["web_enddomaintime"] = "2027-5-1";
            InsertRecord(record);
            ++number;
        }
    }
    void TearDown() override {
        WindowTest::TearDown();
        unsetenv("XDG_CACHE_HOME");
        unsetenv("XDG_STATE_HOME");
    }
    QString Cell(int row, int column) {
        const QTableWidgetItem* item = Find<QTableWidget>(window(), "CheckGrid")->item(row, column);
        return item ? item->text() : QString();
    }
    CheckWindow* window() { return windows_->check_window(); }
    template <typename Condition>
    bool WaitFor(Condition condition, int ms = 10000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!condition() && std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return condition();
    }

    test::TempFolder folders_;
    StandInRegistry registry_;
};

TEST_F(CheckWindowTest, FillsAsAnswersArriveStopsAndWritesADateOnlyWithTheUsersWord) {
    LogIn();
    Trigger(windows_->Form1(), "CheckItem");
    ASSERT_TRUE(window()->isVisible());
    ASSERT_TRUE(WaitFor([&] { return Cell(0, 6) != "等待查询" && Cell(1, 6) != "等待查询"; }));
    EXPECT_EQ(Cell(1, 6), "日期一致");
    EXPECT_EQ(Cell(0, 6), "已续费，登记未更新");
    EXPECT_EQ(Cell(0, 4), "2028-5-1");
    EXPECT_EQ(Cell(2, 6), "等待查询");  // slow.com is still being asked: the window answers meanwhile
    EXPECT_TRUE(window()->Running());

    Click(window(), "StopButton");
    ASSERT_TRUE(WaitFor([&] { return !window()->Running(); }, 3000));
    EXPECT_EQ(Cell(2, 6), "已停止");
    EXPECT_TRUE(Enabled(window(), "StartButton"));

    auto* grid = Find<QTableWidget>(window(), "CheckGrid");
    grid->selectRow(1);
    EXPECT_FALSE(Enabled(window(), "AdoptButton"));  // dates that agree have nothing to adopt
    grid->selectRow(0);
    ASSERT_TRUE(Enabled(window(), "AdoptButton"));
    boxes_.answers = {BoxAnswer::Cancel};
    Click(window(), "AdoptButton");
    EXPECT_EQ(Cell(0, 3), "2027-5-1");
    Click(window(), "AdoptButton");
    EXPECT_EQ(boxes_.LastText(), "数据修改成功");
    EXPECT_EQ(Cell(0, 6), "日期一致");

    // The list exports with the export command and writers of the other lists.
    save_.answers.push_back(SaveAnswer{QString::fromStdString((folders_.path() / "check").string()), 2});
    Click(window(), "ExportButton");
    EXPECT_EQ(boxes_.LastText(), "数据导出成功");
    const auto exported = files::ReadWholeFile(folders_.path() / "check.csv");
    ASSERT_TRUE(exported);
    EXPECT_NE(exported->find(text::ToCp936("注册局到期日期")), std::string::npos);
    EXPECT_NE(exported->find(text::ToCp936("已停止")), std::string::npos);

    auto& list = context_->DataModule1.ADOQuery1;
    ASSERT_TRUE(list.Active());
    EXPECT_EQ(data::AsString(list.Value(0, list.Rows().ColumnIndex("web_enddomaintime"))), "2028-5-1");
    EXPECT_EQ(data::AsString(list.Value(1, list.Rows().ColumnIndex("web_enddomaintime"))), "2027-5-1");
}

TEST_F(CheckWindowTest, ShowsNumbersAndReasonsWholeCountsByOneRuleAndAdoptsSeveralRows) {
    auto no_site = test::SampleRecord("c0000001234567890", "");
    no_site["web_domain"] = "renewed-too.com";
    no_site["web_enddomaintime"] = "2027-5-1";
    InsertRecord(no_site);
    auto broken = test::SampleRecord("100005", "127.0.0.1:1/100005");
    broken["web_domain"] = "broken.com";
    InsertRecord(broken);
    LogIn();
    Trigger(windows_->Form1(), "CheckItem");
    ASSERT_TRUE(WaitFor([&] { return Cell(3, 6) != "等待查询" && Cell(4, 6) != "等待查询" && Cell(0, 6) != "等待查询"; }));
    Click(window(), "StopButton");
    ASSERT_TRUE(WaitFor([&] { return !window()->Running(); }, 3000));

    auto* grid = Find<QTableWidget>(window(), "CheckGrid");
    const auto fits = [grid](int column, const QString& text) {
        return grid->columnWidth(column) >= grid->fontMetrics().horizontalAdvance(text);
    };
    EXPECT_TRUE(fits(0, "c0000001234567890"));
    EXPECT_EQ(Cell(4, 6), "查询失败：HTTP 500");
    EXPECT_TRUE(fits(6, Cell(4, 6)));
    // Every row with a site fails its certificate (port 1), slow.com's too though its registry was
    // stopped; the row without a site needs attention for its later date only.
    const auto status = [&] { return Find<QLabel>(window(), "StatusLabel")->text(); };
    EXPECT_EQ(status(), "已停止，5 项需要处理");

    grid->clearSelection();
    grid->setSelectionMode(QAbstractItemView::MultiSelection);
    grid->selectRow(0);
    grid->selectRow(3);
    grid->selectRow(1);  // agrees: nothing to adopt, left out
    ASSERT_TRUE(Enabled(window(), "AdoptButton"));
    boxes_.answers = {BoxAnswer::Ok};
    Click(window(), "AdoptButton");
    const QString question = boxes_.shown.at(boxes_.shown.size() - 2).text;
    EXPECT_TRUE(question.contains("2 个网站") && question.contains("127.0.0.1:1/100001") && !question.contains("100002"))
        << question.toStdString();
    EXPECT_EQ(boxes_.LastText(), "数据修改成功");
    EXPECT_EQ(Cell(0, 6), "日期一致");
    EXPECT_EQ(Cell(3, 6), "日期一致");
    EXPECT_EQ(status(), "已停止，4 项需要处理");
}

}  // namespace
}  // namespace sitora::ui
