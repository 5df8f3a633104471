#include "platform/registry/detail/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/network/NetworkAdapters.h"
#include "platform/registry/Registry.h"

namespace platform::registry {

namespace {

constexpr const char* kHeader = "WEBINSTALLER-REGISTRY-HIVE 1";
constexpr size_t kMaxHiveBytes = 64u * 1024 * 1024;  // a larger file is not a hive of ours

struct FileIdentity {
    bool exists = false;
    ino_t inode = 0;
    off_t size = 0;
    long long seconds = 0;
    long nanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct LoadedHive {
    Key root;
    FileIdentity identity;
    bool loaded = false;
    bool damaged = false;  // the file on disk could not be read as a hive
};

std::mutex g_storeLock;
std::atomic<RegistryFolderSyncHook> g_folderSyncHook{nullptr};
std::map<std::string, LoadedHive>* g_hives = nullptr;  // by hive file path; lives to exit

FileIdentity Identify(const std::string& path) {
    FileIdentity id;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return id;
    id.exists = true;
    id.inode = info.st_ino;
    id.size = info.st_size;
    id.seconds = info.st_mtim.tv_sec;
    id.nanoseconds = info.st_mtim.tv_nsec;
    return id;
}

std::string Escape(const std::wstring& name) {
    std::string utf8 = Utf16ToUtf8(name);
    std::string out;
    for (unsigned char c : utf8) {
        if (c == '%' || c < 0x20 || c == 0x7F) {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", c);
            out += buffer;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(const std::string& text, std::wstring& name) {
    std::string utf8;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            utf8.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) return false;
        utf8.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    name = Utf8ToUtf16(utf8);
    return true;
}

void WriteKey(const Key& key, const std::string& path, std::string& out) {
    if (!path.empty()) out += "K\t" + path + "\n";
    static const char* digits = "0123456789abcdef";
    for (const Value& value : key.values) {
        out += "V\t" + std::to_string(value.type) + "\t" + Escape(value.name) + "\t";
        for (BYTE b : value.data) {
            out.push_back(digits[b >> 4]);
            out.push_back(digits[b & 15]);
        }
        out += "\n";
    }
    for (const auto& [folded, child] : key.subKeys)
        WriteKey(*child, path.empty() ? Escape(child->name) : path + "\\" + Escape(child->name), out);
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

// Parses a whole hive file; false (and `root` untouched) when it is not complete and well formed.
bool ParseHive(const std::string& text, Key& root) {
    Key parsed;
    Key* current = &parsed;
    bool sawHeader = false, sawEnd = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) return false;  // the last line always ends with a line feed
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!sawHeader) {
            if (line != kHeader) return false;
            sawHeader = true;
            continue;
        }
        if (sawEnd) return false;
        if (line == "END") {
            sawEnd = true;
            continue;
        }
        std::vector<std::string> fields = SplitFields(line);
        if (fields[0] == "K" && fields.size() == 2) {
            current = &parsed;
            size_t nameStart = 0;
            const std::string& path = fields[1];
            for (;;) {
                size_t slash = path.find('\\', nameStart);
                std::wstring name;
                if (!Unescape(path.substr(nameStart,
                                          slash == std::string::npos ? std::string::npos : slash - nameStart),
                              name) ||
                    name.empty())
                    return false;
                current = &current->Child(name);
                if (slash == std::string::npos) break;
                nameStart = slash + 1;
            }
        } else if (fields[0] == "V" && fields.size() == 4) {
            Value value;
            char* typeEnd = nullptr;
            unsigned long type = std::strtoul(fields[1].c_str(), &typeEnd, 10);
            if (fields[1].empty() || *typeEnd != '\0' || type > 0xFFFFFFFFul) return false;
            value.type = static_cast<DWORD>(type);
            if (!Unescape(fields[2], value.name) || fields[3].size() % 2 != 0) return false;
            for (size_t i = 0; i < fields[3].size(); i += 2) {
                int high = HexDigit(fields[3][i]), low = HexDigit(fields[3][i + 1]);
                if (high < 0 || low < 0) return false;
                value.data.push_back(static_cast<BYTE>(high * 16 + low));
            }
            if (current->FindValue(value.name) != nullptr) return false;
            current->values.push_back(std::move(value));
        } else {
            return false;
        }
    }
    if (!sawEnd) return false;
    root = std::move(parsed);
    return true;
}

// Reads a whole hive file. An error other than ERROR_SUCCESS is a read
// failure (no descriptor, EIO, a file over the size limit), not damage: the
// file may be a sound hive that could not be read just now.
DWORD ReadWholeFile(const std::string& path, std::string& text) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return ErrorFromErrno(errno);
    text.clear();
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            DWORD error = ErrorFromErrno(errno);
            ::close(fd);
            return error;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > kMaxHiveBytes) {
            ::close(fd);
            return ERROR_REGISTRY_IO_FAILED;
        }
    }
    ::close(fd);
    return ERROR_SUCCESS;
}

