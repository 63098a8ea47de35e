#include "MessageDecoder.h"

#include <exception>
#include <vector>

#include "Base64.h"
#include "Charset.h"
#include "EventPump.h"
#include "HeaderParameters.h"
#include "MailErrors.h"
#include "MailText.h"
#include "QuotedPrintable.h"
#include "UUDecode.h"

namespace kelvane {
namespace {

using mailtext::EqualsNoCase;
using mailtext::Lower;

constexpr size_t kMaxValue = 255;        // subject, names and media types
constexpr size_t kMaxEncodedLine = 255;  // base64 and uuencoded lines are cut here

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsJapanese(const std::string& contentType) {
    return EqualsNoCase(GetParameter("charset", contentType), "iso-2022-jp");
}

std::string TransferEncoding(const TmsHeaders& fields) {
    return Lower(GetFieldValue(fields, "Content-Transfer-Encoding"));
}

TAttEncoding AttachmentEncoding(const std::string& transfer) {
    if (transfer == "base64") return aeBase64;
    if (StartsWith(transfer, "x-uue")) return aeUUEncode;
    if (transfer == "quoted-printable") return aeQuotedPrintable;
    return aeNone;
}

void AppendBase64Line(std::string_view line, std::string& out) {
    if (!line.empty()) out += DecodeBase64(line.substr(0, kMaxEncodedLine));
}

// Collects the decoded bytes of one attachment line by line.
class AttachmentWriter {
  public:
    explicit AttachmentWriter(TmsAttItem& item) : item_(item) {}

    void Add(std::string_view line) {
        switch (item_.Encoding) {
            case aeBase64:
                AppendBase64Line(line, item_.Data);
                break;
            case aeUUEncode:
                AddUULine(line);
                break;
            case aeQuotedPrintable:
                quoted_.emplace_back(line);
                break;
            case aeNone:
                item_.Data.append(line).append("\r\n");
                break;
        }
    }

    void Finish() {
        if (item_.Encoding == aeQuotedPrintable) item_.Data = TQuotedPrintable::Decode(quoted_);
    }

  private:
    // The begin and end lines of the uuencoded file carry no data.
    void AddUULine(std::string_view line) {
        if (uuEnded_ || IsUUBegin(line)) return;
        uuEnded_ = IsUUEnd(line);
        if (!uuEnded_) AppendUUDecodedLine(line.substr(0, kMaxEncodedLine), item_.Data);
    }

