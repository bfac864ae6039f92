#include "data/record_search.h"

#include <gtest/gtest.h>

namespace sitora::data {
namespace {

ResultSet List() {
    ResultSet rows({"web_id", "web_name", "web_enddomaintime"});
    auto add = [&rows](std::optional<std::string_view> id, std::string_view name, std::string_view date) {
        rows.BeginRow(rows.RowCount());
        rows.AppendCell(id);
        rows.AppendCell(name);
        rows.AppendCell(date);
    };
    add("1", "ABCD.com", "2011-1-5");
    add(std::nullopt, "abc", "2012-2-2");
    add("3", "中文站", "");
    add("4", "ＳＩＴＥ Ωμέγα Москва", "");
    return rows;
}

SearchType Type(std::string_view caption) { return *SearchTypeByCaption(caption); }

TEST(RecordSearch, TextPrefixIgnoresTheCaseOfEveryLetterAndBlanks) {
    const ResultSet rows = List();
    EXPECT_EQ(FindRecord(rows, Type("网站名称"), " abc\t"), 0);
    EXPECT_EQ(FindRecord(rows, Type("网站名称"), "中"), 2);
    EXPECT_EQ(FindRecord(rows, Type("网站名称"), "abcde"), std::nullopt);
    // Full-width, Greek and Cyrillic letters fold as Latin ones do.
    EXPECT_EQ(FindRecord(rows, Type("网站名称"), "ｓｉｔｅ ωΜέΓα мОСКВА"), 3);
    // An empty keyword finds an empty (or missing) value only.
    EXPECT_EQ(FindRecord(rows, Type("网站编号"), ""), 1);
}

TEST(RecordSearch, DatesMatchWhateverTheSpellingAndBadKeywordsFail) {
    const ResultSet rows = List();
    EXPECT_EQ(FindRecord(rows, Type("域名到期日期"), "2012-02-02"), 1);
    EXPECT_EQ(FindRecord(rows, Type("域名到期日期"), "2011/1/5"), 0);
    EXPECT_EQ(FindRecord(rows, Type("域名到期日期"), "2013-1-1"), std::nullopt);
    EXPECT_THROW(FindRecord(rows, Type("域名到期日期"), "tomorrow"), SearchError);
    EXPECT_THROW(FindRecord(rows, Type("域名到期日期"), "   "), SearchError);
    // A column the list does not carry.
    EXPECT_THROW(FindRecord(rows, Type("网站联系人"), "x"), SearchError);
    EXPECT_FALSE(SearchTypeByCaption("unknown"));
}

}  // namespace
}  // namespace sitora::data
