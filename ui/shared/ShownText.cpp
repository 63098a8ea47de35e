#include "ShownText.h"

#include <QStringList>

namespace kelvane {

QString ShownLines(std::string_view text) {
    // A final line break ends the last line rather than starting an empty one.
    if (text.ends_with('\n')) text.remove_suffix(1);
    if (text.ends_with('\r')) text.remove_suffix(1);
    QStringList lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find_first_of("\r\n", start);
        lines << ShownText(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace kelvane