    TmsAttItem& item_;
    std::vector<std::string> quoted_;
    bool uuEnded_ = false;
};

}  // namespace

TmsMessageDecoder::TmsMessageDecoder(TmsCustomMessage& message, std::string data)
    : message_(message), stream_(std::move(data)) {}

void TmsMessageDecoder::Decode() {
    try {
        headers_ = ReadHeaderBlock();
        message_.ApplyHeaders(headers_);
        DecodeContent();
    } catch (...) {
        DropTerminatorLine();
        throw;
    }
    DropTerminatorLine();
}

void TmsMessageDecoder::DecodeContent() {
    try {
        if (Contains(GetFieldValue(headers_, "MIME-VERSION"), "1.0")) {
            DecodeMime();
        } else {
            DecodePlainText();
        }
    } catch (const EMessageParserError& error) {
        RecordError(error.what());
    }
}

TmsHeaders TmsMessageDecoder::ReadHeaderBlock() {
    TmsHeaders headers;
    for (;;) {
        const std::string_view line = stream_.ReadLine();
        if (stream_.Eof() || line.empty()) break;
        headers.emplace_back(line);
    }
    return headers;
}

void TmsMessageDecoder::ReadPartHeaders() {
    PumpEvents();
    partHeaders_ = ReadHeaderBlock();
}

void TmsMessageDecoder::DecodeMime() {
    if (GetFieldValue(headers_, "X-Mailer") == "V Mailsystem R #0001") {
        RemoveField(headers_, "Content-Type");
    }
    const std::string contentType = GetFieldValue(headers_, "Content-Type");
    const std::string lower = Lower(contentType);
    const std::string name = GetParameter("name", contentType);
    if (Contains(lower, "multipart/alternative")) {
        alternative_ = true;
        DecodeMultipart(contentType);
    } else if (Contains(lower, "multipart")) {
        DecodeMultipart(contentType);
    } else if (!lower.empty() && !Contains(lower, "text/")) {
        DecodeAttachment(headers_, true);
    } else if (!name.empty() && !EqualsNoCase(name, "cc:Mail")) {
        DecodeAttachment(headers_, true);
    } else {
        DecodeSingleBody(contentType);
    }
}

void TmsMessageDecoder::DecodeSingleBody(const std::string& contentType) {
    const std::string mediaType = Lower(GetMediaType(contentType));
    if (mediaType == "text/html" || mediaType == "text/rtf") message_.ContentType = mediaType;
    const std::string transfer = TransferEncoding(headers_);
    const bool quoted =
        transfer == "quoted-printable" ||
        Contains(Lower(GetFieldValue(headers_, "X-MIME-Autoconverted")), "quoted-printable");
    const std::string charset = GetParameter("charset", contentType);
    if (EqualsNoCase(charset, "iso-2022-jp")) message_.CharSet = csISO2022jp;
    if (quoted) message_.CharSet = csISO8859;

    if (transfer == "base64") {
        std::string bytes;
        for (std::string_view line = stream_.ReadLine(); !stream_.Eof();
             line = stream_.ReadLine()) {
            AppendBase64Line(line, bytes);
        }
        SetBody(bytes, charset);
    } else if (!ReadBodyUntilUUBegin()) {
        RestartAsPlainText();
    } else if (quoted) {
        SetBody(TQuotedPrintable::Decode(message_.Body), charset);
    } else if (!charset.empty()) {
        SetBody(JoinLines(message_.Body), charset);
    }
}

// False when a uuencode begin line turns up: the message is then really a plain one.
bool TmsMessageDecoder::ReadBodyUntilUUBegin() {
    for (std::string_view line = stream_.ReadLine(); !stream_.Eof(); line = stream_.ReadLine()) {
        if (IsUUBegin(line)) return false;
        message_.Body.emplace_back(line);
    }
    return true;
}

void TmsMessageDecoder::RestartAsPlainText() {
    stream_.Rewind();
    message_.Body.clear();
    headers_ = ReadHeaderBlock();
    message_.ApplyHeaders(headers_);
    for (const char* field : {"MIME-VERSION", "CONTENT-TYPE", "CONTENT-TRANSFER-ENCODING"}) {
        RemoveField(headers_, field);
    }
    DecodePlainText();
}

void TmsMessageDecoder::DecodeMultipart(const std::string& contentType) {
    boundary_ = "--" + GetParameter("boundary", contentType);
    SkipToBoundary();
    ReadPartHeaders();
    std::string partType = GetFieldValue(partHeaders_, "Content-Type");
    if (IsJapanese(partType)) message_.CharSet = csISO2022jp;
    if (Contains(Lower(partType), "multipart/alternative")) {
        EnterAlternative(partType);
        partType = GetFieldValue(partHeaders_, "Content-Type");
        if (IsJapanese(partType)) message_.CharSet = csISO2022jp;
    }
    const bool base64 = TransferEncoding(partHeaders_) == "base64";
    // A base64 part is text only in ISO-2022-JP; otherwise it is the first attachment.
    if (!base64 || IsJapanese(partType)) {
        if (DecodeTextPart(partType, base64) == PartEnd::ClosingBoundary) {
            message_.ContentType = CutUtf8(GetMediaType(partType), kMaxValue);
            return;
        }
        ReadPartHeaders();
    }
    DecodeAttachmentParts();
}

void TmsMessageDecoder::EnterAlternative(const std::string& partType) {
    alternative_ = true;
    nested_ = true;
    outerBoundary_ = boundary_;
    boundary_ = "--" + GetParameter("boundary", partType);
    SkipToBoundary();
    ReadPartHeaders();
}

TmsMessageDecoder::PartEnd TmsMessageDecoder::ReadTextPartLines(std::vector<std::string>& lines) {
    const std::string closing = boundary_ + "--";
    for (;;) {
        const std::string_view line = stream_.ReadLine();
        if (stream_.Eof()) return PartEnd::EndOfData;
        if (line == boundary_) return PartEnd::Boundary;
        if (line == closing) return PartEnd::ClosingBoundary;
        lines.emplace_back(line);
    }
}

TmsMessageDecoder::PartEnd TmsMessageDecoder::DecodeTextPart(const std::string& partType,
                                                             bool base64) {
    std::vector<std::string> lines;
    const PartEnd end = ReadTextPartLines(lines);
    const std::string charset = GetParameter("charset", partType);
    message_.Body.clear();
    if (base64) {
        std::string bytes;
        for (const std::string& encoded : lines) AppendBase64Line(encoded, bytes);
        SetBody(bytes, charset);
    } else {
        message_.Body = std::move(lines);
        if (message_.Body.empty()) message_.Body.emplace_back();
        if (TransferEncoding(partHeaders_) == "quoted-printable") {
            message_.CharSet = csISO8859;
            SetBody(TQuotedPrintable::Decode(message_.Body), charset);
        } else if (!charset.empty()) {
            SetBody(JoinLines(message_.Body), charset);
        }
    }
    if (end == PartEnd::EndOfData) throw EMessageParserError(kCannotFindBoundary);
    return end;
}

// Every part from here on is an attachment; the current part's header block has been read.
void TmsMessageDecoder::DecodeAttachmentParts() {
    for (;;) {
        const PartEnd end = DecodeAttachment(partHeaders_, false);
        if (end == PartEnd::EndOfData) return;
        if (end == PartEnd::ClosingBoundary && (!nested_ || !ReturnToOuterBoundary())) return;
        ReadPartHeaders();
    }
}

TmsMessageDecoder::PartEnd TmsMessageDecoder::DecodeAttachment(const TmsHeaders& fields,
                                                               bool toEndOfData) {
    TmsAttItem item;
    const std::string contentType = GetFieldValue(fields, "Content-Type");
    item.MediaType = CutUtf8(GetMediaType(contentType), kMaxValue);
    if (item.MediaType.empty()) item.MediaType = "text/plain";
    item.FileName = AttachmentName(fields, contentType);
    item.Encoding = AttachmentEncoding(TransferEncoding(fields));
    PartEnd end;
    try {
        end = ReadAttachmentData(item, toEndOfData);
    } catch (const EMailError&) {
        throw;
    } catch (const std::exception&) {
        throw EMessageParserError(kErrorDecodingAttachment);
    }
    message_.Attachments.push_back(std::move(item));
    return end;
}

// Reads up to the next line that begins with the boundary, or to the end of the data.
TmsMessageDecoder::PartEnd TmsMessageDecoder::ReadAttachmentData(TmsAttItem& item,
                                                                 bool toEndOfData) {
    AttachmentWriter writer(item);
    const std::string closing = boundary_ + "--";
    PartEnd end = PartEnd::EndOfData;
    for (std::string_view line = stream_.ReadLine(); !stream_.Eof(); line = stream_.ReadLine()) {
        if (!toEndOfData && StartsWith(line, boundary_)) {
            end = StartsWith(line, closing) ? PartEnd::ClosingBoundary : PartEnd::Boundary;
            break;
        }
        writer.Add(line);
    }
    writer.Finish();
    return end;
}

std::string TmsMessageDecoder::AttachmentName(const TmsHeaders& fields,
                                              const std::string& contentType) const {
    std::string name = GetParameter("name", contentType);
    if (name.empty()) name = GetParameter("filename", GetFieldValue(fields, "Content-Disposition"));
    if (name.empty()) {
        name = (alternative_ ? "_alt." : "att.") + std::to_string(message_.Attachments.size());
    }
    return CutUtf8(name, kMaxValue);
}

// Leaves a finished nested alternative part for the outer boundary; true when outer parts follow.
bool TmsMessageDecoder::ReturnToOuterBoundary() {
    boundary_ = outerBoundary_;
    nested_ = false;
    for (std::string_view line = stream_.ReadLine(); !stream_.Eof(); line = stream_.ReadLine()) {
        if (StartsWith(line, boundary_)) return !StartsWith(line.substr(boundary_.size()), "--");
    }
    throw EMessageParserError(kCannotFindClosingBoundary);
}

void TmsMessageDecoder::SkipToBoundary() {
    for (std::string_view line = stream_.ReadLine(); !stream_.Eof(); line = stream_.ReadLine()) {
        if (line == boundary_) return;
    }
    throw EMessageParserError(kCannotFindBoundary);
}

void TmsMessageDecoder::DecodePlainText() {
    std::string_view line = stream_.ReadLine();
    for (; !stream_.Eof() && !IsUUBegin(line); line = stream_.ReadLine()) {
        message_.Body.emplace_back(line);
    }
    while (!stream_.Eof()) line = DecodeUUBlock(line);
}

// Decodes the file that `beginLine` starts and returns the next begin line, or the end marker.
std::string_view TmsMessageDecoder::DecodeUUBlock(std::string_view beginLine) {
    TmsAttItem item;
    item.FileName = CutUtf8(UUBeginFileName(beginLine), kMaxValue);
    if (item.FileName.empty()) item.FileName = "att." + std::to_string(message_.Attachments.size());
    item.Encoding = aeUUEncode;
    std::string_view line = stream_.ReadLine();
    for (; !stream_.Eof() && !IsUUEnd(line); line = stream_.ReadLine()) {
        AppendUUDecodedLine(line, item.Data);
    }
    message_.Attachments.push_back(std::move(item));
    message_.Encoding = meUU;
    while (!stream_.Eof() && !IsUUBegin(line)) line = stream_.ReadLine();
    return line;
}

void TmsMessageDecoder::SetBody(std::string_view text, std::string_view charset) {
    message_.Body = SplitLines(charset.empty() ? std::string(text) : ConvertToUtf8(text, charset));
}

void TmsMessageDecoder::RecordError(const std::string& message) {
    message_.Body.emplace_back(
        "The following error has been occured while processing the message:");
    message_.Body.push_back(message);
    message_.Body.emplace_back("The original message will be stored as an attachment");
    message_.Attachments.push_back({"original.eml", "message/rfc822", aeNone, stream_.Data()});
}

// A saved message may still end with the "." that closed it on the server.
void TmsMessageDecoder::DropTerminatorLine() {
    if (!message_.Body.empty() && message_.Body.back() == ".") message_.Body.pop_back();
}

}  // namespace kelvane
