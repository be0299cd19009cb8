#include "tools/capture/frame_writers.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

std::vector<std::uint8_t> colours(const std::vector<PALETTEENTRY>& palette) {
    std::vector<std::uint8_t> rgb(768);
    for (int i = 0; i < 256; ++i) {
        if (palette.size() == 256) {
            rgb[3 * i] = palette[i].peRed;
            rgb[3 * i + 1] = palette[i].peGreen;
            rgb[3 * i + 2] = palette[i].peBlue;
        } else {
            rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = static_cast<std::uint8_t>(i);
        }
    }
    return rgb;
}

bool same_palette(const std::vector<PALETTEENTRY>& a, const std::vector<PALETTEENTRY>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].peRed != b[i].peRed || a[i].peGreen != b[i].peGreen || a[i].peBlue != b[i].peBlue) return false;
    }
    return true;
}

}  // namespace

std::uint32_t frame_checksum(const Frame& frame) {
    // FNV-1a over the pixels and the colours they were shown with.
    std::uint32_t hash = 2166136261u;
    const std::size_t size = static_cast<std::size_t>(frame.width) * frame.height;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ frame.pixels[i]) * 16777619u;
    for (std::uint8_t c : colours(frame.palette)) hash = (hash ^ c) * 16777619u;
    return hash;
}

void ChecksumPrinter::add(int frame, const Frame& shown) {
    const std::size_t size = static_cast<std::size_t>(shown.width) * shown.height;
    // Frames are hashed together only when they are of one size.
    if (count_ > 0 && held_[0].bytes.size() != size + 768) flush();
    Held& held = held_[count_++];
    held.frame = frame;
    held.bytes.resize(size + 768);
    std::copy(shown.pixels, shown.pixels + size, held.bytes.begin());
    const std::vector<std::uint8_t> rgb = colours(shown.palette);
    std::copy(rgb.begin(), rgb.end(), held.bytes.begin() + static_cast<std::ptrdiff_t>(size));
    if (count_ == lanes) flush();
}

void ChecksumPrinter::flush() {
    if (count_ == 0) return;
    // Lanes without a frame of their own hash the first one again.
    const std::uint8_t* data[lanes];
    for (int l = 0; l < lanes; ++l) data[l] = held_[l < count_ ? l : 0].bytes.data();
    std::uint32_t hash[lanes];
    for (std::uint32_t& h : hash) h = 2166136261u;
    const std::size_t size = held_[0].bytes.size();
    for (std::size_t i = 0; i < size; ++i) {
        for (int l = 0; l < lanes; ++l) hash[l] = (hash[l] ^ data[l][i]) * 16777619u;
    }
    for (int l = 0; l < count_; ++l) {
        if (std::printf("frame %d checksum %08x\n", held_[l].frame, hash[l]) < 0 && error_ == 0) error_ = errno;
    }
    count_ = 0;
}

int ChecksumPrinter::finish() {
    flush();
    if (std::fflush(stdout) != 0 && error_ == 0) error_ = errno;
    if (std::ferror(stdout) && error_ == 0) error_ = EIO;
    return error_;
}

namespace {

void png_to_file(png_structp png, png_bytep bytes, png_size_t size) {
    if (!static_cast<OutputFile*>(png_get_io_ptr(png))->write(bytes, size)) png_error(png, "write failed");
}

void png_flush(png_structp) {}

// The reason is the file's to give (errno), in the tool's own words.
[[noreturn]] void png_failed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void png_warned(png_structp, png_const_charp) {}

int gif_to_file(GifFileType* gif, const GifByteType* bytes, int size) {
    return static_cast<OutputFile*>(gif->UserData)->write(bytes, static_cast<std::size_t>(size)) ? size : 0;
}

}  // namespace

