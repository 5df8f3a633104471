// The callback through which engines report to the setup dialog:
// (event, value, data), the result ignored. Senders test that it is set.
// Events 3, 4, 5, 7 and 8 come from the download engine, 100 and 101 from
// the 7z front-end, 0, 1 and 2 from the package unpack step.
#pragma once

#include <functional>

using EventCallback = std::function<int(int event, int value, void* data)>;
