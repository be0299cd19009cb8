// How our PCX files run-length encode a line: runs of up to 63 equal bytes,
// and a byte of 192 or more always as a run, even of one, since alone it
// would read as a run's count.
#pragma once

#include <cstdint>
#include <vector>

inline void encode_runs(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, int count) {
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && run < 63 && bytes[i + run] == bytes[i]) ++run;
        if (run > 1 || bytes[i] >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | run));
        out.push_back(bytes[i]);
        i += run;
    }
}
