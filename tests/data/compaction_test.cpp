#include "data/compaction.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "data/data_error.h"
#include "support/fault_vfs.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "data/catalogue/statements.h"
#include "base/files/file_ops.h"
#include "support/register_fixture.h"
#include "support/failure_plan.h"

namespace sitora::data {
namespace {

namespace fs = std::filesystem;

// Every record's number and name, in table order: what a compaction must keep.
std::string Contents(const test::TempFolder& folder, const char* file = kRegisterFile) {
    TDataModule1 module;
    module.ADOConnection1.SetConnectionString("Data Source=" + (folder / file).string());
    module.ADOQuery1.SetSQL("select web_id,web_name,web_user,web_endtime from t_webinfo");
    module.ADOQuery1.Open();
    std::string contents;
    for (int row = 0; row < module.ADOQuery1.RecordCount(); ++row)
        for (int column = 0; column < 4; ++column) contents += AsString(module.ADOQuery1.Value(row, column)) + "|";
    module.ADOQuery6.SetSQL(sql::kLeadTimes);
    module.ADOQuery6.Open();
    return contents + AsString(module.ADOQuery6.Field(0));
}

std::vector<std::string> Files(const test::TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// One statement on a connection of its own; its result code.
int Execute(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

class Compaction : public test::RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        std::string filler(2000, 'x');
        for (int i = 0; i < 200; ++i) {
            auto record = test::SampleRecord(std::to_string(100000 + i), "site" + std::to_string(i) + ".com");
            record["web_remark"] = filler;
            record["web_user"] = std::string("\x01\xFF\x00 bytes", 9);
            Insert(record);
        }
        module_.ADOQuery4.SetSQL("delete from t_webinfo where id % 2 = 0");
        module_.ADOQuery4.ExecSQL();
        module_.ADOConnection1.Close();
        expected_ = Contents(folder_);
    }
    void TearDown() override { files::ClearFaultsForTesting(); }
    std::string expected_;
};

TEST_F(Compaction, LeavesOnlyASmallerDbMdbWithEveryRecord) {
    const auto size_before = fs::file_size(folder_ / "db.mdb");
    ASSERT_TRUE(CompactDatabase(folder_.path()));
    EXPECT_LT(fs::file_size(folder_ / "db.mdb"), size_before);
    EXPECT_EQ(Contents(folder_), expected_);
    EXPECT_EQ(Files(folder_), std::vector<std::string>{"db.mdb"});
}

TEST_F(Compaction, AStaleCopyWithOrWithoutItsJournalIsRemovedFirst) {
    // A leftover copy with a journal would roll back to an empty database if it were opened.
    CreateStarterDatabase(folder_ / "newdb.mdb");
    test::WriteFile(folder_ / "newdb.mdb-journal", std::string(512, '\x7f'));
    test::WriteFile(folder_ / "tempdb.mdb", "old backup");
    ASSERT_TRUE(CompactDatabase(folder_.path()));
    EXPECT_EQ(Contents(folder_), expected_);
    EXPECT_EQ(Files(folder_), std::vector<std::string>{"db.mdb"});
}

TEST_F(Compaction, AFailureAtAnyStepLeavesDbMdbAsItWas) {
    const std::string original = test::ReadFile(folder_ / "db.mdb");
    for (int step = 1; step <= 5; ++step) {
        EXPECT_FALSE(CompactDatabase(folder_.path(), [step](CompactionStep done) {
            if (static_cast<int>(done) == step) throw DataError("injected");
        })) << step;
        EXPECT_EQ(test::ReadFile(folder_ / "db.mdb"), original) << step;
        EXPECT_FALSE(fs::exists(folder_ / "newdb.mdb")) << step;
    }
}

TEST_F(Compaction, AFailedWriteFlushOrRenameAtEveryCallLosesNothing) {
    // SQLite's own writes of the copy fail too, and both backups are swept: the second name of
    // db.mdb and the byte copy of a file system without hard links.
    UseFaultInjectingFileLayer();
    const std::string original = test::ReadFile(folder_ / "db.mdb");
    for (bool links : {true, false}) {
        files::RefuseLinksForTesting(!links);
        int call = 1;
        for (bool covered = false; !covered; ++call) {
            for (bool disk_full : {false, true}) {
                SCOPED_TRACE(testing::Message() << "call " << call << (disk_full ? " disk full" : " once")
                                                << (links ? " link" : " copy"));
                test::WriteFile(folder_ / "db.mdb", original);
                files::InjectFaultForTesting(call, disk_full ? ENOSPC : EIO, disk_full);
                const bool compacted = CompactDatabase(folder_.path());
                covered = files::CallsSinceForTesting() < call;
                files::ClearFaultsForTesting();
                ASSERT_TRUE(DatabaseIntact(folder_ / "db.mdb"));
                ASSERT_EQ(Contents(folder_), expected_);
                if (covered) {
                    ASSERT_TRUE(compacted);
                }
                const bool swapped = test::ReadFile(folder_ / "db.mdb") != original;
                if (!disk_full) {
                    // A single failure cleans up after itself; a backup stays only beside a
                    // swapped db.mdb, for the next start to remove.
                    for (const char* leftover : {"newdb.mdb", "newdb.mdb-journal", "tempdb.mdb.part"})
                        ASSERT_FALSE(fs::exists(folder_ / leftover)) << leftover;
                    if (!swapped) {
                        ASSERT_FALSE(fs::exists(folder_ / "tempdb.mdb"));
                    }
                }
                RecoverInterruptedCompaction(folder_.path());
                ASSERT_EQ(Files(folder_), std::vector<std::string>{"db.mdb"});
                ASSERT_EQ(Contents(folder_), expected_);
            }
        }
        EXPECT_GT(call, 100);  // the copy's own page writes were among the calls
    }
    files::RefuseLinksForTesting(false);
}

TEST_F(Compaction, NoOtherConnectionWritesIntoTheReplacedFile) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ / "db.mdb").c_str(), &other), SQLITE_OK);
    sqlite3_extended_result_codes(other, 1);
    ASSERT_EQ(Execute(other, "select count(*) from t_webinfo"), SQLITE_OK);
    ASSERT_TRUE(CompactDatabase(folder_.path()));
    // The old file is gone from under this connection: its write is refused, not lost.
    EXPECT_EQ(Execute(other, "insert into t_webinfo(web_id) values('lost')"), SQLITE_READONLY_DBMOVED);
    sqlite3_close(other);
    EXPECT_EQ(Contents(folder_), expected_);
}

