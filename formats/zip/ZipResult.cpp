#include "formats/zip/ZipResult.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>

namespace {

std::atomic<ZRESULT> g_writerResult{ZR_OK};
std::atomic<ZRESULT> g_readerResult{ZR_OK};

struct CodeText {
    ZRESULT code;
    const char* text;
};

constexpr CodeText kTexts[] = {
    {ZR_OK, "Success"},
    {ZR_NODUPH, "Culdn't duplicate handle"},
    {ZR_NOFILE, "Couldn't create/open file"},
    {ZR_NOALLOC, "Failed to allocate memory"},
    {ZR_WRITE, "Error writing to file"},
    {ZR_NOTFOUND, "File not found in the zipfile"},
    {ZR_MORE, "Still more data to unzip"},
    {ZR_CORRUPT, "Zipfile is corrupt or not a zipfile"},
    {ZR_READ, "Error reading file"},
    {ZR_UNSAFENAME, "Entry name leads outside the base folder"},
    {ZR_CANCELLED, "Unzipping cancelled"},
    {ZR_PASSWORD, "Correct password required"},
    {ZR_ARGS, "Caller: faulty arguments"},
    {ZR_NOTMMAP, "Caller: can only get memory of a memory zipfile"},
    {ZR_MEMSIZE, "Caller: not enough space allocated for memory zipfile"},
    {ZR_FAILED, "Caller: there was a previous error"},
    {ZR_ENDED, "Caller: additions to the zip have already been ended"},
    {ZR_MISSIZE, "Zip-bug: the anticipated size turned out wrong"},
    {ZR_PARTIALUNZ, "Caller: the file had already been partially unzipped"},
    {ZR_ZMODE, "Caller: mixing creation and opening of zip"},
    {ZR_TOOLARGE, "Caller: entry or archive too large (4 GiB or more)"},
    {ZR_NOTINITED, "Zip-bug: internal initialisation not completed"},
    {ZR_SEEK, "Zip-bug: trying to seek the unseekable"},
    {ZR_NOCHANGE, "Zip-bug: tried to change mind, but not allowed"},
    {ZR_FLATE, "Zip-bug: an internal error during flation"},
};

}  // namespace

const char* ZipResultText(ZRESULT code) {
    for (const CodeText& entry : kTexts) {
        if (entry.code == code) return entry.text;
    }
    return "unknown zip result code";
}

ZRESULT ZipLastWriterResult() { return g_writerResult.load(); }
ZRESULT ZipLastReaderResult() { return g_readerResult.load(); }

ZRESULT ZipSetWriterResult(ZRESULT code) {
    g_writerResult.store(code);
    return code;
}

ZRESULT ZipSetReaderResult(ZRESULT code) {
    g_readerResult.store(code);
    return code;
}

unsigned ZipFormatMessage(ZRESULT code, char* buffer, unsigned size) {
    const char* text = ZipResultText(code == ZR_RECENT ? ZipLastWriterResult() : code);
    unsigned length = static_cast<unsigned>(std::strlen(text));
    if (buffer != nullptr && size > 0) {
        unsigned copied = length < size - 1 ? length : size - 1;
        std::memcpy(buffer, text, copied);
        buffer[copied] = '\0';
    }
    return length;
}

unsigned ZipFormatMessageW(ZRESULT code, wchar_t* buffer, unsigned size) {
    const char* text = ZipResultText(code == ZR_RECENT ? ZipLastReaderResult() : code);
    unsigned length = static_cast<unsigned>(std::strlen(text));
    if (buffer != nullptr && size > 0) {
        unsigned copied = length < size - 1 ? length : size - 1;
        for (unsigned i = 0; i < copied; ++i) buffer[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
        buffer[copied] = L'\0';
    }
    return length;
}

namespace {
std::mutex g_handleLock;
std::set<HZIP>& LiveHandles() {
    static std::set<HZIP>* handles = new std::set<HZIP>();
    return *handles;
}
}  // namespace

HZIP ZipRegisterHandle(int kind, void* object) {
    HZIP handle = new ZipHandleRecord{kind, object};
    std::lock_guard<std::mutex> guard(g_handleLock);
    LiveHandles().insert(handle);
    return handle;
}

void* ZipLookupHandle(HZIP handle, int kind, ZRESULT* error) {
    std::lock_guard<std::mutex> guard(g_handleLock);
    ZRESULT code = ZR_OK;
    if (handle == nullptr || LiveHandles().count(handle) == 0) code = ZR_ARGS;
    else if (handle->kind != kind) code = ZR_ZMODE;
    if (error != nullptr) *error = code;
    return code == ZR_OK ? handle->object : nullptr;
}

void ZipUnregisterHandle(HZIP handle) {
    {
        std::lock_guard<std::mutex> guard(g_handleLock);
        if (LiveHandles().erase(handle) == 0) return;
    }
    delete handle;
}
