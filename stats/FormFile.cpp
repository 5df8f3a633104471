#include "stats/FormFile.h"

#include "platform/files/FileSystem.h"

bool ReadFormStream(std::FILE* file, std::string& bytes) {
    bytes.clear();
    char buffer[64 * 1024];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, count);
        if (static_cast<long long>(bytes.size()) > kFormFileLimit) return false;
    }
    return std::ferror(file) == 0;
}

bool ReadFormFileAnsi(const std::string& path, std::string& bytes) {
    std::FILE* file = nullptr;
    if (fopen_s(&file, path.c_str(), "rb") != 0 || file == nullptr) return false;
    const bool ok = ReadFormStream(file, bytes);
    std::fclose(file);
    return ok;
}

std::string FormFileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
