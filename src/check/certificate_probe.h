#pragma once
// The certificate a site shows on its TLS port: when it runs out, who issued it and whether this
// machine's trust store and the host name vouch for it. An expired or self-signed certificate is
// still read; only a site that does not complete a TLS handshake gives no certificate.
#include <cstdint>
#include <optional>
#include <string>

#include "base/text/dates.h"
#include "check/registry_transport.h"
#include "check/stop_flag.h"

namespace sitora::check {

struct CertificateAnswer {
    std::string error;  // the site gave no certificate: why
    std::optional<text::Date> not_after;
    std::string issuer;
    bool verified = false;
    std::string not_verified_why;
};

// Trusts what OpenSSL trusts by default (SSL_CERT_FILE / SSL_CERT_DIR when set), and verifies as
// at `verify_at` (seconds since the epoch) when given, now otherwise.
CertificateAnswer ProbeCertificate(const std::string& host, int port, const StopFlag& stop,
                                   long timeout_ms = kRequestTimeoutMs, std::optional<std::int64_t> verify_at = {});

}  // namespace sitora::check
