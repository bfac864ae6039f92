// What registries and people write, read: the cases the stand-in servers of check_test.py do not
// reach (registry date forms, sub-domains and IDN names, suffix matching, deep JSON).
#include <gtest/gtest.h>

#include "check/registry_answers.h"
#include "check/registry_transport.h"
#include "check/site_names.h"

namespace sitora::check {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;

TEST(RegistryAnswers, DatesOfEveryFormAreReadAndNonsenseIsNot) {
    const text::Date march_first{year(2027), month(3), day(1)};
    for (const char* written : {"2027-03-01T04:00:00Z", "2027-03-01 12:00:00", "2027-03-01", "01-Mar-2027",
                                "2027.03.01", "2027-03-01t00:00:00.000+08:00"})
        EXPECT_EQ(ReadRegistryDate(written), march_first) << written;
    for (const char* nonsense : {"2027-02-30", "2027-3-1x", "99-03-01", "", "2027-03-01Z", "31-Foo-2027", "2027-03-011"})
        EXPECT_FALSE(ReadRegistryDate(nonsense)) << nonsense;

    EXPECT_EQ(ReadWhoisReply("Registry Expiry Date: 2027-03-01T04:00:00Z\r\n>>> not found anywhere <<<").expiry,
              march_first);  // a disclaimer never hides a date
    EXPECT_EQ(ReadWhoisReply("Domain Name: x.cn\r\nExpiration Time: 2027-03-01 12:00:00\r\n").kind, AnswerKind::kFound);
    EXPECT_EQ(ReadWhoisReply("No matching record.\r\n").kind, AnswerKind::kNotFound);
    EXPECT_EQ(ReadWhoisReply("Queried interval is too short.\r\n").kind, AnswerKind::kRateLimited);
    EXPECT_EQ(ReadWhoisReferral("% IANA\nrefer:        whois.nic.example\n"), "whois.nic.example");
    EXPECT_EQ(ReadRdapDomain(R"({"errorCode":404})").kind, AnswerKind::kNotFound);
    EXPECT_EQ(ReadRdapDomain(R"({"events":[{"eventAction":"expiration","eventDate":7}]})").kind, AnswerKind::kUnreadable);
    // A reply or bootstrap of a million brackets is refused by a scan, not parsed.
    EXPECT_EQ(ReadRdapDomain(std::string(4 << 20, '[')).kind, AnswerKind::kUnreadable);
    EXPECT_FALSE(ParseBootstrap(std::string(4 << 20, '{')).bootstrap);
}

// Replies shaped as the registries without RDAP write them (layout, labels and date forms from
// their WHOIS servers), each with the run-out date it holds.
TEST(RegistryAnswers, WhoisRepliesOfTheWorldsRegistriesGiveTheirDates) {
    struct Reply {
        const char* server;
        const char* domain;
        const char* text;
        int year, month, day;
    };
    const Reply replies[] = {
        {"whois.hkirc.hk", "example.hk", "Domain Name:  EXAMPLE.HK\r\nExpiry Date: 02-03-2027\r\n", 2027, 3, 2},
        {"whois.twnic.net.tw", "example.tw", "Domain Name: example.tw\n   Record expires on 2027-05-23 00:00:00 (UTC+8)\n   Record created on 2001-05-23 (YYYY-MM-DD)\n", 2027, 5, 23},
        {"whois.jprs.jp", "example.jp", "a. [Domain Name]                EXAMPLE.JP\n[Expires on]                    2027/05/31\n", 2027, 5, 31},
        {"whois.jprs.jp", "example.jp", "[ドメイン名]                    EXAMPLE.JP\n[有効期限]                      2027/05/31\n", 2027, 5, 31},
        {"whois.nic.it", "example.it", "Domain:             example.it\nCreated:            2000-01-01 00:00:00\nExpire Date:        2027-05-19\n", 2027, 5, 19},
        {"whois.tld.ee", "example.ee", "Domain:\nname:       example.ee\nregistered: 2010-01-01 00:00:00 +02:00\nexpire:     2027-11-28\n", 2027, 11, 28},
        {"whois.nic.cz", "example.cz", "domain:       example.cz\nregistered:   01.01.2000 00:00:00\nexpire:       28.11.2027\n", 2027, 11, 28},
        {"whois.weare.ie", "example.ie", "Domain Name: example.ie\nrenewal: 2027-05-19\n", 2027, 5, 19},
        {"whois.dot.tk", "example.tk", "   Domain name:\n      EXAMPLE.TK\n\n   Record will expire on: 2027-05-22\n", 2027, 5, 22},
        {"whois.educause.edu", "example.edu", "Domain Name: EXAMPLE.EDU\n\nDomain record activated:    14-Oct-1997\nDomain expires:            31-Jul-2027\n", 2027, 7, 31},
        {"whois.nic.us", "example.us", "Domain Name:                                 EXAMPLE.US\nDomain Expiration Date:                      Mon Mar 01 23:59:59 GMT 2027\n", 2027, 3, 1},
        {"whois.tcinet.ru", "example.ru", "domain:        EXAMPLE.RU\npaid-till:     2027-03-01T21:00:00Z\n", 2027, 3, 1},
        {"whois.nic.uk", "example.co.uk", "    Relevant dates:\n        Registered on: 01-Jan-2000\n        Renewal date:\n            23-May-2027\n", 2027, 5, 23},
        {"whois.kr", "example.kr", "Domain Name                 : example.kr\nExpiration Date             : 2027. 05. 19.\n", 2027, 5, 19},
        {"whois.registro.br", "example.com.br", "domain:      example.com.br\nexpires:     20270518\n", 2027, 5, 18},
        {"whois.dns.hr", "example.hr", "Domain Name: example.hr\nExpiration Date: 20270518\n", 2027, 5, 18},
        {"whois.rnids.rs", "example.rs", "Domain name: example.rs\nExpiration date: 28.11.2027 11:58:33\n", 2027, 11, 28},
        {"whois.fi", "example.fi", "domain.............: example.fi\nexpires............: 4.7.2027 12:00:00\n", 2027, 7, 4},
        {"whois.dns.pt", "example.pt", "Domain: example.pt\nExpiration Date (dd/mm/yyyy): 02/11/2027\n", 2027, 11, 2},
        {"whois.nic.fr", "example.re", "domain:      example.re\nExpiry Date: 02/11/2027\n", 2027, 11, 2},
        {"whois.example", "example.xyz", "Expiration Date: 07 oct 2027\n", 2027, 10, 7},
        {"whois.example", "example.xyz", "Expires: may 22 2027\n", 2027, 5, 22},
        {"whois.example", "example.xyz", "Registry Expiry Date: 2027-06-14-T10:32:43Z\n", 2027, 6, 14},
    };
    for (const Reply& reply : replies) {
        const RegistryAnswer answer = ReadWhoisReply(reply.text, {reply.server, reply.domain});
        EXPECT_EQ(answer.kind, AnswerKind::kFound) << reply.server << ": " << answer.reason;
        EXPECT_EQ(answer.expiry, (text::Date{year(reply.year), month(static_cast<unsigned>(reply.month)),
                                            day(static_cast<unsigned>(reply.day))}))
            << reply.server;
    }

    for (const char* unregistered : {"No Object Found\n", "No Data Found\r\n", "The queried object does not exist: x.ye\n",
                                     "The domain has not been registered.\n", "No Found\n", "No match!!\n", "Status: free\n",
                                     "example.nl is free\n", "Status: AVAILABLE\n", "Domain Status: Available\n",
                                     "220 Available\n", "%ERROR:101: Object does not exist\n"})
        EXPECT_EQ(ReadWhoisReply(unregistered, {"whois.example", "example.xyz"}).kind, AnswerKind::kNotFound) << unregistered;

    // DENIC and SIDN name a registered domain without any run-out date.
    EXPECT_EQ(ReadWhoisReply("Domain: example.de\nNserver: a.ns.example\nStatus: connect\nChanged: 2020-01-01T00:00:00+01:00\n",
                             {"whois.denic.de", "example.de"}).kind,
              AnswerKind::kNoExpiry);
    EXPECT_EQ(ReadRdapDomain(R"({"objectClassName":"domain","ldhName":"example.de","events":[{"eventAction":"last changed","eventDate":"2020-01-01T00:00:00Z"}]})").kind,
              AnswerKind::kNoExpiry);

    // 02/11/2027 from a registry not known to write day or month first is not read either way.
    const RegistryAnswer ambiguous = ReadWhoisReply("Expiry Date: 02/11/2027 (Local)\n", {"whois.unknown.example", "x.example"});
    EXPECT_EQ(ambiguous.kind, AnswerKind::kUnreadable);
    EXPECT_EQ(ambiguous.reason, "到期日期无法识别：02/11/2027 (Local)");
}

TEST(RegistryAnswers, DomainsAreReducedToWhatTheRegistryKeeps) {
    EXPECT_EQ(RegisteredDomainOf("shop.example.com.cn", ""), "example.com.cn");
    EXPECT_EQ(RegisteredDomainOf("", "https://WWW.Example.co.uk:8443/shop?x=1"), "example.co.uk");
    EXPECT_EQ(RegisteredDomainOf(" http://www.例子.中国/ ", ""), "xn--fsqu00a.xn--fiqs8s");
    EXPECT_FALSE(RegisteredDomainOf("", "http://192.0.2.1/"));
    EXPECT_FALSE(RegisteredDomainOf("com.cn", ""));
    EXPECT_FALSE(RegisteredDomainOf("not a host", ""));

    const auto site = SiteHostOf("https://user@[::1]:8443/x");
    ASSERT_TRUE(site);
    EXPECT_EQ(site->host, "::1");
    EXPECT_EQ(site->port, 8443);
    EXPECT_FALSE(SiteHostOf("https://example.com:99999/"));
    EXPECT_FALSE(SiteHostOf("https://" + std::string(64, 'a') + ".com/"));  // longer than a DNS label
    EXPECT_TRUE(IsLoopbackHost("127.8.0.1") && IsLoopbackHost("[::1]") && !IsLoopbackHost("128.0.0.1"));

    const auto bootstrap =
        ParseBootstrap(R"({"services":[[["cn"],["http://a/"]],[["com.cn"],["http://b/","https://c"]],[7]]})").bootstrap;
    ASSERT_TRUE(bootstrap);
    EXPECT_EQ(RdapBaseFor(*bootstrap, "shop.example.com.cn"), "https://c/");  // longest suffix, https first
    EXPECT_EQ(RdapBaseFor(*bootstrap, "example.cn"), "http://a/");
    EXPECT_FALSE(RdapBaseFor(*bootstrap, "example.org"));
}

// A registry far away must not make the program knock on this machine's or the office's doors.
TEST(RegistryAnswers, RedirectsNeverLeadInsideFromOutside) {
    const Resolver resolve = [](const std::string& host) -> std::vector<std::string> {
        if (host == "rdap.example") return {"192.0.2.10"};
        if (host == "rebound.example") return {"192.0.2.11", "10.1.2.3"};
        return {};
    };
    EXPECT_TRUE(JudgeRedirect("https://rdap.example/domain/x.com", "https://rdap.example/v2/domain/x.com", resolve).refused.empty());
    for (const char* inside : {"https://127.0.0.1:8080/", "https://[::1]/", "https://169.254.169.254/", "https://192.168.1.1/",
                               "https://[::ffff:10.0.0.1]/", "https://rebound.example/"})
        EXPECT_FALSE(JudgeRedirect("https://rdap.example/domain/x.com", inside, resolve).refused.empty()) << inside;
    EXPECT_FALSE(JudgeRedirect("https://rdap.example/", "http://rdap.example/", resolve).refused.empty());
    // A stand-in on this machine may send on to another.
    EXPECT_TRUE(JudgeRedirect("http://127.0.0.1:8080/domain/x.com", "http://127.0.0.1:9090/x", resolve).refused.empty());
}

}  // namespace
}  // namespace sitora::check
