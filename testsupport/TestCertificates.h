#pragma once

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "TempFolder.h"

namespace kelvane::testsupport {

// A certificate and its private key as PEM files, and its SHA-256 fingerprint.
struct TestCertificate {
    std::string certificateFile;
    std::string keyFile;
    std::string fingerprint;  // upper-case hex pairs joined by colons
};

namespace certificates_detail {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Certificate = std::unique_ptr<X509, CertificateFree>;
using Bio = std::unique_ptr<BIO, BioFree>;

inline void Require(bool ok, const std::string& what) {
    if (ok) return;
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    throw std::runtime_error("test certificates: " + what + ": " + text);
}

inline std::string Fingerprint(const X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    Require(X509_digest(certificate, EVP_sha256(), digest, &length) == 1, "X509_digest");
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        if (i > 0) text += ':';
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0xF];
    }
    return text;
}

}  // namespace certificates_detail

// The SHA-256 fingerprint of the first certificate in a PEM file, as a user compares it:
// upper-case hex pairs joined by colons.
inline std::string CertificateFingerprint(const std::string& pemFile) {
    using namespace certificates_detail;
    const Bio in(BIO_new_file(pemFile.c_str(), "r"));
    Require(in != nullptr, "cannot open " + pemFile);
    const Certificate certificate(PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr));
    Require(certificate != nullptr, "no certificate in " + pemFile);
    return Fingerprint(certificate.get());
}

// A test authority and the server certificates a careful client must accept or refuse, made
// afresh with EC P-256 keys as PEM files in a temp folder that goes with the object:
//   "valid"                signed by the authority, for localhost and 127.0.0.1, valid now
//   "other-name"           signed by the authority, for other.example only
//   "expired"              signed by the authority, valid only in the past
//   "not-yet-valid"        signed by the authority, valid only in the future
//   "self-signed"          for localhost and 127.0.0.1, its own issuer
//   "untrusted-authority"  for localhost and 127.0.0.1, signed by a second authority that
//                          nobody trusts
class TestCertificates {
  public:
    TestCertificates() {
        using namespace certificates_detail;
        constexpr long kDay = 24L * 60 * 60;
        constexpr const char* kLocal = "DNS:localhost,IP:127.0.0.1";
        const Key authorityKey = NewKey();
        const Certificate authority = Make("Kelvane Test Authority", authorityKey.get(), nullptr,
                                           nullptr, -kDay, 365 * kDay, "", true);
        authorityFile_ = Write("authority", authority.get(), authorityKey.get()).certificateFile;
        const Key strangerKey = NewKey();
        const Certificate stranger = Make("Kelvane Untrusted Authority", strangerKey.get(), nullptr,
                                          nullptr, -kDay, 365 * kDay, "", true);

        struct Form {
            const char* name;
            const char* san;
            long from;
            long to;
            X509* issuer;
            EVP_PKEY* issuerKey;
        };
        const Form forms[] = {
            {"valid", kLocal, -kDay, 30 * kDay, authority.get(), authorityKey.get()},
            {"other-name", "DNS:other.example", -kDay, 30 * kDay, authority.get(),
             authorityKey.get()},
            {"expired", kLocal, -30 * kDay, -kDay, authority.get(), authorityKey.get()},
            {"not-yet-valid", kLocal, kDay, 30 * kDay, authority.get(), authorityKey.get()},
            {"self-signed", kLocal, -kDay, 30 * kDay, nullptr, nullptr},
            {"untrusted-authority", kLocal, -kDay, 30 * kDay, stranger.get(), strangerKey.get()},
        };
        for (const Form& form : forms) {
            const Key key = NewKey();
            const Certificate certificate =
                Make(std::string("kelvane ") + form.name, key.get(), form.issuer, form.issuerKey,
                     form.from, form.to, form.san, false);
            certificates_[form.name] = Write(form.name, certificate.get(), key.get());
        }
    }

    // The authority's certificate, for SSL_CERT_FILE.
    const std::string& AuthorityFile() const { return authorityFile_; }

    // One of the certificates named above; throws for any other name.
    const TestCertificate& operator[](const std::string& name) const {
        const auto found = certificates_.find(name);
        if (found == certificates_.end())
            throw std::out_of_range("no test certificate named " + name);
        return found->second;
    }

  private:
    static certificates_detail::Key NewKey() {
        certificates_detail::Key key(EVP_EC_gen("P-256"));
        certificates_detail::Require(key != nullptr, "EC key generation");
        return key;
    }

