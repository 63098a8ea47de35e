#pragma once

#include <cstddef>
#include <string_view>

namespace kelvane {

// Finds the end of a POP3 multi-line reply (RFC 1939): a line holding only ".". Bytes arrive in
// pieces of any size; a line may end in CR LF or in a bare LF, as some servers send.
class DataBlockScanner {
  public:
    struct Part {
        std::size_t length = 0;  // bytes of the piece that belong to the block
        bool ended = false;      // the terminating line ends inside the piece
        bool lineEnded = false;  // at least one line of the block was completed
    };

    // Looks at the next piece of the block.
    Part Scan(std::string_view piece);

  private:
    void Extend(std::string_view bytes);
    bool IsDotLine() const;

    std::size_t lineLength_ = 0;  // bytes of the current line so far, without its LF
    char start_[2] = {};          // its first two bytes
};

}  // namespace kelvane
