#pragma once
// Every size, count and offset read from a DWG file goes through here before
// it is used: the file is hostile until proven otherwise.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace cad::dwg {

// Thrown when the bytes contradict themselves (overrun, impossible count).
// Caught per object or per section; never escapes readDwg.
struct DwgError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

namespace limits {
// Largest file we try to read; bigger ones are refused up front.
inline constexpr std::uint64_t kMaxFileBytes = 2ull << 30;
// One decompressed section of a 2004+ file.
inline constexpr std::uint64_t kMaxSectionBytes = 1ull << 30;
// One object record (the MS size field allows more, no real object needs it).
inline constexpr std::uint32_t kMaxObjectBytes = 64u << 20;
// How much larger than the file (or a page) decompressed data may be.
inline constexpr std::uint64_t kMaxExpansion = 256;
// Objects in the object map.
inline constexpr std::size_t kMaxObjects = 20'000'000;
// Classes in the classes section.
inline constexpr std::size_t kMaxClasses = 100'000;
// Pages and sections in a 2004+ container.
inline constexpr std::size_t kMaxPages = 1'000'000;
inline constexpr std::size_t kMaxSections = 10'000;
// Nesting of vertices, attributes and block lists followed while assembling.
inline constexpr std::size_t kMaxOwnedChain = 10'000'000;
} // namespace limits

// a + b, or throw when it overflows or passes `max`.
inline std::uint64_t checkedAdd(std::uint64_t a, std::uint64_t b,
                                std::uint64_t max = std::numeric_limits<std::uint64_t>::max())
{
    if (b > max || a > max - b)
        throw DwgError("size overflow");
    return a + b;
}

inline std::uint64_t checkedMul(std::uint64_t a, std::uint64_t b,
                                std::uint64_t max = std::numeric_limits<std::uint64_t>::max())
{
    if (a != 0 && b > max / a)
        throw DwgError("size overflow");
    return a * b;
}

// True when [offset, offset + length) lies inside a buffer of `size` bytes.
inline bool rangeInside(std::uint64_t offset, std::uint64_t length, std::uint64_t size)
{
    return offset <= size && length <= size - offset;
}

inline void requireRange(std::uint64_t offset, std::uint64_t length, std::uint64_t size,
                         const char* what)
{
    if (!rangeInside(offset, length, size))
        throw DwgError(std::string(what) + " lies outside the data");
}

// A count read from the file that will drive `count` items of at least
// `minBitsEach` bits each: refuse it when the remaining data cannot hold them,
// so a forged count never allocates or loops beyond the input.
inline void requireCount(std::uint64_t count, std::uint64_t minBitsEach,
                         std::uint64_t bitsLeft, const char* what)
{
    if (minBitsEach == 0)
        minBitsEach = 1;
    if (count > bitsLeft / minBitsEach)
        throw DwgError(std::string("impossible ") + what + " count");
}

} // namespace cad::dwg
