#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "LineStream.h"
#include "MailHeaders.h"
#include "MailMessage.h"

namespace kelvane {

// Decodes one whole message file into a message: header fields, body text and attachments. Used
// once per message; the message is expected to be cleared beforehand.
class TmsMessageDecoder {
  public:
    TmsMessageDecoder(TmsCustomMessage& message, std::string data);

    // A body that cannot be decoded ends up as three explaining lines in the body and the whole
    // input as the attachment "original.eml"; errors raised while reading the header fields
    // propagate.
    void Decode();

  private:
    enum class PartEnd { Boundary, ClosingBoundary, EndOfData };

    TmsHeaders ReadHeaderBlock();
    void ReadPartHeaders();
    void DecodeContent();
    void DecodeMime();
    void DecodeSingleBody(const std::string& contentType);
    bool ReadBodyUntilUUBegin();
    void RestartAsPlainText();
    void DecodeMultipart(const std::string& contentType);
    void EnterAlternative(const std::string& partType);
    PartEnd DecodeTextPart(const std::string& partType, bool base64);
    PartEnd ReadTextPartLines(std::vector<std::string>& lines);
    void DecodeAttachmentParts();
    PartEnd DecodeAttachment(const TmsHeaders& fields, bool toEndOfData);
    PartEnd ReadAttachmentData(TmsAttItem& item, bool toEndOfData);
    std::string AttachmentName(const TmsHeaders& fields, const std::string& contentType) const;
    bool ReturnToOuterBoundary();
    void SkipToBoundary();
    void DecodePlainText();
    std::string_view DecodeUUBlock(std::string_view beginLine);
    void SetBody(std::string_view text, std::string_view charset);
    void RecordError(const std::string& message);
    void DropTerminatorLine();

    TmsCustomMessage& message_;
    TLineStream stream_;
    TmsHeaders headers_;
    TmsHeaders partHeaders_;
    std::string boundary_;       // "--" and the boundary parameter
    std::string outerBoundary_;  // kept while a nested alternative part is read
    bool alternative_ = false;   // message or first part is multipart/alternative
    bool nested_ = false;        // inside the nested alternative part
};

}  // namespace kelvane
