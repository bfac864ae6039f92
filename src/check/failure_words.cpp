#include "check/failure_words.h"

#include <curl/curl.h>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <cerrno>
#include <cstring>

namespace sitora::check {

std::string ResolverFailure(int gai_error) {
    switch (gai_error) {
    case EAI_NONAME: return "无法解析主机名：没有这个主机";
    case EAI_AGAIN: return "无法解析主机名：域名服务器暂时没有应答";
    case EAI_FAIL: return "无法解析主机名：域名服务器出错";
#ifdef EAI_NODATA
    case EAI_NODATA: return "无法解析主机名：这个主机没有地址";
#endif
    default: return std::string("无法解析主机名（") + gai_strerror(gai_error) + "）";
    }
}

std::string SystemFailure(const char* lead, int error) {
    const char* words = nullptr;
    switch (error) {
    case ECONNREFUSED: words = "对方拒绝连接"; break;
    case ECONNRESET: words = "连接被对方重置"; break;
    case ETIMEDOUT: words = "连接超时"; break;
    case EHOSTUNREACH: words = "主机不可达"; break;
    case ENETUNREACH: words = "网络不可达"; break;
    case EPIPE: words = "连接已断开"; break;
    default: break;
    }
    return std::string(lead) + "：" + (words ? std::string(words) : std::string("系统错误（") + std::strerror(error) + "）");
}

std::string CurlFailure(int curl_code, const char* detail) {
    switch (curl_code) {
    case CURLE_COULDNT_RESOLVE_HOST: return "无法解析主机名：没有这个主机";
    case CURLE_COULDNT_CONNECT: return "无法连接：对方拒绝连接或不可达";
    case CURLE_OPERATION_TIMEDOUT: return "没有应答（超时）";
    case CURLE_SSL_CONNECT_ERROR: return "TLS 握手失败";
    case CURLE_PEER_FAILED_VERIFICATION: return "服务器证书未通过验证";
    case CURLE_GOT_NOTHING: return "服务器没有应答就断开了连接";
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR: return "连接中断";
    default:
        return std::string("请求失败（") + (detail && *detail ? detail : curl_easy_strerror(static_cast<CURLcode>(curl_code))) + "）";
    }
}

std::string TlsFailure(unsigned long openssl_error) {
    if (!openssl_error) return "TLS 握手失败：连接被对方关闭";
    if (ERR_GET_LIB(openssl_error) == ERR_LIB_SSL) {
        switch (ERR_GET_REASON(openssl_error)) {
        case SSL_R_WRONG_VERSION_NUMBER:
        case SSL_R_PACKET_LENGTH_TOO_LONG: return "TLS 握手失败：对方不说 TLS（端口不对？）";
        case SSL_R_UNSUPPORTED_PROTOCOL: return "TLS 握手失败：对方只支持过时的协议版本";
        case SSL_R_NO_SHARED_CIPHER:
        case SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE: return "TLS 握手失败：双方没有共同的加密方式";
        case SSL_R_TLSV1_ALERT_INTERNAL_ERROR: return "TLS 握手失败：对方内部出错";
        case SSL_R_TLSV1_UNRECOGNIZED_NAME: return "TLS 握手失败：对方不认识这个主机名";
        default: break;
        }
    }
    char text[256];
    ERR_error_string_n(openssl_error, text, sizeof text);
    return std::string("TLS 握手失败（") + text + "）";
}

std::string VerifyFailure(long code) {
    switch (code) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT: return "自签名证书";
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN: return "证书链中有自签名证书";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: return "签发者不受信任";
    case X509_V_ERR_CERT_HAS_EXPIRED: return "证书已过期";
    case X509_V_ERR_CERT_NOT_YET_VALID: return "证书尚未生效";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return "证书与主机名不符";
    case X509_V_ERR_INVALID_PURPOSE: return "证书用途不符（不能用于网站）";
    case X509_V_ERR_CERT_REVOKED: return "证书已被吊销";
    case X509_V_ERR_CERT_SIGNATURE_FAILURE: return "证书签名无效";
    default: return std::string("其他原因（") + X509_verify_cert_error_string(code) + "）";
    }
}

}  // namespace sitora::check
