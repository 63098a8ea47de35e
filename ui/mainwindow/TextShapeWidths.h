#pragma once

#include <QFont>
#include <QHash>
#include <QString>

namespace kelvane {

// How wide texts are in one font, each form measured once: every decimal digit counts as the
// widest digit of its script, so that the dates or sizes of a large list, which differ in their
// digits alone, share one measure that none of them exceeds.
class TextShapeWidths {
  public:
    // The width `text` needs in `font`, at most; a new font starts the measures afresh.
    int width(const QFont& font, const QString& text);

  private:
    QString shape(const QString& text);
    QChar widestDigit(char16_t zero);

    QFont font_;
    bool measured_ = false;
    // The widest of the ten digits that follow each zero seen.
    QHash<char16_t, QChar> widestDigits_;
    QHash<QString, int> widths_;
};

}  // namespace kelvane
