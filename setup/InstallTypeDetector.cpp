#include "setup/InstallTypeDetector.h"

#include <vector>

#include "platform/files/FileSystem.h"
#include "setup/ProductConfig.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"
#include "util/UninstallEntry.h"

namespace {

// The names in a folder (without "." and ".."); empty when it cannot be listed.
std::vector<std::wstring> Entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(JoinPath(folder, L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

}  // namespace

std::string GetRegisteredInstallLocation(const std::string& productName, bool x64) {
    std::string location;
    if (!GetInstallLocation(x64 ? productName + " (x64)" : productName, location)) return "";
    return location;
}

int InstallTypeDetector::DetectInstallType() const {
    const std::string product = GetProductName();
    std::string location = GetRegisteredInstallLocation(product, true);
    if (location.empty()) location = GetRegisteredInstallLocation(product, false);

    const std::wstring dataFolder = GetCompanyDataFolderW();
    wchar_t roaming[MAX_PATH] = {};
    bool roamingUsed = false;
    if (GetAppDataFolder(roaming)) {
        const std::wstring folder = JoinPath(roaming, dataFolder);
        roamingUsed = PathIsDirectoryW(folder.c_str()) && !Entries(folder).empty();
    }
    bool documentsUsed = false;
    wchar_t documents[MAX_PATH] = {};
    if (GetDocumentsFolder(documents)) {
        const std::wstring folder = JoinPath(documents, dataFolder);
        if (PathIsDirectoryW(folder.c_str())) {
            // A folder that holds only the install log of an earlier setup run is unused.
            const std::vector<std::wstring> names = Entries(folder);
            const bool onlyLog = names.size() == 1 && names[0] == L"Log" &&
                                 Entries(JoinPath(folder, L"Log")) == std::vector<std::wstring>{L"install.log"};
            documentsUsed = !onlyLog;
        }
    }
    if (!location.empty() || roamingUsed) return 2;
    return documentsUsed ? 1 : 0;
}

const char* InstallTypeDetector::InstallTypeName(int type) {
    switch (type) {
        case 2: return "overwrite";
        case 1: return "reinstall";
        default: return "new";
    }
}
