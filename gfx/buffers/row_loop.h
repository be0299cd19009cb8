// The 8-bit transparent row loop over a small vector type per width, for
// the kernels of each form. A form writes only the bytes of the drawn
// rectangle and reads only its source bytes: a row's last, partial vector
// is done again as a whole vector ending at the row's end, which is safe
// because blending a byte twice gives the same byte; a row narrower than one
// vector goes to the next narrower type.
//
// Each file that includes this compiles its kernels for one processor
// extension (spans_avx2.cpp, spans_avx512.cpp are built with theirs), so a
// wide vector is only ever used by code built for it. Everything here has
// internal linkage: no copy built for a wider extension can stand in for
// another file's.
#pragma once

#include <cstring>

#include "gfx/buffers/spans.h"
#include "gfx/cpu.h"

namespace {

// ---------------------------------------------------------------------------
// The vector types. Each has a width in bytes, and loads, stores, reverses
// and blends (source bytes other than 0 over the buffer's bytes) vectors of
// that width; `Narrower` takes the rows it is too wide for.

// One pixel at a time: the form every other is checked against.
struct Single {
    static constexpr int width = 1;
};

// Eight bytes in a 64-bit word: the portable fast form.
struct Word {
    static constexpr int width = 8;
    using Narrower = Single;
    using Vector = std::uint64_t;
    static Vector load(const std::uint8_t* at) {
        Vector word;
        std::memcpy(&word, at, sizeof word);
        return word;
    }
    static void store(std::uint8_t* at, Vector word) { std::memcpy(at, &word, sizeof word); }
    static Vector reverse(Vector word) {
#if defined(__GNUC__)
        return __builtin_bswap64(word);
#else
        word = ((word & 0x00FF00FF00FF00FFull) << 8) | ((word >> 8) & 0x00FF00FF00FF00FFull);
        word = ((word & 0x0000FFFF0000FFFFull) << 16) | ((word >> 16) & 0x0000FFFF0000FFFFull);
        return (word << 32) | (word >> 32);
#endif
    }
    // Byte order does not matter: each byte's mask comes from that byte alone.
    static Vector blend(Vector source, Vector buffer) {
        constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
        const std::uint64_t high = (((source & low7) + low7) | source) & ~low7;  // top bit: byte is not 0
        const std::uint64_t mask = (high >> 7) * 0xFF;
        return (source & mask) | (buffer & ~mask);
    }
};

#if NIGHTWICK_X86

// SSE2, which every x86-64 processor has.
struct Sse2 {
    static constexpr int width = 16;
    using Narrower = Word;
    using Vector = __m128i;
    static Vector load(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
    static void store(std::uint8_t* at, Vector v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); }
    // Byte order reversed without a byte shuffle.
    static Vector reverse(Vector v) {
        v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
        v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
        v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
        return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    }
    static Vector blend(Vector source, Vector buffer) {
        const __m128i clear = _mm_cmpeq_epi8(source, _mm_setzero_si128());
        return _mm_or_si128(_mm_and_si128(clear, buffer), _mm_andnot_si128(clear, source));
    }
};

#if defined(__AVX2__)

// AVX2: 32 bytes, a byte blend, and a byte shuffle to reverse.
struct Avx2 {
    static constexpr int width = 32;
    using Narrower = Sse2;
    using Vector = __m256i;
    static Vector load(const std::uint8_t* at) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)); }
    static void store(std::uint8_t* at, Vector v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v); }
    static Vector reverse(Vector v) {
        const __m256i within_lanes = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
                                                      15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
        return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, within_lanes), _MM_SHUFFLE(1, 0, 3, 2));
    }
    static Vector blend(Vector source, Vector buffer) {
        return _mm256_blendv_epi8(source, buffer, _mm256_cmpeq_epi8(source, _mm256_setzero_si256()));
    }
};

#if defined(__AVX512BW__)

