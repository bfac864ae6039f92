#include "support/windows_register.h"

#include "data/catalogue/columns.h"
#include "base/text/cp936.h"
#include "base/text/dates.h"
#include "protect/protected_fields.h"
#include "support/jet4_writer.h"

namespace sitora::test {
namespace {

// Scrambled anew until its bytes survive Windows' reading as text (Windows loses the rest too).
std::string StorableScramble(const std::string& value, const std::string& number, const std::string* key) {
    for (;;) {
        const std::string bytes = key ? protect::ProtectDomainUser(value, number, *key) : protect::ProtectValue(value, number);
        if (text::ToCp936Exactly(AsWindowsText(bytes)) == bytes) return bytes;
    }
}

JetValue DateValue(const std::string& text) {
    const auto date = text::ParseDate(text);
    if (!date) return std::monostate{};
    return JetDay(static_cast<int>(date->year()), static_cast<unsigned>(date->month()), static_cast<unsigned>(date->day()));
}

}  // namespace

Record WindowsRecord(const std::string& number, const std::string& address) {
    Record record;
    for (std::string_view column : data::kRecordColumns) record[std::string(column)] = "";
    record["web_id"] = number;
    record["web_name"] = "中文网站" + number;
    record["web_address"] = address;
    record["web_login"] = address + "/admin";
    record["web_user"] = "管理员";
    record["web_pass"] = "密码" + number;
    record["web_domainuser"] = "域名用户";
    record["web_domainpass"] = "pass";
    record["web_dbname"] = "db_" + number;
    record["web_dbip"] = "10.0.0.1";
    record["web_dbuser"] = "sa";
    record["web_dbpass"] = "数据库密码";
    record["web_linkman"] = "张三";
    record["web_time"] = "2010-01-01";
    record["web_endtime"] = "2011-03-01";
    record["web_domaintime"] = "2010-01-05";
    record["web_enddomaintime"] = "2012-12-31";
    record["web_remark"] = "第一行\r\n第二行";
    return record;
}

std::vector<Record> WriteWindowsRegister(const std::filesystem::path& path, const WindowsRegister& source) {
    JetTable records{"t_webinfo", {{"id", JetType::kLong}}, {}};
    for (std::string_view column : data::kRecordColumns) {
        const JetType type = data::IsDateColumn(column) ? JetType::kDateTime
                             : column == "web_remark"  ? JetType::kMemo
                                                        : JetType::kText;
        records.columns.push_back({std::string(column), type});
    }
    std::vector<Record> stored;
    for (std::size_t r = 0; r < source.records.size(); ++r) {
        const Record& record = source.records[r];
        const std::string number = text::ToCp936(record.at("web_id"));
        std::vector<JetValue> row{static_cast<std::int32_t>(r + 1)};
        Record& accounts = stored.emplace_back();
        for (std::string_view name : data::kRecordColumns) {
            const std::string column(name);
            const std::string& value = record.at(column);
            if (data::IsDateColumn(column)) {
                row.push_back(DateValue(value));
            } else if (data::IsProtectedColumn(column)) {
                const std::string bytes = StorableScramble(text::ToCp936(value), number,
                                                           column == "web_domainuser" ? &source.data_key : nullptr);
                accounts[column] = bytes;
                row.push_back(AsWindowsText(bytes));
            } else {
                row.push_back(value);
            }
        }
        records.rows.push_back(std::move(row));
    }
    std::vector<JetTable> tables{records};
    if (source.with_settings)
        tables.push_back({"t_set", {{"web_alarm", JetType::kLong}, {"domain_alarm", JetType::kLong}}, {{5, 7}}});
    WriteJet4(path, tables);
    return stored;
}

}  // namespace sitora::test