    static void AddExtension(X509* certificate, X509V3_CTX& context, int nid, const char* value) {
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
        certificates_detail::Require(extension != nullptr, std::string("extension ") + value);
        const int added = X509_add_ext(certificate, extension, -1);
        X509_EXTENSION_free(extension);
        certificates_detail::Require(added == 1, std::string("adding extension ") + value);
    }

    // A certificate for `key`, signed by `issuer` or, without one, by itself; valid from `from`
    // to `to` seconds from now.
    certificates_detail::Certificate Make(const std::string& commonName, EVP_PKEY* key,
                                          X509* issuer, EVP_PKEY* issuerKey, long from, long to,
                                          const std::string& san, bool authority) {
        using namespace certificates_detail;
        Certificate certificate(X509_new());
        X509* x = certificate.get();
        Require(x != nullptr, "X509_new");
        Require(X509_set_version(x, X509_VERSION_3) == 1, "version");
        // Serial numbers differ, so no two certificates of one issuer look alike.
        Require(ASN1_INTEGER_set(X509_get_serialNumber(x), ++serial_) == 1, "serial");
        Require(X509_gmtime_adj(X509_getm_notBefore(x), from) != nullptr, "not before");
        Require(X509_gmtime_adj(X509_getm_notAfter(x), to) != nullptr, "not after");
        Require(X509_set_pubkey(x, key) == 1, "public key");
        X509_NAME* name = X509_get_subject_name(x);
        const auto text = [](const std::string& s) {
            return reinterpret_cast<const unsigned char*>(s.c_str());
        };
        Require(X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, text("Kelvane Tests"), -1, -1,
                                           0) == 1 &&
                    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, text(commonName), -1, -1,
                                               0) == 1,
                "subject");
        Require(X509_set_issuer_name(x, issuer ? X509_get_subject_name(issuer) : name) == 1,
                "issuer");
        X509V3_CTX context;
        X509V3_set_ctx_nodb(&context);
        X509V3_set_ctx(&context, issuer ? issuer : x, x, nullptr, nullptr, 0);
        AddExtension(x, context, NID_basic_constraints,
                     authority ? "critical,CA:TRUE" : "CA:FALSE");
        if (authority) AddExtension(x, context, NID_key_usage, "critical,keyCertSign,cRLSign");
        AddExtension(x, context, NID_subject_key_identifier, "hash");
        AddExtension(x, context, NID_authority_key_identifier, "keyid");
        if (!san.empty()) AddExtension(x, context, NID_subject_alt_name, san.c_str());
        Require(X509_sign(x, issuerKey ? issuerKey : key, EVP_sha256()) > 0, "signing");
        return certificate;
    }

    TestCertificate Write(const std::string& name, X509* certificate, EVP_PKEY* key) const {
        using namespace certificates_detail;
        TestCertificate files{folder_.File(name + ".pem"), folder_.File(name + ".key"),
                              Fingerprint(certificate)};
        const Bio out(BIO_new_file(files.certificateFile.c_str(), "w"));
        Require(out && PEM_write_bio_X509(out.get(), certificate) == 1, "writing " + name);
        const Bio keyOut(BIO_new_file(files.keyFile.c_str(), "w"));
        Require(keyOut && PEM_write_bio_PrivateKey(keyOut.get(), key, nullptr, nullptr, 0, nullptr,
                                                   nullptr) == 1,
                "writing the key of " + name);
        return files;
    }

    TempFolder folder_;
    std::string authorityFile_;
    std::map<std::string, TestCertificate> certificates_;
    long serial_ = 0;
};

// Trusts exactly the given authority file through SSL_CERT_FILE, which OpenSSL's default verify
// paths read, for as long as the object lives; then restores what was there.
class TrustedAuthority {
  public:
    explicit TrustedAuthority(const std::string& pemFile) {
        if (const char* before = std::getenv(kVariable)) previous_ = before;
        ::setenv(kVariable, pemFile.c_str(), 1);
    }
    ~TrustedAuthority() {
        if (previous_)
            ::setenv(kVariable, previous_->c_str(), 1);
        else
            ::unsetenv(kVariable);
    }
    TrustedAuthority(const TrustedAuthority&) = delete;
    TrustedAuthority& operator=(const TrustedAuthority&) = delete;

  private:
    static constexpr const char* kVariable = "SSL_CERT_FILE";
    std::optional<std::string> previous_;
};

}  // namespace kelvane::testsupport
