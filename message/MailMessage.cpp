#include "MailMessage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Charset.h"
#include "HeaderParameters.h"
#include "MailErrors.h"
#include "MessageDecoder.h"

namespace kelvane {
namespace {

constexpr size_t kMaxSubject = 255;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error) {
    throw EMailError(std::string(what) + " " + path + ": " + std::strerror(error));
}

std::string ReadWholeFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) ThrowFileError("Cannot open", path, errno);
    std::string data;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) data.append(buffer, got);
    if (std::ferror(file.get())) ThrowFileError("Cannot read", path, errno);
    return data;
}

TmsAddressList ParseAddresses(const TmsHeaders& headers, std::string_view fieldName) {
    TmsAddressList list;
    for (const std::string& entry : GetFieldAddresses(headers, fieldName)) {
        ParseAddress(entry, list.emplace_back());
    }
    return list;
}

TPriority PriorityOf(const std::string& value) {
    if (value == "1") return ptHigh;
    if (value == "5") return ptLow;
    return ptNormal;
}

}  // namespace

void TmsCustomMessage::LoadFromFile(const std::string& path) {
    Clear();
    LoadFromBytes(ReadWholeFile(path));
}

void TmsCustomMessage::LoadFromBytes(std::string data) {
    Clear();
    TmsMessageDecoder decoder(*this, std::move(data));
    decoder.Decode();
}

void TmsCustomMessage::Clear() {
    Body.clear();
    Attachments.clear();
    Sender = {};
    Headers.clear();
    Subject.clear();
    ContentType.clear();
    Encoding = meMIME;
    CharSet = csUSASCII;
}

void TmsCustomMessage::ApplyHeaders(const TmsHeaders& headers) {
    Sender = {};
    ParseAddress(GetFieldValue(headers, "FROM"), Sender);
    Subject = CutUtf8(GetFieldValue(headers, "Subject"), kMaxSubject);
    Headers = headers;
}

void TmsMessage::Clear() {
    TmsCustomMessage::Clear();
    Recipients.clear();
    CC.clear();
    BCC.clear();
    Priority = ptNormal;
    ReturnReceipt = false;
}

void TmsMessage::ApplyHeaders(const TmsHeaders& headers) {
    TmsCustomMessage::ApplyHeaders(headers);
    Recipients = ParseAddresses(headers, "TO");
    CC = ParseAddresses(headers, "CC");
    BCC = ParseAddresses(headers, "BCC");
    Priority = PriorityOf(GetFieldValue(headers, "X-Priority"));
    ReturnReceipt = !GetFieldValue(headers, "Return-receipt-to").empty();
}

}  // namespace kelvane
