// sitora-bench: the program's operations on a large register, each beside the nearest thing the
// sqlite3 shell does on the same file, with the ratio and the target.
// usage: sitora-bench [--records N] [--work DIR]
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "data/compaction.h"
#include "data/data_module.h"
#include "data/expiry_rules.h"
#include "data/record_entry.h"
#include "data/record_search.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "data/engine/server/server_connection.h"
#include "data/engine/server/server_register.h"
#include "data/statement_translation.h"
#include "data/catalogue/statements.h"
#include "base/text/clock.h"
#include "base/text/cp936.h"
#include "base/text/dates.h"
#include "protect/record_reveal.h"
#include "register_generator.h"
#include "ui/login/login_window.h"
#include "ui/main/main_window.h"
#include "ui/toolkit/data_grid.h"
#include "ui/toolkit/unattended_services.h"
#include "ui/window_set.h"

namespace fs = std::filesystem;
using namespace sitora;

namespace {

double Seconds(const std::function<void()>& work, int runs = 5) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double Shell(const std::string& command, int runs = 5) {
    return Seconds([&] {
        if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
    }, runs);
}

// A command that writes `output`, timed from a clean start: the file of the previous run is
// gone and the disk has taken every byte written before, so that no run pays for the
// write-back of another (a million-record RTF export writes 1.5 GB).
double WriteSeconds(const std::string& command, const fs::path& output, int runs = 3) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        fs::remove(output);
        sync();
        times.push_back(Seconds([&] {
            if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
        }, 1));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What SQLite itself takes to write an import's rows into an empty register as the import
// does (indexes sorted afterwards, pages kept until the commit, one durable commit): the
// sqlite3 shell copying them row by row from the imported register `rows`.
double ShellWritingRows(const fs::path& rows, const fs::path& target) {
    std::string columns;
    for (std::string_view column : data::kRecordColumns) (columns += columns.empty() ? "" : ",") += column;
    std::string drops, indexes;
    for (const char* index :
         {"i_webinfo_address_nocase", "i_webinfo_id_nocase", "i_webinfo_endtime", "i_webinfo_enddomaintime"}) {
        drops += std::string("DROP INDEX ") + index + ";";
        (indexes += indexes.empty() ? "'" : ",'") += std::string(index) + "'";
    }
    const std::string creates = "sqlite3 " + Quote(rows.string()) +
                                " " + Quote("SELECT sql||';' FROM sqlite_master WHERE name IN (" + indexes + ")");
    const fs::path script_file = target.string() + ".sql";
    const std::string write_script =
        "{ echo " + Quote("PRAGMA cache_size=-262144; PRAGMA ignore_check_constraints=1; ATTACH " + Quote(rows.string()) +
                          " AS src; BEGIN IMMEDIATE;" + drops) +
        "; echo " + Quote("INSERT INTO main.t_webinfo(" + columns + ") SELECT " + columns +
                                         " FROM src.t_webinfo WHERE id > 0;") +
        "; " + creates + "; echo 'COMMIT;'; } > " + Quote(script_file.string());
    if (std::system(write_script.c_str()) != 0) throw std::runtime_error("failed: " + write_script);
    std::vector<double> times;
    for (int run = 0; run < 3; ++run) {
        fs::remove(target);
        data::CreateStarterDatabase(target);
        sync();
        times.push_back(Shell("sqlite3 " + Quote(target.string()) + " < " + Quote(script_file.string()), 1));
    }
    std::sort(times.begin(), times.end());
    return times[1];
}

// The most memory a shell command's processes held at once, in kilobytes.
long PeakKb(const std::string& command) {
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss;
}

// A list of about `bytes` bytes in the spreadsheet's form, every row one new site.
void WriteLargeList(const fs::path& path, std::size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    out << "网站编号,网站名称,网站地址,网站后台地址,网站IP,网站域名,联系人,空间申请日期,空间到期日期,域名申请日期,"
           "域名到期日期,后台密码,备注信息\n";
    for (std::size_t i = 0, written = 0; written < bytes; ++i) {
        const std::string n = std::to_string(i);
        const std::string row = std::to_string(1000000 + i) + ",站点" + n + ",site" + n + ".example.com,http://site" + n +
                                ".example.com/admin,10.0." + std::to_string(i % 256) + ".1,site" + n +
                                ".example.com,张三,2020-1-1,2027-1-" + std::to_string(1 + i % 28) + ",2020-1-1,2027-2-" +
                                std::to_string(1 + i % 28) + ",pw" + n + ",备注" + n + "\n";
        out << row;
        written += row.size();
    }
}

long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
    return 0;
}

