#include "gfx/pcx/decoding.h"

#include <algorithm>
#include <cstring>

#include "gfx/buffers/spans.h"
#include "gfx/cpu.h"

PcxInput::PcxInput(const ReadingContext& context) : context_(context) {
    if (context.from_memory) {
        next_ = context.memory + 128;
        left_ = context.memory_size - 128;
    }
}

bool PcxInput::refill() {
    DWORD read = 0;
    ReadFile(context_.file, read_block.data(), static_cast<DWORD>(read_block.size()), &read, nullptr);
    if (read == 0 || read > read_block.size()) return false;
    next_ = read_block.data();
    left_ = static_cast<std::int32_t>(read);
    return true;
}

std::int64_t PcxInput::take(std::uint8_t* out, std::int64_t count) {
    std::int64_t taken = 0;
    while (taken < count) {
        if (left_ <= 0 && (context_.from_memory || !refill())) break;
        const std::int32_t part = static_cast<std::int32_t>(std::min<std::int64_t>(left_, count - taken));
        std::memcpy(out + taken, next_, static_cast<std::size_t>(part));
        skip(part);
        taken += part;
    }
    return taken;
}

namespace {

// Nothing is ever written past the line's end, so nothing is carried.
std::int64_t decode_stored(PcxInput& input, std::uint8_t* line, std::int64_t length, std::int64_t carried,
                           bool& exhausted) {
    if (exhausted) return 0;
    if (input.take(line + carried, length - carried) < length - carried) exhausted = true;
    return 0;
}

std::int64_t decode_plain(PcxInput& input, std::uint8_t* line, std::int64_t length, std::int64_t carried,
                          bool& exhausted) {
    if (length - carried <= 0) return carried - length;
    std::int64_t at = carried;
    while (at < length) {
        std::uint8_t byte = 0;
        if (exhausted || !input.take(byte)) {
            exhausted = true;
            return 0;
        }
        if (byte < 0xC0) {
            line[at++] = byte;
            continue;
        }
        const int count = byte & 0x3F;
        std::uint8_t value = 0;
        if (!input.take(value)) {
            exhausted = true;
            return 0;
        }
        std::memset(line + at, value, static_cast<std::size_t>(count));
        at += count;
    }
    return at - length;
}

// Literal spans eight bytes at a time in a 64-bit word. `literals` copies
// `width` input bytes to the line and returns how many lead up to the first
// run byte (192 or above); the bytes copied after it are overwritten later.
struct WordScan {
    static constexpr int width = 8;
    static int literals(const std::uint8_t* in, std::uint8_t* out) {
        std::uint64_t word;
        std::memcpy(&word, in, 8);
        std::memcpy(out, &word, 8);
        // Top bit of a byte set when its two top bits are: a run byte.
        const std::uint64_t runs = word & (word << 1) & 0x8080808080808080ull;
        if (runs == 0) return 8;
#if defined(__GNUC__)
        return __builtin_ctzll(runs) / 8;
#else
        int k = 0;
        while (((runs >> (8 * k + 7)) & 1) == 0) ++k;
        return k;
#endif
    }
    static void fill(std::uint8_t* out, std::uint8_t value, int count) {
        std::memset(out, value, static_cast<std::size_t>(count));
    }
};

#if NIGHTWICK_X86
struct Sse2Scan {
    static constexpr int width = 16;
    static int literals(const std::uint8_t* in, std::uint8_t* out) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        const __m128i runs = _mm_cmpeq_epi8(_mm_max_epu8(bytes, _mm_set1_epi8(static_cast<char>(0xC0))), bytes);
        const int mask = _mm_movemask_epi8(runs);
        return mask == 0 ? 16 : __builtin_ctz(static_cast<unsigned>(mask));
    }
    // A run is at most 63 bytes: four stores always cover it, without a
    // branch on its length.
    static void fill(std::uint8_t* out, std::uint8_t value, int) {
        const __m128i v = _mm_set1_epi8(static_cast<char>(value));
        for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * i), v);
    }
};

// Which bytes of 64 are run bytes (192 or above), one bit each.
std::uint64_t high_bytes(const std::uint8_t* in) {
    std::uint64_t high = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * i));
        const __m128i runs = _mm_cmpeq_epi8(_mm_max_epu8(bytes, _mm_set1_epi8(static_cast<char>(0xC0))), bytes);
        high |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(runs))) << (16 * i);
    }
    return high;
}

