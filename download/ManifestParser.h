// The download manifest parser: an XML document in, a DownloadConfig or an
// error code out.
//
// A pure function: no engine, no files, no lock; the fuzzer drives it with
// arbitrary documents. The engine maps the codes to its states (see
// DownloaderCurl::ApplyConfig).
#pragma once

#include <string>

#include "download/DownloadTypes.h"

class IXMLParse;

// Reads version, size, up to 15 mirror urls and the digests into *config
// (whose target path becomes `targetPath`). NoError, or the code of the
// first item that is missing or malformed: ConfigLoadError for a target path
// that does not fit, ConfigLoadVersionError and NeedUpdateDownload (the
// engine then reports a rejected manifest), ConfigLoadFileSizeError,
// ConfigLoadUrlSizeError, ConfigLoadUrlError, ConfigLoadHashSizeError,
// ConfigLoadHashError. Digests are kept in upper case.
int ParseManifest(IXMLParse& document, const std::string& targetPath, DownloadConfig* config);