struct Row {
    std::string name;
    double ours;
    double theirs;  // 0: no shell counterpart
    double target_ratio;    // 0: an absolute target instead
    double target_seconds;  // 0: none
};

std::vector<Row> rows;

void Report(const std::string& name, double ours, double theirs, double target_ratio) {
    rows.push_back({name, ours, theirs, target_ratio, 0});
}
void ReportAbsolute(const std::string& name, double ours, double limit) { rows.push_back({name, ours, 0, 0, limit}); }

void PrintTable() {
    std::printf("\n| Measure | Sitora | sqlite3 shell / psql | Ratio | Target | Met |\n|---|---|---|---|---|---|\n");
    int missed = 0;
    for (const Row& row : rows) {
        bool met;
        if (row.theirs > 0) {
            const double ratio = row.ours / row.theirs;
            met = ratio <= row.target_ratio;
            std::printf("| %s | %.1f ms | %.1f ms | %.2f× | ≤ %.1f× | %s |\n", row.name.c_str(), row.ours * 1e3,
                        row.theirs * 1e3, ratio, row.target_ratio, met ? "yes" : "NO");
        } else {
            met = row.ours <= row.target_seconds;
            std::printf("| %s | %.2f ms | | | < %.0f ms | %s |\n", row.name.c_str(), row.ours * 1e3,
                        row.target_seconds * 1e3, met ? "yes" : "NO");
        }
        missed += !met;
    }
    std::printf("\n%d of %zu targets met\n", static_cast<int>(rows.size()) - missed, rows.size());
}

// A statement with its one parameter written as a date literal, for the shells to run.
std::string WithDate(std::string_view statement, const std::string& iso = "") {
    std::string sql(statement);
    if (const auto marker = sql.find(':'); marker != std::string::npos) sql.replace(marker, sql.npos, "#" + iso + "#");
    return sql;
}

// The server's words for a statement, its parameter written as a date literal.
std::string ServerSql(std::string_view statement, const std::string& iso = "") {
    return data::TranslateForServer(WithDate(statement, iso)).sql;
}

// The main window's counter refresh (statements 10-12); `thresholds` gets the dates it used.
double CounterRefreshSeconds(data::TDataModule1& module, const text::Date& today, data::Thresholds& thresholds) {
    return Seconds([&] {
        thresholds = data::ReadThresholds(module.ADOQuery4, today);
        data::CountDue(module.ADOQuery4, data::sql::kSpaceDue, "web_endtime", thresholds.space);
        data::CountDue(module.ADOQuery4, data::sql::kDomainDue, "web_enddomaintime", thresholds.domain);
    });
}