// AVX-512 byte masks over AVX2's 32 bytes: stores that write only the bytes
// other than 0, so the buffer is not read at all, and masked loads for a
// row's last partial vector instead of a second pass over its bytes.
struct Avx512 : Avx2 {
    static constexpr bool masked = true;
    static void store_drawn(std::uint8_t* at, Vector source) {
        _mm256_mask_storeu_epi8(at, _mm256_test_epi8_mask(source, source), source);
    }
    // The first `count` bytes (fewer than 32); the others read as 0.
    static Vector load_first(const std::uint8_t* at, int count) {
        return _mm256_maskz_loadu_epi8(static_cast<__mmask32>((1ull << count) - 1), at);
    }
    // Unmirrored, whole 64-byte vectors as far as they go; returns how far.
    static std::int64_t draw_wide(std::uint8_t* to, const std::uint8_t* from, std::int64_t whole) {
        std::int64_t k = 0;
        for (; k + 64 <= whole; k += 64) {
            const __m512i s = _mm512_loadu_si512(from + k);
            _mm512_mask_storeu_epi8(to + k, _mm512_test_epi8_mask(s, s), s);
        }
        return k;
    }
};

#endif  // __AVX512BW__

#endif  // __AVX2__
#endif

template <class V>
concept MaskedStores = V::masked;

// One row of `columns` source bytes; buffer column k takes source byte k,
// or columns - 1 - k when mirrored.
template <class V, bool Mirrored>
inline void draw_row(std::uint8_t* to, const std::uint8_t* from, std::int64_t columns) {
    if constexpr (V::width == 1) {
        for (std::int64_t k = 0; k < columns; ++k) {
            const std::uint8_t v = Mirrored ? from[columns - 1 - k] : from[k];
            if (v != 0) to[k] = v;
        }
    } else {
        constexpr int width = V::width;
        // The source vector for buffer columns k to k + width - 1.
        auto source = [&](std::int64_t k) {
            return Mirrored ? V::reverse(V::load(from + columns - k - width)) : V::load(from + k);
        };
        if constexpr (MaskedStores<V>) {
            const std::int64_t whole = columns / width * width;
            const int rest = static_cast<int>(columns - whole);
            std::int64_t k = 0;
            if constexpr (!Mirrored) k = V::draw_wide(to, from, whole);
            for (; k < whole; k += width) V::store_drawn(to + k, source(k));
            if (rest == 0) return;
            if constexpr (Mirrored) {
                // The row's first `rest` source bytes, reversed, land in the
                // vector's last lanes; the store is placed so that those
                // lanes meet the row's last columns. Lanes without a byte
                // are masked.
                const std::uintptr_t at =
                    reinterpret_cast<std::uintptr_t>(to + whole) - static_cast<std::uintptr_t>(width - rest);
                V::store_drawn(reinterpret_cast<std::uint8_t*>(at), V::reverse(V::load_first(from, rest)));
            } else {
                V::store_drawn(to + whole, V::load_first(from + whole, rest));
            }
        } else {
            if (columns < width) {
                draw_row<typename V::Narrower, Mirrored>(to, from, columns);
                return;
            }
            // The last vector is read before the others are written: reading
            // bytes just stored would wait for the store to complete.
            const auto last = V::blend(source(columns - width), V::load(to + columns - width));
            for (std::int64_t k = 0; k + width <= columns; k += width) {
                V::store(to + k, V::blend(source(k), V::load(to + k)));
            }
            V::store(to + columns - width, last);
        }
    }
}

// The rectangle is copied out first: a byte stored to the buffer might, for
// all the compiler knows, change it.
template <class V, bool Mirrored>
inline void draw_rows(const SpanRect& r) {
    const SpanRect rect = r;
    std::uint8_t* to = rect.to;
    const std::uint8_t* from = rect.from;
    for (std::int64_t row = 0; row < rect.rows; ++row, to += rect.to_step, from += rect.from_step) {
        draw_row<V, Mirrored>(to, from, rect.columns);
    }
}

template <class V, bool Mirrored>
void draw(const SpanRect& r) {
    draw_rows<V, Mirrored>(r);
}

}  // namespace
