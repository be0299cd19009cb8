// What the processor under the layer offers its vector forms. x86-64 with a
// GNU-style compiler gets SSE2 always, and AVX2 or AVX-512 where the
// processor has them and the build can keep wide vectors; every other
// target keeps to the portable forms.
#pragma once

#if (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
#define NIGHTWICK_X86 1
#include <immintrin.h>
#else
#define NIGHTWICK_X86 0
#endif

#if NIGHTWICK_X86

// Code compiled for one processor extension, run only where it exists.
#define NIGHTWICK_AVX2 __attribute__((target("avx2")))
#define NIGHTWICK_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vl")))

namespace cpu {

// A build whose compiler cannot keep 32-byte vectors on its stack aligned
// says so, and keeps to SSE2.
#if defined(NIGHTWICK_NO_WIDE_VECTORS)
inline constexpr bool wide_vectors_safe = false;
#else
inline constexpr bool wide_vectors_safe = true;
#endif

inline bool has_avx2() {
    __builtin_cpu_init();
    return wide_vectors_safe && __builtin_cpu_supports("avx2");
}

inline bool has_avx512() {
    __builtin_cpu_init();
    return wide_vectors_safe && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl");
}

}  // namespace cpu

#endif
