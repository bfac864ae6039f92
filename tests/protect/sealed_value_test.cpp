// The sealed form of account values and the wrapped register key: what must not open does not.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include <chrono>

#include "protect/record_reveal.h"
#include "protect/register_key.h"
#include "protect/sealed_value.h"

namespace sitora::protect {
namespace {

// The cheapest derivation libsodium allows keeps these tests fast; the cost is the stored one.
const DerivationCost kCheap{1, 8192};

std::string Opened(const std::optional<SecretBytes>& value) { return value ? std::string(value->view()) : "<refused>"; }

TEST(SealedValue, OpensOnlyUnderItsKeyColumnAndRecord) {
    const SecretBytes key = NewRegisterKey();
    const std::string sealed = SealValue(key, "web_pass", "example.com", "P@ss1763");
    EXPECT_TRUE(IsSealed(sealed));
    EXPECT_EQ(Opened(OpenValue(key, "web_pass", "example.com", sealed)), "P@ss1763");
    EXPECT_EQ(Opened(OpenValue(key, "web_pass", "example.com", SealValue(key, "web_pass", "example.com", ""))), "");

    EXPECT_EQ(Opened(OpenValue(key, "web_dbpass", "example.com", sealed)), "<refused>");  // moved to another column
    EXPECT_EQ(Opened(OpenValue(key, "web_pass", "example.org", sealed)), "<refused>");    // or another record
    EXPECT_EQ(Opened(OpenValue(NewRegisterKey(), "web_pass", "example.com", sealed)), "<refused>");
    for (std::size_t at = 0; at < sealed.size(); ++at) {
        std::string flipped = sealed;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x01);
        EXPECT_EQ(Opened(OpenValue(key, "web_pass", "example.com", flipped)), "<refused>") << at;
    }
    EXPECT_EQ(Opened(OpenValue(key, "web_pass", "example.com", sealed.substr(0, 20))), "<refused>");

    std::set<std::string> nonces;
    for (int i = 0; i < 10000; ++i) nonces.insert(SealValue(key, "web_user", "a.com", "x").substr(1, 24));
    EXPECT_EQ(nonces.size(), 10000u);
}

TEST(SealedValue, TheRegisterKeyOpensOnlyUnderItsDataKeyAndStoredCost) {
    const SecretBytes key = NewRegisterKey();
    const std::string wrapped = WrapRegisterKey(key, "数据密钥", kCheap);
    const auto unwrapped = UnwrapRegisterKey(wrapped, "数据密钥");
    ASSERT_TRUE(unwrapped);
    EXPECT_EQ(unwrapped->view(), key.view());
    EXPECT_FALSE(UnwrapRegisterKey(wrapped, "另一个密钥"));
    EXPECT_FALSE(UnwrapRegisterKey(wrapped, ""));
    std::string cheaper = wrapped;
    cheaper[4] = 2;  // the stored passes, changed: the header is bound to the seal
    EXPECT_FALSE(UnwrapRegisterKey(cheaper, "数据密钥"));
    std::string greedy = wrapped;
    greedy[19] = 0x7F;  // memory far beyond what this program allows: refused before any work
    EXPECT_FALSE(UnwrapRegisterKey(greedy, "数据密钥"));
    std::string gibibyte = wrapped;  // 1 GiB, four times the program's own cost and more
    for (int i = 12; i < 20; ++i) gibibyte[static_cast<std::size_t>(i)] = i == 15 ? 0x40 : 0;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(UnwrapRegisterKey(gibibyte, "数据密钥"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));

    // A key change wraps the same register key anew: what it sealed still opens.
    const std::string sealed = SealValue(key, "web_user", "a.com", "admin");
    const auto rewrapped = UnwrapRegisterKey(WrapRegisterKey(*unwrapped, "新密钥", kCheap), "新密钥");
    ASSERT_TRUE(rewrapped);
    EXPECT_EQ(Opened(OpenValue(*rewrapped, "web_user", "a.com", sealed)), "admin");
}

// A section is sealed whole: a sealed value's partner put back in the old form, or emptied, is a
// downgrade to read it without the register key, refused with the column named.
TEST(SealedValue, ASectionPartlyPutBackInTheOldFormIsRefusedAndNamed) {
    const SecretBytes key = NewRegisterKey();
    std::map<std::string, std::optional<std::string>> stored;
    for (const char* column : {"web_user", "web_pass", "web_domainuser", "web_domainpass"})
        stored[column] = SealValue(key, column, "a.com", "v");
    for (const char* column : {"web_dbname", "web_dbip", "web_dbuser", "web_dbpass"}) stored[column] = std::nullopt;
    const ColumnReader column = [&stored](std::string_view name) -> std::optional<std::string_view> {
        const auto& value = stored.at(std::string(name));
        return value ? std::optional<std::string_view>(*value) : std::nullopt;
    };
    EXPECT_TRUE(RevealAccounts(column, "100001", "", "a.com", &key));  // the other section in the old form
    for (const std::optional<std::string>& downgrade : {std::optional<std::string>("old"), std::optional<std::string>()}) {
        stored["web_pass"] = downgrade;
        try {
            RevealAccounts(column, "100001", "", "a.com", &key);
            ADD_FAILURE() << "a downgrade was revealed";
        } catch (const DowngradedAccount& refused) {
            EXPECT_EQ(refused.Column(), "web_pass");
        }
    }
}

}  // namespace
}  // namespace sitora::protect
