#pragma once

#include <string>
#include <string_view>

#include "PasswordCipher.h"

// Keeping a session's secrets out of the texts that leave it.
namespace kelvane {

// `text` with the secret written as `placeholder` wherever it appears, built from the pieces
// around it so that no copy of the secret is made.
inline std::string Hidden(std::string_view text, const std::string& secret,
                          std::string_view placeholder) {
    if (secret.empty()) return std::string(text);
    std::string shown;
    for (std::size_t at = text.find(secret); at != std::string_view::npos; at = text.find(secret)) {
        shown.append(text.substr(0, at)).append(placeholder);
        text.remove_prefix(at + secret.size());
    }
    return shown.append(text);
}

// Wipes a string that held a secret when the scope ends, however it ends.
class ForgottenAtEnd {
  public:
    explicit ForgottenAtEnd(std::string& secret) : secret_(secret) {}
    ~ForgottenAtEnd() { ForgetSecret(secret_); }
    ForgottenAtEnd(const ForgottenAtEnd&) = delete;
    ForgottenAtEnd& operator=(const ForgottenAtEnd&) = delete;

  private:
    std::string& secret_;
};

}  // namespace kelvane
