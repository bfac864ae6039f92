// The register key on either engine: made once, opened by every process with the data key only,
// and wrapped anew by a key change.
#include "app/data/register_key_store.h"

#include "app/data/data_error.h"
#include "app/data/engine/engine.h"

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

}  // namespace
}  // namespace sitora::data
