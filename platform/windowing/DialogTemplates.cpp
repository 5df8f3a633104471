// The program's dialog templates, kept as C++ tables instead of a resource
// script: 130 the main dialog, 173 the skinned message boxes, 189 the debug
// info view.
#include <map>
#include <mutex>

#include "platform/windowing/Dialogs.h"

namespace platform {
namespace {

std::map<UINT, DialogTemplate> BuiltIn() {
    std::map<UINT, DialogTemplate> templates;
    DialogTemplate main;
    main.style = WS_POPUP | WS_MINIMIZEBOX | WS_SYSMENU | DS_SETFONT;
    main.cx = 415;
    main.cy = 270;
    templates[130] = main;

    DialogTemplate box;
    box.style = WS_POPUP | DS_SETFONT | DS_MODALFRAME;
    box.cx = 320;
    box.cy = 150;
    templates[173] = box;

    DialogTemplate info;
    info.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | DS_SETFONT;
    info.cx = 803;
    info.cy = 410;
    info.title = L"Info View";
    info.items = {
        {L"button", L"Info :", -1, BS_GROUPBOX | WS_VISIBLE, 0, 7, 7, 789, 396},
        {L"button", L"Info", 1006, BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 0, 7, 24, 50, 14},
        {L"button", L"Log", 1007, BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 0, 66, 24, 50, 14},
        {L"SysListView32", L"", 1001, LVS_REPORT | WS_BORDER | WS_VISIBLE | WS_TABSTOP, 0, 7, 45, 789, 358},
        {L"listbox", L"", 1005, WS_VSCROLL | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VISIBLE | WS_TABSTOP, 0, 7, 43, 789,
         360},
    };
    templates[189] = info;
    return templates;
}

struct Store {
    std::mutex lock;
    std::map<UINT, DialogTemplate> templates = BuiltIn();
};
Store& Templates() {
    static Store* store = new Store();
    return *store;
}

}  // namespace

void RegisterDialogTemplate(UINT id, DialogTemplate dialogTemplate) {
    std::lock_guard<std::mutex> guard(Templates().lock);
    Templates().templates[id] = std::move(dialogTemplate);
}

bool FindDialogTemplate(UINT id, DialogTemplate* out) {
    std::lock_guard<std::mutex> guard(Templates().lock);
    auto it = Templates().templates.find(id);
    if (it == Templates().templates.end()) return false;
    *out = it->second;
    return true;
}

}  // namespace platform
