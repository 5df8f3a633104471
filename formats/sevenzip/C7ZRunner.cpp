#include "formats/sevenzip/C7ZRunner.h"

#include <cstdio>
#include <optional>

#include "formats/sevenzip/ArchiverEntry.h"
#include "platform/base/HostPaths.h"
#include "platform/kernel/Module.h"
#include "util/Log.h"
#include "util/OsmPaths.h"
#include "util/StringConvert.h"

namespace {

// The archiver works on host files: a Windows-form ANSI path becomes the
// host path of the machine's drive folder.
std::optional<std::string> HostPath(const std::string& ansiPath) {
    return platform::ToHostPath(AnsiToWideString(ansiPath));
}

std::string ModulePath() {
    char path[520] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string windowsPath(path, length < sizeof(path) ? length : 0);
    std::optional<std::string> host = HostPath(windowsPath);
    return host ? *host : windowsPath;
}

bool HasPassword(const char* password) { return password != nullptr && password[0] != '\0'; }

}  // namespace

void C7ZRunner::StatusCallback(void* context, int code) {
    C7ZRunner* runner = static_cast<C7ZRunner*>(context);
    if (runner != nullptr && runner->m_callback != nullptr) runner->m_callback->OnError(code);
}

void C7ZRunner::ProgressCallback(void* context, std::uint32_t low, std::uint32_t high) {
    C7ZRunner* runner = static_cast<C7ZRunner*>(context);
    if (runner != nullptr && runner->m_callback != nullptr) runner->m_callback->OnProgress(low, high);
}

void C7ZRunner::Status(int code) { StatusCallback(this, code); }

int C7ZRunner::Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> texts = arguments;
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    return alonemain(static_cast<int>(texts.size()), argv.data(), this, StatusCallback, ProgressCallback);
}

bool C7ZRunner::Extract(const char* outputFolder, const char* archivePath, const char* password) {
    if (outputFolder == nullptr || archivePath == nullptr) return false;
    std::optional<std::string> archive = HostPath(archivePath);
    std::optional<std::string> output = HostPath(outputFolder);
    if (!archive || !output) return false;
    std::vector<std::string> arguments = {ModulePath(), "x", *archive, "-o" + *output};
    if (HasPassword(password)) arguments.push_back("-p" + AnsiToUtf8(password));
    // The percent reports feed the progress callback; the archiver prints
    // them only when asked, as our output is no terminal.
    arguments.push_back("-bsp1");
    // Extraction reports no warnings: its exit code is 0 or an error, and
    // only 0 means every item was written.
    return Run(arguments) == kArchiverExitSuccess;
}

bool C7ZRunner::Compress(const char* folder, const char* archivePath, const char* password) {
    if (folder == nullptr || archivePath == nullptr) return false;
    std::optional<std::string> source = HostPath(folder);
    std::optional<std::string> archive = HostPath(archivePath);
    if (!source || !archive) return false;
    std::vector<std::string> arguments;
    if (HasPassword(password)) {
        arguments = {ModulePath(), "a", *archive, *source + "/*", "-p" + AnsiToUtf8(password)};
    } else {
        arguments = {ModulePath(), "-mmt4", "a", *archive, *source + "/*"};
    }
    WriteLog("begin run alonemain!");
    int code = Run(arguments);
    WriteLog("end run alonemain!");
    // Exit code 1 means some files could not be read and were left out: the
    // archive is not the folder, so only 0 is success.
    return code == kArchiverExitSuccess;
}

bool C7ZRunner::ExtractFromMemory(const void* data, std::size_t size, const char* outputFolder, const char* password,
                                  std::string& errorText, bool removeTempFolder) {
    if (data == nullptr || outputFolder == nullptr) return false;
    std::string base = MakeTempDir();
    if (base.empty()) {
        Status(kArchiverStatusRunnerFailed);
        errorText = "Write 7z file error";
        return false;
    }
    std::string work = base + "_7z/";
    CreateFolderPath(work);
    std::string archive = work + "7ZFile.7z";

    WriteLog("begin run WriteFile!");
    if (!WriteFile(archive, data, size)) {
        RemoveDirTree(work, 0);
        Status(kArchiverStatusRunnerFailed);
        errorText = "Write 7z file error";
        return false;
    }
    WriteLog("end run WriteFile!");
    bool exists = libutilosm::PathExists(archive.c_str());
    std::printf("Temp File : %s, Flag : %d\n", archive.c_str(), exists ? 1 : 0);
    if (!exists) {
        Status(kArchiverStatusRunnerFailed);
        errorText = "File path not exists : " + archive;
        return false;
    }

    WriteLog("begin run Unzip!");
    if (!Extract(outputFolder, archive.c_str(), password)) {
        RemoveDirTree(work, 0);
        Status(kArchiverStatusRunnerFailed);
        errorText = "Read 7z file error";
        return false;
    }
    WriteLog("end run Unzip!");
    if (removeTempFolder) RemoveDirTree(base, 0);
    WriteLog("end remove temp dir!");
    return true;
}

bool C7ZRunner::ExtractFromFile(const char* archivePath, const char* outputFolder, const char* password,
                                std::string& errorText) {
    if (outputFolder == nullptr) return false;
    if (archivePath != nullptr && libutilosm::PathExists(archivePath)) {
        if (Extract(outputFolder, archivePath, password)) return true;
        Status(kArchiverStatusRunnerFailed);
        errorText = "Read 7z file error";
        return false;
    }
    Status(kArchiverStatusRunnerFailed);
    errorText = std::string("File path not exists : ") + (archivePath ? archivePath : "");
    return false;
}

std::string C7ZRunner::MakeTempDir() {
    char buffer[MAX_PATH] = {};
    return libutilosm::MakeTempFolder(buffer) ? std::string(buffer) : std::string();
}

bool C7ZRunner::RemoveDirTree(const std::string& folder, int mode) {
    return libutilosm::RemoveTree(folder.c_str(), mode);
}

bool C7ZRunner::WriteFile(const std::string& path, const void* data, std::size_t size) {
    return libutilosm::WriteBufferToFile(data, size, path.c_str());
}

bool C7ZRunner::IsFolder(const std::string& path) { return libutilosm::IsFolder(path.c_str()); }

bool C7ZRunner::CreateFolderPath(const std::string& path) { return libutilosm::CreateFolderPath(path.c_str()); }

bool C7ZRunner::CreateFolder(const std::string& path) { return libutilosm::CreateFolder(path.c_str()); }

std::string C7ZRunner::ToForwardSlashes(const std::string& path) { return libutilosm::ToForwardSlashes(path); }
