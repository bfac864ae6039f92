#include "register_generator.h"

#include <random>
#include <string>

#include "data/data_module.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "data/catalogue/statements.h"
#include "base/files/file_ops.h"
#include "base/text/cp936.h"
#include "base/text/dates.h"
#include "protect/block_store.h"
#include "protect/protected_fields.h"

namespace sitora::bench {
namespace {

const char* const kWords[] = {"华东", "星河", "绿源", "明德", "金桥", "天成", "海川", "新世纪", "东方", "宏达",
                              "科技", "贸易", "商城", "学校", "医院", "酒店", "物流", "传媒", "网络", "食品"};
const char* const kPeople[] = {"王小明", "李娜", "张伟", "刘洋", "陈静", "杨帆", "赵磊", "黄丽"};

}  // namespace

void GenerateProgramFolder(const std::filesystem::path& folder, int records, const char* data_key) {
    std::filesystem::create_directories(folder);
    data::CreateStarterDatabase(folder / "db.mdb");
    files::WriteWholeFile(folder / "key.exe", "");
    files::WriteWholeFile(folder / "sk.exe", "");
    const std::string key = text::ToCp936(data_key);
    protect::StoreValue(key, folder / "sk.exe", folder / "sks.txt");

    data::TDataModule1 module;
    module.SetUpConnection(folder.string() + "/");
    std::mt19937 random(20110310);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const text::Date origin{std::chrono::year(2005), std::chrono::month(1), std::chrono::day(1)};
    auto date = [&](int from_day, int span) { return text::ShortDate(text::AddDays(origin, from_day + pick(span))); };

    module.ADOQuery4.SetSQL("begin");
    module.ADOQuery4.ExecSQL();
    auto& insert = module.ADOQuery2;
    for (int i = 0; i < records; ++i) {
        const std::string number = std::to_string(20050101000000LL + i * 37LL);
        const std::string name = std::string(kWords[pick(10)]) + kWords[10 + pick(10)] + "有限公司官网";
        const std::string address = "www.site" + std::to_string(i) + "-" + std::to_string(pick(1000)) + ".com.cn";
        auto secret = [&](const std::string& value) { return protect::ProtectValue(value, number); };
        insert.SetSQL(data::sql::kInsertRecord);
        insert.SetParameter("web_id", number);
        insert.SetParameter("web_name", name);
        insert.SetParameter("web_address", address);
        insert.SetParameter("web_login", address + "/admin/login.php");
        insert.SetParameter("web_user", secret("admin" + std::to_string(i % 97)));
        insert.SetParameter("web_pass", secret("P@ss-" + std::to_string(random())));
        insert.SetParameter("web_ip", "203.0." + std::to_string(pick(256)) + "." + std::to_string(pick(256)));
        insert.SetParameter("web_size", std::to_string(100 * (1 + pick(20))) + "M");
        insert.SetParameter("web_domain", address.substr(4));
        insert.SetParameter("web_domainuser", protect::ProtectDomainUser("dns" + std::to_string(i), number, key));
        insert.SetParameter("web_domainpass", secret("dom-" + std::to_string(random())));
        insert.SetParameter("web_linkman", kPeople[pick(8)]);
        insert.SetParameter("web_dbname", secret("db_" + std::to_string(i)));
        insert.SetParameter("web_dbsize", "50M");
        insert.SetParameter("web_dbip", secret("10.0.0." + std::to_string(pick(256))));
        insert.SetParameter("web_dbuser", secret("dbu" + std::to_string(i)));
        insert.SetParameter("web_dbpass", secret("dbp-" + std::to_string(random())));
        insert.SetParameter("web_dbtype", i % 3 ? "MySQL" : "SQL Server");
        const int bought = pick(365 * 13);
        insert.SetParameter("web_time", date(bought, 1));
        insert.SetParameter("web_endtime", date(bought + 365, 365 * 2));
        insert.SetParameter("web_domaintime", date(bought, 30));
        insert.SetParameter("web_enddomaintime", date(bought + 365, 365 * 2));
        insert.SetParameter("web_remark", i % 4 ? "" : "年付客户，续费前电话确认。");
        insert.ExecSQL();
    }
    module.ADOQuery4.SetSQL("commit");
    module.ADOQuery4.ExecSQL();
}

}  // namespace sitora::bench
