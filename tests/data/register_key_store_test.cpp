// The register key on either engine: made once, opened by every process with the data key only,
// and wrapped anew by a key change.
#include "data/register_key_store.h"

#include <sys/wait.h>
#include <unistd.h>

#include "data/data_error.h"
#include "data/engine/engine.h"

#include "support/register_fixture.h"

namespace sitora::data {
namespace {

using RegisterKeyStore = test::RegisterTest;

TEST_F(RegisterKeyStore, IsMadeOnceOpensOnlyUnderItsDataKeyAndFollowsAKeyChange) {
    auto& connection = module_.ADOConnection1;
    EXPECT_FALSE(OpenRegisterKey(connection, "钥匙", /*create=*/false));  // reading makes none
    const auto key = OpenRegisterKey(connection, "钥匙", true);
    ASSERT_TRUE(key);

    TDataModule1 other;  // another process
    other.SetUpConnection(folder_.ProgramFolder());
    const auto same = OpenRegisterKey(other.ADOConnection1, "钥匙", true);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->view(), key->view());
    EXPECT_FALSE(OpenRegisterKey(other.ADOConnection1, "别的", true));  // never replaced by another's
    EXPECT_FALSE(OpenRegisterKey(other.ADOConnection1, "", true));

    EXPECT_FALSE(ChangeDataKey(connection, "钥匙", "新钥匙", [] { return false; }));  // the carrier failed
    EXPECT_TRUE(OpenRegisterKey(other.ADOConnection1, "钥匙", false));
    EXPECT_TRUE(ChangeDataKey(connection, "钥匙", "新钥匙", [] { return true; }));
    const auto after = OpenRegisterKey(other.ADOConnection1, "新钥匙", false);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->view(), key->view());
    EXPECT_FALSE(OpenRegisterKey(other.ADOConnection1, "钥匙", false));
}

// A t_key lost beside sealed accounts (a table deleted, an older backup of one table restored) is
// never silently replaced: the accounts it sealed would be locked away for good.
TEST_F(RegisterKeyStore, ALostOrDamagedKeyBesideSealedAccountsIsNamedAndNeverReplaced) {
    test::InsertSealedRecord(folder_.ProgramFolder(), "100001", "a.com", "pw", "钥匙");
    auto& connection = module_.ADOConnection1;
    const auto run = [&](const char* statement) { connection.Register().Execute(statement, nullptr); };
    run("update t_key set wrapped=x'00' where id=1");
    EXPECT_THROW(OpenRegisterKey(connection, "钥匙", true), RegisterKeyMissing);
    run("delete from t_key");
    for (bool create : {false, true}) {
        try {
            OpenRegisterKey(connection, "钥匙", create);
            ADD_FAILURE() << "a missing key was not named";
        } catch (const RegisterKeyMissing& missing) {
            EXPECT_FALSE(missing.Damaged());
        }
    }
    EXPECT_FALSE(connection.Register().ReadWrappedKey());  // nothing made in its place
}

// A change of the data key stopped at any step: the register opens with the key the carrier holds.
TEST_F(RegisterKeyStore, AKeyChangeKilledAtAnyStepLeavesARegisterTheCarriersKeyOpens) {
    const auto key = OpenRegisterKey(module_.ADOConnection1, "钥匙", true);
    ASSERT_TRUE(key);
    const auto carrier = folder_ / "carrier";
    for (int kill_at = 0; kill_at <= 3; ++kill_at) {
        test::WriteFile(carrier, "钥匙");
        const pid_t child = fork();
        if (child == 0) {
            TDataModule1 module;
            module.SetUpConnection(folder_.ProgramFolder());
            ChangeDataKey(
                module.ADOConnection1, "钥匙", "新钥匙",
                [&] {
                    test::WriteFile(carrier, "新钥匙");
                    return true;
                },
                [kill_at](KeyChangeStep step) {
                    if (static_cast<int>(step) == kill_at) _exit(0);
                });
            _exit(0);
        }
        waitpid(child, nullptr, 0);
        TDataModule1 after;
        after.SetUpConnection(folder_.ProgramFolder());
        const std::string carried = test::ReadFile(carrier);
        const auto opened = OpenRegisterKey(after.ADOConnection1, carried, false);
        ASSERT_TRUE(opened) << "killed after step " << kill_at << " with " << carried;
        EXPECT_EQ(opened->view(), key->view());
        if (carried == "新钥匙") {  // back to the first key for the next round
            ASSERT_TRUE(ChangeDataKey(after.ADOConnection1, "新钥匙", "钥匙", [] { return true; }));
        }
    }
}

}  // namespace
}  // namespace sitora::data
