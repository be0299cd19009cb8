// The PCX reader on a file through the portable KERNEL32: refills of the
// 4096-byte block, the seeks for the trailing palette, files cut anywhere.
#include "pcx_load.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::load_one(data, size, true);
}