// Flushes the folder's entries, so that a rename in it survives a crash.
DWORD SyncFolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string(".")
                         : slash == 0               ? std::string("/")
                                                    : path.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrorFromErrno(errno);
    int synced = ::fsync(fd);
    DWORD error = synced == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
    if (RegistryFolderSyncHook hook = g_folderSyncHook.load()) hook(fd, synced);
    ::close(fd);
    return error;
}

// Writes `text` to `temp`, flushes it to disk and renames it over `path`.
// The caller holds the hive's lock, so a leftover temp file is stale.
DWORD WriteAtomically(const std::string& path, const std::string& temp, const std::string& text) {
    ::unlink(temp.c_str());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorFromErrno(errno);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            DWORD error = ErrorFromErrno(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return error == ERROR_SUCCESS ? ERROR_DISK_FULL : error;
        }
        done += static_cast<size_t>(wrote);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        DWORD error = ErrorFromErrno(errno);
        ::unlink(temp.c_str());
        return error;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        DWORD error = ErrorFromErrno(errno);
        ::unlink(temp.c_str());
        return error;
    }
    return SyncFolderOf(path);
}

// Moves a damaged hive aside under a name no earlier damage holds
// ("<hive>.damaged", then "<hive>.damaged.1", ...).
DWORD SetDamagedAside(const std::string& path) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string target = path + ".damaged" + (attempt == 0 ? std::string() : "." + std::to_string(attempt));
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return ERROR_SUCCESS;
        if (errno == EINVAL) {
            // A file system without RENAME_NOREPLACE: the hive's lock keeps other writers out meanwhile.
            struct stat info {};
            if (::lstat(target.c_str(), &info) == 0) continue;
            return ::rename(path.c_str(), target.c_str()) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
        }
        if (errno != EEXIST) return ErrorFromErrno(errno);
    }
    return ERROR_ALREADY_EXISTS;
}

std::unique_ptr<Key> CloneKey(const Key& key) {
    auto copy = std::make_unique<Key>();
    copy->name = key.name;
    copy->values = key.values;
    for (const auto& [folded, child] : key.subKeys) copy->subKeys.emplace(folded, CloneKey(*child));
    return copy;
}

// The network adapter class and connection keys Windows keeps for each adapter.
void SeedMachineHive(Key& root) {
    Key& classKey = root.Child(L"SYSTEM")
                        .Child(L"CurrentControlSet")
                        .Child(L"Control")
                        .Child(L"Class")
                        .Child(L"{4D36E972-E325-11CE-BFC1-08002bE10318}");
    Key& networkKey = root.Child(L"SYSTEM")
                          .Child(L"CurrentControlSet")
                          .Child(L"Control")
                          .Child(L"Network")
                          .Child(L"{4D36E972-E325-11CE-BFC1-08002BE10318}");
    auto setText = [](Key& key, const std::wstring& name, const std::wstring& text) {
        Value value{name, 1 /* REG_SZ */, {}};
        for (wchar_t unit : text) {
            value.data.push_back(static_cast<BYTE>(unit & 0xFF));
            value.data.push_back(static_cast<BYTE>((unit >> 8) & 0xFF));
        }
        value.data.push_back(0);
        value.data.push_back(0);
        key.values.push_back(std::move(value));
    };
    std::vector<NetworkAdapterEntry> adapters = ListNetworkAdapters();
    for (size_t i = 0; i < adapters.size(); ++i) {
        const NetworkAdapterEntry& adapter = adapters[i];
        wchar_t index[8];
        std::swprintf(index, 8, L"%04u", static_cast<unsigned>(i));
        Key& instance = classKey.Child(index);
        std::wstring name = Utf8ToUtf16(adapter.name);
        setText(instance, L"DriverDesc", Utf8ToUtf16(adapter.description));
        setText(instance, L"NetCfgInstanceId", name);
        // NCF_PHYSICAL (0x4) marks a physical adapter, NCF_VIRTUAL (0x1) a virtual one.
        DWORD characteristics = adapter.pci ? 0x84 : 0x1;
        Value flags{L"Characteristics", 4 /* REG_DWORD */, {}};
        for (int shift = 0; shift < 32; shift += 8) flags.data.push_back(static_cast<BYTE>(characteristics >> shift));
        instance.values.push_back(std::move(flags));
        Key& connection = networkKey.Child(name).Child(L"Connection");
        setText(connection, L"Name", Utf8ToUtf16(adapter.description));
        setText(connection, L"PnpInstanceID",
                adapter.pci ? L"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&267A616A&0&" + std::wstring(index)
                            : L"ROOT\\NET\\" + std::wstring(index));
    }
}

}  // namespace

