// The window table, window classes, creation and destruction, and the
// per-window values (long pointers, text, relations).
#include <algorithm>
#include <cwchar>

#include "platform/base/Environment.h"
#include "platform/drawing/Gdi.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"
#include "platform/windowing/Desktop.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

struct ClassRecord {
    std::wstring name;
    WNDCLASSEXW info{};
    ATOM atom = 0;
};

struct Table {
    std::map<UINT_PTR, WindowPtr> windows;
    std::vector<HWND> zOrder;  // top-level windows, bottom first
    std::map<std::wstring, ClassRecord> classes;
    UINT_PTR nextHandle = 0x10000;
    ATOM nextAtom = 0xC000;
};
Table& Windows() {
    static Table* table = new Table();
    return *table;
}

// Ceiling on window text, as edit controls have one.
constexpr size_t kMaxWindowText = 1 << 20;

std::wstring FoldName(LPCWSTR name) {
    std::wstring folded = name;
    for (wchar_t& c : folded) c = FoldCase(c);
    return folded;
}

const ClassRecord* FindClassLocked(LPCWSTR name) {
    Table& table = Windows();
    if (IS_INTRESOURCE(name)) {
        ATOM atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(name));
        for (auto& entry : table.classes)
            if (entry.second.atom == atom) return &entry.second;
        return nullptr;
    }
    auto it = table.classes.find(FoldName(name));
    return it == table.classes.end() ? nullptr : &it->second;
}

void CollectLocked(HWND handle, std::vector<HWND>* out) {
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) return;
    for (HWND child : window->children) CollectLocked(child, out);
    out->push_back(handle);
}

void RemoveLocked(HWND handle) {
    Table& table = Windows();
    auto it = table.windows.find(reinterpret_cast<UINT_PTR>(handle));
    if (it == table.windows.end()) return;
    WindowPtr window = it->second;
    if (window->parent != nullptr) {
        Window* parent = FindWindowLocked(window->parent);
        if (parent != nullptr) std::erase(parent->children, handle);
    }
    std::erase(table.zOrder, handle);
    table.windows.erase(it);
}

// Sends WM_DESTROY to the window and then to its children, WM_NCDESTROY to
// the children and then to the window, as the real order goes.
void DestroyTree(HWND handle) {
    std::vector<HWND> children;
    QueuePtr queue;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(handle);
        if (window == nullptr) return;
        window->style &= ~WS_VISIBLE;
        children = window->children;
        queue = window->queue;
    }
    ForgetInputWindow(handle);
    CallProcedure(handle, WM_DESTROY, 0, 0);
    for (HWND child : children) DestroyTree(child);
    CallProcedure(handle, WM_NCDESTROY, 0, 0);
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        RemoveLocked(handle);
    }
    PurgeWindowFromQueue(queue, handle);
}

}  // namespace

std::mutex& WindowLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

Window* FindWindowLocked(HWND handle) {
    auto& windows = Windows().windows;
    auto it = windows.find(reinterpret_cast<UINT_PTR>(handle));
    return it == windows.end() ? nullptr : it->second.get();
}

WindowPtr FindWindowShared(HWND handle) {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto& windows = Windows().windows;
    auto it = windows.find(reinterpret_cast<UINT_PTR>(handle));
    return it == windows.end() ? nullptr : it->second;
}

SurfacePtr WindowSurface(HWND window) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* record = FindWindowLocked(window);
    return record != nullptr ? record->surface : nullptr;
}

bool WindowIsLayered(HWND window, bool* layered) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* record = FindWindowLocked(window);
    if (record == nullptr) return false;
    *layered = (record->exStyle & WS_EX_LAYERED) != 0;
    return true;
}

bool StoreLayeredImage(HWND window, SurfacePtr image, const POINT* position, int* x, int* y) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* record = FindWindowLocked(window);
    if (record == nullptr) return false;
    *x = position != nullptr ? position->x : record->rect.left;
    *y = position != nullptr ? position->y : record->rect.top;
    record->layered = std::move(image);
    ++record->layeredUpdates;
    return true;
}

