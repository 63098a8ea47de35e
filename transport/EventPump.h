#pragma once

#include <functional>

namespace kelvane {

// Long decodings and network waits call PumpEvents() so that the windows stay live: the window
// program installs a short processing of pending user-interface events, the command line leaves
// it empty. Everything runs on one thread; the pump is not re-entered by itself.
using EventPump = std::function<void()>;

void SetEventPump(EventPump pump);
void PumpEvents();

}  // namespace kelvane
