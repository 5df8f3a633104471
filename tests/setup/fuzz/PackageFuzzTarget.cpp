#include "tests/setup/fuzz/PackageFuzzTarget.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/base/Machine.h"
#include "setup/SetupInfoFile.h"

namespace fuzztargets {

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

const wchar_t* const kPackage = L"C:\\Users\\Public\\fuzz-package.exe";

}  // namespace

bool PackageFile(const std::uint8_t* data, std::size_t size) {
    // One machine for the whole run (a fresh one per input would be slow),
    // removed with its folder when the program exits.
    static platform::ScopedMachine machine;
    {
        std::ofstream out(machine.Host(kPackage), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SetupInfoBlock record;
    const HRESULT read = ReadPackageInfo(kPackage, record);
    Require(read == S_OK || read == E_FAIL);
    const bool verified = VerifyPackage(kPackage);
    // Verification needs a record, and then an uninstaller inside the file.
    if (verified) {
        Require(read == S_OK);
        Require(RegionInsideFile(record.m_uninstallerOffset, record.m_uninstallerSize, size));
        // The check passes without a message box.
        Require(CheckPackage(kPackage) == 1);
    }
    if (read == S_OK) {
        // The texts of an untrusted record read bounded.
        Require(ReadText(record.m_installFolderName).size() <= sizeof(record.m_installFolderName));
        Require(ReadText(record.m_helpLink).size() <= sizeof(record.m_helpLink));
    }
    return verified;
}

}  // namespace fuzztargets
