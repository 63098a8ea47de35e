#include "FoundAccount.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(OAuthProviderOfServer, NamesTheProviderOfItsDomainOnly) {
    struct Case {
        const char* server;
        const char* provider;
    };
    for (const Case& c :
         {Case{"pop.gmail.com", "google"}, Case{"POP.GoogleMail.com:995", "google"},
          Case{"gmail.com", "google"}, Case{"outlook.office365.com", "microsoft"},
          Case{"pop-mail.outlook.com", "microsoft"}, Case{"pop3.live.com:995", "microsoft"},
          Case{"pop.hotmail.com", "microsoft"}, Case{"pop.example.org", ""},
          Case{"notgmail.example", ""}, Case{"pop.example.org:995", ""}}) {
        EXPECT_EQ(OAuthProviderOfServer(c.server), c.provider) << c.server;
    }
}

}  // namespace
}  // namespace kelvane
