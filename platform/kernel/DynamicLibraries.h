// LoadLibraryW / GetProcAddress for the system modules whose functions the
// program looks up at run time (user32's UpdateLayeredWindow, dwmapi's
// DwmIsCompositionEnabled). Modules are names in a table, not files: a
// module with no registered export does not load. Other areas of the layer
// add their run-time functions with RegisterLibraryExport. "nvcuda.dll" is
// the host's CUDA driver (libcuda.so.1) when one is installed, else missing.
#pragma once

#include "platform/windowing/WindowTypes.h"

using FARPROC = void (*)();

HMODULE LoadLibraryW(LPCWSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName);
BOOL FreeLibrary(HMODULE module);

namespace platform {
// Makes `procedure` the export `name` of `module` (e.g. L"user32.dll").
void RegisterLibraryExport(const wchar_t* module, const char* name, FARPROC procedure);
}  // namespace platform
