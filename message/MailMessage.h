#pragma once

#include <string>
#include <vector>

#include "MailAddress.h"
#include "MailHeaders.h"

namespace kelvane {

enum TMsgEncoding { meMIME, meUU };
enum TCharSet { csUSASCII, csISO8859, csISO2022jp };
enum TPriority { ptLow, ptNormal, ptHigh };
// How an attachment was carried in the message.
enum TAttEncoding { aeNone, aeBase64, aeUUEncode, aeQuotedPrintable };

// One attachment of a decoded message, its bytes held in memory.
struct TmsAttItem {
    std::string FileName;   // at most 255 bytes
    std::string MediaType;  // at most 255 bytes
    TAttEncoding Encoding = aeNone;
    std::string Data;
};

using TmsAttList = std::vector<TmsAttItem>;

// A message decoded from a saved message file: sender, subject, body text and attachments.
class TmsCustomMessage {
  public:
    virtual ~TmsCustomMessage() = default;

    TmsAttList Attachments;
    std::string ContentType;  // at most 255 bytes
    TMsgEncoding Encoding = meMIME;
    TmsMailAddress Sender;
    std::string Subject;  // at most 255 bytes
    TCharSet CharSet = csUSASCII;
    TmsHeaders Headers;
    std::vector<std::string> Body;

    // Clears the message and decodes the file. Raises EMailError when the file cannot be read.
    void LoadFromFile(const std::string& path);
    // Clears the message and decodes a whole message file held in memory. A body that cannot be
    // decoded does not raise: the body then tells so and the input is kept as "original.eml".
    void LoadFromBytes(std::string data);

    virtual void Clear();
    // Fills the fields that come from the message header.
    virtual void ApplyHeaders(const TmsHeaders& headers);
};

// A decoded message with its recipients, priority and return-receipt request.
class TmsMessage : public TmsCustomMessage {
  public:
    TmsAddressList Recipients;
    TmsAddressList CC;
    TmsAddressList BCC;
    TPriority Priority = ptNormal;
    bool ReturnReceipt = false;

    void Clear() override;
    void ApplyHeaders(const TmsHeaders& headers) override;
};

}  // namespace kelvane
