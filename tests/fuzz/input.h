// Reading a fuzzer's bytes as the arguments of calls: numbers of any width,
// and "interesting" values (the limits of 32 bits, zero, one, buffer edges)
// often enough that the fuzzer reaches every refusal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ == size_; }
    std::size_t left() const { return size_ - at_; }
    const std::uint8_t* rest() const { return data_ + at_; }

    // Missing bytes read as zero, so every input is a whole program.
    template <typename T>
    T take() {
        T value{};
        const std::size_t n = sizeof(T) < left() ? sizeof(T) : left();
        std::memcpy(&value, data_ + at_, n);
        at_ += n;
        return value;
    }
    std::uint8_t byte() { return take<std::uint8_t>(); }

    // Any 32-bit value, biased to the ones where code breaks.
    std::int32_t hostile() {
        static constexpr std::int32_t edges[] = {
            INT32_MIN, INT32_MIN + 1, -65536,   -641, -2,  -1,  0,   1,   2,     3,
            4,         255,           256,      479,  480, 639, 640, 641, 16384, 16385,
            65535,     INT32_MAX - 2, INT32_MAX};
        const std::uint8_t kind = byte();
        if (kind < 96) return edges[kind % (sizeof edges / sizeof edges[0])];
        if (kind < 224) return static_cast<std::int16_t>(take<std::uint16_t>());  // near the buffers
        return take<std::int32_t>();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};
