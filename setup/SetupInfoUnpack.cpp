#include "setup/SetupInfoUnpack.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "formats/sevenzip/C7ZOperator.h"
#include "platform/files/FileSystem.h"
#include "setup/SetupInfoBlock.h"
#include "setup/SetupInfoErrors.h"
#include "setup/SetupInfoFile.h"
#include "util/Folders.h"
#include "util/JFile.h"
#include "util/Log.h"
#include "util/OsmPaths.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"

namespace {

constexpr int kEventStarted = 0;
constexpr int kEventDone = 1;
constexpr int kEventFailed = 2;

// A zeroed buffer of `size` bytes, or null when it cannot be had.
std::unique_ptr<unsigned char[]> Allocate(std::uint64_t size) {
    if (size > std::numeric_limits<std::size_t>::max() - 1) return nullptr;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[static_cast<std::size_t>(size) + 1]);
    if (buffer) std::memset(buffer.get(), 0, static_cast<std::size_t>(size) + 1);
    return buffer;
}

// Reads exactly `size` bytes at `offset` (the size fits an int here: the
// callers read at most one chunk or a region already checked against it).
bool ReadExactly(JFile& file, std::int64_t offset, unsigned char* buffer, std::uint64_t size) {
    if (file.Seek(offset, SEEK_SET) != 0) return false;
    std::uint64_t done = 0;
    while (done < size) {
        const std::uint64_t step = std::min<std::uint64_t>(size - done, kUnpackCopyChunk);
        const int got = file.Read(buffer + done, static_cast<int>(step));
        if (got != static_cast<int>(step)) return false;
        done += step;
    }
    return true;
}

class Unpack {
public:
    Unpack(EventCallback callback) : m_callback(std::move(callback)) {}

    void Send(int event, int value) {
        if (m_callback) m_callback(event, value, nullptr);
    }
    HRESULT Fail(int lastError) {
        SetUnpackLastError(lastError);
        Send(kEventFailed, kUnpackSetupFileError);
        return E_FAIL;
    }
    HRESULT UnzipFailed(const std::string& folder, const std::string& error) {
        WriteLog("Failed unpack file.\n");
        WriteLog("Install path %s.\n", folder.c_str());
        WriteLog("UnZip error :%s.\n", error.c_str());
        return Fail(kUnpackUnzipFileError);
    }

