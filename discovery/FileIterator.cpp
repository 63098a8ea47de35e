#include "FileIterator.h"

#include "FileIteratorThread.h"
#include "FileWalk.h"

namespace kelvane {
namespace {

// The iterator is idle again however its walk ends, and only after OnTerminate.
class IdleOnExit {
  public:
    explicit IdleOnExit(std::atomic<FileIteratorState>& state) : state_(state) {}
    ~IdleOnExit() { state_.store(FileIteratorState::Idle); }
    IdleOnExit(const IdleOnExit&) = delete;
    IdleOnExit& operator=(const IdleOnExit&) = delete;

  private:
    std::atomic<FileIteratorState>& state_;
};

}  // namespace

TFileIterator::TFileIterator() = default;

TFileIterator::~TFileIterator() {
    Stop();
    if (worker_) {
        try {
            worker_->Join();
        } catch (...) {
            // Nobody is left to hear of it.
        }
    }
}

template <class Change>
void TFileIterator::ChangeWhileIdle(Change change) {
    const std::lock_guard lock(mutex_);
    if (state_.load() != FileIteratorState::Idle) throw EFileIteratorError(kOptionsLockedMessage);
    change(setup_);
}

std::string TFileIterator::RootFolder() const {
    const std::lock_guard lock(mutex_);
    return setup_.rootFolder;
}

void TFileIterator::SetRootFolder(std::string folder) {
    ChangeWhileIdle([&](FileIteratorSetup& setup) { setup.rootFolder = std::move(folder); });
}

FileIteratorOptions TFileIterator::Options() const {
    const std::lock_guard lock(mutex_);
    return setup_.options;
}

void TFileIterator::SetOptions(FileIteratorOptions options) {
    ChangeWhileIdle([&](FileIteratorSetup& setup) { setup.options = options; });
}

std::vector<std::string> TFileIterator::SkippedFolders() const {
    const std::lock_guard lock(mutex_);
    return setup_.skippedFolders;
}

void TFileIterator::SetSkippedFolders(std::vector<std::string> folders) {
    ChangeWhileIdle([&](FileIteratorSetup& setup) { setup.skippedFolders = std::move(folders); });
}

void TFileIterator::SetOnActivate(FileIteratorSetup::ActivateEvent handler) {
    const std::lock_guard lock(mutex_);
    setup_.onActivate = std::move(handler);
}

void TFileIterator::SetOnAddFileQuery(FileIteratorSetup::AddFileQueryEvent handler) {
    const std::lock_guard lock(mutex_);
    setup_.onAddFileQuery = std::move(handler);
}

void TFileIterator::SetOnAddFile(FileIteratorSetup::AddFileEvent handler) {
    const std::lock_guard lock(mutex_);
    setup_.onAddFile = std::move(handler);
}

void TFileIterator::SetOnTerminate(FileIteratorSetup::TerminateEvent handler) {
    const std::lock_guard lock(mutex_);
    setup_.onTerminate = std::move(handler);
}

bool TFileIterator::BeginWalk() {
    const std::lock_guard lock(mutex_);
    if (state_.load() != FileIteratorState::Idle) throw EFileIteratorError(kIteratorBusyMessage);
    if (!setup_.onAddFile && !setup_.onAddFileQuery) return false;
    walk_ = setup_;
    state_.store(FileIteratorState::Running);
    return true;
}

void TFileIterator::Terminate() const {
    if (walk_.onTerminate) walk_.onTerminate();
}

void TFileIterator::RunBegunWalk() {
    const IdleOnExit idle(state_);
    try {
        if (walk_.onActivate) walk_.onActivate();
        WalkFileTree(walk_, state_);
    } catch (...) {
        Terminate();
        throw;
    }
    Terminate();
}

void TFileIterator::Walk() {
    if (BeginWalk()) RunBegunWalk();
}

void TFileIterator::WalkInThread() {
    // A worker whose walk has ended is joined before the next one starts; its error, if nobody
    // asked for it, goes with it.
    if (worker_ && state_.load() == FileIteratorState::Idle) {
        try {
            worker_->Join();
        } catch (...) {
        }
        worker_.reset();
    }
    if (!BeginWalk()) return;
    try {
        worker_ = std::make_unique<TFileIteratorThread>(*this);
    } catch (...) {
        state_.store(FileIteratorState::Idle);  // no thread, so no walk to wait for
        throw;
    }
}

void TFileIterator::WaitForWalkThread() {
    if (!worker_) return;
    const std::unique_ptr<TFileIteratorThread> worker = std::move(worker_);
    worker->Join();
}

void TFileIterator::Stop() {
    FileIteratorState running = FileIteratorState::Running;
    state_.compare_exchange_strong(running, FileIteratorState::StopRequested);
}

}  // namespace kelvane
