#include "app/data/schema.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "app/data/data_error.h"

namespace sitora::data {

bool IsDateColumn(std::string_view column) {
    return std::find(kDateColumns.begin(), kDateColumns.end(), column) != kDateColumns.end();
}

bool IsProtectedColumn(std::string_view column) {
    return std::find(kProtectedColumns.begin(), kProtectedColumns.end(), column) !=
           kProtectedColumns.end();
}

const char* const kCreateSchemaSql = R"sql(
CREATE TABLE t_webinfo(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    web_id TEXT, web_name TEXT, web_address TEXT, web_login TEXT,
    web_user BLOB, web_pass BLOB, web_ip TEXT, web_size TEXT, web_domain TEXT,
    web_domainuser BLOB, web_domainpass BLOB, web_linkman TEXT,
    web_dbname BLOB, web_dbsize TEXT, web_dbip BLOB, web_dbuser BLOB, web_dbpass BLOB,
    web_dbtype TEXT,
    web_time TEXT, web_endtime TEXT, web_domaintime TEXT, web_enddomaintime TEXT,
    web_remark TEXT);
CREATE INDEX i_webinfo_address ON t_webinfo(web_address);
CREATE INDEX i_webinfo_id ON t_webinfo(web_id);
CREATE INDEX i_webinfo_endtime ON t_webinfo(web_endtime);
CREATE INDEX i_webinfo_enddomaintime ON t_webinfo(web_enddomaintime);
CREATE TABLE t_set(web_alarm INTEGER, domain_alarm INTEGER);
INSERT INTO t_set(web_alarm, domain_alarm) VALUES(3, 3);
)sql";

void CreateStarterDatabase(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        throw DataError(path.string() + " exists already; it is left as it is");

    // Build the file under a temporary name, then link it into place: link() fails
    // rather than replace a file that appeared meanwhile.
    std::filesystem::path temp = path;
    temp += ".new-" + std::to_string(getpid());
    std::filesystem::remove(temp, ec);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string error;
    if (rc == SQLITE_OK) {
        char* message = nullptr;
        rc = sqlite3_exec(db, kCreateSchemaSql, nullptr, nullptr, &message);
        if (message) error = message;
        sqlite3_free(message);
    } else {
        error = sqlite3_errmsg(db);
    }
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        std::filesystem::remove(temp, ec);
        throw DataError("cannot create " + path.string() + ": " + error);
    }
    int linked = link(temp.c_str(), path.c_str());
    std::filesystem::remove(temp, ec);
    if (linked != 0) throw DataError("cannot create " + path.string() + ": it exists or the folder is not writable");
}

}  // namespace sitora::data
