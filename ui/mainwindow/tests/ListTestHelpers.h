#pragma once

#include <QApplication>
#include <QItemSelectionModel>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <vector>

namespace kelvane::windowtest {

// Handles the first modal window of type T that opens while it lives; the command that opens it
// may first wait on a server, pumping events, so the watcher keeps looking until one appears.
template <typename T>
class ModalWatcher {
  public:
    explicit ModalWatcher(std::function<void(T&)> handle) : handle_(std::move(handle)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (T* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
                timer_.stop();
                ++seen_;
                handle_(*modal);
            }
        });
        timer_.start();
    }
    int seen() const { return seen_; }

  private:
    std::function<void(T&)> handle_;
    QTimer timer_;
    int seen_ = 0;
};

// Selects exactly `rows` of the list.
inline void SelectRows(QTreeView& list, const std::vector<int>& rows) {
    list.clearSelection();
    for (int row : rows) {
        list.selectionModel()->select(list.model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

}  // namespace kelvane::windowtest
