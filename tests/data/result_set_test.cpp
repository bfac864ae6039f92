// The list's result set: cursor moves, bookmarks, locate and deleting the row behind it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/data_error.h"
#include "data/catalogue/statements.h"
#include "support/register_fixture.h"

namespace sitora::data {
namespace {

class ListResultSet : public test::RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        for (const char* number : {"1", "2", "3", "4", "5"}) InsertDates(number, "2011-1-" + std::string(number), "2012-1-1");
        module_.ADOQuery1.Open();
    }
    std::string Current() { return AsString(module_.ADOQuery1.Field(0)); }
    std::string Numbers() {
        std::string out;
        auto& list = module_.ADOQuery1;
        for (int row = 0; row < list.RecordCount(); ++row) out += AsString(list.Value(row, 0));
        return out;
    }
    TADOQuery& list() { return module_.ADOQuery1; }
};

TEST_F(ListResultSet, CursorMovesStopAtTheEnds) {
    EXPECT_EQ(Current(), "1");
    EXPECT_TRUE(list().Bof());
    list().MoveBy(3);
    EXPECT_EQ(Current(), "4");
    list().MoveBy(10);
    EXPECT_EQ(Current(), "5");
    EXPECT_TRUE(list().Eof());
    list().Prior();
    EXPECT_EQ(Current(), "4");
    list().MoveBy(-10);
    EXPECT_EQ(Current(), "1");
    EXPECT_TRUE(list().Bof());
}

TEST_F(ListResultSet, LocateFindsTheFirstMatchFromTheTopAndKeepsTheRowOtherwise) {
    list().MoveTo(4);
    EXPECT_TRUE(list().Locate("web_endtime", [](FieldValue v) { return v && *v == "2011-1-3"; }));
    EXPECT_EQ(Current(), "3");
    EXPECT_FALSE(list().Locate("web_id", [](FieldValue v) { return v && *v == "9"; }));
    EXPECT_EQ(Current(), "3");
    EXPECT_THROW(list().Locate("no_column", [](FieldValue) { return true; }), DataError);
}

TEST_F(ListResultSet, DeletingRowsByBookmarkRemovesExactlyThoseRecords) {
    list().MoveTo(1);
    Bookmark second = list().GetBookmark();
    list().MoveTo(3);
    Bookmark fourth = list().GetBookmark();
    list().MoveTo(4);
    Bookmark fifth = list().GetBookmark();

    for (Bookmark mark : {second, fourth, fifth}) {
        list().GotoBookmark(mark);
        list().Delete();
    }
    EXPECT_EQ(Numbers(), "13");
    EXPECT_FALSE(list().BookmarkValid(second));
    EXPECT_THROW(list().GotoBookmark(fourth), DataError);
    EXPECT_EQ(Scalar("select group_concat(web_id, '') from t_webinfo"), "13");
}

TEST_F(ListResultSet, DeleteMovesToTheNextRowAndEmptiesCleanly) {
    list().MoveTo(2);
    list().Delete();
    EXPECT_EQ(Current(), "4");
    list().Last();
    list().Delete();
    EXPECT_EQ(Current(), "4");
    while (list().RecordCount() > 0) list().Delete();
    EXPECT_TRUE(list().Eof());
    EXPECT_TRUE(list().Bof());
    EXPECT_THROW(list().Delete(), DataError);
    EXPECT_EQ(Scalar("select count(*) from t_webinfo"), "0");
}

TEST_F(ListResultSet, DeletingARowThatIsGoneFailsAndKeepsTheSet) {
    Scalar("select 1");
    module_.ADOQuery4.SetSQL("delete from t_webinfo where web_id='1'");
    module_.ADOQuery4.ExecSQL();
    list().First();
    EXPECT_THROW(list().Delete(), DataError);
    EXPECT_EQ(list().RecordCount(), 5);
}

TEST_F(ListResultSet, ASelectWithAWhereClauseKeepsRowIdentities) {
    auto& query = module_.ADOQuery5;
    query.SetSQL(sql::ExpiryList("2011-1-2", "2000-1-1"));
    query.Open();
    ASSERT_EQ(query.RecordCount(), 2);
    query.Delete();
    EXPECT_EQ(Scalar("select count(*) from t_webinfo"), "4");
}

TEST(ResultSetStorage, NullsEmptyTextsAndBytesAreKeptApart) {
    ResultSet rows({"a", "b"});
    rows.BeginRow(7);
    rows.AppendCell(std::nullopt);
    rows.AppendCell(std::string_view(""));
    rows.BeginRow(8);
    rows.AppendCell(std::string_view("x\0y", 3));
    rows.AppendCell(std::string_view("中"));
    EXPECT_FALSE(rows.Value(0, 0).has_value());
    EXPECT_EQ(rows.Value(0, 1), std::string_view(""));
    EXPECT_EQ(rows.Value(1, 0)->size(), 3u);
    EXPECT_EQ(rows.ColumnIndex("B"), 1);
    EXPECT_EQ(rows.RowId(1), 8);
    EXPECT_THROW(rows.Value(2, 0), DataError);
}

TEST(ResultSetStorage, TextsAcrossManyBlocksAndLongerThanABlockComeBackWhole) {
    // Cells of awkward sizes fill several storage blocks; a long remark gets a block of its own.
    ResultSet rows({"text"});
    std::vector<std::string> texts;
    for (int i = 0; i < 30000; ++i) texts.push_back(std::string(1 + i % 97, static_cast<char>('a' + i % 26)));
    texts.insert(texts.begin() + 12345, std::string(3'000'000, 'L'));
    texts.insert(texts.begin() + 12346, std::string(1 << 20, 'B'));
    std::size_t total = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        rows.BeginRow(static_cast<std::int64_t>(i));
        rows.AppendCell(texts[i]);
        total += texts[i].size();
    }
    ASSERT_EQ(rows.RowCount(), static_cast<int>(texts.size()));
    EXPECT_EQ(rows.TextBytes(), total);
    for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(rows.Value(static_cast<int>(i), 0), texts[i]) << i;
}

}  // namespace
}  // namespace sitora::data
