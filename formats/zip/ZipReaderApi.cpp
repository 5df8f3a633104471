#include "formats/zip/ZipReaderApi.h"

#include <memory>

namespace {

HZIP Opened(std::unique_ptr<ZipReader> reader, ZRESULT opened) {
    ZipSetReaderResult(opened);
    if (opened != ZR_OK) return nullptr;
    return ZipRegisterHandle(ZIP_HANDLE_READER, reader.release());
}

ZipReader* ReaderOf(HZIP zip, ZRESULT* error) {
    return static_cast<ZipReader*>(ZipLookupHandle(zip, ZIP_HANDLE_READER, error));
}

template <typename Call>
ZRESULT Through(HZIP zip, Call call) {
    ZRESULT error = ZR_OK;
    ZipReader* reader = ReaderOf(zip, &error);
    if (reader == nullptr) return ZipSetReaderResult(error);
    return ZipSetReaderResult(call(*reader));
}

}  // namespace

HZIP ZipOpenFile(const wchar_t* path, const char* password) {
    auto reader = std::make_unique<ZipReader>(password);
    ZRESULT opened = reader->OpenFile(path);
    return Opened(std::move(reader), opened);
}

HZIP ZipOpenMemory(const void* buffer, DWORD length, const char* password) {
    auto reader = std::make_unique<ZipReader>(password);
    ZRESULT opened = reader->OpenMemory(buffer, length);
    return Opened(std::move(reader), opened);
}

HZIP ZipOpenHandle(HANDLE handle, const char* password) {
    auto reader = std::make_unique<ZipReader>(password);
    ZRESULT opened = reader->OpenHandle(handle);
    return Opened(std::move(reader), opened);
}

ZRESULT ZipGetItem(HZIP zip, int index, ZipEntryInfo* info) {
    return Through(zip, [&](ZipReader& reader) { return reader.GetItem(index, info); });
}

ZRESULT ZipFindItem(HZIP zip, const wchar_t* name, bool ignoreCase, int* index, ZipEntryInfo* info) {
    return Through(zip, [&](ZipReader& reader) { return reader.FindItem(name, ignoreCase, index, info); });
}

ZRESULT ZipUnzipToFile(HZIP zip, int index, const wchar_t* target) {
    return Through(zip, [&](ZipReader& reader) { return reader.UnzipToFile(index, target); });
}

ZRESULT ZipUnzipToMemory(HZIP zip, int index, void* buffer, DWORD length, DWORD* produced) {
    return Through(zip, [&](ZipReader& reader) { return reader.UnzipToMemory(index, buffer, length, produced); });
}

ZRESULT ZipUnzipToHandle(HZIP zip, int index, HANDLE file) {
    return Through(zip, [&](ZipReader& reader) { return reader.UnzipToHandle(index, file); });
}

ZRESULT ZipSetBaseDir(HZIP zip, const wchar_t* folder) {
    return Through(zip, [&](ZipReader& reader) { return reader.SetBaseDir(folder); });
}

ZRESULT ZipSetCancelFlag(HZIP zip, const std::atomic<int>* flag) {
    return Through(zip, [&](ZipReader& reader) {
        reader.SetCancelFlag(flag);
        return ZR_OK;
    });
}

ZRESULT ZipCloseReader(HZIP zip) {
    ZRESULT error = ZR_OK;
    ZipReader* reader = ReaderOf(zip, &error);
    if (reader == nullptr) return ZipSetReaderResult(error);
    ZipUnregisterHandle(zip);
    delete reader;
    return ZipSetReaderResult(ZR_OK);
}

bool IsZipReaderHandle(HZIP zip) {
    ZRESULT error = ZR_OK;
    return ReaderOf(zip, &error) != nullptr;
}