    // Payload in memory, handed to the front-end.
    HRESULT FromMemory(JFile& package, const SetupInfoBlock& record, const std::string& folder, bool removeTempFolder) {
        WriteLog("Unpack file use buffer.\n");
        std::unique_ptr<unsigned char[]> buffer = Allocate(static_cast<std::uint64_t>(record.m_payloadSize));
        if (!buffer) return Fail(kUnpackMallocError);
        if (!ReadExactly(package, record.m_payloadOffset, buffer.get(),
                         static_cast<std::uint64_t>(record.m_payloadSize)))
            return Fail(kUnpackReadFileError);
        WriteLog("Buffer Info: Start(%d), size(%d), pBuffer(%08X).\n", static_cast<int>(record.m_payloadOffset),
                 static_cast<int>(record.m_payloadSize),
                 static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(buffer.get())));
        C7ZOperator unpacker;
        unpacker.SetEventCallback(m_callback);
        WriteLog("Begin unpack file.\n");
        std::string error;
        if (!unpacker.ExtractFromMemory(buffer.get(), static_cast<std::size_t>(record.m_payloadSize), folder.c_str(),
                                        nullptr, error, removeTempFolder))
            return UnzipFailed(folder, error);
        WriteLog("Finish unpack file.\n");
        return S_OK;
    }

    // A payload too large for memory: copied to a temporary archive first.
    HRESULT FromTemporaryArchive(JFile& package, const SetupInfoBlock& record, const std::string& folder) {
        WriteLog("Unpack file use File.\n");
        std::unique_ptr<unsigned char[]> chunk = Allocate(kUnpackCopyChunk);
        if (!chunk) return Fail(kUnpackMallocError);
        // A fresh folder, created atomically, that no other run shares.
        char temp[MAX_PATH] = {};
        if (!libutilosm::MakeTempFolder(temp)) {
            WriteLog("Open file 7z error %d.\n", -1);
            return Fail(-1);
        }
        const std::wstring tempFolder = AnsiToWideString(temp);
        const std::string archive = std::string(temp) + "7ZFile.7z";
        HRESULT result = S_OK;
        {
            JFile target;
            if (!target.Open(AnsiToWideString(archive).c_str(), JFILE_WRITE | JFILE_BINARY)) {
                DeleteDirectoryTree(tempFolder.c_str());
                WriteLog("Open file 7z error %d.\n", target.GetError());
                return Fail(target.GetError());
            }
            std::uint64_t copied = 0;
            const auto size = static_cast<std::uint64_t>(record.m_payloadSize);
            while (copied < size && result == S_OK) {
                const std::uint64_t n = std::min<std::uint64_t>(kUnpackCopyChunk, size - copied);
                std::memset(chunk.get(), 0, static_cast<std::size_t>(n));
                if (!ReadExactly(package, record.m_payloadOffset + static_cast<std::int64_t>(copied), chunk.get(), n)) {
                    result = E_FAIL;
                    SetUnpackLastError(kUnpackReadFileError);
                } else if (target.Write(chunk.get(), static_cast<int>(n)) != static_cast<int>(n)) {
                    result = E_FAIL;
                    SetUnpackLastError(kUnpackUnzipFileError);
                }
                copied += n;
            }
        }
        chunk.reset();
        if (result != S_OK) {
            const int code = GetUnpackLastError();
            DeleteDirectoryTree(tempFolder.c_str());
            return Fail(code);
        }
        C7ZOperator unpacker;
        unpacker.SetEventCallback(m_callback);
        WriteLog("Begin unpack file.\n");
        std::string error;
        const bool ok = unpacker.ExtractFromFile(archive.c_str(), folder.c_str(), nullptr, error);
        DeleteDirectoryTree(tempFolder.c_str());
        if (!ok) return UnzipFailed(folder, error);
        WriteLog("Finish unpack file.\n");
        return S_OK;
    }

    HRESULT Run(const wchar_t* packagePath, const wchar_t* installFolder, bool removeTempFolder, bool writeUninstaller,
                std::int64_t memoryLimit) {
        Send(kEventStarted, 0);
        JFile package;
        if (!package.Open(packagePath, JFILE_READ | JFILE_BINARY)) {
            const int code = package.GetError();
            Send(kEventFailed, kUnpackSetupFileError);
            SetUnpackLastError(code);
            WriteLog("Open file error %d.\n", code);
            return E_FAIL;
        }
        const std::uint64_t length = package.GetSize();
        std::int64_t recordOffset = -1;
        SetupInfoBlock record;
        const bool recordInside =
            RegionInsideFile(kRecordOffsetPosition, sizeof(recordOffset), length) &&
            ReadExactly(package, kRecordOffsetPosition, reinterpret_cast<unsigned char*>(&recordOffset),
                        sizeof(recordOffset)) &&
            RegionInsideFile(recordOffset, kSetupInfoBlockSize, length) &&
            ReadExactly(package, recordOffset, reinterpret_cast<unsigned char*>(&record), kSetupInfoBlockSize);
        if (!recordInside) {
            SetUnpackLastError(kUnpackOffsetError);
            Send(kEventFailed, kUnpackSetupFileError);
            WriteLog("Offset error %d  Offset - %d  file length- %d.\n", kUnpackOffsetError,
                     static_cast<int>(recordOffset), static_cast<int>(length));
            return E_FAIL;
        }

        std::wstring folder;
        if (installFolder != nullptr) {
            CreateDirectoryPath(installFolder);
            folder = installFolder;
            SetUnpackedInstallPath(folder);
            WriteLog("StrCpyW lpszProgram. \n");
        } else {
            wchar_t path[MAX_PATH] = {};
            const std::wstring name = AnsiToWideString(ReadText(record.m_installFolderName));
            MakeProgramFilesPath(path, name.c_str(), true, record.m_is64Bit != 0);
            folder = path;
            SetUnpackedInstallPath(folder);
            WriteLog("GetProgramPath lpszProgram. \n");
        }
        const std::string folderAnsi = WideToAnsiString(folder);
        WriteLog("lpszProgram path :%s \n", folderAnsi.c_str());
        if (folder.empty() || !PathIsDirectoryW(folder.c_str())) {
            SetUnpackLastError(kUnpackDirWriteError);
            Send(kEventFailed, kUnpackDirWriteError);
            return E_FAIL;
        }
        if (!RegionInsideFile(record.m_payloadOffset, record.m_payloadSize, length)) return Fail(kUnpackReadFileError);
        // The uninstaller is written from a buffer of its size: a region that
        // the package does not hold asks for memory it has no right to.
        if (writeUninstaller && !RegionInsideFile(record.m_uninstallerOffset, record.m_uninstallerSize, length))
            return Fail(kUnpackMallocError);

        const HRESULT unpacked = record.m_payloadSize <= memoryLimit
                                     ? FromMemory(package, record, folderAnsi, removeTempFolder)
                                     : FromTemporaryArchive(package, record, folderAnsi);
        if (unpacked != S_OK) return unpacked;

        if (writeUninstaller) {
            const std::wstring target = JoinPath(folder, L"uninstall.exe");
            std::unique_ptr<unsigned char[]> image = Allocate(record.m_uninstallerSize);
            if (!image) return Fail(kUnpackMallocError);
            ReadExactly(package, record.m_uninstallerOffset, image.get(), record.m_uninstallerSize);
            package.Close();
            WriteLog("Write uninstall file.\n");
            {
                JFile out;
                if (out.Open(target.c_str(), JFILE_WRITE | JFILE_BINARY))
                    out.Write(image.get(), static_cast<int>(record.m_uninstallerSize));
            }
            WriteLog("Write uninstall bin.\n");
            WriteInfoFile((target + L".bin").c_str(), record);
        }
        Send(kEventDone, 0);
        return S_OK;
    }

private:
    EventCallback m_callback;
};

}  // namespace

HRESULT UnpackPackageWithLimit(const wchar_t* packagePath, EventCallback callback, const wchar_t* installFolder,
                               bool removeTempFolder, bool writeUninstaller, std::int64_t memoryLimit) {
    if (packagePath == nullptr) {
        SetUnpackLastError(kUnpackPointNull);
        return E_POINTER;
    }
    Unpack unpack(std::move(callback));
    return unpack.Run(packagePath, installFolder, removeTempFolder, writeUninstaller, memoryLimit);
}

HRESULT UnpackPackage(const wchar_t* packagePath, EventCallback callback, const wchar_t* installFolder,
                      bool removeTempFolder, bool writeUninstaller) {
    return UnpackPackageWithLimit(packagePath, std::move(callback), installFolder, removeTempFolder, writeUninstaller,
                                  kUnpackMemoryLimit);
}
