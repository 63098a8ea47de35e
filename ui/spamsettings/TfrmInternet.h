#pragma once

#include <QDialog>
#include <optional>

#include "CountrySuffixes.h"

class QStandardItemModel;
class QTreeView;

namespace kelvane {

// "Internet WWW Country Suffixes": picks the country whose mail is to be blocked.
class TfrmInternet : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmInternet(QWidget* parent = nullptr);

    // The entry chosen with OK or a double click.
    std::optional<CountrySuffix> chosen() const { return chosen_; }

  private:
    void choose();

    QStandardItemModel* model_ = nullptr;
    QTreeView* list_ = nullptr;
    std::optional<CountrySuffix> chosen_;
};

}  // namespace kelvane
