#include "data/catalogue/statements.h"

namespace sitora::data::sql {

std::string QuotedLiteral(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        out += c;
        if (c == '\'') out += '\'';
    }
    out += '\'';
    return out;
}

std::string AddressExists(std::string_view trimmed_address) {
    return "select id from t_webinfo where web_address=" + QuotedLiteral(trimmed_address);
}

std::string NumberExists(std::string_view trimmed_number) {
    return "select id from t_webinfo where web_id=" + QuotedLiteral(trimmed_number);
}

std::string LoadRecord(std::string_view trimmed_address) {
    return "select * from t_webinfo where web_address=" + QuotedLiteral(trimmed_address);
}

std::string ExpiryList(std::string_view space_threshold, std::string_view domain_threshold) {
    std::string statement =
        "select web_id,web_name,web_address,web_login,web_linkman,web_time,web_endtime,"
        "web_domaintime,web_enddomaintime from t_webinfo where web_endtime<=#";
    statement += space_threshold;
    statement += "# or web_enddomaintime<=#";
    statement += domain_threshold;
    statement += "#";
    return statement;
}

}  // namespace sitora::data::sql
