// sitora-cli protect's upgrade: all or nothing, never another data key's records, and nothing of
// the old scramble left in the register file.
#include "data/account_upgrade.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "data/catalogue/statements.h"
#include "data/engine/engine.h"
#include "base/text/cp936.h"
#include "protect/protected_fields.h"
#include "protect/record_reveal.h"
#include "protect/register_key.h"
#include "support/failure_plan.h"
#include "support/fault_vfs.h"
#include "support/register_fixture.h"
#include "support/test_server.h"

namespace sitora::data {
namespace {

constexpr const char* kKey = "钥匙一";

class AccountUpgrade : public test::RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped()) return;
        // The cheapest derivation, stored with the key, keeps the many runs below quick.
        module_.ADOConnection1.Register().StoreWrappedKey(
            protect::WrapRegisterKey(protect::NewRegisterKey(), Cp936(kKey), {1, 8192}), false);
        AddOld("100001", "mine.com", kKey, "P@ss1763");
        AddOld("100002", "theirs.com", "另一个密钥", "other-pass");
    }
    static std::string Cp936(const char* text) { return text::ToCp936(text); }
    void AddOld(const std::string& number, const std::string& address, const char* key, const std::string& password) {
        auto record = test::SampleRecord(number, address);
        for (std::string_view column : kProtectedColumns)
            record[std::string(column)] = protect::ProtectValue(std::string(column) + "-value", number);
        record["web_pass"] = protect::ProtectValue(password, number);
        record["web_domainuser"] = protect::ProtectDomainUser("dom", number, Cp936(key));
        Insert(record);
    }
    // The accounts of the record at `address` as the detail window would reveal them with kKey
    // ("<refused>" when refused), through a connection of its own.
    std::string Revealed(const std::string& address) {
        TDataModule1 module;
        module.SetUpConnection(folder_.ProgramFolder());
        auto& query = module.ADOQuery3;
        query.SetSQL(sql::LoadRecord(address));
        query.Open();
        const protect::ColumnReader column = [&query](std::string_view name) { return query.FieldByName(name); };
        const auto accounts = protect::RevealAccounts(column, AsString(query.FieldByName("web_id")), Cp936(kKey), address,
                                                      module.RegisterKey(Cp936(kKey), false));
        if (!accounts) return "<refused>";
        std::string all;
        for (const auto& [name, value] : *accounts) all += name + "=" + std::string(value.view()) + ";";
        return all + (protect::HasSealedAccounts(column) ? "sealed" : "old");
    }
    UpgradeReport Upgrade(bool leave, const std::function<void(UpgradeStep)>& observer = {}) {
        TDataModule1 module;
        module.SetUpConnection(folder_.ProgramFolder());
        return UpgradeAccounts(module, folder_.path(), Cp936(kKey), leave, observer);
    }
};

TEST_F(AccountUpgrade, SealsOnlyThisKeysRecordsAllOrNothingAndOnceAndForAll) {
    const std::string mine = Revealed("mine.com");
    ASSERT_NE(mine.find("web_pass=P@ss1763;"), std::string::npos);
    EXPECT_EQ(Revealed("theirs.com"), "<refused>");

    // Another key's record stops the upgrade before anything is written, and is named.
    const UpgradeReport refused = Upgrade(false);
    EXPECT_FALSE(refused.written);
    EXPECT_EQ(refused.other_key, std::vector<std::string>{"100002 theirs.com"});
    EXPECT_EQ(Revealed("mine.com"), mine);

    const UpgradeReport done = Upgrade(true);
    EXPECT_TRUE(done.written);
    EXPECT_EQ(done.converted, 1);
    const std::string sealed = mine.substr(0, mine.size() - 3) + "sealed";
    EXPECT_EQ(Revealed("mine.com"), sealed);
    EXPECT_EQ(Revealed("theirs.com"), "<refused>");  // never re-bound to this key

    const UpgradeReport again = Upgrade(true);
    EXPECT_FALSE(again.written);
    EXPECT_EQ(again.already_sealed, 1);
    EXPECT_EQ(Revealed("mine.com"), sealed);
}

TEST_F(AccountUpgrade, NoOldScrambleLingersAndAFailureOrAKillAtAnyStepLeavesOneWholeForm) {
    if (test::OnServer()) GTEST_SKIP() << "the register file's own bytes";
    TDataModule1 reader;
    reader.SetUpConnection(folder_.ProgramFolder());
    reader.ADOQuery3.SetSQL(sql::LoadRecord("mine.com"));
    reader.ADOQuery3.Open();
    const std::string old_pass(*reader.ADOQuery3.FieldByName("web_pass"));
    reader.ADOConnection1.Close();
    const std::string mine = Revealed("mine.com");
    const std::string original = test::ReadFile(folder_ / "db.mdb");
    const auto whole = [&] {
        const std::string now = Revealed("mine.com");
        return now == mine || now == mine.substr(0, mine.size() - 3) + "sealed";
    };

    // Killed after each step: the register is whole, in the old form or the new.
    for (int step = 0; step <= static_cast<int>(UpgradeStep::kBackupRemoved); ++step) {
        test::WriteFile(folder_ / "db.mdb", original);
        const pid_t child = fork();
        if (child == 0) {
            Upgrade(true, [step](UpgradeStep at) {
                if (static_cast<int>(at) == step) _exit(0);
            });
            _exit(0);
        }
        waitpid(child, nullptr, 0);
        ASSERT_TRUE(whole()) << "killed after step " << step;
    }
    // A failed write, flush or rename at every call of a run: the same.
    UseFaultInjectingFileLayer();
    for (int call = 1;; call += 3) {
        test::WriteFile(folder_ / "db.mdb", original);
        files::InjectFaultForTesting(call, EIO);
        try {
            Upgrade(true);
        } catch (const std::exception&) {
        }
        const bool covered = files::CallsSinceForTesting() < call;
        files::ClearFaultsForTesting();
        ASSERT_TRUE(whole()) << "call " << call;
        if (covered) break;
    }

    test::WriteFile(folder_ / "db.mdb", original);
    ASSERT_TRUE(Upgrade(true).written);
    const std::string file = test::ReadFile(folder_ / "db.mdb");
    EXPECT_EQ(file.find(old_pass), std::string::npos);    // not in the live pages, nor the free ones
    EXPECT_EQ(file.find("P@ss1763"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "db.mdb-journal"));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "protectdb.mdb"));
}

// Every revealed value of a large register held at once ran out of the process's mappings and
// locked memory: a register of any size seals within the default limits, and lower ones.
TEST_F(AccountUpgrade, TwentyThousandOldRecordsSealUnderALowLockedMemoryLimit) {
    {
        ScopedTransaction adding(module_.ADOConnection1);
        for (int i = 0; i < 20000; ++i) AddOld(std::to_string(300000 + i), "s" + std::to_string(i) + ".com", kKey, "pw");
        adding.Commit();
    }
    const pid_t child = fork();
    if (child == 0) {
        const rlimit low{256 << 10, 256 << 10};
        setrlimit(RLIMIT_MEMLOCK, &low);
        const UpgradeReport report = Upgrade(true);
        _exit(report.written && report.converted == 20001 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(Revealed("s19999.com").find("web_pass=pw;"), std::string::npos);
}

}  // namespace
}  // namespace sitora::data
