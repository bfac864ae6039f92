#include "protect/block_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "base/files/file_ops.h"
#include "base/text/clock.h"
#include "protect/nibble_cipher.h"
#include "support/temp_folder.h"
#include "support/failure_plan.h"

namespace sitora::protect {
namespace {

using test::ReadFile;
using test::WriteFile;

class BlockStore : public ::testing::Test {
protected:
    void TearDown() override { files::ClearFaultsForTesting(); }
    std::filesystem::path Carrier(std::string_view content = {}) {
        WriteFile(folder_ / "key.exe", content);
        return folder_ / "key.exe";
    }
    std::filesystem::path Transfer() const { return folder_ / "pass2.txt"; }
    test::TempFolder folder_;
};

TEST_F(BlockStore, StoringASixByteValueAppendsTwentySevenBytes) {
    const std::string original(1000, '\x5A');
    auto carrier = Carrier(original);
    ASSERT_TRUE(StoreValue("abcdef", carrier, Transfer()));
    const std::string grown = ReadFile(carrier);
    ASSERT_EQ(grown.size(), 1027u);
    EXPECT_EQ(grown.substr(0, 1000), original);
    EXPECT_EQ(grown.substr(1023), std::string("\x1B\0\0\0", 4));
    EXPECT_EQ(grown.substr(1021, 2), "\r\n");
    EXPECT_FALSE(std::filesystem::exists(Transfer()));
    // The block is the scrambled time stamp and value.
    std::string record = Unscramble(grown.substr(1000, 21));
    EXPECT_EQ(record.substr(14), "abcdef");
}

TEST_F(BlockStore, TheLastOfSeveralStoresIsLoadedAndEarlierBlocksStay) {
    auto carrier = Carrier("MZ");
    ASSERT_TRUE(StoreValue("first password", carrier, Transfer()));
    const std::string after_first = ReadFile(carrier);
    ASSERT_TRUE(StoreValue("密码二", carrier, Transfer()));
    EXPECT_EQ(ReadFile(carrier).substr(0, after_first.size()), after_first);
    EXPECT_EQ(LoadValue(carrier, folder_ / "passtemp.txt"), "密码二");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "passtemp.txt"));
}

TEST_F(BlockStore, ValuesWithEveryPrintableAndHighByteLoadBackWhole) {
    // Keys 10, 13 and 26 would break the line; the store never draws them.
    std::string value;
    for (int b = 0x20; b < 256; ++b) value += static_cast<char>(b);
    auto carrier = Carrier();
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(StoreValue(value, carrier, Transfer()));
        ASSERT_EQ(LoadValue(carrier, folder_ / "t.txt"), value) << i;
    }
}

TEST_F(BlockStore, AHandBuiltBlockLoads) {
    std::string line = ScrambleWithKey("20110310080509" "secret", 0x35) + "\r\n";
    std::string carrier_bytes = "existing program bytes" + line;
    const auto length = static_cast<char>(line.size() + 4);
    carrier_bytes += std::string{length, 0, 0, 0};
    auto carrier = Carrier(carrier_bytes);
    EXPECT_EQ(LoadValue(carrier, folder_ / "sktemp.txt"), "secret");
    // A record no longer than the time stamp gives the empty value.
    std::string short_line = ScrambleWithKey("2011031008", 0x35) + "\r\n";
    WriteFile(carrier, short_line + std::string{static_cast<char>(short_line.size() + 4), 0, 0, 0});
    EXPECT_EQ(LoadValue(carrier, folder_ / "sktemp.txt"), "");
}

TEST_F(BlockStore, EmptySourceAppendsOnlyTheTrailer) {
    auto carrier = Carrier("abc");
    WriteFile(folder_ / "empty.txt", "");
    ASSERT_TRUE(AppendBlock(folder_ / "empty.txt", carrier));
    EXPECT_EQ(ReadFile(carrier), std::string("abc\x04\0\0\0", 7));
}

TEST_F(BlockStore, UnreadableCarriersGiveNoValueAndLeaveTheDestination) {
    const auto destination = folder_ / "out.txt";
    // Three bytes: no trailer at all.
    EXPECT_FALSE(ReadLastBlock(Carrier("abc"), destination));
    EXPECT_FALSE(std::filesystem::exists(destination));
    // Trailers that lie: below 5, or larger than the carrier.
    WriteFile(destination, "kept");
    for (std::string trailer : {std::string("\0\0\0\0", 4), std::string("\x04\0\0\0", 4),
                                std::string("\x09\0\0\0", 4), std::string("\xFF\xFF\xFF\xFF", 4)})
        EXPECT_FALSE(ReadLastBlock(Carrier("ab" + trailer), destination));
    EXPECT_EQ(ReadFile(destination), "kept");
    EXPECT_FALSE(ReadLastBlock(folder_ / "missing.exe", destination));
    // An empty carrier holds no block: load gives nothing and leaves the empty transfer file.
    EXPECT_EQ(LoadValue(Carrier(""), folder_ / "passtemp.txt"), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "passtemp.txt"));
}

TEST_F(BlockStore, AMissingCarrierIsNeverCreatedAndTheTransferFileStays) {
    EXPECT_FALSE(StoreValue("abcdef", folder_ / "key.exe", Transfer()));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "key.exe"));
    EXPECT_TRUE(std::filesystem::exists(Transfer()));
}

TEST_F(BlockStore, AnUnwritableTransferFolderIsAnError) {
    auto carrier = Carrier();
    EXPECT_THROW(StoreValue("abcdef", carrier, folder_ / "no" / "pass2.txt"), TransferError);
    EXPECT_THROW(LoadValue(carrier, folder_ / "no" / "passtemp.txt"), TransferError);
    EXPECT_EQ(ReadFile(carrier), "");
}

TEST_F(BlockStore, ATransferFileIsNeverWrittenThroughALink) {
    auto carrier = Carrier();
    ASSERT_TRUE(StoreValue("abcdef", carrier, Transfer()));
    WriteFile(folder_ / "victim", "kept");
    std::filesystem::create_symlink(folder_ / "victim", folder_ / "passtemp.txt");
    EXPECT_EQ(LoadValue(carrier, folder_ / "passtemp.txt"), "abcdef");
    EXPECT_EQ(ReadFile(folder_ / "victim"), "kept");
}

TEST_F(BlockStore, AFailedAppendLeavesTheCarrierAsItWas) {
    auto carrier = Carrier("MZ");
    ASSERT_TRUE(StoreValue("old value", carrier, Transfer()));
    const std::string before = ReadFile(carrier);
    // Calls of a store: transfer write, carrier write, carrier flush, ...
    for (int call = 2; call <= 3; ++call) {
        files::InjectFaultForTesting(call, ENOSPC);
        EXPECT_FALSE(StoreValue("new value", carrier, Transfer())) << call;
        files::ClearFaultsForTesting();
        EXPECT_EQ(ReadFile(carrier), before) << call;
        EXPECT_EQ(LoadValue(carrier, folder_ / "t.txt"), "old value");
    }
}

TEST_F(BlockStore, ARecordIsReadAsTheTextReaderReadsALine) {
    EXPECT_EQ(FirstTextLine("abc\r\ndef"), "abc");
    EXPECT_EQ(FirstTextLine("abc\ndef"), "abc");
    EXPECT_EQ(FirstTextLine("a\rb\r\n"), "ab");
    EXPECT_EQ(FirstTextLine("ab\x1A" "cd"), "ab");
    EXPECT_EQ(FirstTextLine("abc"), "abc");
    EXPECT_EQ(FirstTextLine("\r"), "");
}

}  // namespace
}  // namespace sitora::protect
