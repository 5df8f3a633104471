// The CUDA capability probe over the NVIDIA driver API loader of
// nv-codec-headers. The loader's library calls go through the platform
// layer's LoadLibraryW / GetProcAddress, where "nvcuda.dll" is the host's
// CUDA driver when one is installed; a missing driver or entry point makes the
// loader print "Cannot load %s" to the standard error and the probe answer 0.
#include "util/SystemControls.h"

#include <algorithm>

#include "platform/kernel/DynamicLibraries.h"

#define FFNV_LIB_HANDLE HMODULE
#define FFNV_LOAD_FUNC(path) LoadLibraryW(L"nvcuda.dll")
#define FFNV_SYM_FUNC(lib, symbol) GetProcAddress((lib), (symbol))
#define FFNV_FREE_FUNC(lib) FreeLibrary(lib)

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wcast-function-type"
#include <ffnvcodec/dynlink_loader.h>
#pragma GCC diagnostic pop

int GetMaxCudaCapability() {
    CudaFunctions* functions = nullptr;
    if (cuda_load_functions(&functions, nullptr) != 0) {
        cuda_free_functions(&functions);
        return 0;
    }
    int best = 0;
    int count = 0;
    if (functions->cuInit(0) == CUDA_SUCCESS && functions->cuDeviceGetCount(&count) == CUDA_SUCCESS) {
        for (int ordinal = 0; ordinal < count; ++ordinal) {
            int major = 0, minor = 0;
            if (functions->cuDeviceComputeCapability(&major, &minor, ordinal) != CUDA_SUCCESS) continue;
            best = std::max(best, major * 16 + minor);
        }
    }
    cuda_free_functions(&functions);
    return best;
}
