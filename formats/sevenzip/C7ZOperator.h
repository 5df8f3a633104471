// C7ZOperator: the 7z front-end. It extracts and creates 7z archives through
// the archiver run in-process, and reports through its EventCallback:
// event 100 with the progress (percent, or MiB without a total) and event
// 101 with every status code, which it also keeps as the last error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/sevenzip/I7zFileInfoCallback.h"
#include "util/EventCallback.h"

constexpr int k7zEventProgress = 100;
constexpr int k7zEventError = 101;

class C7ZOperator : public I7zFileInfoCallback {
public:
    C7ZOperator() = default;
    ~C7ZOperator() override = default;

    void SetEventCallback(EventCallback callback);
    void OnProgress(std::uint32_t low, std::uint32_t high) override;
    void OnError(int code) override;
    int GetLastError() const { return m_lastError; }

    // Paths and passwords are ANSI-code-page texts; a null or empty password is none.
    bool ExtractFromMemory(const void* data, std::size_t size, const char* outputFolder, const char* password,
                           std::string& errorText, bool removeTempFolder);
    bool ExtractFromFile(const char* archivePath, const char* outputFolder, const char* password,
                         std::string& errorText);
    bool Compress(const char* folder, const char* archivePath, const char* password);

private:
    int m_lastError = 0;
    EventCallback m_eventCallback;
};
