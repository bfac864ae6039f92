// Kill a process at every named step of a write, and at random moments: db.mdb opens, passes
// its integrity check and holds the whole old or the whole new state; carriers load their
// last complete value; nothing temporary stays after the next start.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <sstream>

#include "data/compaction.h"
#include "data/data_module.h"
#include "data/catalogue/statements.h"
#include "protect/block_store.h"
#include "support/register_fixture.h"

namespace sitora::test {
namespace {

namespace fs = std::filesystem;

// Starts the helper; with `crash_point` set the process kills itself there.
pid_t Start(const std::vector<std::string>& args, const std::string& crash_point = "") {
    pid_t child = fork();
    if (child == 0) {
        if (crash_point.empty())
            unsetenv("SITORA_CRASH_POINT");
        else
            setenv("SITORA_CRASH_POINT", crash_point.c_str(), 1);
        std::vector<char*> argv;
        std::string helper = CRASH_HELPER_PATH;
        argv.push_back(helper.data());
        std::vector<std::string> copies = args;
        for (auto& arg : copies) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(helper.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

// Waits for the helper; true when it was killed.
bool Killed(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

class CrashSafety : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        for (int i = 0; i < 60; ++i) {
            auto record = SampleRecord(std::to_string(1000 + i), "site" + std::to_string(1000 + i) + ".com");
            record["web_remark"] = std::string(3000, 'x');
            Insert(record);
        }
        module_.ADOQuery4.SetSQL("delete from t_webinfo where id % 3 = 0");
        module_.ADOQuery4.ExecSQL();
        module_.ADOConnection1.Close();
    }
    // Every record's number and remark, in table order.
    std::string Contents() {
        EXPECT_TRUE(data::DatabaseIntact(folder_ / "db.mdb"));
        data::TDataModule1 module;
        module.SetUpConnection(folder_.ProgramFolder());
        module.ADOQuery1.SetSQL("select web_id, web_remark, web_name from t_webinfo");
        module.ADOQuery1.Open();
        std::string contents;
        for (int row = 0; row < module.ADOQuery1.RecordCount(); ++row)
            contents += data::AsString(module.ADOQuery1.Value(row, 0)) + ":" + data::AsString(module.ADOQuery1.Value(row, 1)) +
                        ":" + data::AsString(module.ADOQuery1.Value(row, 2)) + "\n";
        return contents;
    }
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.path())) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(CrashSafety, CompactionKilledAfterEveryStep) {
    const std::string before = Contents();
    for (int step = 1; step <= 7; ++step) {
        EXPECT_TRUE(Killed(Start({"compact", folder_.path()}, "compaction:" + std::to_string(step)))) << step;
        data::RecoverInterruptedCompaction(folder_.path());
        ASSERT_EQ(Contents(), before) << step;
        ASSERT_EQ(Files(), std::vector<std::string>{"db.mdb"}) << step;
    }
}

TEST_F(CrashSafety, InsertsAndSavesKilledAfterTheirStatementOrAtRandomKeepWholeRecords) {
    EXPECT_TRUE(Killed(Start({"insert", folder_.path(), "5000", "1"}, "exec:1")));
    EXPECT_NE(Contents().find("5000:" + std::string(4000, 'r')), std::string::npos);
    EXPECT_TRUE(Killed(Start({"save", folder_.path(), "site1001.com", "1"}, "exec:1")));
    EXPECT_NE(Contents().find("1001:remark 0:"), std::string::npos);

    std::mt19937 random(7);
    int first = 6000;
    for (int run = 0; run < 24; ++run) {
        const bool insert = run % 2 == 0;
        pid_t child = insert ? Start({"insert", folder_.path(), std::to_string(first), "200"})
                             : Start({"save", folder_.path(), "site1001.com", "400"});
        first += 200;
        usleep(std::uniform_int_distribution<int>(1000, 40000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string contents = Contents();  // opens, rolls back, passes the check
        // Every record present is whole.
        std::istringstream lines(contents);
        for (std::string line; std::getline(lines, line);) {
            const std::string number = line.substr(0, line.find(':'));
            if (std::stoi(number) >= 5000) {
                ASSERT_EQ(line, number + ":" + std::string(4000, 'r') + ":站点" + number) << run;
            }
        }
    }
}

TEST_F(CrashSafety, CarrierStoresKilledAnywhereLeaveALoadableValue) {
    TempFolder runtime;
    const fs::path carrier = folder_ / "key.exe";
    WriteFile(carrier, "MZ");
    ASSERT_TRUE(protect::StoreValue("first-value", carrier, runtime / "pass2.txt"));
    for (int step = 1; step <= 3; ++step) {
        EXPECT_TRUE(Killed(Start({"store", carrier, runtime / "pass2.txt", "step" + std::to_string(step) + "-", "1"},
                                 "store:" + std::to_string(step))));
        const auto loaded = protect::LoadValue(carrier, runtime / "passtemp.txt");
        EXPECT_EQ(loaded, step == 1 ? std::string("first-value") : "step" + std::to_string(step) + "-0") << step;
        protect::RemoveStaleTransferFiles(runtime.path());
        // Only the empty lock file of the transfer files stays.
        for (const auto& entry : fs::directory_iterator(runtime.path()))
            EXPECT_EQ(entry.path().filename(), "transfer.lock") << step;
    }
    std::mt19937 random(11);
    for (int run = 0; run < 30; ++run) {
        pid_t child = Start({"store", carrier, runtime / "pass2.txt", "value-", "300"});
        usleep(std::uniform_int_distribution<int>(0, 20000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const auto loaded = protect::LoadValue(carrier, runtime / "passtemp.txt");
        ASSERT_TRUE(loaded.has_value()) << run;
        ASSERT_TRUE(*loaded == "step3-0" || loaded->rfind("value-", 0) == 0) << *loaded;
    }
}

}  // namespace
}  // namespace sitora::test
