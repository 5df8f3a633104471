#include "platform/kernel/Console.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/files/FileSystem.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"

namespace {

struct ConsoleState {
    std::mutex lock;
    bool open = false;
    HANDLE output = nullptr;
    std::string title;
};

ConsoleState& State() {
    static ConsoleState* state = new ConsoleState();  // lives to exit: a console may close late
    return *state;
}

}  // namespace

BOOL AllocConsole() {
    ConsoleState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.open) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    HANDLE output = platform::DuplicateHostDescriptor(STDERR_FILENO);
    if (output == INVALID_HANDLE_VALUE) return FALSE;
    state.open = true;
    state.output = output;
    state.title.clear();
    return TRUE;
}

BOOL FreeConsole() {
    ConsoleState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.open) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CloseHandle(state.output);
    state.open = false;
    state.output = nullptr;
    state.title.clear();
    return TRUE;
}

HANDLE GetStdHandle(DWORD which) {
    if (which != STD_INPUT_HANDLE && which != STD_OUTPUT_HANDLE && which != STD_ERROR_HANDLE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    ConsoleState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    // Input is not simulated; a GUI process without a console has no handles.
    return which == STD_INPUT_HANDLE ? nullptr : state.output;
}

BOOL SetConsoleTitleA(LPCSTR title) {
    ConsoleState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.open || title == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    state.title = title;
    return TRUE;
}

DWORD GetConsoleTitleA(LPSTR title, DWORD size) {
    ConsoleState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.open || title == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    size_t length = std::min<size_t>(state.title.size(), size - 1);
    std::memcpy(title, state.title.data(), length);
    title[length] = '\0';
    return static_cast<DWORD>(length);
}
