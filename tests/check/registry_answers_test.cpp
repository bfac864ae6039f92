// What registries and people write, read: the cases the stand-in servers of check_test.py do not
// reach (registry date forms, sub-domains and IDN names, suffix matching, deep JSON).
#include <gtest/gtest.h>

#include "check/registry_answers.h"
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
    for (const char* nonsense : {"2027-02-30", "2027-3-1x", "99-03-01", "", "2027-03-01Z", "31-Foo-2027"})
        EXPECT_FALSE(ReadRegistryDate(nonsense)) << nonsense;

    EXPECT_EQ(ReadWhoisReply("Registry Expiry Date: 2027-03-01T04:00:00Z\r\n>>> not found anywhere <<<").expiry,
              march_first);  // a disclaimer never hides a date
    EXPECT_EQ(ReadWhoisReply("Domain Name: x.cn\r\nExpiration Time: 2027-03-01 12:00:00\r\n").kind, AnswerKind::kFound);
    EXPECT_EQ(ReadWhoisReply("No matching record.\r\n").kind, AnswerKind::kNotFound);
    EXPECT_EQ(ReadWhoisReply("Queried interval is too short.\r\n").kind, AnswerKind::kRateLimited);
    EXPECT_EQ(ReadWhoisReferral("% IANA\nrefer:        whois.nic.example\n"), "whois.nic.example");
    EXPECT_EQ(ReadRdapDomain(R"({"errorCode":404})").kind, AnswerKind::kNotFound);
    EXPECT_EQ(ReadRdapDomain(R"({"events":[{"eventAction":"expiration","eventDate":7}]})").kind, AnswerKind::kUnreadable);
    EXPECT_EQ(ReadRdapDomain(std::string(200000, '[') + std::string(200000, ']')).kind, AnswerKind::kUnreadable);
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
    EXPECT_TRUE(IsLoopbackHost("127.8.0.1") && IsLoopbackHost("[::1]") && !IsLoopbackHost("128.0.0.1"));

    const auto bootstrap =
        ParseBootstrap(R"({"services":[[["cn"],["http://a/"]],[["com.cn"],["http://b/","https://c"]],[7]]})", nullptr);
    ASSERT_TRUE(bootstrap);
    EXPECT_EQ(RdapBaseFor(*bootstrap, "shop.example.com.cn"), "https://c/");  // longest suffix, https first
    EXPECT_EQ(RdapBaseFor(*bootstrap, "example.cn"), "http://a/");
    EXPECT_FALSE(RdapBaseFor(*bootstrap, "example.org"));
}

}  // namespace
}  // namespace sitora::check
