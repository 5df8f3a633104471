// The package's progress channel: a named 4096-byte shared mapping holding
// the text "pos:" and a number from 0 to 1000. The installer creates it and
// reads it every 500 ms; a package started with "/output_progress:" opens it
// and writes its own progress there.
#include <algorithm>
#include <cstring>
#include <vector>

#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "util/Log.h"
#include "util/Md5.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"

std::wstring SetupDlg::ProgressChannelName(const std::string& productName) {
    std::string hex;
    Md5().DigestHex(productName.data(), productName.size(), hex);
    return ToWideString(hex);
}

bool SetupDlg::CreateProgressChannel(std::wstring name) {
    std::lock_guard<std::mutex> guard(m_channelLock);
    if (m_channelHandle != nullptr) return false;
    m_channelHandle =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kProgressChannelSize, name.c_str());
    if (m_channelHandle == nullptr) return false;
    m_channelView = MapViewOfFile(m_channelHandle, FILE_MAP_ALL_ACCESS, 0, 0, kProgressChannelSize);
    if (m_channelView == nullptr) return false;
    std::memset(m_channelView, 0, kProgressChannelSize);
    return true;
}

std::string SetupDlg::ReadProgressChannel() {
    // A local copy, bounded and terminated whatever the other side wrote.
    char text[kProgressChannelSize] = {};
    {
        std::lock_guard<std::mutex> guard(m_channelLock);
        if (m_channelView == nullptr) return "";
        std::memcpy(text, m_channelView, kProgressChannelSize - 1);
    }
    text[kProgressChannelSize - 1] = '\0';
    return text;
}

void SetupDlg::CloseProgressChannel() {
    std::lock_guard<std::mutex> guard(m_channelLock);
    if (m_channelView != nullptr) UnmapViewOfFile(m_channelView);
    if (m_channelHandle != nullptr) CloseHandle(m_channelHandle);
    m_channelView = nullptr;
    m_channelHandle = nullptr;
}

bool SetupDlg::HasProgressChannel() {
    std::lock_guard<std::mutex> guard(m_channelLock);
    return m_channelView != nullptr;
}

bool SetupDlg::OpenProgressChannel(std::wstring name) {
    std::string narrow = ToOemString(name);
    WriteLog("Create Shared Memory fail! -- %s \n", narrow.c_str());
    std::lock_guard<std::mutex> guard(m_channelLock);
    if (m_channelHandle != nullptr) return false;
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    if (mapping == nullptr) {
        WriteLog("Create Shared Memory fail! ---1 %d \n", static_cast<int>(GetLastError()));
        return false;
    }
    m_channelHandle = mapping;
    m_channelView = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (m_channelView == nullptr) {
        WriteLog("Create Shared Memory fail! ---2 %d \n", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

void SetupDlg::WriteProgressChannel(std::string text) {
    std::lock_guard<std::mutex> guard(m_channelLock);
    if (m_channelView == nullptr) return;
    // The text and its terminator, never past the mapping.
    size_t length = std::min<size_t>(text.size(), kProgressChannelSize - 1);
    std::memcpy(m_channelView, text.data(), length);
    static_cast<char*>(m_channelView)[length] = '\0';
}

bool SetupDlg::ParseProgressText(const std::string& text, unsigned& value) {
    std::vector<std::string> pieces;
    SplitString(pieces, text, ":");
    if (pieces.size() != 2) return false;
    const std::string& number = pieces[1];
    size_t at = 0;
    while (at < number.size() && (number[at] == ' ' || number[at] == '\t')) ++at;
    if (at >= number.size() || number[at] < '0' || number[at] > '9') return false;
    // Digits up to the first other character; anything past 1000 is out of
    // range, so the reading stops before it could overflow.
    unsigned long long parsed = 0;
    for (; at < number.size() && number[at] >= '0' && number[at] <= '9'; ++at) {
        parsed = parsed * 10 + static_cast<unsigned>(number[at] - '0');
        if (parsed > 1000000) break;
    }
    value = parsed > 1000000 ? 1000001u : static_cast<unsigned>(parsed);
    return true;
}

void SetupDlg::OnProgressTimer() {
    unsigned value = 0;
    if (ParseProgressText(ReadProgressChannel(), value)) SetInstallProgress(3, value);
}
