// Row kernels of the 8-bit transparent draws, in a plain form for every
// target and vector forms for x86-64 (SSE2 always, AVX2 and AVX-512 when the
// processor has them). The form is chosen once, on first use, and kept in one table of
// function pointers: no test per pixel or per row.
#pragma once

#include <cstddef>
#include <cstdint>

// A rectangle of transparent drawing at 8 bits: `rows` rows of `columns`
// source bytes; index 0 keeps the buffer's byte, every other index is
// written. Steps are in bytes from one row to the next (negative for the
// buffer, whose rows go upwards). The source never lies in the buffer.
struct SpanRect {
    std::uint8_t* to;
    std::ptrdiff_t to_step;
    const std::uint8_t* from;  // the row's leftmost source byte drawn
    std::ptrdiff_t from_step;
    std::int64_t columns;
    std::int64_t rows;
};

// Which form of the kernels runs. `word` is the portable form that works on
// 8 bytes at a time in plain integers; `plain` goes one pixel at a time.
enum class SpanPath { plain, word, sse2, avx2, avx512 };

struct SpanKernels {
    SpanPath path;
    void (*draw)(const SpanRect&);
    // Buffer column k of a row takes source byte columns - 1 - k.
    void (*draw_mirrored)(const SpanRect&);
};

// The fastest form this build and processor offer, chosen on first use.
const SpanKernels& span_kernels();

// The forms built for AVX2 and AVX-512, in files of their own (x86-64 only).
extern const SpanKernels span_kernels_avx2;
extern const SpanKernels span_kernels_avx512;

// For tests and benchmarks: run the given form from now on. False, and no
// change, when this build or processor lacks it.
bool use_span_path(SpanPath path);
SpanPath best_span_path();