std::wstring FoldName(const std::wstring& name) {
    std::wstring folded = name;
    for (wchar_t& c : folded) c = FoldCase(c);
    return folded;
}

Key* Key::Find(const std::wstring& subName) const {
    auto it = subKeys.find(FoldName(subName));
    return it == subKeys.end() ? nullptr : it->second.get();
}

Key& Key::Child(const std::wstring& subName) {
    std::unique_ptr<Key>& slot = subKeys[FoldName(subName)];
    if (!slot) {
        slot = std::make_unique<Key>();
        slot->name = subName;
    }
    return *slot;
}

Value* Key::FindValue(const std::wstring& valueName) {
    for (Value& value : values)
        if (NamesEqualNoCase(value.name, valueName)) return &value;
    return nullptr;
}

bool Key::RemoveChild(const std::wstring& subName) { return subKeys.erase(FoldName(subName)) > 0; }

LONG WithHive(Hive hive, bool write, const std::function<LONG(Key& root, bool& changed)>& action) {
    std::string path =
        Machine::Current().StatePath(hive == Hive::LocalMachine ? "registry-HKLM.hive" : "registry-HKCU.hive");
    std::lock_guard<std::mutex> guard(g_storeLock);
    if (g_hives == nullptr) g_hives = new std::map<std::string, LoadedHive>();
    LoadedHive& state = (*g_hives)[path];

    // Writers of every process take the file lock, so a change is never lost
    // between this process's reload and its rename.
    int lockFd = -1;
    if (write) {
        lockFd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (lockFd < 0) return static_cast<LONG>(ErrorFromErrno(errno));
        while (::flock(lockFd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    FileIdentity now = Identify(path);
    if (!state.loaded || !(now == state.identity)) {
        bool damaged = false;
        if (now.exists) {
            std::string text;
            if (DWORD error = ReadWholeFile(path, text)) {
                // Nothing is decided on a failed read: the next call reads again.
                if (lockFd >= 0) ::close(lockFd);
                return static_cast<LONG>(error);
            }
            // A damaged file keeps what this process last saw (nothing on a first look).
            damaged = !ParseHive(text, state.root);
        } else {
            state.root = Key();
            if (hive == Hive::LocalMachine) SeedMachineHive(state.root);
        }
        state.damaged = damaged;
        state.identity = now;
        state.loaded = true;
    }
    // A change that cannot be saved is undone, so that no later call saves it.
    std::unique_ptr<Key> before = write ? CloneKey(state.root) : nullptr;
    bool changed = false;
    LONG result = action(state.root, changed);
    if (write && result == ERROR_SUCCESS && changed) {
        std::string text = std::string(kHeader) + "\n";
        WriteKey(state.root, "", text);
        text += "END\n";
        // A damaged file is kept beside the hive rather than overwritten.
        DWORD saved = ERROR_SUCCESS;
        if (state.damaged && Identify(path).exists) saved = SetDamagedAside(path);
        if (saved == ERROR_SUCCESS) {
            state.damaged = false;
            saved = WriteAtomically(path, path + ".tmp", text);
        }
        if (saved != ERROR_SUCCESS) {
            state.root = std::move(*before);
            result = static_cast<LONG>(saved);
        }
        state.identity = Identify(path);
    }
    if (lockFd >= 0) ::close(lockFd);  // releases the lock
    return result;
}

}  // namespace platform::registry

void platform::SetRegistryFolderSyncHook(RegistryFolderSyncHook hook) { registry::g_folderSyncHook.store(hook); }