TEST_F(Compaction, AWalRegisterInUseIsRefusedAndOneNotInUseReturnsToARollbackJournal) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ / "db.mdb").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(Execute(other, "pragma journal_mode=wal; delete from t_webinfo where id = 3"), SQLITE_OK);
    const std::string before = Contents(folder_);
    EXPECT_FALSE(CompactDatabase(folder_.path()));
    EXPECT_EQ(Contents(folder_), before);
    EXPECT_EQ(Files(folder_), (std::vector<std::string>{"db.mdb", "db.mdb-shm", "db.mdb-wal"}));
    sqlite3_close(other);
    ASSERT_TRUE(CompactDatabase(folder_.path()));
    EXPECT_EQ(Contents(folder_), before);
    EXPECT_EQ(Files(folder_), std::vector<std::string>{"db.mdb"});
}

TEST_F(Compaction, AToolSwitchingBackToWalBeforeTheLockIsRefusedAndLosesNoRow) {
    sqlite3* tool = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ / "db.mdb").c_str(), &tool), SQLITE_OK);
    ASSERT_EQ(Execute(tool, "pragma journal_mode=wal"), SQLITE_OK);
    sqlite3_close(tool);
    tool = nullptr;
    // Between the return to a rollback journal and the write lock, a tool puts the register back
    // in WAL mode and commits a row that lives only in its WAL file.
    const bool compacted = CompactDatabase(folder_.path(), [&](CompactionStep step) {
        if (step != CompactionStep::kJournalReturned) return;
        ASSERT_EQ(sqlite3_open((folder_ / "db.mdb").c_str(), &tool), SQLITE_OK);
        ASSERT_EQ(Execute(tool, "pragma journal_mode=wal; insert into t_webinfo(web_id) values('in the wal')"), SQLITE_OK);
    });
    EXPECT_FALSE(compacted);
    sqlite3_close(tool);
    EXPECT_TRUE(DatabaseIntact(folder_ / "db.mdb"));
    EXPECT_NE(Contents(folder_).find("in the wal"), std::string::npos);
}

TEST_F(Compaction, IndexesThatNoLongerMatchTheirRowsAreReportedNotCompactedOver) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ / "db.mdb").c_str(), &db), SQLITE_OK);
    // The index now claims to cover another column than the one its entries hold.
    ASSERT_EQ(Execute(db, "pragma writable_schema=on; update sqlite_master set sql='CREATE INDEX i_webinfo_endtime "
                          "ON t_webinfo(web_time)' where name='i_webinfo_endtime'"),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string damaged = test::ReadFile(folder_ / "db.mdb");
    EXPECT_FALSE(CompactDatabase(folder_.path()));
    EXPECT_TRUE(test::ReadFile(folder_ / "db.mdb") == damaged);
    EXPECT_EQ(Files(folder_), std::vector<std::string>{"db.mdb"});
}

TEST_F(Compaction, AFileSystemWithoutHardLinksOrModesStillCompactsAndCreatesRegisters) {
    files::RefuseLinksForTesting(true);
    files::RefuseModesForTesting(true);
    EXPECT_TRUE(CompactDatabase(folder_.path()));
    EXPECT_NO_THROW(CreateStarterDatabase(folder_ / "other.mdb"));
    EXPECT_THROW(CreateStarterDatabase(folder_ / "other.mdb"), DataError);  // still never replaced
    files::RefuseLinksForTesting(false);
    files::RefuseModesForTesting(false);
    EXPECT_EQ(Contents(folder_), expected_);
    EXPECT_EQ(Files(folder_), (std::vector<std::string>{"db.mdb", "other.mdb"}));
}

