#include "formats/zip/ZipWriterApi.h"

#include <memory>

#include "formats/zip/ZipWriter.h"

namespace {

HZIP Created(std::unique_ptr<ZipWriter> writer, ZRESULT opened) {
    ZipSetWriterResult(opened);
    if (opened != ZR_OK) return nullptr;
    return ZipRegisterHandle(ZIP_HANDLE_WRITER, writer.release());
}

ZipWriter* WriterOf(HZIP zip, ZRESULT* error) {
    return static_cast<ZipWriter*>(ZipLookupHandle(zip, ZIP_HANDLE_WRITER, error));
}

ZRESULT AddThrough(HZIP zip, const wchar_t* name, const void* source, std::int64_t length, ZipSourceKind kind) {
    ZRESULT error = ZR_OK;
    ZipWriter* writer = WriterOf(zip, &error);
    if (writer == nullptr) return ZipSetWriterResult(error);
    return ZipSetWriterResult(writer->Add(name, source, length, kind));
}

}  // namespace

HZIP ZipCreateFile(const wchar_t* path, const char* password) {
    auto writer = std::make_unique<ZipWriter>(password);
    ZRESULT opened = writer->OpenFile(path);
    return Created(std::move(writer), opened);
}

HZIP ZipCreateHandle(HANDLE file, const char* password) {
    auto writer = std::make_unique<ZipWriter>(password);
    ZRESULT opened = writer->OpenHandle(file);
    return Created(std::move(writer), opened);
}

HZIP ZipCreateMemory(void* buffer, DWORD size, const char* password) {
    auto writer = std::make_unique<ZipWriter>(password);
    ZRESULT opened = writer->OpenMemory(buffer, size);
    return Created(std::move(writer), opened);
}

ZRESULT ZipAddFile(HZIP zip, const wchar_t* name, const wchar_t* sourcePath) {
    return AddThrough(zip, name, sourcePath, -1, ZipSourceKind::File);
}

ZRESULT ZipAddHandle(HZIP zip, const wchar_t* name, HANDLE source) {
    return AddThrough(zip, name, source, -1, ZipSourceKind::Handle);
}

ZRESULT ZipAddHandle(HZIP zip, const wchar_t* name, HANDLE source, DWORD length) {
    return AddThrough(zip, name, source, length, ZipSourceKind::Handle);
}

ZRESULT ZipAddMemory(HZIP zip, const wchar_t* name, const void* buffer, DWORD length) {
    return AddThrough(zip, name, buffer, length, ZipSourceKind::Memory);
}

ZRESULT ZipAddFolder(HZIP zip, const wchar_t* name) { return AddThrough(zip, name, nullptr, 0, ZipSourceKind::Folder); }

ZRESULT ZipGetMemory(HZIP zip, void** buffer, DWORD* length) {
    ZRESULT error = ZR_OK;
    ZipWriter* writer = WriterOf(zip, &error);
    if (writer == nullptr) {
        if (buffer != nullptr) *buffer = nullptr;
        if (length != nullptr) *length = 0;
        return ZipSetWriterResult(error);
    }
    return ZipSetWriterResult(writer->GetMemory(buffer, length));
}

ZRESULT ZipClose(HZIP zip) {
    ZRESULT error = ZR_OK;
    ZipWriter* writer = WriterOf(zip, &error);
    if (writer == nullptr) return ZipSetWriterResult(error);
    ZRESULT result = writer->Close();
    ZipUnregisterHandle(zip);
    delete writer;
    return ZipSetWriterResult(result);
}

bool IsZipWriterHandle(HZIP zip) {
    ZRESULT error = ZR_OK;
    return WriterOf(zip, &error) != nullptr;
}
