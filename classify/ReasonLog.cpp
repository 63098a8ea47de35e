#include "ReasonLog.h"

namespace kelvane {

std::string ReasonLine(std::string_view prefix, std::string_view field, std::string_view op,
                       std::string_view value, bool caseSensitive) {
    std::string line;
    line.reserve(prefix.size() + field.size() + op.size() + value.size() + 24);
    line.append(prefix).append(" ").append(field).append(" ").append(op);
    if (!value.empty()) {
        line.append(" \"").append(value).append("\" ");
        if (caseSensitive) line.append(kCaseSensitiveSuffix);
    }
    return line;
}

void ReasonLog::whyAdd(bool deletes, std::string_view field, std::string_view op,
                       std::string_view value, bool caseSensitive) {
    if (!explaining_) return;
    const std::string_view prefix = exceptionReason_ ? kExceptionReasonPrefix
                                    : deletes        ? kDeleteReasonPrefix
                                                     : kQuestionReasonPrefix;
    lines_.push_back(ReasonLine(prefix, field, op, value, caseSensitive));
}

void ReasonLog::whyExcept(std::string_view field, std::string_view op, std::string_view value,
                          bool caseSensitive) {
    exceptionReason_ = true;
    whyAdd(false, field, op, value, caseSensitive);
    exceptionReason_ = false;
}

}  // namespace kelvane
