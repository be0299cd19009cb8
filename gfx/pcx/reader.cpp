// The PCX reader: scan lines decoded (or copied, where stored) into one line
// buffer, placement at the header's corner or the drawing position, clipping
// to the buffer, and one store routine per pair of image format and buffer
// depth.
#include <algorithm>
#include <cstring>

#include "gfx/buffers/pixels.h"
#include "gfx/pcx/decoding.h"
#include "gfx/pcx/reading.h"

PcxHeader pcx_header;

namespace {

using Format = PcxFormat;

void parse_header(const std::uint8_t* bytes) {
    std::memcpy(pcx_header.raw.data(), bytes, 128);
    auto word = [&](int offset) { return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8)); };
    pcx_header.manufacturer = bytes[0];
    pcx_header.version = bytes[1];
    pcx_header.encoding = bytes[2];
    pcx_header.bits_per_pixel = bytes[3];
    pcx_header.xmin = word(4);
    pcx_header.ymin = word(6);
    pcx_header.xmax = word(8);
    pcx_header.ymax = word(10);
    pcx_header.planes = bytes[65];
    pcx_header.bytes_per_line = word(66);
}

// The image format from planes and bits per plane. Other combinations (2 or
// 4 bits per pixel, 2 or 3 planes of 1 bit, absurd plane counts) are refused
// rather than shown in wrong colours; true colour has no 8-bit form.
bool choose_format(Format& format) {
    const int planes = pcx_header.planes, bits = pcx_header.bits_per_pixel;
    if (planes == 4 && bits == 1) {
        format = Format::planes4;
    } else if ((planes == 3 || planes == 4) && bits == 8) {
        format = Format::true_color;
    } else if (planes == 1 && bits == 8) {
        format = Format::bits8;
    } else if (planes == 1 && bits == 1) {
        format = Format::bits1;
    } else {
        return false;
    }
    return !(format == Format::true_color && active_buffer.bits_per_pixel == 8);
}

// One row of the image stored into the buffer: pixels first..last-1 of the
// line go to `out`. `bytes_per_line` bounds every plane's bytes; pixels the
// line does not cover read as 0.
template <Format F, int Bits>
struct Store {
    static void row(const std::uint8_t* line, std::int64_t bytes_per_line, std::int64_t first, std::int64_t last,
                    std::uint8_t* out) {
        constexpr int bytes = Pixel<Bits>::bytes;
        const std::int64_t covered =
            F == Format::bits8 || F == Format::true_color ? bytes_per_line : bytes_per_line * 8;
        const std::int64_t end = std::min(last, std::max(first, covered));
        if constexpr (F == Format::bits8 && Bits == 8) {
            // Indices as they are: one copy.
            std::memcpy(out, line + first, static_cast<std::size_t>(end - first));
            out += end - first;
        } else {
            for (std::int64_t k = first; k < end; ++k, out += bytes) put(value(line, bytes_per_line, k), out);
        }
        for (std::int64_t k = end; k < last; ++k, out += bytes) put(0, out);
    }

    static std::uint32_t value(const std::uint8_t* line, std::int64_t stride, std::int64_t k) {
        const int shift = 7 - static_cast<int>(k & 7);
        if constexpr (F == Format::planes4) {
            const std::int64_t at = k >> 3;
            return ((line[at] >> shift) & 1) | (((line[stride + at] >> shift) & 1) << 1) |
                   (((line[2 * stride + at] >> shift) & 1) << 2) | (((line[3 * stride + at] >> shift) & 1) << 3);
        } else if constexpr (F == Format::true_color) {
            return (static_cast<std::uint32_t>(line[k]) << 16) | (line[stride + k] << 8) | line[2 * stride + k];
        } else if constexpr (F == Format::bits8) {
            return line[k];
        } else {
            return (line[k >> 3] >> shift) & 1;
        }
    }