std::string write_png(const std::string& path, const Frame& frame) {
    OutputFile out;
    if (!out.open(path)) return out.why();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_failed, png_warned);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return out.failed() ? out.why() : "cannot make the PNG file " + path;
    }
    png_set_write_fn(png, &out, png_to_file, png_flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width), static_cast<png_uint_32>(frame.height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const std::vector<std::uint8_t> rgb = colours(frame.palette);
    png_color palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = png_color{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    png_set_PLTE(png, info, palette, 256);
    png_write_info(png, info);
    for (int y = 0; y < frame.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(frame.pixels + static_cast<std::size_t>(y) * frame.width));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out.commit() ? std::string() : out.why();
}

GifWriter::~GifWriter() {
    if (file_ != nullptr) {
        int error = 0;
        EGifCloseFile(file_, &error);
    }
}

bool GifWriter::open(const std::string& path) {
    if (!out_.open(path)) return false;
    int error = 0;
    file_ = EGifOpen(&out_, gif_to_file, &error);
    return file_ != nullptr;
}

bool GifWriter::add(const Frame& frame) {
    if (file_ == nullptr || failed_) return false;
    const std::vector<std::uint8_t> rgb = colours(frame.palette);
    GifColorType gif_colours[256];
    for (int i = 0; i < 256; ++i) gif_colours[i] = GifColorType{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    const std::size_t size = static_cast<std::size_t>(frame.width) * frame.height;
    // The rectangle that differs from the frame before; all of it for the
    // first frame and whenever the colours changed.
    int left = 0, top = 0, right = frame.width - 1, bottom = frame.height - 1;
    const bool whole = count_ == 0 || !same_palette(frame.palette, previous_palette_);
    if (!whole) {
        left = frame.width;
        top = frame.height;
        right = bottom = -1;
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * frame.width + x;
                if (frame.pixels[i] != previous_[i]) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        if (right < 0) left = right = top = bottom = 0;  // unchanged: one pixel keeps the frame's time
    }
    bool ok = true;
    if (count_ == 0) {
        ColorMapObject* map = GifMakeMapObject(256, gif_colours);
        ok = EGifPutScreenDesc(file_, frame.width, frame.height, 8, 0, map) == GIF_OK;
        GifFreeMapObject(map);
        // Loop forever.
        const char application[] = "NETSCAPE2.0";
        const unsigned char loop[3] = {1, 0, 0};
        ok = ok && EGifPutExtensionLeader(file_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(file_, 11, application) == GIF_OK &&
             EGifPutExtensionBlock(file_, 3, loop) == GIF_OK && EGifPutExtensionTrailer(file_) == GIF_OK;
    }
    // Inside the rectangle, pixels that did not change become transparent
    // (an index the frame does not use), which compresses to almost nothing.
    int transparent = NO_TRANSPARENT_COLOR;
    if (!whole) {
        bool used[256] = {};
        for (std::size_t i = 0; i < size; ++i) used[frame.pixels[i]] = true;
        for (int i = 0; i < 256 && transparent == NO_TRANSPARENT_COLOR; ++i) {
            if (!used[i]) transparent = i;
        }
    }
    // 60 frames a second in hundredths: 2, 2, 1 repeating (5 for every 3).
    const int delay = count_ % 3 == 2 ? 1 : 2;
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delay;
    control.TransparentColor = transparent;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    ok = ok && EGifPutExtension(file_, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK;
    ColorMapObject* local = whole && count_ > 0 ? GifMakeMapObject(256, gif_colours) : nullptr;
    ok = ok && EGifPutImageDesc(file_, left, top, right - left + 1, bottom - top + 1, false, local) == GIF_OK;
    if (local != nullptr) GifFreeMapObject(local);
    std::vector<GifPixelType> row(static_cast<std::size_t>(right - left + 1));
    for (int y = top; ok && y <= bottom; ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * frame.width + left;
        for (std::size_t k = 0; k < row.size(); ++k) {
            const std::uint8_t pixel = frame.pixels[start + k];
            row[k] = transparent != NO_TRANSPARENT_COLOR && pixel == previous_[start + k]
                         ? static_cast<GifPixelType>(transparent)
                         : pixel;
        }
        ok = EGifPutLine(file_, row.data(), static_cast<int>(row.size())) == GIF_OK;
    }
    previous_.assign(frame.pixels, frame.pixels + size);
    previous_palette_ = frame.palette;
    ++count_;
    failed_ = !ok;
    return ok;
}

bool GifWriter::close() {
    if (file_ == nullptr) return false;
    int error = 0;
    const bool ok = EGifCloseFile(file_, &error) == GIF_OK && !failed_ && count_ > 0;
    file_ = nullptr;
    if (!ok) {
        out_.abandon();
        return false;
    }
    return out_.commit();
}

std::string GifWriter::why(const std::string& path) const {
    return out_.failed() ? out_.why() : "cannot write " + path;
}
