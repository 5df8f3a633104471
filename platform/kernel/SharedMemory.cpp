#include "platform/kernel/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/base/CodePages.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"

namespace {

constexpr ULONGLONG kMaxMappingBytes = 1ull << 30;  // a ceiling for one mapping
constexpr ULONGLONG kGranularity = 65536;

// Every process that holds a named segment keeps a shared flock on it. A
// segment whose lock can be taken exclusively has no holder left: its creator
// ended without closing it (stale), or the last holder is letting it go.
// Those decisions run under the machine's shared-memory lock file, so that no
// process opens a name while another one removes it.
class MachineLock {
public:
    MachineLock() {
        std::string path = platform::Machine::Current().StatePath("shared-memory.lock");
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~MachineLock() {
        if (m_fd >= 0) ::close(m_fd);
    }
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// One shm object as this process knows it; shared by its handles and views.
struct Segment {
    std::string shmName;  // empty for an unnamed mapping (already unlinked)
    int fd = -1;
    ULONGLONG size = 0;
    bool writable = true;
    ~Segment() {
        if (fd < 0) return;
        if (!shmName.empty()) {
            // The name goes with the last holder of any process, as a section's does.
            MachineLock lock;
            if (lock.held() && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ::shm_unlink(shmName.c_str());
            ::close(fd);
            return;
        }
        ::close(fd);
    }
};

class MappingObject : public platform::KernelObject {
public:
    explicit MappingObject(std::shared_ptr<Segment> segment) : segment(std::move(segment)) {}
    std::shared_ptr<Segment> segment;
};

struct View {
    std::shared_ptr<Segment> segment;
    size_t length = 0;
};

std::mutex g_lock;
std::map<std::string, std::weak_ptr<Segment>>* g_segments = nullptr;  // by shm name
std::map<UINT_PTR, View>* g_views = nullptr;                          // by view address

void EnsureTables() {
    if (g_segments == nullptr) g_segments = new std::map<std::string, std::weak_ptr<Segment>>();
    if (g_views == nullptr) g_views = new std::map<UINT_PTR, View>();
}

std::wstring WithoutNamespace(const std::wstring& name) {
    const std::wstring local = L"Local\\";
    return name.rfind(local, 0) == 0 ? name.substr(local.size()) : name;
}

std::shared_ptr<Segment> FindLocked(const std::string& shmName) {
    auto it = g_segments->find(shmName);
    if (it == g_segments->end()) return nullptr;
    std::shared_ptr<Segment> segment = it->second.lock();
    if (!segment) g_segments->erase(it);
    return segment;
}

// Opens a segment another process holds, under the machine lock. A segment
// that is not this user's alone (owner, mode 0600) is refused; a stale one
// (no holder) is removed and reported missing, so that it is made afresh.
// On success `fd` holds a shared lock on it.
DWORD OpenExisting(const std::string& shmName, bool writes, int& fd, ULONGLONG& size) {
    fd = ::shm_open(shmName.c_str(), (writes ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : platform::ErrorFromErrno(errno);
    struct stat info {};
    DWORD error = ERROR_SUCCESS;
    if (::fstat(fd, &info) != 0) {
        error = platform::ErrorFromErrno(errno);
    } else if (info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
        error = ERROR_ACCESS_DENIED;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ::shm_unlink(shmName.c_str());  // stale: its holders are gone
        error = ERROR_FILE_NOT_FOUND;
    } else if (errno != EWOULDBLOCK || ::flock(fd, LOCK_SH) != 0 || info.st_size <= 0) {
        error = ERROR_FILE_NOT_FOUND;
    }
    if (error != ERROR_SUCCESS) {
        ::close(fd);
        fd = -1;
        return error;
    }
    size = static_cast<ULONGLONG>(info.st_size);
    return ERROR_SUCCESS;
}

HANDLE Register(std::shared_ptr<Segment> segment) {
    return platform::RegisterHandle(std::make_shared<MappingObject>(std::move(segment)));
}

}  // namespace

namespace platform {

std::string SharedMemoryName(const std::wstring& name) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : Machine::Current().Root()) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "/webinstaller-%016llx-", static_cast<unsigned long long>(hash));
    std::string out = prefix;
    for (unsigned char c : Utf16ToUtf8(WithoutNamespace(name))) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                     c == '_' || c == '-';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    if (out.size() > 200) {
        // Too long for a shm name: keep the prefix and a digest of the rest.
        std::uint64_t tail = 0xcbf29ce484222325ull;
        for (unsigned char c : out) {
            tail ^= c;
            tail *= 0x100000001b3ull;
        }
        char digest[24];
        std::snprintf(digest, sizeof digest, "#%016llx", static_cast<unsigned long long>(tail));
        out = out.substr(0, 150) + digest;
    }
    return out;
}

bool SharedMemoryExists(const std::wstring& name) {
    int fd = ::shm_open(SharedMemoryName(name).c_str(), O_RDONLY, 0);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace platform

HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCWSTR name) {
    ULONGLONG size = (static_cast<ULONGLONG>(sizeHigh) << 32) | sizeLow;
    if (file != INVALID_HANDLE_VALUE || size == 0 || (protect != PAGE_READWRITE && protect != PAGE_READONLY)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (size > kMaxMappingBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    EnsureTables();
    bool named = name != nullptr && *name != L'\0';
    std::string shmName = named ? platform::SharedMemoryName(name) : std::string();
    if (named) {
        if (std::shared_ptr<Segment> known = FindLocked(shmName)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return Register(known);
        }
    } else {
        static unsigned counter = 0;
        shmName = "/webinstaller-anonymous-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    }
    auto segment = std::make_shared<Segment>();
    segment->writable = protect == PAGE_READWRITE;
    std::optional<MachineLock> lock;
    if (named) {
        lock.emplace();
        if (!lock->held()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        int existing = -1;
        ULONGLONG existingSize = 0;
        DWORD error = OpenExisting(shmName, true, existing, existingSize);
        if (error == ERROR_SUCCESS) {
            segment->fd = existing;
            segment->size = existingSize;
            segment->shmName = shmName;
            (*g_segments)[shmName] = segment;
            SetLastError(ERROR_ALREADY_EXISTS);
            return Register(segment);
        }
        if (error != ERROR_FILE_NOT_FOUND) {
            SetLastError(error);
            return nullptr;
        }
    }
    segment->fd = ::shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (segment->fd < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return nullptr;
    }
    if (::ftruncate(segment->fd, static_cast<off_t>(size)) != 0 || (named && ::flock(segment->fd, LOCK_SH) != 0)) {
        DWORD error = platform::ErrorFromErrno(errno);
        ::shm_unlink(shmName.c_str());
        SetLastError(error);
        return nullptr;
    }
    segment->size = size;
    if (named) {
        segment->shmName = shmName;
        (*g_segments)[shmName] = segment;
    } else {
        ::shm_unlink(shmName.c_str());  // unnamed: only handles reach it
    }
    SetLastError(ERROR_SUCCESS);
    return Register(segment);
}

HANDLE OpenFileMappingW(DWORD access, BOOL, LPCWSTR name) {
    if (name == nullptr || *name == L'\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    EnsureTables();
    std::string shmName = platform::SharedMemoryName(name);
    if (std::shared_ptr<Segment> known = FindLocked(shmName)) return Register(known);
    bool writes = (access & FILE_MAP_WRITE) != 0;
    MachineLock lock;
    if (!lock.held()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    auto segment = std::make_shared<Segment>();
    DWORD error = OpenExisting(shmName, writes, segment->fd, segment->size);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return nullptr;
    }
    segment->writable = writes;
    segment->shmName = shmName;
    (*g_segments)[shmName] = segment;
    return Register(segment);
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
    std::shared_ptr<MappingObject> object = platform::LookupHandle<MappingObject>(mapping);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::shared_ptr<Segment> segment = object->segment;
    ULONGLONG offset = (static_cast<ULONGLONG>(offsetHigh) << 32) | offsetLow;
    if (offset % kGranularity != 0) {
        SetLastError(ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    if (offset >= segment->size || bytes > segment->size - offset) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    size_t length = bytes == 0 ? static_cast<size_t>(segment->size - offset) : bytes;
    bool writes = (access & FILE_MAP_WRITE) != 0;
    if (writes && !segment->writable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    void* address = ::mmap(nullptr, length, PROT_READ | (writes ? PROT_WRITE : 0), MAP_SHARED, segment->fd,
                           static_cast<off_t>(offset));
    if (address == MAP_FAILED) {
        SetLastError(platform::ErrorFromErrno(errno));
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    EnsureTables();
    (*g_views)[reinterpret_cast<UINT_PTR>(address)] = View{segment, length};
    return address;
}

BOOL UnmapViewOfFile(LPCVOID address) {
    View view;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        EnsureTables();
        auto it = g_views->find(reinterpret_cast<UINT_PTR>(address));
        if (it == g_views->end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        view = std::move(it->second);
        g_views->erase(it);
    }
    ::munmap(const_cast<void*>(address), view.length);
    return TRUE;  // the segment goes (and its name with it) when the last user lets go
}
