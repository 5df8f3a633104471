#include "util/RegRecords.h"

#include <cstdio>
#include <cstring>

#include "platform/registry/Registry.h"

namespace regrecords {

LONG EnumKey(HKEY key, DWORD index, RegKeyNameRecord& record) {
    record.bufferSize = 256;
    return RegEnumKeyA(key, index, record.name, record.bufferSize);
}

LONG EnumValue(HKEY key, DWORD index, RegValueRecord& record) {
    record.nameLength = 256;
    record.dataSize = sizeof record.data;
    return RegEnumValueA(key, index, record.name, &record.nameLength, nullptr, &record.type, record.data,
                         &record.dataSize);
}

LONG QueryInfo(HKEY key, RegKeyInfo& info) {
    char className[MAX_PATH] = {};
    DWORD classLength = MAX_PATH;
    LONG result = RegQueryInfoKeyA(key, className, &classLength, nullptr, &info.subKeyCount, &info.longestSubKeyName,
                                   &info.longestClass, &info.valueCount, &info.longestValueName, &info.longestValueData,
                                   nullptr, nullptr);
    if (result == ERROR_SUCCESS) {
        std::snprintf(info.className, sizeof info.className, "%s", className);
        info.classNameLength = classLength;
    }
    return result;
}

void TerminateText(char* buffer, DWORD capacity, DWORD size) {
    if (buffer == nullptr || capacity == 0) return;
    if (size < capacity) {
        buffer[size] = '\0';
    } else if (std::memchr(buffer, '\0', capacity) == nullptr) {
        buffer[capacity - 1] = '\0';
    }
}

}  // namespace regrecords
