// Many processes on one program folder at once: sitora-cli runs in parallel, a writer beside
// the compaction. Nobody is let in with a wrong password, no committed row is lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <sstream>

#include "data/engine/sqlite/sqlite_schema.h"
#include "protect/block_store.h"
#include "program_folder_test.h"
#include "support/temp_folder.h"

extern char** environ;

namespace sitora::test {
namespace {

namespace fs = std::filesystem;

class Concurrency : public ProgramFolderTest {
protected:
    // Starts sitora-cli with the password as its standard input; its output is dropped.
    pid_t Start(const std::string& command, const std::string& password, const std::string& argument = "") {
        const fs::path input = scratch_ / ("in-" + std::to_string(inputs_++));
        WriteFile(input, password + "\n");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> args = {SITORA_CLI_PATH, command, "--folder", program_.path(), "--password-stdin"};
        if (!argument.empty()) args.insert(args.begin() + 2, argument);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    static int ExitCode(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    TempFolder scratch_;
    int inputs_ = 0;
};

TEST_F(Concurrency, ParallelRunsAdmitTheRightPasswordAndNoOther) {
    ASSERT_TRUE(protect::StoreValue("right password", program_ / "key.exe", scratch_ / "store.txt"));
    const std::string passwords[] = {"right password", "wrong password", ""};
    std::vector<std::pair<pid_t, int>> runs;
    for (int i = 0; i < 120; ++i) runs.emplace_back(Start("list", passwords[i % 3]), i % 3);
    for (const auto& [pid, which] : runs) EXPECT_EQ(ExitCode(pid), which == 0 ? 0 : 2) << passwords[which];
}

// Inserts rows one connection at a time, as cron jobs and other tools would, and reports on
// `report` every row whose commit succeeded.
[[noreturn]] void InsertRows(const fs::path& database, int report, int count) {
    for (int i = 0; i < count; ++i) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(db, 5000);
            const std::string sql = "insert into t_webinfo(web_id, web_address) values('" + std::to_string(i) +
                                    "', 'site" + std::to_string(i) + "')";
            if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
                const std::string line = std::to_string(i) + "\n";
                if (write(report, line.data(), line.size()) < 0) _exit(3);
            }
        }
        sqlite3_close(db);
        usleep(2000);
    }
    _exit(0);
}

std::set<std::string> StoredNumbers(const fs::path& database, std::string* integrity) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::set<std::string> numbers;
    sqlite3_exec(
        db, "select web_id from t_webinfo",
        [](void* out, int, char** values, char**) {
            static_cast<std::set<std::string>*>(out)->insert(values[0] ? values[0] : "");
            return 0;
        },
        &numbers, nullptr);
    sqlite3_exec(
        db, "pragma integrity_check",
        [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) = values[0] ? values[0] : "";
            return 0;
        },
        integrity, nullptr);
    sqlite3_close(db);
    return numbers;
}

// Three imports of one list at once, readers beside them: the list goes in once, whole, and
// the other imports refuse every row and write nothing.
TEST_F(Concurrency, ParallelImportsOfOneListAddItOnce) {
    std::string list = "网站编号,网站地址,空间申请日期,空间到期日期,域名申请日期,域名到期日期\n";
    for (int i = 0; i < 2000; ++i) list += std::to_string(300000 + i) + ",s" + std::to_string(i) + ".com,2010-1-1,2011-1-1,2010-1-1,2011-1-1\n";
    WriteFile(scratch_ / "list.csv", list);
    std::vector<pid_t> imports, readers;
    for (int i = 0; i < 3; ++i) imports.push_back(Start("import", "", (scratch_ / "list.csv").string()));
    for (int i = 0; i < 6; ++i) readers.push_back(Start("list", ""));
    std::multiset<int> codes;
    for (pid_t pid : imports) codes.insert(ExitCode(pid));
    for (pid_t pid : readers) EXPECT_EQ(ExitCode(pid), 0);
    EXPECT_EQ(codes, (std::multiset<int>{0, 2, 2}));
    std::string integrity;
    EXPECT_EQ(StoredNumbers(program_ / "db.mdb", &integrity).size(), 2000u);
    EXPECT_EQ(integrity, "ok");
}

TEST_F(Concurrency, AWriterBesideTheCompactionLosesNoCommittedRow) {
    for (const char* journal : {"delete", "wal"}) {
        SCOPED_TRACE(journal);
        fs::remove(program_ / "db.mdb");
        data::CreateStarterDatabase(program_ / "db.mdb");
        sqlite3* db = nullptr;
        sqlite3_open((program_ / "db.mdb").c_str(), &db);
        sqlite3_exec(db, (std::string("pragma journal_mode=") + journal).c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(db);

        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t writer = fork();
        if (writer == 0) {
            close(report[0]);
            InsertRows(program_ / "db.mdb", report[1], 400);
        }
        close(report[1]);
        int compacted = 0;
        for (int run = 0; run < 6; ++run) {
            usleep(100000);
            const int code = ExitCode(Start("compact", ""));
            EXPECT_TRUE(code == 0 || code == 2) << code;
            compacted += code == 0;
        }
        EXPECT_EQ(ExitCode(writer), 0);
        std::string reported;
        char buffer[4096];
        for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;) reported.append(buffer, got);
        close(report[0]);

        std::string integrity;
        const std::set<std::string> stored = StoredNumbers(program_ / "db.mdb", &integrity);
        EXPECT_EQ(integrity, "ok");
        std::istringstream lines(reported);
        int committed = 0;
        for (std::string number; std::getline(lines, number); ++committed) EXPECT_TRUE(stored.count(number)) << number;
        EXPECT_EQ(committed, static_cast<int>(stored.size()));
        EXPECT_GT(committed, 0);
        if (std::string(journal) == "delete") {
            EXPECT_GT(compacted, 0);
        }
        for (const char* leftover : {"newdb.mdb", "tempdb.mdb", "tempdb.mdb.part", "db.mdb-journal"})
            EXPECT_FALSE(fs::exists(program_ / leftover)) << leftover;
    }
}

}  // namespace
}  // namespace sitora::test
