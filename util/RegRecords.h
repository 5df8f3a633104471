// Records filled by the enumeration and information calls of both registry
// key wrappers (CMyRegKey and libutilosm::CMyRegKey).
#pragma once

#include "platform/base/Win32Types.h"

struct RegKeyNameRecord {
    char name[256];          // NUL-terminated
    DWORD bufferSize = 256;  // always 256
};

struct RegValueRecord {
    char name[1024];  // NUL-terminated
    DWORD nameLength;
    DWORD type;
    BYTE data[1024];
    DWORD dataSize;
};

struct RegKeyInfo {
    DWORD reserved;       // left alone by the wrappers
    char className[100];  // the last byte always NUL
    DWORD classNameLength;
    DWORD subKeyCount;
    DWORD longestSubKeyName;
    DWORD longestClass;
    DWORD valueCount;
    DWORD longestValueName;
    DWORD longestValueData;
};

namespace regrecords {
// Enumeration and information shared by both wrappers (Win32 codes).
LONG EnumKey(HKEY key, DWORD index, RegKeyNameRecord& record);
LONG EnumValue(HKEY key, DWORD index, RegValueRecord& record);
LONG QueryInfo(HKEY key, RegKeyInfo& info);
// Ends the text read into `buffer` (capacity bytes, `size` of them filled) at
// its first NUL, or at the buffer's end when the value carried none.
void TerminateText(char* buffer, DWORD capacity, DWORD size);
}  // namespace regrecords
