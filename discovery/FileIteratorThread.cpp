#include "FileIteratorThread.h"

#include <utility>

#include "FileIterator.h"

namespace kelvane {

TFileIteratorThread::TFileIteratorThread(TFileIterator& iterator)
    : iterator_(iterator), thread_([this] {
          // An error must not leave the thread: it would end the program.
          try {
              iterator_.RunBegunWalk();
          } catch (...) {
              error_ = std::current_exception();
          }
      }) {}

TFileIteratorThread::~TFileIteratorThread() {
    if (thread_.joinable()) thread_.join();
}

void TFileIteratorThread::Join() {
    if (thread_.joinable()) thread_.join();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

}  // namespace kelvane
