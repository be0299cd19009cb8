// The 8-bit transparent row kernels. Every form writes only the bytes of the
// drawn rectangle and reads only its source bytes: a row's last, partial
// vector is done again as a whole vector ending at the row's end, which is
// safe because blending a byte twice gives the same byte.
#include "gfx/buffers/spans.h"

#include <cstring>

#if (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
#define NIGHTWICK_X86_SPANS 1
#include <immintrin.h>
#endif

namespace {

// ---------------------------------------------------------------------------
// One pixel at a time.

void draw_plain(const SpanRect& r) {
    std::uint8_t* to = r.to;
    const std::uint8_t* from = r.from;
    for (std::int64_t row = 0; row < r.rows; ++row, to += r.to_step, from += r.from_step) {
        for (std::int64_t k = 0; k < r.columns; ++k) {
            if (from[k] != 0) to[k] = from[k];
        }
    }
}

void draw_mirrored_plain(const SpanRect& r) {
    std::uint8_t* to = r.to;
    const std::uint8_t* from = r.from;
    const std::int64_t last = r.columns - 1;
    for (std::int64_t row = 0; row < r.rows; ++row, to += r.to_step, from += r.from_step) {
        for (std::int64_t k = 0; k <= last; ++k) {
            if (from[last - k] != 0) to[k] = from[last - k];
        }
    }
}

// ---------------------------------------------------------------------------
// Eight bytes at a time in a 64-bit word: the portable fast form.

std::uint64_t load64(const std::uint8_t* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

void store64(std::uint8_t* at, std::uint64_t word) { std::memcpy(at, &word, sizeof word); }

std::uint64_t reverse64(std::uint64_t word) {
#if defined(__GNUC__)
    return __builtin_bswap64(word);
#else
    word = ((word & 0x00FF00FF00FF00FFull) << 8) | ((word >> 8) & 0x00FF00FF00FF00FFull);
    word = ((word & 0x0000FFFF0000FFFFull) << 16) | ((word >> 16) & 0x0000FFFF0000FFFFull);
    return (word << 32) | (word >> 32);
#endif
}

// Source bytes other than 0 over the buffer's bytes. Byte order does not
// matter: each byte's mask comes from that byte alone.
std::uint64_t blend64(std::uint64_t source, std::uint64_t buffer) {
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t high = (((source & low7) + low7) | source) & ~low7;  // top bit: byte is not 0
    const std::uint64_t mask = (high >> 7) * 0xFF;
    return (source & mask) | (buffer & ~mask);
}

template <bool Mirrored>
void draw_word(const SpanRect& r) {
    std::uint8_t* to = r.to;
    const std::uint8_t* from = r.from;
    const std::int64_t columns = r.columns;
    // Eight source bytes for buffer columns k to k + 7.
    auto source = [&](std::int64_t k) {
        return Mirrored ? reverse64(load64(from + columns - k - 8)) : load64(from + k);
    };
    for (std::int64_t row = 0; row < r.rows; ++row, to += r.to_step, from += r.from_step) {
        if (columns < 8) {
            for (std::int64_t k = 0; k < columns; ++k) {
                const std::uint8_t v = Mirrored ? from[columns - 1 - k] : from[k];
                if (v != 0) to[k] = v;
            }
            continue;
        }
        // The last word is read before the others are written: reading
        // bytes just stored would wait for the store to complete.
        const std::uint64_t last = blend64(source(columns - 8), load64(to + columns - 8));
        for (std::int64_t k = 0; k + 8 <= columns; k += 8) store64(to + k, blend64(source(k), load64(to + k)));
        store64(to + columns - 8, last);
    }
}

#if NIGHTWICK_X86_SPANS

// ---------------------------------------------------------------------------
// SSE2, which every x86-64 processor has.

__m128i blend128(__m128i source, __m128i buffer) {
    const __m128i clear = _mm_cmpeq_epi8(source, _mm_setzero_si128());
    return _mm_or_si128(_mm_and_si128(clear, buffer), _mm_andnot_si128(clear, source));
}

// Byte order of 16 bytes reversed without a byte shuffle.
__m128i reverse128(__m128i v) {
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}

__m128i load128(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
void store128(std::uint8_t* at, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); }
__m128i load8(const std::uint8_t* at) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)); }
void store8(std::uint8_t* at, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(at), v); }

