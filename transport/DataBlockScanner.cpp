#include "DataBlockScanner.h"

namespace kelvane {

DataBlockScanner::Part DataBlockScanner::Scan(std::string_view piece) {
    Part part{piece.size(), false, false};
    std::size_t at = 0;
    while (at < piece.size()) {
        const std::size_t lineFeed = piece.find('\n', at);
        if (lineFeed == std::string_view::npos) {
            Extend(piece.substr(at));
            break;
        }
        Extend(piece.substr(at, lineFeed - at));
        part.lineEnded = true;
        if (IsDotLine()) {
            part.length = lineFeed + 1;
            part.ended = true;
            break;
        }
        lineLength_ = 0;
        at = lineFeed + 1;
    }
    return part;
}

void DataBlockScanner::Extend(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size() && lineLength_ + i < sizeof start_; ++i) {
        start_[lineLength_ + i] = bytes[i];
    }
    lineLength_ += bytes.size();
}

bool DataBlockScanner::IsDotLine() const {
    if (lineLength_ == 0 || lineLength_ > 2 || start_[0] != '.') return false;
    return lineLength_ == 1 || start_[1] == '\r';
}

}  // namespace kelvane