void BenchServer(const std::string& host, const fs::path& folder, const fs::path& work, const std::string& cli,
                 const text::Date& today) {
    const std::string uri = "postgresql:///sitora_bench?host=" + host + "&user=sitora";
    if (std::system(("psql -X -q " + Quote("postgresql:///postgres?host=" + host + "&user=sitora") +
                     " -c 'DROP DATABASE IF EXISTS sitora_bench' -c 'CREATE DATABASE sitora_bench'")
                        .c_str()) != 0)
        throw std::runtime_error("cannot create the bench database");
    data::CreateServerRegister(uri, folder / "db.mdb");
    const fs::path server_folder = work / "register-server";
    fs::create_directories(server_folder);
    for (const char* carrier : {"key.exe", "sk.exe"}) fs::copy_file(folder / carrier, server_folder / carrier);
    std::ofstream(server_folder / data::kServerConfigFile) << uri << "\n";
    const std::string psql = "psql -X -q -A -t " + Quote(uri);

    data::TDataModule1 module;
    module.SetUpConnection(server_folder.string() + "/");
    auto& list = module.ADOQuery1;
    Report("server: list refresh (statement 1)", Seconds([&] { list.Close(); list.Open(); }),
           Shell(psql + " -c " + Quote(ServerSql(data::sql::kList)) + " > /dev/null"), 1.5);
    data::Thresholds thresholds{};
    const double counters = CounterRefreshSeconds(module, today, thresholds);
    const std::string space_iso = text::IsoDate(thresholds.space), domain_iso = text::IsoDate(thresholds.domain);
    Report("server: counter refresh (statements 10-12)", counters,
           Shell(psql + " -c " + Quote(ServerSql(data::sql::kLeadTimes)) + " -c " +
                 Quote(ServerSql(data::sql::kSpaceDue, space_iso)) + " -c " +
                 Quote(ServerSql(data::sql::kDomainDue, domain_iso)) + " > /dev/null"),
           1.5);
    const double expiry = Seconds([&] {
        module.ADOQuery5.SetSQL(data::sql::ExpiryList(text::ShortDate(thresholds.space), text::ShortDate(thresholds.domain)));
        module.ADOQuery5.Open();
    });
    Report("server: expiry query (statement 13)", expiry,
           Shell(psql + " -c " + Quote(ServerSql(data::sql::ExpiryList(space_iso, domain_iso))) + " > /dev/null"), 1.5);
    const fs::path out = work / "server.csv";
    const double ours = WriteSeconds("echo | " + Quote(cli) + " export --list main --format csv --out " +
                                         Quote(out.string()) + " --folder " + Quote(server_folder.string()) +
                                         " --password-stdin",
                                     out);
    const fs::path shell_out = work / "server-shell.csv";
    const double theirs =
        WriteSeconds(psql + " --csv -c " + Quote(ServerSql(data::sql::kList)) + " > " + Quote(shell_out.string()), shell_out);
    Report("server: export csv", ours, theirs, 1.5);

    // The exported main list into an empty server register, every row checked, against psql's
    // \copy of the same rows (the export is code page 936).
    const std::string list_file = (work / "out.csv").string();
    auto empty_table = [&] { Shell(psql + " -c 'TRUNCATE t_webinfo RESTART IDENTITY'", 1); };
    std::vector<double> ours_import, psql_copy;
    for (int run = 0; run < 3; ++run) {
        empty_table();
        ours_import.push_back(Shell("echo | " + Quote(cli) + " import " + Quote(list_file) + " --folder " +
                                        Quote(server_folder.string()) + " --password-stdin > /dev/null",
                                    1));
        empty_table();
        psql_copy.push_back(Shell(psql + " -c " +
                                      Quote("\\copy t_webinfo(web_id,web_name,web_address,web_login,web_time,web_endtime,"
                                            "web_domaintime,web_enddomaintime) from " + Quote(list_file) +
                                            " with (format csv, header true, delimiter ';', encoding 'GBK')"),
                                  1));
    }
    std::sort(ours_import.begin(), ours_import.end());
    std::sort(psql_copy.begin(), psql_copy.end());
    Report("server: import of the exported CSV", ours_import[1], psql_copy[1], 1.5);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    mallopt(M_MMAP_THRESHOLD, 1 << 20);  // as the program does
    QApplication application(argc, argv);
    int records = 100000;
    fs::path work = fs::temp_directory_path() / "sitora-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--records") records = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--work") work = argv[i + 1];
    }
    const fs::path bin = fs::path(QCoreApplication::applicationDirPath().toStdString());
    const fs::path program_dir = bin.parent_path() / "Sitora";
    const std::string cli = (program_dir / "sitora-cli").string();
    fs::remove_all(work);
    const fs::path folder = work / "register";
    const fs::path xls_folder = work / "register-60000";
    const fs::path runtime = work / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

    std::printf("Generating %d records...\n", records);
    bench::GenerateProgramFolder(folder, records, "基准密钥");
    bench::GenerateProgramFolder(xls_folder, std::min(records, 60000), "基准密钥");
    const std::string db = Quote((folder / "db.mdb").string());

    data::TDataModule1 module;
    module.SetUpConnection(folder.string() + "/");
    const text::Date today{std::chrono::year(2012), std::chrono::month(6), std::chrono::day(1)};

    // List refresh.
    auto& list = module.ADOQuery1;
    const double list_ours = Seconds([&] { list.Close(); list.Open(); });
    const std::string list_sql(data::sql::kList);
    Report("list refresh (statement 1)", list_ours, Shell("sqlite3 " + db + " " + Quote(list_sql) + " > /dev/null"), 1.5);

    // Counter refresh and expiry query.
    data::Thresholds thresholds{};
    const double counters = CounterRefreshSeconds(module, today, thresholds);
    const std::string space_iso = text::IsoDate(thresholds.space), domain_iso = text::IsoDate(thresholds.domain);
    // The shell runs the statements as the data module hands them to SQLite.
    const std::string counter_sql = data::TranslateStatement(data::sql::kLeadTimes) + "; " +
                                    data::TranslateStatement(WithDate(data::sql::kSpaceDue, space_iso)) + "; " +
                                    data::TranslateStatement(WithDate(data::sql::kDomainDue, domain_iso)) + ";";
    Report("counter refresh (statements 10-12)", counters, Shell("sqlite3 " + db + " " + Quote(counter_sql) + " > /dev/null"), 1.5);
    const double expiry = Seconds([&] {
        module.ADOQuery5.SetSQL(data::sql::ExpiryList(text::ShortDate(thresholds.space), text::ShortDate(thresholds.domain)));
        module.ADOQuery5.Open();
    });
    const std::string expiry_sql = data::TranslateStatement(data::sql::ExpiryList(space_iso, domain_iso));
    Report("expiry query (statement 13)", expiry, Shell("sqlite3 " + db + " " + Quote(expiry_sql) + " > /dev/null"), 1.5);

    // Add window: look-ups and one insert; detail window: the four section saves.
    list.Last();
    const std::string last_address = data::AsString(list.Field(2));
    auto exists = [&](const std::string& sql) {
        module.ADOQuery2.SetSQL(sql);
        module.ADOQuery2.Open();
        module.ADOQuery2.Close();
    };
    ReportAbsolute("duplicate look-up by address", Seconds([&] { exists(data::sql::AddressExists(last_address)); }), 0.005);
    ReportAbsolute("duplicate look-up by number", Seconds([&] { exists(data::sql::NumberExists("99999999999999")); }), 0.005);
    int serial = 0;
    ReportAbsolute("insert of one record", Seconds([&] {
        auto& q = module.ADOQuery2;
        q.SetSQL(data::sql::kInsertRecord);
        const std::string n = "bench" + std::to_string(serial++);
        for (const char* column : {"web_id", "web_name", "web_address", "web_login", "web_user", "web_pass", "web_ip",
                                   "web_size", "web_domain", "web_domainuser", "web_domainpass", "web_linkman",
                                   "web_dbname", "web_dbsize", "web_dbip", "web_dbuser", "web_dbpass", "web_remark",
                                   "web_dbtype"})
            q.SetParameter(column, n);
        for (const char* column : {"web_time", "web_endtime", "web_domaintime", "web_enddomaintime"})
            q.SetParameter(column, "2012-1-1");
        q.ExecSQL();
    }), 0.005);
    const struct {
        const char* name;
        std::string_view sql;
    } saves[] = {{"site section save", data::sql::kUpdateSite}, {"database section save", data::sql::kUpdateDatabase},
                 {"dates section save", data::sql::kUpdateDates}, {"remark section save", data::sql::kUpdateRemark}};
    for (const auto& save : saves) {
        ReportAbsolute(save.name, Seconds([&] {
            auto& q = module.ADOQuery4;
            q.SetSQL(save.sql);
            for (const char* column : {"web_name", "web_login", "web_user", "web_pass", "web_ip", "web_domain",
                                       "web_domainuser", "web_domainpass", "web_linkman", "web_size", "web_dbname",
                                       "web_dbsize", "web_dbip", "web_dbuser", "web_dbpass", "web_dbtype", "web_remark"})
                q.SetParameter(column, "x");
            for (const char* column : {"web_time", "web_endtime", "web_domaintime", "web_enddomaintime"})
                q.SetParameter(column, "2013-2-3");
            q.SetParameter("web_address", last_address);
            q.ExecSQL();
        }), 0.005);
    }

    // A record with sealed accounts opened as the detail window opens it, in a process of its own:
    // the register key's derivation from the data key included.
    {
        const std::string key = text::ToCp936("基准密钥");
        data::RecordEntry entry;
        for (const char* date : {"web_time", "web_endtime", "web_domaintime", "web_enddomaintime"}) entry[date] = "2012-1-1";
        entry["web_id"] = "sealed000001";
        entry["web_address"] = "sealed.bench";
        entry["web_pass"] = "P@ss1763";
        data::InsertRecord(module.ADOQuery2, entry, *module.RegisterKey(key, true));
        ReportAbsolute("open a sealed record and reveal its accounts (key derived)", Seconds([&] {
            data::TDataModule1 fresh;
            fresh.SetUpConnection(folder.string() + "/");
            auto& q = fresh.ADOQuery3;
            q.SetSQL(data::sql::LoadRecord("sealed.bench"));
            q.Open();
            const protect::ColumnReader column = [&q](std::string_view name) { return q.FieldByName(name); };
            const auto accounts = protect::RevealAccounts(column, "sealed000001", key, "sealed.bench",
                                                          fresh.RegisterKey(key, false));
            if (!accounts || accounts->at("web_pass").view() != "P@ss1763") throw std::runtime_error("the sealed record did not open");
        }), 1.0);
    }

    // Search in the loaded list.
    list.Close();
    list.Open();
    const auto& loaded = list.Rows();
    const auto number_type = *data::SearchTypeByCaption("网站编号");
    const auto date_type = *data::SearchTypeByCaption("域名到期日期");
    const std::string first_number = data::AsString(loaded.Value(0, 0));
    const std::string last_number = data::AsString(loaded.Value(loaded.RowCount() - 1, 0));
    const std::string last_date = data::AsString(loaded.Value(loaded.RowCount() - 1, 7));
    ReportAbsolute("search number: first row", Seconds([&] { data::FindRecord(loaded, number_type, first_number); }), 0.05);
    ReportAbsolute("search number: last row", Seconds([&] { data::FindRecord(loaded, number_type, last_number); }), 0.05);
    ReportAbsolute("search number: no match", Seconds([&] { data::FindRecord(loaded, number_type, "nothing"); }), 0.05);
    ReportAbsolute("search date: last match", Seconds([&] { data::FindRecord(loaded, date_type, last_date); }), 0.05);
    ReportAbsolute("search date: no match", Seconds([&] { data::FindRecord(loaded, date_type, "1999-1-1"); }), 0.05);

    // Exports, whole processes: sitora-cli export against sqlite3 -csv of the same rows.
    double csv_export = 0;
    for (const char* format : {"xls", "htm", "rtf", "txt", "csv"}) {
        const fs::path from = std::string(format) == "xls" ? xls_folder : folder;
        const std::string from_db = Quote((from / "db.mdb").string());
        const fs::path out = work / (std::string("out.") + format);
        const double ours = WriteSeconds("echo | " + Quote(cli) + " export --list main --format " + format + " --out " +
                                             Quote(out.string()) + " --folder " + Quote(from.string()) + " --password-stdin",
                                         out);
        const double theirs = WriteSeconds("sqlite3 -csv " + from_db + " " + Quote(list_sql) + " > " +
                                               Quote((work / "shell.csv").string()),
                                           work / "shell.csv");
        const bool plain = std::string(format) == "csv" || std::string(format) == "txt";
        if (std::string(format) == "csv") csv_export = ours;
        Report(std::string("export ") + format + (std::string(format) == "xls" ? " (60,000 records)" : ""), ours, theirs,
               plain ? 1.5 : 3.0);
    }

    // The exported main list imported into an empty register, every row checked: against its export.
    const fs::path import_folder = work / "import";
    std::vector<double> import_times;
    for (int run = 0; run < 3; ++run) {
        fs::remove_all(import_folder);
        fs::create_directories(import_folder);
        data::CreateStarterDatabase(import_folder / "db.mdb");
        for (const char* carrier : {"key.exe", "sk.exe"}) std::ofstream(import_folder / carrier);
        sync();  // as for the exports: no run pays for the write-back of the one before
        import_times.push_back(Shell("echo | " + Quote(cli) + " import " + Quote((work / "out.csv").string()) +
                                     " --folder " + Quote(import_folder.string()) + " --password-stdin > /dev/null", 1));
    }
    std::sort(import_times.begin(), import_times.end());
    Report("import of the exported CSV (against its export)", import_times[1], csv_export, 3.0);
    Report("import of the exported CSV (against the sqlite3 shell writing its rows)", import_times[1],
           ShellWritingRows(import_folder / "db.mdb", work / "shell-import.mdb"), 2.0);

    // Memory: a 100 MB list is read as a stream; what the import holds is bounded.
    const fs::path large_list = work / "large.csv";
    WriteLargeList(large_list, 100u << 20);
    fs::remove_all(import_folder);
    fs::create_directories(import_folder);
    data::CreateStarterDatabase(import_folder / "db.mdb");
    for (const char* carrier : {"key.exe", "sk.exe"}) std::ofstream(import_folder / carrier);
    const long import_peak_kb = PeakKb("echo | " + Quote(cli) + " import " + Quote(large_list.string()) + " --folder " +
                                       Quote(import_folder.string()) + " --password-stdin > /dev/null");
    fs::remove(large_list);
    fs::remove_all(import_folder);

    // protect: every old-form record of the register sealed, read back and compacted, in a process
    // of its own with the default limit of locked memory.
    const fs::path protect_folder = work / "protect";
    fs::create_directories(protect_folder);
    for (const char* file : {"db.mdb", "key.exe", "sk.exe"}) fs::copy_file(folder / file, protect_folder / file);
    sync();
    const std::string protect_command = "ulimit -l 8192; echo | " + Quote(cli) + " protect --folder " +
                                        Quote(protect_folder.string()) + " --password-stdin > /dev/null";
    const auto protect_started = std::chrono::steady_clock::now();
    const long protect_peak_kb = PeakKb(protect_command);
    const double protect_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - protect_started).count();
    ReportAbsolute("protect of " + std::to_string(records) + " old-form records (process)", protect_seconds, 60.0);
    fs::remove_all(protect_folder);

    // The same register on a PostgreSQL server (SITORA_BENCH_PGHOST: the socket folder of a
    // cluster that `make bench` starts), each beside psql running the same statements.
    if (const char* pg_host = std::getenv("SITORA_BENCH_PGHOST"); pg_host && *pg_host)
        BenchServer(pg_host, folder, work, cli, today);

    // Compaction after deleting half the records.
    module.ADOConnection1.Close();
    const fs::path compact_folder = work / "compact";
    const fs::path shell_copy = work / "shell-compact.mdb";
    auto prepare = [&] {
        fs::remove_all(compact_folder);
        fs::create_directories(compact_folder);
        fs::copy_file(folder / "db.mdb", compact_folder / "db.mdb");
        std::system(("sqlite3 " + Quote((compact_folder / "db.mdb").string()) + " 'delete from t_webinfo where id % 2 = 0'").c_str());
        fs::remove(work / "vacuumed.mdb");
    };
    std::vector<double> ours_times, shell_times;
    for (int run = 0; run < 3; ++run) {
        prepare();
        ours_times.push_back(Seconds([&] { data::CompactDatabase(compact_folder); }, 1));
        prepare();
        shell_times.push_back(Shell("sqlite3 " + Quote((compact_folder / "db.mdb").string()) + " \"VACUUM INTO '" +
                                    (work / "vacuumed.mdb").string() + "'\"", 1));
    }
    std::sort(ours_times.begin(), ours_times.end());
    std::sort(shell_times.begin(), shell_times.end());
    Report("compaction of half-deleted register (verified)", ours_times[1], shell_times[1], 3.0);

    // The program itself: time to the login window, memory with the list loaded.
    const double start = Shell("cd " + Quote(folder.string()) + " && QT_QPA_PLATFORM=offscreen " +
                               Quote((bin.parent_path() / "src/app/sitora-start-probe").string()), 3);
    ReportAbsolute("start to login window (process)", start, 1.0);

    ui::UnattendedServices unattended;
    data::TDataModule1 window_module;
    ui::AppContext context{QString::fromStdString(folder.string() + "/"), runtime, window_module,
                           unattended.services(), [] {}, true};
    long loaded_kb = 0, before_kb = 0;
    std::size_t text_bytes = 0;
    {
        ui::WindowSet windows(context);
        windows.Form6()->show();
        windows.Form6()->findChild<QPushButton*>("BitBtn1")->click();
        QApplication::processEvents();
        before_kb = StatusKb("VmRSS:");
        windows.Form1()->findChild<QPushButton*>("BitBtn1")->click();
        QApplication::processEvents();
        loaded_kb = StatusKb("VmRSS:");
        text_bytes = window_module.ADOQuery1.Rows().TextBytes();
        const double refresh_window = Seconds([&] { windows.Form1()->RefreshList(); }, 3);
        ReportAbsolute("main window list refresh (grid included)", refresh_window, 0.5);

        // Responsiveness: each action below includes painting the grid again.
        ui::DataGrid& grid = windows.Form1()->grid();
        auto painted = [&grid](const std::function<void()>& action) {
            return Seconds([&] {
                action();
                grid.viewport()->repaint();
            });
        };
        QScrollBar* scroll = grid.verticalScrollBar();
        ReportAbsolute("grid: scroll one page down", painted([&] {
            scroll->setValue(scroll->value() + scroll->pageStep());
        }), 0.05);
        ReportAbsolute("grid: jump to the last row", painted([&] {
            grid.scrollToTop();
            grid.viewport()->repaint();
            grid.setCurrentIndex(grid.model()->index(grid.model()->rowCount() - 1, 0));
        }), 0.05);
        int row = 0;
        ReportAbsolute("grid: select a row far away", painted([&] {
            row = (row + 37717) % grid.model()->rowCount();
            grid.selectRow(row);
        }), 0.05);
    }
    PrintTable();
    const double growth = (loaded_kb - before_kb) * 1024.0;
    std::printf("\nmemory: %.1f MB more with the %d-record list loaded; its text is %.1f MB (%.2f×, target ≤ 2.5×); "
                "peak RSS %.1f MB\n", growth / 1e6, records, text_bytes / 1e6, growth / text_bytes,
                StatusKb("VmHWM:") / 1024.0);
    std::printf("import of a 100 MB list: peak memory %.1f MB (target < 200 MB): %s\n", import_peak_kb / 1024.0,
                import_peak_kb < 200 * 1024 ? "met" : "NOT MET");
    std::printf("protect of %d old-form records: peak memory %.1f MB, under ulimit -l 8192\n", records,
                protect_peak_kb / 1024.0);
    fs::remove_all(work);
    return 0;
}
