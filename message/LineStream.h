#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// Hands out a message held in memory one line at a time. Lines end at CR LF, LF or a lone CR; a
// last line without a line end is returned too, and every byte (a zero byte included) is kept.
// Lines of any length come back whole.
class TLineStream {
  public:
    // Returned, with Eof() set, once the data is used up.
    static constexpr std::string_view EOFMarker{"\xFF\xFF\xFF\xFF", 4};

    TLineStream() = default;
    explicit TLineStream(std::string data) : data_(std::move(data)) {}

    // Replaces the data and starts again at its first line.
    void Load(std::string data);
    const std::string& Data() const { return data_; }

    // The next line without its line end; EOFMarker once the data is used up. The view stays
    // valid as long as the stream keeps its data.
    std::string_view ReadLine();
    bool Eof() const { return eof_; }
    // Starts again at the first line and clears the end flag.
    void Rewind();

  private:
    std::string data_;
    size_t pos_ = 0;
    bool eof_ = false;
};

// The lines of a text as TLineStream reads them: a final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Joins lines with CR LF after each of them.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace kelvane