// A row narrower than 16 bytes: two 8-byte halves that may overlap, or
// single pixels below 8.
template <bool Mirrored>
inline void short_row_sse2(std::uint8_t* to, const std::uint8_t* from, std::int64_t columns) {
    if (columns >= 8) {
        auto source = [&](std::int64_t k) {
            if constexpr (Mirrored) {
                return _mm_set_epi64x(0, static_cast<long long>(reverse64(load64(from + columns - k - 8))));
            } else {
                return load8(from + k);
            }
        };
        const __m128i last = blend128(source(columns - 8), load8(to + columns - 8));
        store8(to, blend128(source(0), load8(to)));
        store8(to + columns - 8, last);
        return;
    }
    for (std::int64_t k = 0; k < columns; ++k) {
        const std::uint8_t v = Mirrored ? from[columns - 1 - k] : from[k];
        if (v != 0) to[k] = v;
    }
}

template <bool Mirrored>
void draw_sse2(const SpanRect& r) {
    std::uint8_t* to = r.to;
    const std::uint8_t* from = r.from;
    const std::int64_t columns = r.columns;
    auto source = [&](std::int64_t k) {
        return Mirrored ? reverse128(load128(from + columns - k - 16)) : load128(from + k);
    };
    for (std::int64_t row = 0; row < r.rows; ++row, to += r.to_step, from += r.from_step) {
        if (columns < 16) {
            short_row_sse2<Mirrored>(to, from, columns);
            continue;
        }
        const __m128i last = blend128(source(columns - 16), load128(to + columns - 16));
        for (std::int64_t k = 0; k + 16 <= columns; k += 16) store128(to + k, blend128(source(k), load128(to + k)));
        store128(to + columns - 16, last);
    }
}

// ---------------------------------------------------------------------------
// AVX2, compiled for that processor only and run only where it exists.

#define NIGHTWICK_AVX2 __attribute__((target("avx2")))

