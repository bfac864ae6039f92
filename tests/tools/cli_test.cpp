// sitora-cli run as a user runs it, against real program folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "data/record_entry.h"
#include "data/data_module.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "data/engine/server/server_connection.h"
#include "data/catalogue/statements.h"
#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "protect/protected_fields.h"
#include "support/register_fixture.h"
#include "program_folder_test.h"
#include "support/temp_folder.h"
#include "support/test_server.h"
#include "support/windows_register.h"

namespace sitora::test {
namespace {

struct CliRun {
    int exit_code;
    std::string out;
    std::string err;
};

class CliTest : public ProgramFolderTest {
protected:
    // English unless `language` names a locale.
    CliRun Cli(const std::string& args, const std::string& password = "", const std::string& language = "C.UTF-8") {
        WriteFile(runtime_ / "stdin", password + "\n");
        const std::string command = "env -u LANGUAGE -u LC_MESSAGES LC_ALL=" + language + " " + SITORA_CLI_PATH + " " + args + " --folder '" + program_.path().string() +
                                    "' --password-stdin < '" + (runtime_ / "stdin").string() + "' > '" +
                                    (runtime_ / "out").string() + "' 2> '" + (runtime_ / "err").string() + "'";
        const int status = std::system(command.c_str());
        return {WEXITSTATUS(status), ReadFile(runtime_ / "out"), ReadFile(runtime_ / "err")};
    }
    void Add(const std::string& number, const std::string& space_end, const std::string& domain_end,
             const std::string& key = "") {
        auto record = SampleRecord(number, number + ".com");
        record["web_endtime"] = space_end;
        record["web_enddomaintime"] = domain_end;
        record["web_user"] = protect::ProtectValue(text::ToCp936("管理员"), number);
        record["web_domainuser"] = protect::ProtectDomainUser("dom", number, key);
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery2.SetSQL(data::sql::kInsertRecord);
        for (const auto& [name, value] : record) module.ADOQuery2.SetParameter(name, value);
        module.ADOQuery2.ExecSQL();
    }
    // One statement on the register, through its own connection.
    void Change(const std::string& statement) {
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery4.SetSQL(statement);
        module.ADOQuery4.ExecSQL();
    }
    void LeadTimes(int space, int domain) {
        Change("update t_set set web_alarm=" + std::to_string(space) + ",domain_alarm=" + std::to_string(domain));
    }
    bool ValidJson(const std::string& text) {
        WriteFile(runtime_ / "json", text);
        if (std::system("command -v python3 >/dev/null") != 0) return true;
        return std::system(("python3 -m json.tool < '" + (runtime_ / "json").string() + "' > /dev/null").c_str()) == 0;
    }

};

TEST_F(CliTest, DueCountsAroundTheThresholdAndSortsByDate) {
    LeadTimes(3, 0);
    Add("100001", "2011-3-13", "2099-1-1");  // space due in 3 days
    Add("100002", "2011-3-14", "2011-3-10");  // domain due today
    Add("100003", "2009-5-1", "2008-1-1");    // long gone, both
    Add("100004", "2011-3-14", "2011-3-11");  // neither
    CliRun run = Cli("due --as-of 2011-3-10");
    EXPECT_EQ(run.exit_code, 1) << run.err;
    EXPECT_EQ(run.out,
              "web_id\tweb_name\tweb_address\tdue\tdate\tdays\n"
              "100003\t站点100003\t100003.com\tdomain\t2008-1-1\t1164 days overdue\n"
              "100003\t站点100003\t100003.com\tspace\t2009-5-1\t678 days overdue\n"
              "100002\t站点100002\t100002.com\tdomain\t2011-3-10\tdue today\n"
              "100001\t站点100001\t100001.com\tspace\t2011-3-13\t3 days left\n");
    run = Cli("due --as-of 2011-3-10 --format json");
    EXPECT_TRUE(ValidJson(run.out)) << run.out;
    EXPECT_NE(run.out.find("\"due\": \"domain\", \"date\": \"2008-1-1\", \"days\": -1164}"), std::string::npos);
    run = Cli("due --as-of 2011-3-10 --format csv");
    EXPECT_EQ(run.out.substr(0, 42), "web_id,web_name,web_address,due,date,days\r");
    EXPECT_EQ(Cli("due --as-of 2000-1-1").exit_code, 0);
}

// zh_CN.UTF-8 is not generated on every machine: the texts are Chinese all the same.
TEST_F(CliTest, TextAndMessagesFollowAChineseLocaleWhileJsonKeepsItsNames) {
    Add("100001", "2011-3-1", "2099-1-1");
    CliRun run = Cli("due --as-of 2011-3-10", "", "zh_CN.UTF-8");
    EXPECT_EQ(run.out,
              "网站编号\t网站名称\t网站地址\t到期项目\t到期日期\t天数\n"
              "100001\t站点100001\t100001.com\t空间\t2011-3-1\t已过期 9 天\n");
    EXPECT_NE(Cli("due --as-of 2011-3-10 --format json", "", "zh_CN.UTF-8").out.find("\"due\": \"space\""),
              std::string::npos);
    EXPECT_EQ(Cli("show nowhere.com", "", "zh_CN.UTF-8").err, "sitora-cli: 没有网站地址为 nowhere.com 的记录\n");
}

TEST_F(CliTest, NothingDueOnAnEmptyTable) {
    CliRun run = Cli("due");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(Cli("due --format json").out, "[]\n");
}

TEST_F(CliTest, ListGivesTheNineColumnsInTableOrder) {
    Add("100002", "2011-1-1", "2011-1-1");
    Add("100001", "2011-1-1", "2011-1-1");
    CliRun run = Cli("list --format json");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_TRUE(ValidJson(run.out));
    EXPECT_LT(run.out.find("100002"), run.out.find("100001"));
    EXPECT_NE(run.out.find("\"web_linkman\": \"张三\""), std::string::npos);
    EXPECT_EQ(Cli("list").out.substr(0, 6), "web_id");
}

TEST_F(CliTest, ShowRevealsOnlyWithTheRightKey) {
    Add("100001", "2011-1-1", "2011-1-1", text::ToCp936("钥匙"));
    CliRun plain = Cli("show 100001.com --format json");
    EXPECT_EQ(plain.exit_code, 0) << plain.err;
    EXPECT_TRUE(ValidJson(plain.out));
    EXPECT_EQ(plain.out.find("web_user"), std::string::npos);
    EXPECT_NE(plain.out.find("\"web_endtime\": \"2011-1-1\""), std::string::npos);

    ASSERT_TRUE(protect::StoreValue("other key", program_ / "sk.exe", runtime_ / "s.txt"));
    CliRun refused = Cli("show 100001.com --reveal");
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_NE(refused.err.find("another data key"), std::string::npos);
    EXPECT_TRUE(refused.out.empty());

    ASSERT_TRUE(protect::StoreValue(text::ToCp936("钥匙"), program_ / "sk.exe", runtime_ / "s.txt"));
    CliRun revealed = Cli("show 100001.com --reveal");
    EXPECT_EQ(revealed.exit_code, 0) << revealed.err;
    EXPECT_NE(revealed.out.find("web_user: 管理员\n"), std::string::npos);
    EXPECT_NE(revealed.out.find("web_domainuser: dom\n"), std::string::npos);

    EXPECT_EQ(Cli("show nowhere.com").exit_code, 2);
}

TEST_F(CliTest, AWrongPasswordShowsNothing) {
    ASSERT_TRUE(protect::StoreValue("secret", program_ / "key.exe", runtime_ / "p.txt"));
    Add("100001", "2011-1-1", "2011-1-1");
    for (const char* command : {"list", "due", "show 100001.com", "export --list main --format csv --out x.csv"}) {
        CliRun run = Cli(command, "wrong");
        EXPECT_EQ(run.exit_code, 2) << command;
        EXPECT_TRUE(run.out.empty()) << command;
        EXPECT_NE(run.err.find("wrong login password"), std::string::npos) << command;
    }
    EXPECT_EQ(Cli("list", "secret").exit_code, 0);
}

TEST_F(CliTest, MissingOrDamagedRegistersGiveAClearMessage) {
    std::filesystem::remove(program_ / "db.mdb");
    CliRun run = Cli("list");
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find("cannot open"), std::string::npos);
    EXPECT_NE(run.err.find("no register in this folder"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(program_ / "db.mdb"));

    for (const std::string& garbage : {std::string(5000, '\x5A'), std::string("SQLite format 3\0garbage", 24), std::string()}) {
        WriteFile(program_ / "db.mdb", garbage);
        for (const char* command : {"list", "due", "show a.com", "export --list expiry --format xls --out x.xls"}) {
            run = Cli(command);
            EXPECT_EQ(run.exit_code, 2) << command;
            EXPECT_NE(run.err.find("sitora-cli: "), std::string::npos) << command;
        }
        EXPECT_EQ(ReadFile(program_ / "db.mdb"), garbage);
    }
}

TEST_F(CliTest, ExportWritesBothListsAndRefusesBadArguments) {
    Add("100001", "2011-3-12", "2099-1-1");
    Add("100002", "2099-1-1", "2099-1-1");
    const std::string out = (runtime_ / "due.txt").string();
    CliRun run = Cli("export --list expiry --format txt --as-of 2011-3-10 --out '" + out + "'");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const std::string written = ReadFile(out);
    EXPECT_NE(written.find("100001"), std::string::npos);
    EXPECT_EQ(written.find("100002"), std::string::npos);
    EXPECT_EQ(Cli("export --list other --format txt --out x").exit_code, 2);
    EXPECT_EQ(Cli("export --list main --format doc --out x").exit_code, 2);
    EXPECT_EQ(Cli("export --list main --format csv --out /nonexistent/x.csv").exit_code, 2);
    EXPECT_EQ(Cli("due --as-of tomorrow").exit_code, 2);
}

TEST_F(CliTest, OnlyRegularFilesAreReadAndTheProgramFilesAreNeverAnExport) {
    const std::string before = ReadFile(program_ / "db.mdb");
    for (const char* name : {"db.mdb", "key.exe", "sk.exe", "newdb.mdb", "tempdb.mdb"}) {
        CliRun run = Cli(std::string("export --list main --format csv --out '") + (program_ / name).string() + "'");
        EXPECT_EQ(run.exit_code, 2) << name;
        EXPECT_NE(run.err.find("refused"), std::string::npos) << name;
    }
    std::filesystem::create_symlink(program_ / "sk.exe", runtime_ / "innocent.csv");
    EXPECT_EQ(Cli("export --list main --format csv --out '" + (runtime_ / "innocent.csv").string() + "'").exit_code, 2);
    EXPECT_EQ(ReadFile(program_ / "db.mdb"), before);
    EXPECT_EQ(ReadFile(program_ / "sk.exe"), "");

    // A FIFO is refused at once, wherever it stands; nothing waits for a writer.
    ASSERT_EQ(mkfifo((runtime_ / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(Cli("export --list main --format csv --out '" + (runtime_ / "fifo").string() + "'").exit_code, 2);
    for (const char* name : {"key.exe", "db.mdb"}) {
        std::filesystem::rename(program_ / name, runtime_ / "kept");
        ASSERT_EQ(mkfifo((program_ / name).c_str(), 0600), 0);
        CliRun run = Cli("list");
        EXPECT_EQ(run.exit_code, 2) << name;
        EXPECT_NE(run.err.find("regular file"), std::string::npos) << run.err;
        std::filesystem::remove(program_ / name);
        std::filesystem::rename(runtime_ / "kept", program_ / name);
    }
}

TEST_F(CliTest, BareNamesOfTheProgramsFilesAndOverLongPathsAreRefusedWithWhy) {
    test::WriteFile(program_ / "db.jet.mdb", "the Access original");
    for (const char* name : {"newdb.mdb", "tempdb.mdb", "db.jet.mdb"}) {
        const std::string command = "cd '" + program_.path().string() + "' && " + SITORA_CLI_PATH +
                                    " export --list main --format csv --out " + name + " --password-stdin < /dev/null 2>'" +
                                    (runtime_ / "err").string() + "'";
        EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 2) << name;
        EXPECT_NE(ReadFile(runtime_ / "err").find("refused"), std::string::npos) << name;
    }
    EXPECT_EQ(ReadFile(program_ / "db.jet.mdb"), "the Access original");
    EXPECT_FALSE(std::filesystem::exists(program_ / "newdb.mdb"));
    EXPECT_NE(Cli("show \"$(printf '\\377')\"").err.find("no record"), std::string::npos);

    std::filesystem::path deep = runtime_ / std::string(200, 'd') / std::string(200, 'e') / std::string(150, 'f');
    std::filesystem::create_directories(deep);
    CliRun run = Cli("newdb '" + (deep / "db.mdb").string() + "'");
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find("bytes long"), std::string::npos) << run.err;
}

TEST_F(CliTest, ALyingTrailerOfAHugeCarrierLoadsNothingAndAllocatesNothing) {
    // A sparse 3 GiB key.exe whose trailer claims nearly all of it: no block, the empty password.
    const int fd = open((program_ / "key.exe").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const off_t size = off_t{3} << 30;
    ASSERT_EQ(ftruncate(fd, size), 0);
    ASSERT_EQ(pwrite(fd, "\x00\x00\x00\xC0", 4, size - 4), 4);
    close(fd);
    EXPECT_EQ(Cli("list").exit_code, 0);
    EXPECT_EQ(Cli("list", "x").exit_code, 2);
}

TEST_F(CliTest, AFolderNameWithSemicolonsAndQuotesIsThatFolder) {
    const std::filesystem::path odd = program_ / "a;Data Source=x.mdb;\"b\"";
    std::filesystem::create_directory(odd);
    data::CreateStarterDatabase(odd / "db.mdb");
    WriteFile(odd / "key.exe", "");
    const std::string command = std::string(SITORA_CLI_PATH) + " list --folder '" + odd.string() +
                                "' --password-stdin < /dev/null > /dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
}

// A fault of notify.conf or of a list is worded by the command line in the user's language.
TEST_F(CliTest, FaultsOfOutsideFilesAreSaidInTheUsersLanguageOnly) {
    WriteFile(program_ / "notify.conf", "# robots\nchat https://example.net/hook\n");
    std::filesystem::permissions(program_ / "notify.conf", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const CliRun english = Cli("due --notify");
    EXPECT_EQ(english.exit_code, 2);
    EXPECT_NE(english.err.find("notify.conf line 2: unknown service chat"), std::string::npos) << english.err;
    EXPECT_TRUE(std::all_of(english.err.begin(), english.err.end(), [](char c) { return (c & 0x80) == 0; })) << english.err;
    const CliRun chinese = Cli("due --notify", "", "zh_CN.UTF-8");
    EXPECT_NE(chinese.err.find("notify.conf 第 2 行：不认识的服务 chat"), std::string::npos) << chinese.err;

    // So is a list's heading that names no column (the heading itself quoted as written).
    WriteFile(runtime_ / "list.csv", "电话,web_address\n1,a.example\n");
    const CliRun list_english = Cli("import '" + (runtime_ / "list.csv").string() + "'");
    EXPECT_NE(list_english.err.find("names no column"), std::string::npos) << list_english.err;
    const CliRun list_chinese = Cli("import '" + (runtime_ / "list.csv").string() + "'", "", "zh_CN.UTF-8");
    EXPECT_EQ(list_chinese.err.find("names no column"), std::string::npos) << list_chinese.err;
    EXPECT_NE(list_chinese.err.find("未写入任何内容"), std::string::npos) << list_chinese.err;
}

TEST_F(CliTest, CompactGivesTheWindowsMessagesAndNewFilesAreTheOwnersOnly) {
    Add("100001", "2011-1-1", "2011-1-1");
    CliRun run = Cli("compact", "", "zh_CN.UTF-8");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "压缩数据库成功\n");
    WriteFile(program_ / "db.mdb", "not a database");
    run = Cli("compact");
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find("the compaction failed"), std::string::npos) << run.err;

    const mode_t old_mask = umask(0);
    data::CreateStarterDatabase(runtime_ / "new.mdb");
    std::filesystem::remove(program_ / "db.mdb");
    data::CreateStarterDatabase(program_ / "db.mdb");
    EXPECT_EQ(Cli("export --list main --format xls --out '" + (runtime_ / "x.xls").string() + "'").exit_code, 0);
    umask(old_mask);
    for (const char* name : {"new.mdb", "x.xls"}) {
        struct stat st {};
        ASSERT_EQ(stat((runtime_ / name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
}

}  // namespace
}  // namespace sitora::test

namespace sitora::test {
namespace {

TEST_F(CliTest, ImportAccessMakesAVerifiedRegisterAndNeverReplacesOne) {
    WriteWindowsRegister(runtime_ / "old.mdb", {{WindowsRecord("20100101000001", "a.com"),
                                                 WindowsRecord("20100101000002", "b.com")}, "", true});
    const std::string old_mdb = "'" + (runtime_ / "old.mdb").string() + "'";
    const std::string starter = ReadFile(program_ / "db.mdb");
    EXPECT_EQ(Cli("import-access " + old_mdb).exit_code, 2);  // db.mdb is there
    EXPECT_EQ(ReadFile(program_ / "db.mdb"), starter);

    std::filesystem::remove(program_ / "db.mdb");
    const CliRun run = Cli("import-access " + old_mdb);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("imported 2 records and 1 settings row(s)"), std::string::npos) << run.out;
    EXPECT_NE(Cli("list").out.find("20100101000002\t中文网站20100101000002\tb.com"), std::string::npos);
    EXPECT_NE(Cli("show b.com --reveal").out.find("web_dbpass: 数据库密码"), std::string::npos);

    // The Access file itself as db.mdb: converted as the window converts it, the original kept.
    std::filesystem::copy_file(runtime_ / "old.mdb", program_ / "db.mdb", std::filesystem::copy_options::overwrite_existing);
    const CliRun converted = Cli("list");
    EXPECT_EQ(converted.exit_code, 0) << converted.err;
    EXPECT_NE(converted.err.find("已转换为本程序的数据库，共 2 条记录。\n原文件保存为 db.jet.mdb。"), std::string::npos);
    EXPECT_NE(converted.out.find("\tb.com\t"), std::string::npos);
    EXPECT_EQ(ReadFile(program_ / "db.jet.mdb"), ReadFile(runtime_ / "old.mdb"));
    // A compaction cut short once db.mdb had gone: its backup is db.mdb again.
    std::filesystem::rename(program_ / "db.mdb", program_ / "tempdb.mdb");
    EXPECT_NE(Cli("list").out.find("\tb.com\t"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(program_ / "tempdb.mdb"));
}

// The main list as the window shows it: every line without its last column (the contact).
std::string MainListOf(const std::string& list) {
    std::string shown;
    for (std::size_t at = 0, end; at < list.size(); at = end + 1) {
        end = list.find('\n', at);
        const std::string line = list.substr(at, end - at);
        shown += line.substr(0, line.rfind('\t')) + "\n";
    }
    return shown;
}

TEST_F(CliTest, ExportedListsImportIntoAnEmptyRegisterAsTheSameList) {
    Add("100001", "2011-3-1", "2011-4-1");
    Add("100002", "2012-12-31", "2013-1-1");
    Change("update t_webinfo set web_name='名称; \"引号\"',web_address='o''brien;.com' where web_id='100002'");
    const std::string list = MainListOf(Cli("list").out);
    for (const char* format : {"csv", "txt"}) {
        const std::string file = (runtime_ / (std::string("main.") + format)).string();
        ASSERT_EQ(Cli("export --list main --format " + std::string(format) + " --out '" + file + "'").exit_code, 0);
        EmptyRegister();
        EXPECT_EQ(Cli("import '" + file + "' --dry-run").out, "2 record(s) would be added, 0 refused; nothing written\n");
        const CliRun run = Cli("import '" + file + "'");
        EXPECT_EQ(run.exit_code, 0) << format << run.err;
        EXPECT_EQ(MainListOf(Cli("list").out), list) << format;
        // The same rows again: every one refused, nothing written.
        const CliRun again = Cli("import '" + file + "'");
        EXPECT_EQ(again.exit_code, 2);
        EXPECT_NE(again.err.find(":2: 此网站地址已经存在"), std::string::npos) << again.err;
        EXPECT_EQ(Cli("import '" + file + "' --skip-refused").exit_code, 1);
        EXPECT_EQ(MainListOf(Cli("list").out), list);
    }
}

}  // namespace
}  // namespace sitora::test

namespace sitora::test {
namespace {

// The same register in a db.mdb and, copied by newdb --server, on the server: every command
// gives the same answer and every export the same bytes.
TEST_F(CliTest, ARegisterCopiedToTheServerListsAndExportsByteForByteAlike) {
    const auto server = ServerDatabaseUri("postgres");
    if (!server || OnServer()) GTEST_SKIP() << "needs the test server and a db.mdb to copy";
    LeadTimes(30, 0);
    Add("100001", "2011-3-13", "2099-1-1");
    Add("AB100002", "2011-3-14", "2011-3-10", "钥匙");
    Add("100003", "2009-5-1", "2008-1-1");
    Change("update t_webinfo set web_name='名称; \"引号\"\t制表',web_remark='行一\r\n行二' where web_id='100003'");
    // A record with sealed accounts: the register key must go along to the server.
    InsertSealedRecord(program_.ProgramFolder(), "100005", "sealed.com", "封存", "");

    const std::string uri = FreshServerDatabase();
    const CliRun created = Cli("newdb --server '" + uri + "' --from '" + (program_ / "db.mdb").string() + "'");
    ASSERT_EQ(created.exit_code, 0) << created.err;
    EXPECT_NE(created.out.find("4 records copied"), std::string::npos) << created.out;
    EXPECT_NE(Cli("newdb --server '" + uri + "'").exit_code, 0);  // never over a register

    auto answers = [&] {
        std::string all;
        for (const char* command :
             {"list", "due --as-of 2011-3-10", "show AB100002.com --reveal --format json", "show sealed.com --reveal"})
            all += Cli(command, "").out + Cli(command, "").err;
        for (const char* list : {"main", "expiry"})
            for (const char* format : {"xls", "csv", "htm", "rtf", "txt"}) {
                const auto out = runtime_ / (std::string(list) + "." + format);
                std::filesystem::remove(out);
                Cli("export --list " + std::string(list) + " --format " + format + " --as-of 2011-3-10 --out '" +
                    out.string() + "'");
                all += std::string(list) + "." + format + ":" + ReadFile(out);
            }
        return all;
    };
    const std::string local = answers();
    EXPECT_NE(local.find("名称; \"引号\""), std::string::npos);
    EXPECT_NE(local.find("封存"), std::string::npos);
    WriteFile(program_ / data::kServerConfigFile, uri + "\n");
    std::filesystem::rename(program_ / "db.mdb", program_ / "local.mdb");
    EXPECT_EQ(answers(), local);
    Add("100004", "2011-3-13", "2099-1-1");  // new rows take ids after the copied ones
    EXPECT_NE(Cli("list").out.find("100004"), std::string::npos);
}

}  // namespace
}  // namespace sitora::test
