// C7ZRunner: one archiver operation. It builds the archiver's argument
// vector, keeps the temporary archive of an extraction from memory, and
// passes statuses and progress to its callback. Paths are Windows-form
// texts in the ANSI code page ("/" or "\"); the runner maps them to host
// paths for the archiver.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "formats/sevenzip/I7zFileInfoCallback.h"

class C7ZRunner {
public:
    explicit C7ZRunner(I7zFileInfoCallback* callback) : m_callback(callback) {}

    // Writes the archive into a fresh temporary folder and extracts it. The
    // work folder is removed on failure, the temporary folder after success
    // when `removeTempFolder` is set. False (no status) for null data or folder.
    bool ExtractFromMemory(const void* data, std::size_t size, const char* outputFolder, const char* password,
                           std::string& errorText, bool removeTempFolder);
    bool ExtractFromFile(const char* archivePath, const char* outputFolder, const char* password,
                         std::string& errorText);
    // True when the archiver's run succeeded (exit code 0; see the .cpp).
    bool Extract(const char* outputFolder, const char* archivePath, const char* password);
    // Adds the folder's contents to the archive; true when the archiver succeeded.
    bool Compress(const char* folder, const char* archivePath, const char* password);

    static void StatusCallback(void* context, int code);
    static void ProgressCallback(void* context, std::uint32_t low, std::uint32_t high);

    // A new, empty folder under the temporary folder, created atomically
    // under a fresh name ("/"-separated, ending in "/"); empty on failure.
    static std::string MakeTempDir();
    // Removes a tree (mode 0 everything, 1 files only, 2 folders only) without
    // ever following a link: a link is removed itself.
    static bool RemoveDirTree(const std::string& folder, int mode);
    static bool WriteFile(const std::string& path, const void* data, std::size_t size);
    static bool IsFolder(const std::string& path);
    // Creates the prefix before every separator; a last part without a
    // separator after it is not created.
    static bool CreateFolderPath(const std::string& path);
    static bool CreateFolder(const std::string& path);
    static std::string ToForwardSlashes(const std::string& path);

private:
    // Runs the archiver over host forms of the given arguments; its exit code.
    int Run(const std::vector<std::string>& arguments);
    void Status(int code);

    I7zFileInfoCallback* m_callback;
};
