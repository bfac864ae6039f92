#pragma once
// Every statement the program runs, in one place. The windows use these and nothing else.
#include <string>
#include <string_view>

namespace sitora::data::sql {

// 1: the list, all records in table order (ADOQuery1).
inline constexpr std::string_view kList =
    "select web_id,web_name,web_address,web_login,web_time,web_endtime,web_domaintime,"
    "web_enddomaintime,web_linkman from t_webinfo";

// 2 and 3: does the address / number exist (ADOQuery2).
std::string AddressExists(std::string_view trimmed_address);
std::string NumberExists(std::string_view trimmed_number);

// 4: a new record with its 23 parameters (ADOQuery2).
inline constexpr std::string_view kInsertRecord =
    "insert into t_webinfo(web_id,web_name,web_address,web_login,web_user,web_pass,web_ip,"
    "web_size,web_domain,web_domainuser,web_domainpass,web_linkman,web_dbname,web_dbsize,"
    "web_dbip,web_dbuser,web_dbpass,web_domaintime,web_enddomaintime,web_time,web_endtime,"
    "web_remark,web_dbtype) values(:web_id,:web_name,:web_address,:web_login,:web_user,"
    ":web_pass,:web_ip,:web_size,:web_domain,:web_domainuser,:web_domainpass,:web_linkman,"
    ":web_dbname,:web_dbsize,:web_dbip,:web_dbuser,:web_dbpass,:web_domaintime,"
    ":web_enddomaintime,:web_time,:web_endtime,:web_remark,:web_dbtype)";

// 5: one record for the detail window (ADOQuery3).
std::string LoadRecord(std::string_view trimmed_address);

// 6 to 9: the four section saves of the detail window (ADOQuery4).
inline constexpr std::string_view kUpdateSite =
    "update t_webinfo set web_name=:web_name,web_login=:web_login,web_user=:web_user,"
    "web_pass=:web_pass,web_ip=:web_ip,web_domain=:web_domain,web_domainuser=:web_domainuser,"
    "web_domainpass=:web_domainpass,web_linkman=:web_linkman,web_size=:web_size "
    "where web_address=:web_address";
inline constexpr std::string_view kUpdateDatabase =
    "update t_webinfo set web_dbname=:web_dbname,web_dbsize=:web_dbsize,web_dbip=:web_dbip,"
    "web_dbuser=:web_dbuser,web_dbpass=:web_dbpass,web_dbtype=:web_dbtype "
    "where web_address=:web_address";
inline constexpr std::string_view kUpdateDates =
    "update t_webinfo set web_time=:web_time,web_endtime=:web_endtime,"
    "web_domaintime=:web_domaintime,web_enddomaintime=:web_enddomaintime "
    "where web_address=:web_address";
inline constexpr std::string_view kUpdateRemark =
    "update t_webinfo set web_remark=:web_remark where web_address=:web_address";

// The registry check: what each record says of its domain and site, in table order.
inline constexpr std::string_view kCheckList =
    "select web_id,web_name,web_address,web_domain,web_enddomaintime from t_webinfo";

// The upgrade of the accounts to the sealed form: every record's accounts, and one record's
// accounts replaced (by its id).
inline constexpr std::string_view kAccountRows =
    "select id,web_id,web_address,web_user,web_pass,web_domainuser,web_domainpass,web_dbname,web_dbip,"
    "web_dbuser,web_dbpass from t_webinfo";
inline constexpr std::string_view kUpdateAccounts =
    "update t_webinfo set web_user=:web_user,web_pass=:web_pass,web_domainuser=:web_domainuser,"
    "web_domainpass=:web_domainpass,web_dbname=:web_dbname,web_dbip=:web_dbip,web_dbuser=:web_dbuser,"
    "web_dbpass=:web_dbpass where id=:id";

// 10 and 14: the lead times (first row of t_set); 10 on ADOQuery4, 14 on ADOQuery6.
inline constexpr std::string_view kLeadTimes = "select web_alarm,domain_alarm from t_set";

// 11 and 12: the due counts (ADOQuery4).
inline constexpr std::string_view kSpaceDue = "select id from t_webinfo where web_endtime<=:web_endtime";
inline constexpr std::string_view kDomainDue =
    "select id from t_webinfo where web_enddomaintime<=:web_enddomaintime";

// 13: the expiry list (ADOQuery5); the thresholds become #date# literals.
std::string ExpiryList(std::string_view space_threshold, std::string_view domain_threshold);

// 15: store the lead times in every row of t_set (ADOQuery6).
inline constexpr std::string_view kStoreLeadTimes =
    "update t_set set web_alarm=:web_alarm,domain_alarm=:domain_alarm";

// A text placed between single quotes in a statement, its quotes doubled so that an
// address such as o'brien.com neither breaks the statement nor changes its meaning.
std::string QuotedLiteral(std::string_view value);

}  // namespace sitora::data::sql
