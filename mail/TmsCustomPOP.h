#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "TmsMailBase.h"

namespace kelvane {

// How a mailbox's session is protected.
enum class PopSecurity {
    Plain = 0,     // plain text, as POP3 began
    StartTls = 1,  // "STLS" (RFC 2595) after the greeting, before the login
    Implicit = 2,  // TLS from the first byte (POP3S, port 995)
};

// An event about one message; `num` is the zero-based index, the POP3 number is num + 1.
using TmsNumNotifyEvent = std::function<void(TagSocket& sender, int num)>;

// A POP3 session (RFC 1939): login with USER and PASS, the mailbox totals from STAT, and the
// retrieval and deletion of single messages. Every command that must succeed raises
// EServerError with the server's reply line when the reply is not positive.
class TmsCustomPOP : public TmsMailBase {
  public:
    TmsCustomPOP();

    std::string UserName;
    std::string Password;
    // Plain text never takes over from TLS that was asked for: a server that cannot do it is an
    // error. The default port follows: 995 for Implicit, else 110.
    PopSecurity Security = PopSecurity::Plain;

    TmsNumNotifyEvent OnRetrieving;
    TmsNumNotifyEvent OnRetrieved;
    TmsNumNotifyEvent OnDeleting;  // before "DELE" is sent
    TmsNumNotifyEvent OnDeleted;   // after the server accepted "DELE"
    // The server refused "DELE" or gave no reply; `reply` is its line (empty when none came).
    std::function<void(TagSocket& sender, int num, const std::string& reply)> OnDeleteRefused;
    // One line per command sent ("C: ...") and per reply line read ("S: ..."), and one
    // "S: (n bytes of data)" per data block. The password is written as "PASS {password}".
    std::function<void(const std::string& line)> OnTrace;

    // From the last STAT; -1 before the first login.
    int MessageCount() const { return messageCount_; }
    int MailboxSize() const { return mailboxSize_; }
    const std::string& LastReply() const { return lastReply_; }

    // Checks UserName, then opens the transport. An empty password is sent as it is, and the
    // server's refusal reported, rather than another account's password being used.
    void Open() override;
    void Login() override;
    void Logout() override;
    // 1 for a positive reply ("+"), -1 for a negative one ("-"), 0 otherwise.
    int ReplyCode(std::string_view line) override;

    // Connects as a check would, up to and including the TLS handshake, and gives the
    // certificate the server showed, trusted or not; then closes. For a user who decides to
    // trust it. Raises the usual errors, and ESocketError for a mailbox without TLS.
    TlsCertificate ServerCertificate();

    // Hands over a downloaded message: the data block exactly as received, terminator included.
    virtual void SaveMessage(int num, const std::string& contents) = 0;

  protected:
    // Sends a command line. A reply that is already waiting answers no command: it would be
    // read as this command's reply and every later one would be one step late.
    void SendCommand(const std::string& command);
    // Sends one command and reads its reply line.
    ReplyLine Command(const std::string& command);
    // Like Command(); raises EServerError with the reply line unless the reply is positive.
    std::string CommandOk(const std::string& command);
    // LIST n, OnRetrieving, RETR n, the data block, SaveMessage, OnRetrieved.
    void RetrieveMessage(int num);
    // OnDeleting, DELE n, then OnDeleted or OnDeleteRefused.
    void DeleteMessage(int num);
    void Notify(const TmsNumNotifyEvent& event, int num);
    void Trace(const std::string& line);
    void TraceData(std::size_t size);

    // The size in message num's LIST reply ("+OK 2 1320"); a size that is not a decimal number
    // of 64 bits is a protocol error.
    long long ListedSize(int num, const std::string& reply);
    // Quits a session whose answer no longer matters (one without deletions) and closes it,
    // without waiting and without reporting.
    void QuitQuietly();

  private:
    void RequireSuccess(const ReplyLine& reply);
    void LoginSteps();
    void ReadGreeting();
    void UpgradeToTls();
    bool OffersStls();
    void SendPassword();
    void ReadStat(std::string_view reply);

    int messageCount_ = -1;
    int mailboxSize_ = -1;
    std::string lastReply_;
};

}  // namespace kelvane
