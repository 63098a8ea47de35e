#include "DnsMessage.h"

#include <cstddef>

#include "MailText.h"
#include "ResolverErrors.h"

namespace kelvane {
namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kLongestLabel = 63;
constexpr std::size_t kLongestName = 255;  // in label form, with its end byte
constexpr std::uint16_t kTypeMX = 15;
constexpr std::uint16_t kClassIN = 1;
constexpr std::uint16_t kFlagResponse = 0x8000;
constexpr std::uint16_t kFlagTruncated = 0x0200;
constexpr std::uint16_t kFlagRecursionDesired = 0x0100;
constexpr std::uint16_t kRCodeMask = 0x000F;

using Labels = std::vector<std::string>;

[[noreturn]] void Malformed() {
    throw EResolverError(kAnswerMalformed);
}

void AppendU16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xFF);
}

// Reads a DNS message front to back; every read that would leave the message is Malformed().
class DnsReader {
  public:
    explicit DnsReader(std::string_view data, std::size_t position = 0)
        : data_(data), position_(position) {}

    std::size_t Position() const { return position_; }
    void Seek(std::size_t position) {
        if (position > data_.size()) Malformed();
        position_ = position;
    }
    std::uint16_t U16() {
        const std::uint16_t value =
            static_cast<std::uint16_t>(ByteAt(position_) << 8 | ByteAt(position_ + 1));
        position_ += 2;
        return value;
    }
    void Skip(std::size_t count) { Seek(position_ + count); }

    // The labels of the name that starts here; moves past the name as stored here, that is up
    // to its end byte or its first compression pointer. A pointer must lead before the piece
    // of name it ends, so that a chain of pointers always ends.
    Labels Name() {
        Labels labels;
        std::size_t at = position_;
        std::size_t piece = position_;
        std::size_t length = 1;
        for (bool jumped = false;;) {
            const unsigned char size = ByteAt(at);
            if (size == 0) {
                if (!jumped) position_ = at + 1;
                return labels;
            }
            if ((size & 0xC0) == 0xC0) {
                const std::size_t target = (size & 0x3Fu) << 8 | ByteAt(at + 1);
                if (!jumped) position_ = at + 2;
                if (target >= piece) Malformed();
                jumped = true;
                at = piece = target;
                continue;
            }
            if ((size & 0xC0) != 0) Malformed();  // the label types of later standards
            length += size + 1u;
            if (length > kLongestName || at + 1 + size > data_.size()) Malformed();
            labels.emplace_back(data_.substr(at + 1, size));
            at += 1 + size;
        }
    }

  private:
    unsigned char ByteAt(std::size_t at) const {
        if (at >= data_.size()) Malformed();
        return static_cast<unsigned char>(data_[at]);
    }

    std::string_view data_;
    std::size_t position_;
};

struct Header {
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    std::uint16_t questions = 0;
    std::uint16_t answers = 0;
};

Header ReadHeader(DnsReader& in) {
    Header header;
    header.id = in.U16();
    header.flags = in.U16();
    header.questions = in.U16();
    header.answers = in.U16();
    in.Skip(4);  // the authority and additional sections are not read
    return header;
}

struct Question {
    Labels name;
    std::uint16_t type = 0;
    std::uint16_t klass = 0;
};

Question ReadQuestion(DnsReader& in) {
    Question question;
    question.name = in.Name();
    question.type = in.U16();
    question.klass = in.U16();
    return question;
}

bool SameName(const Labels& a, const Labels& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!mailtext::EqualsNoCase(a[i], b[i])) return false;
    return true;
}

void CheckHeader(const Header& header, std::uint16_t queryId) {
    if (header.id != queryId) throw EResolverError(kIdsDiffer);
    if ((header.flags & kFlagResponse) == 0) throw EResolverError(kNotAResponse);
    const int rcode = header.flags & kRCodeMask;
    if (rcode != 0) throw EResolverError(RCodeText(rcode), rcode);
}

// Only an answer to exactly the question asked counts.
void CheckQuestion(DnsReader& in, const Header& header, std::string_view query) {
    DnsReader asked(query, kHeaderSize);
    const Question expected = ReadQuestion(asked);
    if (header.questions != 1) throw EResolverError(kAnswerDoesNotMatch);
    const Question got = ReadQuestion(in);
    if (got.type != expected.type || got.klass != expected.klass ||
        !SameName(got.name, expected.name)) {
        throw EResolverError(kAnswerDoesNotMatch);
    }
}

std::string Dotted(const Labels& labels) {
    std::string text;
    for (const std::string& label : labels) text += label + ".";
    return text;
}

// Reads one resource record; adds it to `list` when it is an MX record.
void ReadRecord(DnsReader& in, TMXList& list) {
    in.Name();
    const std::uint16_t type = in.U16();
    in.Skip(6);  // class and time to live
    const std::uint16_t dataLength = in.U16();
    const std::size_t end = in.Position() + dataLength;
    if (type == kTypeMX) {
        TMXRec record;
        record.Preference = in.U16();
        record.Exchange = Dotted(in.Name());
        if (in.Position() > end) Malformed();
        list.push_back(std::move(record));
    }
    in.Seek(end);
}

}  // namespace

std::string BuildMxQuery(std::uint16_t id, std::string_view domain) {
    if (!domain.empty() && domain.back() == '.') domain.remove_suffix(1);
    if (domain.empty()) throw EResolverError(kInvalidDomainName);
    std::string query;
    for (std::uint16_t field : {id, kFlagRecursionDesired, std::uint16_t{1}, std::uint16_t{0},
                                std::uint16_t{0}, std::uint16_t{0}}) {
        AppendU16(query, field);
    }
    for (std::size_t start = 0;;) {
        const std::size_t dot = domain.find('.', start);
        const std::string_view label = domain.substr(start, dot - start);
        if (label.empty() || label.size() > kLongestLabel) throw EResolverError(kInvalidDomainName);
        query += static_cast<char>(label.size());
        query += label;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    query += '\0';
    if (query.size() - kHeaderSize > kLongestName) throw EResolverError(kInvalidDomainName);
    AppendU16(query, kTypeMX);
    AppendU16(query, kClassIN);
    return query;
}

std::string RCodeText(int rcode) {
    switch (rcode) {
        case 1:
            return kRCodeFormatError;
        case 2:
            return kRCodeServerFailure;
        case kRCodeNameError:
            return kRCodeNameDoesNotExist;
        case 4:
            return kRCodeNotImplemented;
        case 5:
            return kRCodeRefused;
        default:
            return kRCodeOtherPrefix + std::to_string(rcode);
    }
}

TMXList ParseMxAnswer(std::string_view answer, std::string_view query) {
    DnsReader in(answer);
    const Header header = ReadHeader(in);
    CheckHeader(header, DnsReader(query).U16());
    CheckQuestion(in, header, query);
    TMXList list;
    for (unsigned i = 0; i < header.answers; ++i) {
        try {
            ReadRecord(in, list);
        } catch (const EResolverError&) {
            // A truncated answer is taken as it is: the records before the cut still count.
            if ((header.flags & kFlagTruncated) == 0) throw;
            break;
        }
    }
    return list;
}

}  // namespace kelvane