    static void put(std::uint32_t v, std::uint8_t* out) {
        if constexpr (Bits == 8) {
            // Two- and sixteen-colour images sit on palette entries 10 to 25.
            // (True colour is refused for 8-bit buffers.)
            *out = static_cast<std::uint8_t>(F == Format::bits8 ? v : 10 + v);
        } else if constexpr (F == Format::true_color) {
            Pixel<Bits>::put_rgb(out, static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v));
        } else {
            Pixel<Bits>::put(out, static_cast<std::uint8_t>(v));
        }
    }
};

// Whether the scan lines are stored as they are rather than run-length
// encoded. Encoding 0 says so, but a file holding runs under that mark must
// still show as it always has. So the mark is believed only when the bytes
// behind the header are exactly the picture's, alone or before a trailing
// palette block (writers of stored files append one at every depth): a
// stored picture always has that length, run-length data seldom does. The
// file is left at the end of the header.
bool stored_lines(const ReadingContext& context, std::int64_t picture_bytes) {
    if (pcx_header.encoding != 0) return false;
    constexpr std::int64_t palette_block = 769;
    std::int64_t data_bytes = 0;
    std::uint8_t marker = 0;
    if (context.from_memory) {
        data_bytes = context.memory_size - 128;
        if (data_bytes == picture_bytes + palette_block) marker = context.memory[128 + picture_bytes];
    } else {
        const DWORD size = SetFilePointer(context.file, 0, nullptr, FILE_END);
        if (size == INVALID_SET_FILE_POINTER) return false;
        data_bytes = static_cast<std::int64_t>(size) - 128;
        DWORD read = 0;
        if (data_bytes == picture_bytes + palette_block &&
            SetFilePointer(context.file, -769, nullptr, FILE_END) != INVALID_SET_FILE_POINTER) {
            ReadFile(context.file, &marker, 1, &read, nullptr);
        }
        SetFilePointer(context.file, 128, nullptr, FILE_BEGIN);
    }
    return data_bytes == picture_bytes || (data_bytes == picture_bytes + palette_block && marker == 12);
}

using StoreRow = void (*)(const std::uint8_t*, std::int64_t, std::int64_t, std::int64_t, std::uint8_t*);

// Picks a format's store routine for a depth, through the one per-depth choice.
template <Format F>
struct ChooseStore {
    template <int Bits>
    static void run(StoreRow& store) {
        store = &Store<F, Bits>::row;
    }
};

// Null for a depth the layer does not draw.
StoreRow store_routine(Format format, std::int32_t bits) {
    StoreRow store = nullptr;
    switch (format) {
        case Format::planes4:
            for_depth<ChooseStore<Format::planes4>>(bits, store);
            break;
        case Format::true_color:
            for_depth<ChooseStore<Format::true_color>>(bits, store);
            break;
        case Format::bits8:
            for_depth<ChooseStore<Format::bits8>>(bits, store);
            break;
        default:
            for_depth<ChooseStore<Format::bits1>>(bits, store);
            break;
    }
    return store;
}

// Frees the line buffer on every way out.
struct LineBuffer {
    std::uint8_t* data = nullptr;
    ~LineBuffer() {
        if (data != nullptr) GlobalFree(GlobalHandle(data));
    }
};

