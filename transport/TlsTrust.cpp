// What the server's certificate says, and whether it can be trusted.
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <ctime>
#include <memory>

#include "TlsSession.h"

namespace kelvane {
namespace {

constexpr const char* kPrefix = "The server's certificate ";

std::string NameText(const X509_NAME* name) {
    std::unique_ptr<BIO, decltype(&::BIO_free)> bio(::BIO_new(::BIO_s_mem()), ::BIO_free);
    ::X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = ::BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size > 0 ? size : 0));
}

std::string TimeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (time == nullptr || ::ASN1_TIME_to_tm(time, &parts) != 1) return "(unknown)";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string Fingerprint(const X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (::X509_digest(certificate, ::EVP_sha256(), digest, &size) != 1) return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        if (i > 0) text += ':';
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0xF];
    }
    return text;
}

std::string ReasonFor(long result) {
    switch (result) {
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return std::string(kPrefix) + "was issued for another name";
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return std::string(kPrefix) + "has expired";
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return std::string(kPrefix) + "is not valid yet";
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
            return std::string(kPrefix) + "is self-signed";
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
            return std::string(kPrefix) + "was not issued by a trusted authority";
        default:
            return std::string(kPrefix) + "was refused: " + ::X509_verify_cert_error_string(result);
    }
}

}  // namespace

TlsCertificate TlsSession::PeerCertificate() const {
    TlsCertificate described;
    X509* certificate = ::SSL_get1_peer_certificate(ssl_);
    if (certificate == nullptr) return described;
    described.subject = NameText(::X509_get_subject_name(certificate));
    described.issuer = NameText(::X509_get_issuer_name(certificate));
    described.notBefore = TimeText(::X509_get0_notBefore(certificate));
    described.notAfter = TimeText(::X509_get0_notAfter(certificate));
    described.fingerprint = Fingerprint(certificate);
    ::X509_free(certificate);
    return described;
}

std::string TlsSession::Refusal(const std::string& pinnedFingerprint) const {
    X509* certificate = ::SSL_get1_peer_certificate(ssl_);
    if (certificate == nullptr) return std::string(kPrefix) + "is missing";
    const std::string fingerprint = Fingerprint(certificate);
    ::X509_free(certificate);
    if (!pinnedFingerprint.empty()) {
        if (fingerprint == pinnedFingerprint) return {};
        return std::string(kPrefix) + "is not the one trusted for this mailbox";
    }
    const long result = ::SSL_get_verify_result(ssl_);
    return result == X509_V_OK ? std::string() : ReasonFor(result);
}

}  // namespace kelvane
