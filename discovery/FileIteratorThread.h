#pragma once

#include <exception>
#include <thread>

namespace kelvane {

class TFileIterator;

// Runs the walk an iterator has begun, on a thread of its own from construction on. The iterator
// owns it and joins it, rather than the thread freeing itself: a free-running thread could
// outlive the iterator it reports for.
class TFileIteratorThread {
  public:
    explicit TFileIteratorThread(TFileIterator& iterator);
    ~TFileIteratorThread();
    TFileIteratorThread(const TFileIteratorThread&) = delete;
    TFileIteratorThread& operator=(const TFileIteratorThread&) = delete;

    // Waits until the walk has ended and rethrows, once, the error that ended it.
    void Join();

  private:
    TFileIterator& iterator_;
    std::exception_ptr error_;  // set by the thread, read after it is joined
    std::thread thread_;        // last, so that it starts once the rest is in place
};

}  // namespace kelvane
