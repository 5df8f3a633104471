#include "util/Log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "platform/base/Clock.h"
#include "util/JFile.h"

namespace {

std::mutex g_instanceLock;
ILog* g_instance = nullptr;

constexpr char kBlockOpener[] = "\n\n----------------------------------------\n";
constexpr char kInitLine[] = "00:00:00 : Init Log OK.\n";
constexpr size_t kFormatBuffer = 13000;

}  // namespace

ILog* ILog::Instance() {
    std::lock_guard<std::mutex> guard(g_instanceLock);
    if (g_instance == nullptr) g_instance = new ILog();
    return g_instance;
}

int ILog::Release() {
    std::lock_guard<std::mutex> guard(g_instanceLock);
    delete g_instance;
    g_instance = nullptr;
    return 1;
}

int ILog::Init(const wchar_t* path) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_path = path != nullptr ? path : L"";
        m_startTick = GetTickCount();
    }
    Append(std::string(kBlockOpener) + kInitLine);
    return 1;
}

void ILog::Append(const std::string& bytes) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_path.empty()) return;
    JFile file;
    if (!file.Open(m_path.c_str(), JFILE_READ | JFILE_WRITE | JFILE_TEXT)) return;
    file.SeekToEnd();
    file.Write(bytes.data(), static_cast<int>(bytes.size()));
    file.Close();
}

void ILog::WriteLine(const char* text) {
    if (text == nullptr) text = "";
    std::string entry = GetTimeStamp();
    entry += text;
    if (!entry.empty() && text[0] != '\0' && entry.back() != '\n') entry.push_back('\n');
    Append(entry);
    LogCallback callback = m_callback.load();
    if (callback != nullptr) callback(text);
}

void ILog::SetCallback(LogCallback callback) { m_callback.store(callback); }

std::string ILog::GetTimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char buffer[64] = {0};  // 22 characters for every valid time
    std::snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d:%02d : ", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return buffer;
}

ILog* GetLog() { return ILog::Instance(); }

void WriteLog(const char* format, ...) {
    if (format == nullptr) return;
    char buffer[kFormatBuffer] = {0};
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof(buffer), format, arguments);
    va_end(arguments);
    GetLog()->WriteLine(buffer);
}