TEST_F(Compaction, AWindowsConnectionFollowsTheRegisterACompactionElsewherePutInPlace) {
    module_.ADOQuery1.SetSQL("select web_id from t_webinfo");
    module_.ADOQuery1.Open();
    const int before = module_.ADOQuery1.RecordCount();
    // sitora-cli compact from cron, in another process.
    const pid_t cron = fork();
    if (cron == 0) _exit(CompactDatabase(folder_.path()) ? 0 : 1);
    int status = 0;
    waitpid(cron, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    module_.ADOQuery1.Last();
    EXPECT_NO_THROW(module_.ADOQuery1.Delete());
    module_.ADOQuery1.Open();
    EXPECT_EQ(module_.ADOQuery1.RecordCount(), before - 1);
}

TEST_F(Compaction, TheRegisterKeepsItsModeAndGroupAndALinkIsRefused) {
    ASSERT_EQ(chmod((folder_ / "db.mdb").c_str(), 0640), 0);
    ASSERT_TRUE(CompactDatabase(folder_.path()));
    struct stat st {};
    ASSERT_EQ(stat((folder_ / "db.mdb").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    test::TempFolder elsewhere;
    fs::rename(folder_ / "db.mdb", elsewhere / "real.mdb");
    fs::create_symlink(elsewhere / "real.mdb", folder_ / "db.mdb");
    EXPECT_FALSE(CompactDatabase(folder_.path()));
    EXPECT_TRUE(fs::is_symlink(folder_ / "db.mdb"));
    EXPECT_EQ(Contents(elsewhere, "real.mdb"), expected_);
}

TEST_F(Compaction, KilledAtARandomMomentItAlwaysLeavesEveryRecord) {
    std::mt19937 random(12345);
    for (int run = 0; run < 30; ++run) {
        pid_t child = fork();
        if (child == 0) {
            CompactDatabase(folder_.path());
            _exit(0);
        }
        usleep(std::uniform_int_distribution<int>(0, 25000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        RecoverInterruptedCompaction(folder_.path());
        ASSERT_TRUE(DatabaseIntact(folder_ / "db.mdb")) << run;
        ASSERT_EQ(Contents(folder_), expected_) << run;
        ASSERT_EQ(Files(folder_), std::vector<std::string>{"db.mdb"}) << run;
    }
}

TEST_F(Compaction, RecoveryRestoresALostDbMdbAndNeverOverwritesAnIntactOne) {
    fs::copy_file(folder_ / "db.mdb", folder_ / "tempdb.mdb");
    fs::remove(folder_ / "db.mdb");
    RecoverInterruptedCompaction(folder_.path());
    EXPECT_EQ(Contents(folder_), expected_);
    EXPECT_FALSE(fs::exists(folder_ / "tempdb.mdb"));

    // A damaged db.mdb is replaced by an intact backup...
    fs::copy_file(folder_ / "db.mdb", folder_ / "tempdb.mdb");
    test::WriteFile(folder_ / "db.mdb", std::string(8192, 'g'));
    RecoverInterruptedCompaction(folder_.path());
    EXPECT_EQ(Contents(folder_), expected_);

    // ...but an intact db.mdb wins over any backup, which then goes.
    CreateStarterDatabase(folder_ / "tempdb.mdb");
    RecoverInterruptedCompaction(folder_.path());
    EXPECT_EQ(Contents(folder_), expected_);
    EXPECT_EQ(Files(folder_), std::vector<std::string>{"db.mdb"});

    // A db.mdb locked by another process is in use, not damaged: nothing is replaced.
    CreateStarterDatabase(folder_ / "tempdb.mdb");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ / "db.mdb").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(Execute(other, "begin exclusive"), SQLITE_OK);
    EXPECT_EQ(ConditionOf(folder_ / "db.mdb"), DatabaseCondition::kBusy);
    RecoverInterruptedCompaction(folder_.path());
    Execute(other, "rollback");
    sqlite3_close(other);
    EXPECT_EQ(Contents(folder_), expected_);
    EXPECT_EQ(Files(folder_), (std::vector<std::string>{"db.mdb", "tempdb.mdb"}));
}

TEST_F(Compaction, ADamagedDbMdbIsNotCompacted) {
    test::WriteFile(folder_ / "db.mdb", std::string(8192, 'g'));
    EXPECT_FALSE(CompactDatabase(folder_.path()));
    EXPECT_EQ(test::ReadFile(folder_ / "db.mdb"), std::string(8192, 'g'));
}

TEST_F(Compaction, ADamagedRecordPageFailsTheRunAndLeavesNothingBeside) {
    // The schema on page 1 still reads; the records' root page (page 2) does not.
    std::string damaged = test::ReadFile(folder_ / "db.mdb");
    ASSERT_GT(damaged.size(), 3u * 4096);
    std::fill_n(damaged.begin() + 4096, 4096, '\x55');
    test::WriteFile(folder_ / "db.mdb", damaged);
    EXPECT_FALSE(CompactDatabase(folder_.path()));
    EXPECT_TRUE(test::ReadFile(folder_ / "db.mdb") == damaged);
    EXPECT_EQ(Files(folder_), std::vector<std::string>{"db.mdb"});
}

}  // namespace
}  // namespace sitora::data
