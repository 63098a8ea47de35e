#include "LineStream.h"

namespace kelvane {

void TLineStream::Load(std::string data) {
    data_ = std::move(data);
    Rewind();
}

std::string_view TLineStream::ReadLine() {
    if (pos_ >= data_.size()) {
        eof_ = true;
        return EOFMarker;
    }
    const std::string_view rest = std::string_view(data_).substr(pos_);
    // A plain scan: find_first_of with a two-byte set costs a library call per byte.
    size_t end = 0;
    while (end < rest.size() && rest[end] != '\r' && rest[end] != '\n') ++end;
    if (end == rest.size()) {
        pos_ = data_.size();
        return rest;
    }
    pos_ += end + 1;
    if (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ++pos_;
    return rest.substr(0, end);
}

void TLineStream::Rewind() {
    pos_ = 0;
    eof_ = false;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    TLineStream stream{std::string(text)};
    for (std::string_view line = stream.ReadLine(); !stream.Eof(); line = stream.ReadLine()) {
        lines.emplace_back(line);
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace kelvane