unsigned LayeredWindowUpdates(HWND window) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* record = FindWindowLocked(window);
    return record != nullptr ? record->layeredUpdates : 0;
}

std::vector<HWND>& ZOrderLocked() { return Windows().zOrder; }

POINT ClientOriginLocked(const Window& window) {
    POINT origin{window.rect.left, window.rect.top};
    HWND parentHandle = window.parent;
    while (parentHandle != nullptr) {
        Window* parent = FindWindowLocked(parentHandle);
        if (parent == nullptr) break;
        origin.x += parent->rect.left;
        origin.y += parent->rect.top;
        parentHandle = parent->parent;
    }
    return origin;
}

bool IsShownLocked(const Window& window) {
    const Window* current = &window;
    while (current != nullptr) {
        if (!(current->style & WS_VISIBLE) || current->minimized) return false;
        if (current->parent == nullptr) return true;
        current = FindWindowLocked(current->parent);
    }
    return false;
}

Window* RootLocked(Window* window) {
    while (window != nullptr && window->parent != nullptr) window = FindWindowLocked(window->parent);
    return window;
}

void ForgetThreadWindows(const QueuePtr& queue) {
    std::vector<HWND> doomed;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        for (auto& entry : Windows().windows)
            if (entry.second->queue == queue) doomed.push_back(entry.second->handle);
        for (HWND handle : doomed) RemoveLocked(handle);
    }
    for (HWND handle : doomed) ForgetInputWindow(handle);
    NotifyScreenChanged();
}

LRESULT CallProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(handle);
        if (window == nullptr) return 0;
        procedure = window->procedure;
    }
    return procedure != nullptr ? procedure(handle, message, wParam, lParam) : 0;
}

}  // namespace platform

