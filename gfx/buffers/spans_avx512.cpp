// The AVX-512 row kernels. This file is built for that extension, and
// its kernels are chosen only where the processor has it.
#include "gfx/buffers/row_loop.h"

#if NIGHTWICK_X86 && defined(__AVX512BW__)
const SpanKernels span_kernels_avx512{SpanPath::avx512, draw<Avx512, false>, draw<Avx512, true>};
#endif
