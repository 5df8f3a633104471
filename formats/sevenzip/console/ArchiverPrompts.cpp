// The archiver's two questions, answered without reading standard input: an
// existing file is replaced (yes to all; the archiver has printed both files'
// descriptions), and a password request gets an empty password and sends
// status 260, so an encrypted archive without a password never blocks.
#include "CPP/7zip/UI/Console/StdAfx.h"

#include "CPP/7zip/UI/Console/UserInputUtils.h"
#include "formats/sevenzip/console/ArchiverHost.h"

NUserAnswerMode::EEnum ScanUserYesNoAllQuit(CStdOutStream* /*outStream*/) { return NUserAnswerMode::kYesAll; }

HRESULT GetPassword_HRESULT(CStdOutStream* outStream, UString& psw) {
    if (outStream) {
        *outStream << "\nEnter password (will not be echoed):";
        outStream->Flush();
    }
    // No terminal is switched and nothing is read.
    psw.Empty();
    archiver_host::SendStatus(kArchiverStatusNoPassword);
    if (outStream) {
        *outStream << endl;
        outStream->Flush();
    }
    return S_OK;
}