NIGHTWICK_AVX2 __m256i load256(const std::uint8_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}
NIGHTWICK_AVX2 void store256(std::uint8_t* at, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v); }
NIGHTWICK_AVX2 __m256i blend256(__m256i source, __m256i buffer) {
    return _mm256_blendv_epi8(source, buffer, _mm256_cmpeq_epi8(source, _mm256_setzero_si256()));
}
NIGHTWICK_AVX2 __m256i reverse256(__m256i v) {
    const __m256i within_lanes = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
                                                  15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, within_lanes), _MM_SHUFFLE(1, 0, 3, 2));
}
NIGHTWICK_AVX2 __m128i reverse128_ssse3(__m128i v) {
    return _mm_shuffle_epi8(v, _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
}

template <bool Mirrored>
NIGHTWICK_AVX2 void draw_avx2(const SpanRect& r) {
    std::uint8_t* to = r.to;
    const std::uint8_t* from = r.from;
    const std::int64_t columns = r.columns;
    for (std::int64_t row = 0; row < r.rows; ++row, to += r.to_step, from += r.from_step) {
        if (columns >= 32) {
            const __m256i tail = Mirrored ? reverse256(load256(from)) : load256(from + columns - 32);
            const __m256i last = blend256(tail, load256(to + columns - 32));
            for (std::int64_t k = 0; k + 32 <= columns; k += 32) {
                const __m256i s = Mirrored ? reverse256(load256(from + columns - k - 32)) : load256(from + k);
                store256(to + k, blend256(s, load256(to + k)));
            }
            store256(to + columns - 32, last);
        } else if (columns >= 16) {
            // Two 16-byte halves, overlapping when narrower than 32.
            const __m128i first = Mirrored ? reverse128_ssse3(load128(from + columns - 16)) : load128(from);
            const __m128i last = Mirrored ? reverse128_ssse3(load128(from)) : load128(from + columns - 16);
            const __m128i under_first = load128(to);
            const __m128i under_last = load128(to + columns - 16);
            store128(to, blend128(first, under_first));
            store128(to + columns - 16, blend128(last, under_last));
        } else {
            short_row_sse2<Mirrored>(to, from, columns);
        }
    }
}

// ---------------------------------------------------------------------------
// AVX-512 (byte masks, 256-bit vectors): stores that write only the bytes
// other than 0, so the buffer is not read at all, and masked loads for a
// row's last partial vector instead of a second pass over its bytes.

#define NIGHTWICK_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vl")))

NIGHTWICK_AVX512 void store_drawn(std::uint8_t* at, __m256i source) {
    _mm256_mask_storeu_epi8(at, _mm256_test_epi8_mask(source, source), source);
}

template <bool Mirrored>
NIGHTWICK_AVX512 void draw_avx512(const SpanRect& r) {
    std::uint8_t* to = r.to;
    const std::uint8_t* from = r.from;
    const std::int64_t columns = r.columns;
    const std::int64_t whole = columns / 32 * 32;
    const int rest = static_cast<int>(columns - whole);
    const __mmask32 first_bytes = static_cast<__mmask32>((1ull << rest) - 1);
    for (std::int64_t row = 0; row < r.rows; ++row, to += r.to_step, from += r.from_step) {
        std::int64_t k = 0;
        if constexpr (!Mirrored) {
            for (; k + 64 <= whole; k += 64) {
                const __m512i s = _mm512_loadu_si512(from + k);
                _mm512_mask_storeu_epi8(to + k, _mm512_test_epi8_mask(s, s), s);
            }
        }
        for (; k < whole; k += 32) {
            store_drawn(to + k, Mirrored ? reverse256(load256(from + columns - k - 32)) : load256(from + k));
        }
        if (rest == 0) continue;
        if constexpr (Mirrored) {
            // The row's first `rest` source bytes, reversed, land in the
            // vector's last lanes; the store is placed so that those lanes
            // meet the row's last columns. Lanes without a byte are masked.
            const __m256i last = reverse256(_mm256_maskz_loadu_epi8(first_bytes, from));
            const std::uintptr_t at =
                reinterpret_cast<std::uintptr_t>(to + whole) - static_cast<std::uintptr_t>(32 - rest);
            store_drawn(reinterpret_cast<std::uint8_t*>(at), last);
        } else {
            store_drawn(to + whole, _mm256_maskz_loadu_epi8(first_bytes, from + whole));
        }
    }
}

// A build whose compiler cannot keep 32-byte vectors on its stack aligned
// says so, and keeps to SSE2.
#if defined(NIGHTWICK_NO_WIDE_VECTORS)
constexpr bool wide_vectors_safe = false;
#else
constexpr bool wide_vectors_safe = true;
#endif

bool has_avx512() {
    __builtin_cpu_init();
    return wide_vectors_safe && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl");
}

bool has_avx2() {
    __builtin_cpu_init();
    return wide_vectors_safe && __builtin_cpu_supports("avx2");
}

#endif

const SpanKernels plain_kernels{SpanPath::plain, draw_plain, draw_mirrored_plain};
const SpanKernels word_kernels{SpanPath::word, draw_word<false>, draw_word<true>};
#if NIGHTWICK_X86_SPANS
const SpanKernels sse2_kernels{SpanPath::sse2, draw_sse2<false>, draw_sse2<true>};
const SpanKernels avx2_kernels{SpanPath::avx2, draw_avx2<false>, draw_avx2<true>};
const SpanKernels avx512_kernels{SpanPath::avx512, draw_avx512<false>, draw_avx512<true>};
#endif

const SpanKernels* kernels_for(SpanPath path) {
    switch (path) {
        case SpanPath::plain:
            return &plain_kernels;
        case SpanPath::word:
            return &word_kernels;
#if NIGHTWICK_X86_SPANS
        case SpanPath::sse2:
            return &sse2_kernels;
        case SpanPath::avx2:
            return has_avx2() ? &avx2_kernels : nullptr;
        case SpanPath::avx512:
            return has_avx512() ? &avx512_kernels : nullptr;
#endif
        default:
            return nullptr;
    }
}

const SpanKernels* chosen = nullptr;

}  // namespace

SpanPath best_span_path() {
#if NIGHTWICK_X86_SPANS
    if (has_avx512()) return SpanPath::avx512;
    return has_avx2() ? SpanPath::avx2 : SpanPath::sse2;
#else
    return SpanPath::word;
#endif
}

const SpanKernels& span_kernels() {
    if (chosen == nullptr) chosen = kernels_for(best_span_path());
    return *chosen;
}

bool use_span_path(SpanPath path) {
    const SpanKernels* kernels = kernels_for(path);
    if (kernels == nullptr) return false;
    chosen = kernels;
    return true;
}