using namespace platform;

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
        IS_INTRESOURCE(windowClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> guard(WindowLock());
    Table& table = Windows();
    std::wstring key = FoldName(windowClass->lpszClassName);
    if (table.classes.count(key) != 0) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ClassRecord record;
    record.name = windowClass->lpszClassName;
    record.info = *windowClass;
    record.info.lpszClassName = nullptr;  // the caller's text may not live on
    record.info.lpszMenuName = nullptr;
    record.atom = table.nextAtom++;
    table.classes[key] = record;
    return record.atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (className == nullptr || IS_INTRESOURCE(className)) return FALSE;
    std::lock_guard<std::mutex> guard(WindowLock());
    for (auto& entry : Windows().windows) {
        if (FoldName(entry.second->className.c_str()) == FoldName(className)) {
            SetLastError(1412);  // ERROR_CLASS_HAS_WINDOWS
            return FALSE;
        }
    }
    if (Windows().classes.erase(FoldName(className)) == 0) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    RegisterSystemClasses();
    QueuePtr queue = CurrentQueue();
    auto window = std::make_shared<Window>();
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        const ClassRecord* record = className != nullptr ? FindClassLocked(className) : nullptr;
        if (record == nullptr) {
            SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
            return nullptr;
        }
        if (parent != nullptr && FindWindowLocked(parent) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if ((style & WS_CHILD) && parent == nullptr) {
            SetLastError(1406);  // ERROR_TLW_WITH_WSCHILD
            return nullptr;
        }
        if (x == CW_USEDEFAULT) x = y = 0;
        if (width == CW_USEDEFAULT) width = height = 0;
        width = std::clamp(width, 0, kMaxSurfaceSide);
        height = std::clamp(height, 0, kMaxSurfaceSide);
        Table& table = Windows();
        window->handle = reinterpret_cast<HWND>(table.nextHandle);
        table.nextHandle += 4;
        window->className = record->name;
        window->isDialog = FoldName(record->name.c_str()) == L"#32770";
        window->procedure = record->info.lpfnWndProc;
        window->background = record->info.hbrBackground;
        window->extraBytes.assign(static_cast<size_t>(std::max(0, record->info.cbWndExtra)) / sizeof(LONG_PTR) + 1, 0);
        window->style = style;
        window->exStyle = exStyle;
        window->instance = instance;
        window->rect = RECT{x, y, x + width, y + height};
        window->text = windowName != nullptr && !IS_INTRESOURCE(windowName) ? windowName : L"";
        if (window->text.size() > kMaxWindowText) window->text.resize(kMaxWindowText);
        window->threadId = queue->threadId;
        window->queue = queue;
        if (style & WS_CHILD) {
            window->parent = parent;
            window->id = reinterpret_cast<LONG_PTR>(menu);
        } else if (parent != nullptr) {
            Window* owner = RootLocked(FindWindowLocked(parent));
            window->owner = owner != nullptr ? owner->handle : nullptr;
        }
        window->surface = std::make_shared<Surface>();
        window->surface->Allocate(width, height, BackgroundPixel(window->background));
        table.windows[reinterpret_cast<UINT_PTR>(window->handle)] = window;
        if (window->parent != nullptr) FindWindowLocked(parent)->children.push_back(window->handle);
        else table.zOrder.push_back(window->handle);
        if (style & WS_VISIBLE) {
            window->updatePending = true;
            window->erasePending = true;
            window->updateRect = RECT{0, 0, width, height};
        }
    }
    HWND handle = window->handle;
    CREATESTRUCTW create{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (CallProcedure(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) == 0 ||
        CallProcedure(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (style & WS_VISIBLE) {
        CallProcedure(handle, WM_SHOWWINDOW, TRUE, 0);
        NotifyScreenChanged();
    }
    return handle;
}

BOOL DestroyWindow(HWND handle) {
    std::vector<HWND> owned;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(handle);
        if (window == nullptr || window->destroying) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (window->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        window->destroying = true;
        std::vector<HWND> tree;
        CollectLocked(handle, &tree);
        for (HWND member : tree) FindWindowLocked(member)->destroying = true;
        for (auto& entry : Windows().windows)
            if (entry.second->owner == handle && !entry.second->destroying) owned.push_back(entry.second->handle);
    }
    // Owned windows go first (a dialog's shadow, a box on top of it).
    for (HWND other : owned) DestroyWindow(other);
    DestroyTree(handle);
    NotifyScreenChanged();
    return TRUE;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) {
    if (callback == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The callback runs outside the table's lock: it may ask about windows,
    // and one it is told of may be gone by then.
    std::vector<HWND> order;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        order.assign(ZOrderLocked().rbegin(), ZOrderLocked().rend());
    }
    for (HWND window : order)
        if (!callback(window, parameter)) break;
    return TRUE;
}

BOOL IsWindow(HWND handle) {
    std::lock_guard<std::mutex> guard(WindowLock());
    return FindWindowLocked(handle) != nullptr ? TRUE : FALSE;
}

HWND GetParent(HWND handle) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return window->parent != nullptr ? window->parent : window->owner;
}

HWND GetWindow(HWND handle, UINT command) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) return nullptr;
    if (command == GW_OWNER) return window->owner;
    if (command == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
    return nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(dialog);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : window->children) {
        Window* record = FindWindowLocked(child);
        if (record != nullptr && record->id == id) return child;
    }
    SetLastError(1421);  // ERROR_CONTROL_ID_NOT_FOUND
    return nullptr;
}

int GetDlgCtrlID(HWND handle) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    return window != nullptr && window->parent != nullptr ? static_cast<int>(window->id) : 0;
}

HWND GetDesktopWindow() { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x10)); }

DWORD platform::WindowThreadProcessId(HWND handle, LPDWORD processId) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) {
        if (processId != nullptr) *processId = 0;
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId != nullptr) *processId = GetCurrentProcessId();
    return window->threadId;
}

BOOL SetWindowTextW(HWND handle, LPCWSTR text) {
    if (!IsWindow(handle)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageW(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : L"")) != 0 ? TRUE
                                                                                                            : FALSE;
}

BOOL SetWindowTextA(HWND handle, LPCSTR text) {
    // The system passes ASCII titles here; wider text goes through the W form.
    std::wstring wide;
    for (const char* p = text != nullptr ? text : ""; *p; ++p)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return SetWindowTextW(handle, wide.c_str());
}

