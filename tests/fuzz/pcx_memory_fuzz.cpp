// The PCX reader on a memory image, into buffers of every depth.
#include "pcx_load.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::load_one(data, size, false);
}
