#include "platform/windowing/FolderBrowser.h"

#include <cwchar>
#include <mutex>
#include <string>

#include "platform/base/Machine.h"
#include "platform/files/FileSystem.h"
#include "platform/windowing/Windowing.h"

namespace {

constexpr wchar_t kBrowseClass[] = L"SHBrowseForFolder";

// The browse window keeps what the callback preselects in the record that
// its user data points at.
LRESULT BrowseWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BFFM_SETSELECTIONW) {
        auto* record = reinterpret_cast<platform::FolderBrowseRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        // wParam TRUE: lParam is a path; FALSE would be an item list.
        if (record != nullptr && wParam != 0 && lParam != 0) record->selection = reinterpret_cast<LPCWSTR>(lParam);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterBrowseClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = BrowseWindowProc;
        windowClass.lpszClassName = kBrowseClass;
        RegisterClassExW(&windowClass);
    });
}

// The last element of a path, as the shell's display name.
std::wstring FolderName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return name.empty() ? path : name;
}

}  // namespace

PIDLIST_ABSOLUTE SHBrowseForFolderW(LPBROWSEINFOW info) {
    if (info == nullptr) return nullptr;
    platform::FolderBrowseRecord record;
    record.title = info->lpszTitle != nullptr ? info->lpszTitle : L"";
    record.flags = info->ulFlags;

    RegisterBrowseClass();
    HWND window = CreateWindowExW(0, kBrowseClass, record.title.c_str(), WS_POPUP, 0, 0, 0, 0, info->hwndOwner, nullptr,
                                  nullptr, nullptr);
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&record));
        if (info->lpfn != nullptr) info->lpfn(window, BFFM_INITIALIZED, 0, info->lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }

    platform::MachineProfile& profile = platform::Machine::Current().Profile();
    std::wstring answer;
    if (!profile.folderBrowserAnswers.empty()) {
        answer = profile.folderBrowserAnswers.front();
        profile.folderBrowserAnswers.pop_front();
    }
    profile.folderBrowses.push_back(record);

    if (answer.empty()) return nullptr;
    DWORD attributes = GetFileAttributesW(answer.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return nullptr;
    PIDLIST_ABSOLUTE list = ILCreateFromPathW(answer.c_str());
    if (list != nullptr && info->pszDisplayName != nullptr) {
        std::wstring name = FolderName(answer);
        std::wcsncpy(info->pszDisplayName, name.c_str(), MAX_PATH - 1);
        info->pszDisplayName[MAX_PATH - 1] = 0;
    }
    return list;
}
