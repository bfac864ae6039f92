#include "protect/protected_fields.h"

#include <gtest/gtest.h>

#include "base/text/cp936.h"
#include "protect/data_key.h"
#include "protect/block_store.h"
#include "protect/nibble_cipher.h"
#include "support/temp_folder.h"

namespace sitora::protect {
namespace {

using text::ToCp936;

// What the detail window does with a stored record: key test, then reveal.
std::optional<std::string> ReadDomainUser(const std::string& stored, const std::string& number,
                                          const std::string& key) {
    KeyTest test = DomainUserMatchesKey(stored, key);
    if (!test.passed) return std::nullopt;
    return RevealDomainUser(test.unscrambled, number, key.size());
}

TEST(ProtectedFields, ValuesRoundTripWithTheNumberAppendedAndRemoved) {
    const std::string number = "20110310";
    const std::string value = ToCp936(" 管理员 admin ");
    const std::string stored = ProtectValue(value, number);
    EXPECT_EQ(Unscramble(stored), value + number);
    EXPECT_EQ(RevealValue(stored, number), value);
    // An empty value is the scrambled number, one byte longer, and reads back empty.
    EXPECT_EQ(ProtectValue("", number).size(), number.size() + 1);
    EXPECT_EQ(RevealValue(ProtectValue("", number), number), "");
    EXPECT_EQ(RevealValue(std::nullopt, number), "");
}

TEST(ProtectedFields, TheNumberIsCutWhereverItStands) {
    EXPECT_EQ(RevealValue(ProtectValue("ab123cd", "123"), "123"), "abcd");
    EXPECT_EQ(RevealValue(ProtectValue("user123", "123"), "123"), "user");
}

TEST(ProtectedFields, KeyTestBindsTheDomainUserToTheDataKey) {
    const std::string key = ToCp936("钥匙key");
    const std::string stored = ProtectDomainUser("webmaster", "42", key);
    EXPECT_EQ(ReadDomainUser(stored, "42", key), "webmaster");
    EXPECT_EQ(ReadDomainUser(stored, "42", "other key"), std::nullopt);
    // An empty key passes every record; a key longer than the text fails.
    EXPECT_TRUE(DomainUserMatchesKey(stored, "").passed);
    EXPECT_FALSE(DomainUserMatchesKey(ProtectDomainUser("", "1", ""), "longer than the text").passed);
    // A missing domain user passes only the empty key.
    EXPECT_TRUE(DomainUserMatchesKey(std::nullopt, "").passed);
    EXPECT_FALSE(DomainUserMatchesKey(std::nullopt, "k").passed);
    EXPECT_FALSE(DomainUserMatchesKey(std::string_view(""), "k").passed);
}

TEST(ProtectedFields, RevealedDomainUserLosesKeyMarkerAndNumberSoASaveDoesNotGrowIt) {
    const std::string key = "secret";
    std::string stored = ProtectDomainUser("adZunvekmin", "7", key);
    auto shown = ReadDomainUser(stored, "7", key);
    EXPECT_EQ(shown, "admin");
    // Saving what is shown and reading again gives the same, however often.
    for (int i = 0; i < 3; ++i) {
        stored = ProtectDomainUser(*shown, "7", key);
        shown = ReadDomainUser(stored, "7", key);
    }
    EXPECT_EQ(shown, "admin");
    EXPECT_EQ(Unscramble(stored), "admin7secret");
}

TEST(ProtectedFields, ABlankDomainUserWithAnEmptyKeyIsTheScrambledNumber) {
    EXPECT_EQ(Unscramble(ProtectDomainUser("", "99", "")), "99");
    EXPECT_EQ(ReadDomainUser(ProtectDomainUser("", "99", ""), "99", ""), "");
}

TEST(ProtectedFields, SameValueScrambledTwiceReadsTheSame) {
    std::set<std::string> stored;
    for (int i = 0; i < 50; ++i) {
        std::string s = ProtectValue("pw", "1");
        EXPECT_EQ(RevealValue(s, "1"), "pw");
        stored.insert(s);
    }
    EXPECT_GT(stored.size(), 1u);
}

TEST(DataKey, LoadsTheLastBlockOfSkExeWithoutItsTimeStamp) {
    test::TempFolder program;
    test::TempFolder transfer;
    EXPECT_EQ(LoadDataKey(program.path(), transfer.path()), std::nullopt);  // no sk.exe
    test::WriteFile(program / "sk.exe", "");
    EXPECT_EQ(LoadDataKey(program.path(), transfer.path()), std::nullopt);  // no block
    ASSERT_TRUE(StoreValue("old key", program / "sk.exe", transfer / kKeyStoreTransfer));
    ASSERT_TRUE(StoreValue(ToCp936("新的钥匙"), program / "sk.exe", transfer / kKeyStoreTransfer));
    EXPECT_EQ(LoadDataKey(program.path(), transfer.path()), ToCp936("新的钥匙"));
}

}  // namespace
}  // namespace sitora::protect
