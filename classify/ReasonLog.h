#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

inline constexpr std::string_view kDeleteReasonPrefix = "Delete   :";
inline constexpr std::string_view kQuestionReasonPrefix = "Question :";
inline constexpr std::string_view kExceptionReasonPrefix = "Exception :";
inline constexpr std::string_view kCaseSensitiveSuffix = " (Case Sensitive)";

// One reason line: prefix, field and operator, then the quoted value and the case suffix when
// there is a value.
std::string ReasonLine(std::string_view prefix, std::string_view field, std::string_view op,
                       std::string_view value, bool caseSensitive);

// The reasons why one message was marked, collected while the pass explains that message. Outside
// an explanation nothing is recorded, so an ordinary pass pays nothing for it.
class ReasonLog {
  public:
    bool explaining() const { return explaining_; }
    void setExplaining(bool explaining) { explaining_ = explaining; }

    // A rule that matched: a delete reason or a suspect reason.
    void whyAdd(bool deletes, std::string_view field, std::string_view op, std::string_view value,
                bool caseSensitive);
    // An exception rule that matched.
    void whyExcept(std::string_view field, std::string_view op, std::string_view value,
                   bool caseSensitive);

    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }

  private:
    bool explaining_ = false;
    bool exceptionReason_ = false;
    std::vector<std::string> lines_;
};

}  // namespace kelvane
