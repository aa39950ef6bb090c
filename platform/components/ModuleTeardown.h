// What the component library keeps for its whole module (the application object, the screen, the control
// and class tables, ...) is freed when FreeLibrary unloads the library that links it, so that nothing
// of it outlives its code; at the end of the process nothing is freed, as on Windows, since other threads
// may still use it.
#pragma once
#include <functional>

// Objects go first (newest first), then the tables they use (newest first).
enum class TUnloadStage { Objects, Tables };

// Runs `cleanup` when this module is unloaded by FreeLibrary.
void AtModuleUnload(TUnloadStage stage, std::function<void()> cleanup);
