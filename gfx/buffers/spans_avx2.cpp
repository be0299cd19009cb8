// The AVX2 row kernels. This file is built for that extension, and
// its kernels are chosen only where the processor has it.
#include "gfx/buffers/row_loop.h"

#if NIGHTWICK_X86 && defined(__AVX2__)
const SpanKernels span_kernels_avx2{SpanPath::avx2, draw<Avx2, false>, draw<Avx2, true>};
#endif
