// The register key on either engine: made once, opened by every process with the data key only,
// and wrapped anew by a key change.
#include "app/data/register_key_store.h"

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

}  // namespace
}  // namespace sitora::data
