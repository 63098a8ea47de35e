#pragma once

#include "MailErrors.h"

namespace kelvane {

// The server refused the credentials of a sign-in; the text says so in plain words. A caller with
// a way to renew them (an OAuth2 refresh) may try once more.
class ESignInRefused : public EServerError {
  public:
    using EServerError::EServerError;
};

}  // namespace kelvane
