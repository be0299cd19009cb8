// Writing shown frames: indexed PNG files, an animated GIF, checksums.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tools/capture/output_file.h"

struct GifFileType;

// One 8-bit page and the palette it was shown with.
struct Frame {
    const std::uint8_t* pixels;  // width x height indices, rows packed
    int width;
    int height;
    const std::vector<PALETTEENTRY>& palette;  // 256 entries, or empty for grey
};

std::uint32_t frame_checksum(const Frame& frame);

// Prints "frame N checksum X" for every frame added, in order, with the
// value frame_checksum gives. FNV-1a is one chain of multiplies per frame,
// each waiting for the last; frames are therefore kept and hashed eight at a
// time, as eight independent chains the processor runs side by side.
class ChecksumPrinter {
public:
    ChecksumPrinter() = default;
    ChecksumPrinter(const ChecksumPrinter&) = delete;
    ChecksumPrinter& operator=(const ChecksumPrinter&) = delete;
    ~ChecksumPrinter() { flush(); }
    void add(int frame, const Frame& shown);
    // Prints the frames still held.
    void flush();
    // Prints the rest and sees it out: 0 when all of it reached standard
    // output, else the error that stopped it.
    int finish();

    static constexpr int lanes = 8;

private:
    struct Held {
        int frame = 0;
        std::vector<std::uint8_t> bytes;  // the indices, then the 768 colour bytes
    };
    Held held_[lanes];
    int count_ = 0;
    int error_ = 0;
};
// Writes the frame to `path` whole or not at all: "" when it did, else why not.
std::string write_png(const std::string& path, const Frame& frame);

// An animated GIF at 60 frames per second. Each frame after the first is
// stored as the rectangle that changed, so the file stays small while every
// frame still decodes to exactly the shown pixels.
class GifWriter {
public:
    GifWriter() = default;
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;
    ~GifWriter();
    bool open(const std::string& path);
    bool add(const Frame& frame);
    // Puts the whole file in place of `path`; on any failure `path` keeps
    // what it held.
    bool close();
    std::string why(const std::string& path) const;

private:
    OutputFile out_;
    GifFileType* file_ = nullptr;
    std::vector<std::uint8_t> previous_;
    std::vector<PALETTEENTRY> previous_palette_;
    int count_ = 0;
    bool failed_ = false;
};