int GetWindowTextW(HWND handle, LPWSTR buffer, int bufferMax) {
    if (buffer == nullptr || bufferMax <= 0) return 0;
    buffer[0] = 0;
    DWORD thread = GetWindowThreadProcessId(handle, nullptr);
    if (thread == 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (thread == GetCurrentThreadId())
        return static_cast<int>(
            SendMessageW(handle, WM_GETTEXT, static_cast<WPARAM>(bufferMax), reinterpret_cast<LPARAM>(buffer)));
    // Another thread's window: read the stored text without a message, so a
    // busy owner thread cannot block the caller.
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) return 0;
    size_t count = std::min(window->text.size(), static_cast<size_t>(bufferMax - 1));
    std::wmemcpy(buffer, window->text.c_str(), count);
    buffer[count] = 0;
    return static_cast<int>(count);
}

int GetWindowTextLengthW(HWND handle) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    return window != nullptr ? static_cast<int>(window->text.size()) : 0;
}

LONG_PTR GetWindowLongPtrW(HWND handle, int index) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
        case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(window->procedure);
        case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(window->instance);
        case GWLP_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>(window->parent != nullptr ? window->parent : window->owner);
        case GWLP_ID: return window->id;
        case GWL_STYLE: return static_cast<LONG_PTR>(window->style);
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(window->exStyle);
        case GWLP_USERDATA: return window->userData;
        default: break;
    }
    if (index >= 0 && index % static_cast<int>(sizeof(LONG_PTR)) == 0) {
        size_t slot = static_cast<size_t>(index) / sizeof(LONG_PTR);
        if (window->isDialog && slot < 3) return window->dialogSlots[slot];
        if (!window->isDialog && slot < window->extraBytes.size()) return window->extraBytes[slot];
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetWindowLongPtrW(HWND handle, int index, LONG_PTR value) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR previous = 0;
    switch (index) {
        case GWLP_WNDPROC:
            if (value == 0) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            previous = reinterpret_cast<LONG_PTR>(window->procedure);
            window->procedure = reinterpret_cast<WNDPROC>(value);
            return previous;
        case GWLP_ID:
            previous = window->id;
            window->id = value;
            return previous;
        case GWL_STYLE:
            previous = static_cast<LONG_PTR>(window->style);
            window->style = static_cast<DWORD>(value);
            return previous;
        case GWL_EXSTYLE:
            previous = static_cast<LONG_PTR>(window->exStyle);
            window->exStyle = static_cast<DWORD>(value);
            return previous;
        case GWLP_USERDATA:
            previous = window->userData;
            window->userData = value;
            return previous;
        case GWLP_HINSTANCE:
            previous = reinterpret_cast<LONG_PTR>(window->instance);
            window->instance = reinterpret_cast<HINSTANCE>(value);
            return previous;
        default: break;
    }
    if (index >= 0 && index % static_cast<int>(sizeof(LONG_PTR)) == 0) {
        size_t slot = static_cast<size_t>(index) / sizeof(LONG_PTR);
        if (window->isDialog && slot < 3) {
            previous = window->dialogSlots[slot];
            window->dialogSlots[slot] = value;
            return previous;
        }
        if (!window->isDialog && slot < window->extraBytes.size()) {
            previous = window->extraBytes[slot];
            window->extraBytes[slot] = value;
            return previous;
        }
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG GetWindowLongW(HWND handle, int index) {
    if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT) {
        SetLastError(ERROR_INVALID_INDEX);  // pointers do not fit: use the LongPtr form
        return 0;
    }
    return static_cast<LONG>(GetWindowLongPtrW(handle, index));
}

LONG SetWindowLongW(HWND handle, int index, LONG value) {
    if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return static_cast<LONG>(SetWindowLongPtrW(handle, index, value));
}

LRESULT CallWindowProcW(WNDPROC procedure, HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (procedure == nullptr) return 0;
    return procedure(handle, message, wParam, lParam);
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto& order = ZOrderLocked();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        Window* window = FindWindowLocked(*it);
        if (window == nullptr) continue;
        if (className != nullptr && !IS_INTRESOURCE(className) &&
            FoldName(className) != FoldName(window->className.c_str()))
            continue;
        if (windowName != nullptr && window->text != windowName) continue;
        return window->handle;
    }
    return nullptr;
}