std::int32_t load(const char* filename, std::int32_t flags, ReadingContext& context) {
    std::uint8_t header_bytes[128];
    if (context.from_memory) {
        if (context.memory == nullptr || context.memory_size < 128) return 2;
        std::memcpy(header_bytes, context.memory, 128);
    } else {
        context.file = CreateFileA(filename, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (context.file == INVALID_HANDLE_VALUE) return 1;
        DWORD read = 0;
        ReadFile(context.file, header_bytes, 128, &read, nullptr);
        if (read < 128) return 2;
    }
    parse_header(header_bytes);
    if (pcx_header.manufacturer != 10) return 2;

    const bool at_draw_position = (flags & PCX_AT_DRAW_POSITION) != 0;
    const std::int64_t x0 = at_draw_position ? draw_position.x : pcx_header.xmin;
    const std::int64_t y0 = at_draw_position ? draw_position.y : pcx_header.ymin;
    const std::int64_t width = static_cast<std::int64_t>(pcx_header.xmax) - pcx_header.xmin + 1;
    const std::int64_t height = static_cast<std::int64_t>(pcx_header.ymax) - pcx_header.ymin + 1;
    // Rows and columns of the image that land inside the buffer: rows are
    // decoded up to the last one stored, columns always in full.
    const std::int64_t first_row = std::max<std::int64_t>(0, -y0);
    const std::int64_t end_row = std::min<std::int64_t>(height, active_buffer.height - y0);
    const std::int64_t first_column = std::max<std::int64_t>(0, -x0);
    const std::int64_t end_column = std::min<std::int64_t>(width, active_buffer.width - x0);
    if (width <= 0 || height <= 0 || end_row <= first_row || end_column <= first_column) return 0;

    Format format{};
    if (!choose_format(format)) return 3;
    const StoreRow store = store_routine(format, active_buffer.bits_per_pixel);
    if (store == nullptr) return 3;
    context.format = format;
    const std::int64_t length = static_cast<std::int64_t>(pcx_header.planes) * pcx_header.bytes_per_line;
    LineBuffer line;
    line.data = static_cast<std::uint8_t*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(length + 1024)));
    if (line.data == nullptr) return 4;
    const bool stored = stored_lines(context, length * height);

    if (active_buffer.bits_per_pixel > 8) pcx_palette_step(context);
    bool exhausted = false;
    if (active_buffer.pixels != nullptr) {
        const std::int64_t bytes = bytes_per_pixel(active_buffer.bits_per_pixel);
        PcxInput input(context);
        const DecodeLine decode_line = line_decoder(stored);
        std::int64_t carried = 0;
        for (std::int64_t row = 0; row < end_row; ++row) {
            carried = decode_line(input, line.data, length, carried, exhausted);
            if (row >= first_row) {
                std::uint8_t* out =
                    active_buffer.pixels + (y0 + row) * active_buffer.pitch + (x0 + first_column) * bytes;
                store(line.data, pcx_header.bytes_per_line, first_column, end_column, out);
            }
            // Bytes a run wrote past the line's end begin the next line.
            if (carried > 0) std::memmove(line.data, line.data + length, static_cast<std::size_t>(carried));
        }
    }
    if (active_buffer.bits_per_pixel <= 8) pcx_palette_step(context);
    // What could be read is stored and shown; the caller learns that the
    // picture is incomplete.
    return exhausted ? PCX_ENDED_EARLY : 0;
}

}  // namespace

std::int32_t gfx_set_read_buffer(const std::uint8_t* data, std::int32_t size) {
    if (data == nullptr) {
        read_buffer = ReadBuffer{read_block.data(), static_cast<std::int32_t>(read_block.size())};
    } else {
        read_buffer = ReadBuffer{data, std::max(size, 0)};
    }
    return 0;
}

std::int32_t gfx_load_pcx(const char* filename, std::int32_t flags) {
    ReadingContext context;
    context.flags = flags & 15;
    context.from_memory = (context.flags & PCX_FROM_MEMORY) != 0;
    context.memory = read_buffer.data;
    context.memory_size = read_buffer.size;
    // A caller's memory image serves one load: afterwards the caller may
    // free it, so the layer points back at its own block.
    if (context.from_memory) gfx_set_read_buffer(nullptr, 0);
    if (active_buffer.handle == -1) return 0;
    lock_active_buffer();
    const std::int32_t result = load(filename, context.flags, context);
    if (context.file != INVALID_HANDLE_VALUE) CloseHandle(context.file);
    unlock_active_buffer();
    return result;
}
