#include "setup/SetupInfoPack.h"

#include <cstdio>
#include <limits>

#include "platform/files/FileSystem.h"
#include "util/JFile.h"
#include "util/Md5.h"

namespace {

constexpr int kCopyChunk = 1 << 20;

bool Write(JFile& file, const void* data, std::uint64_t size) {
    return size <= static_cast<std::uint64_t>(std::numeric_limits<int>::max()) &&
           file.Write(data, static_cast<int>(size)) == static_cast<int>(size);
}

bool WritePackage(JFile& package, JFile& payload, const std::vector<unsigned char>& uninstaller,
                  SetupInfoBlock& record) {
    const std::uint64_t payloadSize = payload.GetSize();
    if (payloadSize == std::numeric_limits<std::uint64_t>::max() ||
        uninstaller.size() > std::numeric_limits<std::uint32_t>::max())
        return false;
    record.m_uninstallerOffset = kPackageHeadSize + static_cast<std::int64_t>(kSetupInfoBlockSize);
    record.m_uninstallerSize = static_cast<std::uint32_t>(uninstaller.size());
    record.m_payloadOffset = record.m_uninstallerOffset + static_cast<std::int64_t>(uninstaller.size());
    record.m_payloadSize = static_cast<std::int64_t>(payloadSize);
    Md5 md5;
    md5.Digest(uninstaller.data(), uninstaller.size(), record.m_uninstallerDigest);

    unsigned char head[kPackageHeadSize] = {'P', 'K', 'G', 0};
    const std::int64_t recordOffset = kPackageHeadSize;
    static_assert(kPackageHeadSize >= 40);
    for (int i = 0; i < 8; ++i) head[32 + i] = static_cast<unsigned char>(recordOffset >> (8 * i));
    if (!Write(package, head, sizeof(head)) || !Write(package, &record, kSetupInfoBlockSize) ||
        !Write(package, uninstaller.data(), uninstaller.size()))
        return false;
    std::vector<unsigned char> chunk(kCopyChunk);
    std::uint64_t copied = 0;
    while (copied < payloadSize) {
        const int count = static_cast<int>(std::min<std::uint64_t>(kCopyChunk, payloadSize - copied));
        if (payload.Read(chunk.data(), count) != count || !Write(package, chunk.data(), count)) return false;
        copied += static_cast<std::uint64_t>(count);
    }
    return true;
}

}  // namespace

HRESULT PackPackage(const wchar_t* packagePath, const std::vector<unsigned char>& uninstaller,
                    const wchar_t* payloadPath, SetupInfoBlock record) {
    if (packagePath == nullptr || payloadPath == nullptr) return E_POINTER;
    JFile payload;
    if (!payload.Open(payloadPath, JFILE_READ | JFILE_BINARY)) return E_FAIL;
    bool written = false;
    {
        JFile package;
        if (!package.Open(packagePath, JFILE_WRITE | JFILE_BINARY)) return E_FAIL;
        written = WritePackage(package, payload, uninstaller, record);
    }
    if (!written) {
        DeleteFileW(packagePath);
        return E_FAIL;
    }
    return S_OK;
}
