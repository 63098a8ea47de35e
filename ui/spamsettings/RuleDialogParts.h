#pragma once

#include <QGroupBox>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CountrySuffixes.h"

class QComboBox;
class QDialogButtonBox;
class QRadioButton;
class QWidget;

namespace kelvane {

// "Mark message with :": the check mark (deletes) or the question mark (asks), with their
// pictures and the note that only check marks are deleted.
class MarkChoicePanel : public QGroupBox {
    Q_OBJECT

  public:
    // `senderCaptions`: the sender dialog words its check mark "&check mark".
    explicit MarkChoicePanel(bool senderCaptions, QWidget* parent = nullptr);
    bool deletes() const;
    void setDeletes(bool deletes);

  private:
    QRadioButton* check_ = nullptr;
    QRadioButton* question_ = nullptr;
};

// The first `count` operators as the dialogs show them, in their order.
void FillOperators(QComboBox& box, int count);
// An editable combo box offering `entries`.
void FillPickList(QComboBox& box, const std::vector<std::string_view>& entries);
// The text of a combo box or line edit as bytes.
std::string FieldText(const QComboBox& box);
// "Block out a country": the country list shown modally over `parent`; nothing when cancelled.
// Tests put their own choice in its place.
using CountryChooser = std::function<std::optional<CountrySuffix>(QWidget* parent)>;
std::optional<CountrySuffix> ChooseCountry(QWidget* parent);

// OK (default) and Cancel, named btOK and btCancel.
QDialogButtonBox* OkCancelButtons(QWidget* parent);

}  // namespace kelvane
