#include "check/certificate_probe.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <memory>

#include "check/failure_words.h"
#include "check/socket_io.h"

namespace sitora::check {
namespace {

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, std::integral_constant<decltype(Free), Free>>;

bool IsIpAddress(const std::string& host) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

std::string IssuerOf(X509* certificate) {
    X509_NAME* issuer = X509_get_issuer_name(certificate);
    for (const int nid : {NID_organizationName, NID_commonName}) {
        const int at = X509_NAME_get_index_by_NID(issuer, nid, -1);
        if (at < 0) continue;
        unsigned char* utf8 = nullptr;
        const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(issuer, at)));
        if (length < 0) continue;
        std::string name(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(length));
        OPENSSL_free(utf8);
        return name;
    }
    return {};
}

std::optional<text::Date> DateOf(const ASN1_TIME* time) {
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return std::nullopt;
    const text::Date date{std::chrono::year(parts.tm_year + 1900), std::chrono::month(static_cast<unsigned>(parts.tm_mon + 1)),
                          std::chrono::day(static_cast<unsigned>(parts.tm_mday))};
    if (!date.ok()) return std::nullopt;
    return date;
}

std::string SslError() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    return TlsFailure(code);
}

}  // namespace

CertificateAnswer ProbeCertificate(const std::string& host, int port, const StopFlag& stop, long timeout_ms,
                                   std::optional<std::int64_t> verify_at) {
    CertificateAnswer answer;
    Connection connection(host, port, Clock::now() + std::chrono::milliseconds(timeout_ms), stop);
    if (!connection.IsOpen()) {
        answer.error = connection.Error();
        return answer;
    }
    const Owned<SSL_CTX, SSL_CTX_free> context(SSL_CTX_new(TLS_client_method()));
    if (!context) {
        answer.error = "TLS 无法初始化：" + SslError();
        return answer;
    }
    SSL_CTX_set_default_verify_paths(context.get());
    // The handshake goes on whatever the verdict, so that a bad certificate is still read.
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);
    const Owned<SSL, SSL_free> ssl(SSL_new(context.get()));
    if (!ssl || SSL_set_fd(ssl.get(), connection.Descriptor()) != 1) {
        answer.error = "TLS 无法初始化：" + SslError();
        return answer;
    }
    X509_VERIFY_PARAM* check = SSL_get0_param(ssl.get());
    if (verify_at) X509_VERIFY_PARAM_set_time(check, static_cast<time_t>(*verify_at));
    if (IsIpAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl.get(), host.c_str());
        X509_VERIFY_PARAM_set1_host(check, host.c_str(), 0);
    }
    while (true) {
        const int rc = SSL_connect(ssl.get());
        if (rc == 1) break;
        const int wanted = SSL_get_error(ssl.get(), rc);
        if (wanted != SSL_ERROR_WANT_READ && wanted != SSL_ERROR_WANT_WRITE) {
            answer.error = SslError();
            return answer;
        }
        if (!connection.Await(wanted == SSL_ERROR_WANT_WRITE)) {
            answer.error = connection.Error();
            return answer;
        }
    }
    const Owned<X509, X509_free> certificate(SSL_get1_peer_certificate(ssl.get()));
    if (!certificate) {
        answer.error = "网站没有出示证书";
        return answer;
    }
    answer.not_after = DateOf(X509_get0_notAfter(certificate.get()));
    answer.issuer = IssuerOf(certificate.get());
    const long verdict = SSL_get_verify_result(ssl.get());
    answer.verified = verdict == X509_V_OK;
    if (!answer.verified) answer.not_verified_why = VerifyFailure(verdict);
    if (!answer.not_after) {
        answer.verified = false;
        answer.not_verified_why = "证书的到期日期无法识别";
    }
    return answer;
}

}  // namespace sitora::check
