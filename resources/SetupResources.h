// The setup program's embedded resources besides its bitmaps: the version
// texts (type "txt", 503 for the 32-bit and 504 for the 64-bit build), the
// download manifests (type "xml", 501 and 502) and the string table.
//
// They are registered at static initialisation; a program links them by
// calling LinkSetupResources once (a static library drops unreferenced
// initialisers).
#pragma once

void LinkSetupResources();
