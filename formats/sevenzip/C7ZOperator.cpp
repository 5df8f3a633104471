#include "formats/sevenzip/C7ZOperator.h"

#include <cstdio>
#include <utility>

#include "formats/sevenzip/C7ZRunner.h"
#include "platform/base/Environment.h"

void C7ZOperator::SetEventCallback(EventCallback callback) { m_eventCallback = std::move(callback); }

void C7ZOperator::OnProgress(std::uint32_t low, std::uint32_t /*high*/) {
    char text[260];
    std::snprintf(text, sizeof(text), "now pos is %d \n", static_cast<int>(low));
    OutputDebugStringA(text);
    if (m_eventCallback) m_eventCallback(k7zEventProgress, static_cast<int>(low), nullptr);
}

void C7ZOperator::OnError(int code) {
    char text[260];
    std::snprintf(text, sizeof(text), "\n!!! Error is %d \n", code);
    OutputDebugStringA(text);
    m_lastError = code;
    if (m_eventCallback) m_eventCallback(k7zEventError, code, nullptr);
}

bool C7ZOperator::ExtractFromMemory(const void* data, std::size_t size, const char* outputFolder, const char* password,
                                    std::string& errorText, bool removeTempFolder) {
    C7ZRunner runner(this);
    return runner.ExtractFromMemory(data, size, outputFolder, password, errorText, removeTempFolder);
}

bool C7ZOperator::ExtractFromFile(const char* archivePath, const char* outputFolder, const char* password,
                                  std::string& errorText) {
    C7ZRunner runner(this);
    return runner.ExtractFromFile(archivePath, outputFolder, password, errorText);
}

bool C7ZOperator::Compress(const char* folder, const char* archivePath, const char* password) {
    C7ZRunner runner(this);
    return runner.Compress(folder, archivePath, password);
}
