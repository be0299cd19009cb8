// The 8-bit transparent row kernels, and the choice among them made once:
// plain, 64-bit words and SSE2 here; AVX2 and AVX-512 in files of their own,
// built for those extensions.
#include "gfx/buffers/row_loop.h"

namespace {

const SpanKernels plain_kernels{SpanPath::plain, draw<Single, false>, draw<Single, true>};
const SpanKernels word_kernels{SpanPath::word, draw<Word, false>, draw<Word, true>};
#if NIGHTWICK_X86
const SpanKernels sse2_kernels{SpanPath::sse2, draw<Sse2, false>, draw<Sse2, true>};
#endif

const SpanKernels* kernels_for(SpanPath path) {
    switch (path) {
        case SpanPath::plain:
            return &plain_kernels;
        case SpanPath::word:
            return &word_kernels;
#if NIGHTWICK_X86
        case SpanPath::sse2:
            return &sse2_kernels;
        case SpanPath::avx2:
            return cpu::has_avx2() ? &span_kernels_avx2 : nullptr;
        case SpanPath::avx512:
            return cpu::has_avx512() ? &span_kernels_avx512 : nullptr;
#endif
        default:
            return nullptr;
    }
}

const SpanKernels* chosen = nullptr;

}  // namespace

SpanPath best_span_path() {
#if NIGHTWICK_X86
    if (cpu::has_avx512()) return SpanPath::avx512;
    return cpu::has_avx2() ? SpanPath::avx2 : SpanPath::sse2;
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
