#pragma once

#include <atomic>

#include "FileIterator.h"

namespace kelvane {

// Walks `setup.rootFolder` and reports its files to the setup's handlers, until the tree is done
// or `state` asks for a stop.
void WalkFileTree(const FileIteratorSetup& setup, const std::atomic<FileIteratorState>& state);

}  // namespace kelvane
