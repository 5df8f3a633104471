#include "setup/SetupInfoFile.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/windowing/Dialogs.h"
#include "util/JFile.h"
#include "util/Md5.h"

namespace {

constexpr int kDigestChunk = 64 * 1024;

// Reads exactly `count` bytes at `offset`.
bool ReadAt(JFile& file, std::int64_t offset, void* buffer, int count) {
    return file.Seek(offset, SEEK_SET) == 0 && file.Read(buffer, count) == count;
}

// The record of an open package; false when it is not wholly inside the file.
bool ReadRecord(JFile& file, SetupInfoBlock& record) {
    const std::uint64_t length = file.GetSize();
    if (length == std::numeric_limits<std::uint64_t>::max()) return false;
    std::int64_t recordOffset = 0;
    if (!RegionInsideFile(kRecordOffsetPosition, sizeof(recordOffset), length)) return false;
    if (!ReadAt(file, kRecordOffsetPosition, &recordOffset, sizeof(recordOffset))) return false;
    if (!RegionInsideFile(recordOffset, kSetupInfoBlockSize, length)) return false;
    return ReadAt(file, recordOffset, &record, static_cast<int>(kSetupInfoBlockSize));
}

}  // namespace

bool RegionInsideFile(std::int64_t offset, std::int64_t size, std::uint64_t length) {
    if (offset < 0 || size < 0) return false;
    const auto start = static_cast<std::uint64_t>(offset);
    const auto count = static_cast<std::uint64_t>(size);
    return start <= length && count <= length - start;
}

HRESULT ReadPackageInfo(const wchar_t* packagePath, SetupInfoBlock& record) {
    if (packagePath == nullptr) return E_POINTER;
    JFile file;
    if (!file.Open(packagePath, JFILE_READ | JFILE_BINARY)) return E_FAIL;
    SetupInfoBlock read;
    if (!ReadRecord(file, read)) return E_FAIL;
    record = read;
    return S_OK;
}

HRESULT ReadInfoFile(const wchar_t* path, SetupInfoBlock& record) {
    if (path == nullptr) return E_POINTER;
    JFile file;
    if (!file.Open(path, JFILE_READ | JFILE_BINARY)) return E_FAIL;
    SetupInfoBlock read;
    if (file.Read(&read, static_cast<int>(kSetupInfoBlockSize)) != static_cast<int>(kSetupInfoBlockSize)) return E_FAIL;
    record = read;
    return S_OK;
}

HRESULT WriteInfoFile(const wchar_t* path, const SetupInfoBlock& record) {
    if (path == nullptr) return E_POINTER;
    JFile file;
    if (!file.Open(path, JFILE_WRITE | JFILE_BINARY)) return E_FAIL;
    if (file.Write(&record, static_cast<int>(kSetupInfoBlockSize)) != static_cast<int>(kSetupInfoBlockSize))
        return E_FAIL;
    return S_OK;
}

bool VerifyPackage(const wchar_t* packagePath) {
    if (packagePath == nullptr) return false;
    JFile file;
    if (!file.Open(packagePath, JFILE_READ | JFILE_BINARY)) return false;
    SetupInfoBlock record;
    if (!ReadRecord(file, record)) return false;
    if (!RegionInsideFile(record.m_uninstallerOffset, record.m_uninstallerSize, file.GetSize())) return false;
    if (file.Seek(record.m_uninstallerOffset, SEEK_SET) != 0) return false;

    Md5::Context context;
    Md5::Init(context);
    std::vector<unsigned char> chunk(kDigestChunk);
    std::uint64_t left = record.m_uninstallerSize;
    while (left > 0) {
        const int count = left < kDigestChunk ? static_cast<int>(left) : kDigestChunk;
        if (file.Read(chunk.data(), count) != count) return false;
        Md5::Update(context, chunk.data(), static_cast<size_t>(count));
        left -= static_cast<std::uint64_t>(count);
    }
    unsigned char digest[16];
    Md5::Final(context, digest);
    return std::memcmp(digest, record.m_uninstallerDigest, sizeof(digest)) == 0;
}

int CheckPackage(const wchar_t* packagePath) {
    if (VerifyPackage(packagePath)) return 1;
    MessageBoxW(nullptr, L"It looks like the setup file has been corrupted, please download again.", L"Error:", MB_OK);
    return 0;
}