// Of 64 bytes that start with a token, which are run bytes that start a run
// rather than the value of one. In a chain of bytes of 192 or above, the
// first starts a run (the byte before it is a literal or a value), the
// second is its value, the third starts a run, and so on: run starts are the
// chain's bytes of the same parity as its first.
std::uint64_t run_starts(std::uint64_t high) {
    constexpr std::uint64_t even = 0x5555555555555555ull;
    const std::uint64_t firsts = high & ~(high << 1);
    // Adding a chain's first bit clears the whole chain.
    const std::uint64_t even_chains = high & ~(high + (firsts & even));
    return (even_chains & even) | (high & ~even_chains & ~even);
}
#endif

// The longest line the fast decoder takes; longer lines are decoded plainly.
constexpr std::int64_t longest_fast_line = 4096;

// Works a whole literal span and the run after it per step while the block
// holds enough bytes for one, and takes single bytes near its end. Vector
// stores reach past the bytes decoded so far (never past the line buffer's
// spare bytes), so the line's old bytes are kept aside and put back when the
// input runs out.
template <class Scan>
std::int64_t decode_fast(PcxInput& input, std::uint8_t* line, std::int64_t length, std::int64_t carried,
                         bool& exhausted) {
    if (length - carried <= 0) return carried - length;
    if (exhausted) return 0;
    if (length > longest_fast_line) return decode_plain(input, line, length, carried, exhausted);
    std::uint8_t before[longest_fast_line];
    std::memcpy(before + carried, line + carried, static_cast<std::size_t>(length - carried));
    auto ran_out = [&](std::int64_t at) {
        std::memcpy(line + at, before + at, static_cast<std::size_t>(length - at));
        exhausted = true;
        return std::int64_t{0};
    };
    constexpr std::int32_t step_bytes = Scan::width + 2;
    std::int64_t at = carried;
    while (at < length) {
#if NIGHTWICK_X86
        // 64 input bytes at a time: the run starts found at once, then every
        // literal span and run among them written without waiting to learn
        // where the one before ended.
        if (Scan::width == 16 && input.left() >= 80) {
            const std::uint8_t* in = input.next();
            std::uint64_t starts = run_starts(high_bytes(in));
            int token = 0;
            while (true) {
                const int run = starts != 0 ? __builtin_ctzll(starts) : 64;
                for (int i = token; i < run; i += 16) {
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(line + at + (i - token)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
                }
                if (starts == 0) {
                    // A run whose start is the last byte took its value
                    // from beyond the 64.
                    if (token < 64) {
                        at += 64 - token;
                        token = 64;
                    }
                    break;
                }
                at += run - token;
                const int count = in[run] & 0x3F;
                Scan::fill(line + at, in[run + 1], count);
                at += count;
                token = run + 2;
                starts &= starts - 1;
                if (at >= length) break;
            }
            input.skip(token);
            continue;
        }
#endif
        if (input.left() >= step_bytes) {
            const std::uint8_t* in = input.next();
            const int literals = Scan::literals(in, line + at);
            at += literals;
            if (literals < Scan::width) {
                const int count = in[literals] & 0x3F;
                Scan::fill(line + at, in[literals + 1], count);
                at += count;
                input.skip(literals + 2);
            } else {
                input.skip(literals);
            }
            continue;
        }
        std::uint8_t byte = 0;
        if (!input.take(byte)) return ran_out(at);
        if (byte < 0xC0) {
            line[at++] = byte;
            continue;
        }
        std::uint8_t value = 0;
        if (!input.take(value)) return ran_out(at);
        std::memset(line + at, value, static_cast<std::size_t>(byte & 0x3F));
        at += byte & 0x3F;
    }
    return at - length;
}

}  // namespace

DecodeLine line_decoder(bool stored) {
    if (stored) return decode_stored;
    switch (span_kernels().path) {
        case SpanPath::plain:
            return decode_plain;
#if NIGHTWICK_X86
        case SpanPath::sse2:
        case SpanPath::avx2:
        case SpanPath::avx512:
            return decode_fast<Sse2Scan>;
#endif
        default:
            return decode_fast<WordScan>;
    }
}
