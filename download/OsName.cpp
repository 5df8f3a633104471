// The OS code of the system, as the mirror ping decides on it: the shared
// table, where every 10.0 build is Windows 10.
#include "download/IcmpPinger.h"
#include "util/SystemControls.h"

int GetOsNameAndCode(char* name) { return ComputeOsNameAndCode(name, false); }
