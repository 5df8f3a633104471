#include "platform/base/Machine.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/base/Resources.h"

namespace platform {

namespace fs = std::filesystem;

struct Machine::Shared {
    std::atomic<ULONGLONG> clockOffset{0};
};

namespace {

std::mutex g_currentLock;
std::shared_ptr<Machine> g_current;

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::string(value) : fallback;
}

// $HOME, else the user's home folder from the password database.
std::string HomeFolder() {
    std::string home = EnvOr("HOME", "");
    if (!home.empty()) return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

// Without any home folder: a fresh folder that only this user can enter, made
// once per process (a fixed name under /tmp could be planted by another user).
std::string PrivateFallbackRoot() {
    static const std::string root = [] {
        std::error_code ec;
        std::string temp = fs::temp_directory_path(ec).string();
        std::string pattern = (ec || temp.empty() ? std::string("/tmp") : temp) + "/webinstaller-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        const char* made = ::mkdtemp(buffer.data());
        // Under /dev/null nothing can be created: the machine fails rather than land in a shared folder.
        return made != nullptr ? std::string(made) + "/machine" : std::string("/dev/null/webinstaller-machine");
    }();
    return root;
}

}  // namespace

Machine::Machine(std::string hostRoot, MachineProfile profile)
    : m_root(std::move(hostRoot)), m_profile(std::move(profile)), m_shared(std::make_unique<Shared>()) {
    while (m_root.size() > 1 && m_root.back() == '/') m_root.pop_back();
    CreateLayout();
}

Machine::~Machine() = default;

std::string Machine::DefaultRoot() {
    std::string explicitRoot = EnvOr("WEBINSTALLER_MACHINE_ROOT", "");
    if (!explicitRoot.empty()) return explicitRoot;
    std::string data = EnvOr("XDG_DATA_HOME", "");
    if (data.empty()) {
        std::string home = HomeFolder();
        if (home.empty()) return PrivateFallbackRoot();
        data = home + "/.local/share";
    }
    return data + "/webinstaller/machine";
}

Machine& Machine::Current() {
    std::lock_guard<std::mutex> lock(g_currentLock);
    if (!g_current) {
        // A child started elevated ("runas") by a process of this machine inherits the answer.
        MachineProfile profile;
        profile.elevated = EnvOr("WEBINSTALLER_MACHINE_ELEVATED", "") == "1";
        // Elevation prompts the user declines first (a whole number, 0..100).
        const std::string declines = EnvOr("WEBINSTALLER_MACHINE_ELEVATION_DECLINES", "0");
        char* end = nullptr;
        const long count = std::strtol(declines.c_str(), &end, 10);
        if (end != declines.c_str() && *end == '\0' && count > 0 && count <= 100)
            profile.elevationDeclines = static_cast<int>(count);
        g_current = std::make_shared<Machine>(DefaultRoot(), std::move(profile));
    }
    return *g_current;
}

std::shared_ptr<Machine> Machine::Install(std::shared_ptr<Machine> machine) {
    std::lock_guard<std::mutex> lock(g_currentLock);
    std::shared_ptr<Machine> previous = std::move(g_current);
    g_current = std::move(machine);
    return previous;
}

std::wstring Machine::UserProfileFolder() const { return L"C:\\Users\\" + m_profile.userName; }

std::wstring Machine::DocumentsFolder() const {
    if (!m_profile.documentsFolder.empty()) return m_profile.documentsFolder;
    return UserProfileFolder() + L"\\Documents";
}

std::wstring Machine::AppDataFolder() const { return UserProfileFolder() + L"\\AppData\\Roaming"; }
std::wstring Machine::LocalAppDataFolder() const { return UserProfileFolder() + L"\\AppData\\Local"; }
std::wstring Machine::TempFolder() const { return LocalAppDataFolder() + L"\\Temp"; }
std::wstring Machine::DesktopFolder() const { return UserProfileFolder() + L"\\Desktop"; }
std::wstring Machine::ProgramsFolder() const { return AppDataFolder() + L"\\Microsoft\\Windows\\Start Menu\\Programs"; }
std::wstring Machine::WindowsFolder() const { return L"C:\\Windows"; }

std::string Machine::DriveRoot(wchar_t letter) const {
    wchar_t upper = (letter >= L'a' && letter <= L'z') ? static_cast<wchar_t>(letter - 32) : letter;
    if (upper == L'Z') return "/";
    if (upper == L'C') return m_root + "/drives/C";
    for (wchar_t extra : m_profile.extraDrives) {
        wchar_t extraUpper = (extra >= L'a' && extra <= L'z') ? static_cast<wchar_t>(extra - 32) : extra;
        if (extraUpper == upper && upper >= L'A' && upper <= L'Y') {
            std::string root = m_root + "/drives/" + static_cast<char>(upper);
            std::error_code ec;
            fs::create_directories(root, ec);
            return root;
        }
    }
    return {};
}

std::string Machine::StatePath(const std::string& name) const { return m_root + "/state/" + name; }

void Machine::AdvanceClock(ULONGLONG milliseconds) { m_shared->clockOffset += milliseconds; }
ULONGLONG Machine::ClockOffset() const { return m_shared->clockOffset.load(); }

void Machine::CreateLayout() {
    std::error_code ec;
    fs::create_directories(m_root + "/drives/C", ec);
    fs::create_directories(m_root + "/state", ec);
    const std::wstring folders[] = {
        DocumentsFolder(),
        UserProfileFolder() + L"\\Downloads",
        AppDataFolder(),
        LocalAppDataFolder(),
        TempFolder(),
        DesktopFolder(),
        ProgramsFolder(),
        L"C:\\Program Files",
        L"C:\\Program Files (x86)",
        L"C:\\Windows\\System32",
        L"C:\\Windows\\SysWOW64",
        L"C:\\Users\\Public\\Desktop",
        L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
    };
    for (const std::wstring& folder : folders) {
        // The layout is built before this machine is current, so map by hand.
        std::wstring rest = folder.substr(3);
        for (wchar_t& c : rest)
            if (c == L'\\') c = L'/';
        fs::create_directories(m_root + "/drives/C/" + Utf16ToUtf8(rest), ec);
    }
    for (wchar_t extra : m_profile.extraDrives) DriveRoot(extra);
}

ScopedMachine::ScopedMachine(MachineProfile profile) {
    std::string base = fs::temp_directory_path().string() + "/webinstaller-machine-XXXXXX";
    std::vector<char> buffer(base.begin(), base.end());
    buffer.push_back('\0');
    const char* made = ::mkdtemp(buffer.data());
    std::string root = made != nullptr ? std::string(made) : base;
    m_machine = std::make_shared<Machine>(root, std::move(profile));
    m_previous = Machine::Install(m_machine);
    ResetResourceOverrides();
}

ScopedMachine::~ScopedMachine() {
    std::string root = m_machine->Root();
    ResetResourceOverrides();
    Machine::Install(std::move(m_previous));
    m_machine.reset();
    std::error_code ec;
    // Read-only files (FILE_ATTRIBUTE_READONLY) must not stop the cleanup.
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(root, ec);
}

std::string ScopedMachine::Host(const std::wstring& windowsPath) const {
    return ToHostPath(windowsPath).value_or(std::string());
}

LANGID LangIdFromLocaleName(const std::string& locale) {
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    struct Entry {
        const char* name;
        LANGID id;
    };
    // Exact language_COUNTRY first, then the language alone.
    static const Entry exact[] = {
        {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_MO", 0x1404},
        {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"en_GB", 0x0809}, {"en_US", 0x0409}, {"es_MX", 0x080A},
        {"fr_CA", 0x0C0C}, {"nb_NO", 0x0414}, {"nn_NO", 0x0814}, {"ca_ES", 0x0403},
    };
    static const Entry language[] = {
        {"ar", 0x0401}, {"cs", 0x0405}, {"da", 0x0406}, {"de", 0x0407}, {"el", 0x0408}, {"en", 0x0409},
        {"es", 0x0C0A}, {"fi", 0x040B}, {"fr", 0x040C}, {"he", 0x040D}, {"hu", 0x040E}, {"it", 0x0410},
        {"ja", 0x0411}, {"ko", 0x0412}, {"nl", 0x0413}, {"nb", 0x0414}, {"no", 0x0414}, {"pl", 0x0415},
        {"pt", 0x0416}, {"ru", 0x0419}, {"sv", 0x041D}, {"th", 0x041E}, {"tr", 0x041F}, {"id", 0x0421},
        {"uk", 0x0422}, {"vi", 0x042A}, {"ca", 0x0403}, {"zh", 0x0804}, {"ms", 0x043E}, {"hi", 0x0439},
    };
    for (const Entry& e : exact)
        if (name == e.name) return e.id;
    std::string lang = name.substr(0, name.find('_'));
    for (const Entry& e : language)
        if (lang == e.name) return e.id;
    return 0x0409;
}

}  // namespace platform
