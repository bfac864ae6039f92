#pragma once
// Why a server could not be asked, in the user's words: the resolver's, the system's, libcurl's
// and OpenSSL's common failures in Chinese; others after a Chinese lead, with the original text.
#include <string>

namespace sitora::check {

std::string ResolverFailure(int gai_error);              // getaddrinfo's EAI_*
std::string SystemFailure(const char* lead, int error);  // errno, after "无法连接" and the like
std::string CurlFailure(int curl_code, const char* detail);
std::string TlsFailure(unsigned long openssl_error);     // ERR_get_error's code, 0 for none
std::string VerifyFailure(long x509_verify_code);        // X509_V_ERR_*

}  // namespace sitora::check
