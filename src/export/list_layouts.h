#pragma once
// The columns the two list windows show, shared by their grids and by the exports of them,
// so that a window and its exported file cannot drift apart.
#include <array>
#include <string_view>

namespace sitora::gridexport {

struct ListColumn {
    std::string_view title;
    std::string_view field;
    int width;  // pixels
};

inline constexpr std::array<ListColumn, 8> kMainListColumns = {{
    {"网站编号", "web_id", 125},
    {"网站名称", "web_name", 224},
    {"网站地址", "web_address", 271},
    {"网站后台地址", "web_login", 241},
    {"空间申请日期", "web_time", 155},
    {"空间到期日期", "web_endtime", 152},
    {"域名申请日期", "web_domaintime", 152},
    {"域名到期日期", "web_enddomaintime", 138},
}};

inline constexpr std::array<ListColumn, 9> kExpiryListColumns = {{
    {"网站编号", "web_id", 150},
    {"网站名称", "web_name", 200},
    {"网站地址", "web_address", 300},
    {"网站后台", "web_login", 200},
    {"网站联系人", "web_linkman", 200},
    {"空间申请日期", "web_time", 200},
    {"空间到期日期", "web_endtime", 200},
    {"域名申请日期", "web_domaintime", 200},
    {"域名到期日期", "web_enddomaintime", 237},
}};

// The registry check's list: the window's grid and its export.
inline constexpr std::array<ListColumn, 9> kCheckListColumns = {{
    {"网站编号", "web_id", 110},
    {"网站地址", "web_address", 160},
    {"注册域名", "registered_domain", 110},
    {"登记到期日期", "register_date", 90},
    {"注册局到期日期", "registry_date", 100},
    {"来源", "source", 120},
    {"域名状态", "domain_state", 250},
    {"证书到期日期", "certificate_expiry", 90},
    {"证书状态", "certificate_state", 250},
}};

}  // namespace sitora::gridexport
