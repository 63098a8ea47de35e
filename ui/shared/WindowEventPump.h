#pragma once

namespace kelvane {

// Installs the window program's event pump: the core's waits keep the windows live by handling
// their pending events, at most every few milliseconds.
void InstallWindowEventPump();
// Takes it away again, before the application object goes.
void RemoveWindowEventPump();

}  // namespace kelvane
