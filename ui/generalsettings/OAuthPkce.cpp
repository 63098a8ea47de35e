#include "OAuthPkce.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QRandomGenerator>

namespace kelvane {
namespace {

std::string Base64Url(const QByteArray& bytes) {
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals)
        .toStdString();
}

// The system generator draws on the kernel's random source, which is fit for secrets.
QByteArray RandomBytes(int count) {
    QByteArray bytes(count, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), count / 4);
    return bytes;
}

}  // namespace

std::string NewPkceVerifier() {
    QByteArray bytes = RandomBytes(48);
    std::string verifier = Base64Url(bytes);
    bytes.fill('\0');
    return verifier;
}

std::string PkceChallenge(const std::string& verifier) {
    return Base64Url(
        QCryptographicHash::hash(QByteArray::fromStdString(verifier), QCryptographicHash::Sha256));
}

std::string NewOAuthState() {
    return Base64Url(RandomBytes(24));
}

}  // namespace kelvane
