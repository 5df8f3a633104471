#include "resources/SetupResources.h"

#include <string>

#include "platform/base/Resources.h"

namespace {

// The version text: version, channel word and build date.
constexpr char kVersionText[] = "1.0.7.2 official (10/12/2026)";

#ifdef SETUP_DEMO_MANIFEST_FILE
// The demo product: the manifest of the stand-in package on the loopback
// mirrors, a build input (SETUP_DEMO_MANIFEST).
constexpr char kManifest[] =
#include SETUP_DEMO_MANIFEST_FILE
    ;
#else
// A placeholder manifest: its mirrors are reserved names that resolve
// nowhere, so a run reaches the failed page; the demo manifest replaces it.
constexpr char kManifest[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<download name=\"Tessarovinde\" version=\"1\" size=\"1048576\">\n"
    "  <url size=\"2\">\n"
    "    <item_0 value=\"https://mirror1.tessarovinde.invalid/Tessarovinde.exe\"/>\n"
    "    <item_1 value=\"https://mirror2.tessarovinde.invalid/Tessarovinde.exe\"/>\n"
    "  </url>\n"
    "  <hash size=\"2\">\n"
    "    <item_0 value=\"B6D81B360A5672D80C27430F39153E2C\"/>\n"
    "    <item_1 value=\"B6D81B360A5672D80C27430F39153E2C\"/>\n"
    "  </hash>\n"
    "</download>\n";
#endif

struct Registration {
    Registration() {
        platform::RegisterResource(L"txt", MAKEINTRESOURCEW(503), kVersionText);
        platform::RegisterResource(L"txt", MAKEINTRESOURCEW(504), kVersionText);
        platform::RegisterResource(L"xml", MAKEINTRESOURCEW(501), kManifest);
        platform::RegisterResource(L"xml", MAKEINTRESOURCEW(502), kManifest);
        platform::RegisterStringResource(103, L"Tessarovinde");
        platform::RegisterStringResource(109, L"Tessarovinde Installer");
        platform::RegisterStringResource(1500, L"official");
    }
};
const Registration g_registration;

}  // namespace

void LinkSetupResources() {}
