// Small PNG files written byte by byte for the picture tests: every row unfiltered, all of them
// stored uncompressed in one deflate block, so a test states exactly the samples it means.
#pragma once

#include <cstdint>

#include "tests/unit/test_files.h"

struct PngPicture {
    int width, height, bitDepth, colourType;
    Bytes rows;  // packed samples, no filter bytes
    Bytes palette, transparency;
};

inline void put32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(Byte(value >> shift));
}

inline void putChunk(Bytes& out, const char* type, Bytes data) {
    put32(out, std::uint32_t(data.size()));
    data.insert(data.begin(), type, type + 4);
    std::uint32_t crc = ~0u;
    for (Byte byte : data)
        for (int bit = 0; bit < 8; ++bit, byte >>= 1)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - ((crc ^ byte) & 1u)));
    out.insert(out.end(), data.begin(), data.end());
    put32(out, ~crc);
}

inline Bytes encodePng(const PngPicture& png) {
    const std::size_t stride = png.rows.size() / std::size_t(png.height);
    Bytes raw;
    for (int y = 0; y < png.height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), png.rows.begin() + long(y * stride),
                   png.rows.begin() + long((y + 1) * stride));
    }
    const std::uint32_t n = std::uint32_t(raw.size());
    Bytes z = {0x78, 1, 1, Byte(n), Byte(n >> 8), Byte(~n), Byte(~n >> 8)};
    std::uint32_t a = 1, b = 0;  // Adler-32
    for (Byte byte : raw) b = (b + (a = (a + byte) % 65521)) % 65521;
    z.insert(z.end(), raw.begin(), raw.end());
    put32(z, (b << 16) | a);
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32(header, std::uint32_t(png.width));
    put32(header, std::uint32_t(png.height));
    header.insert(header.end(), {Byte(png.bitDepth), Byte(png.colourType), 0, 0, 0});
    putChunk(file, "IHDR", header);
    if (!png.palette.empty()) putChunk(file, "PLTE", png.palette);
    if (!png.transparency.empty()) putChunk(file, "tRNS", png.transparency);
    putChunk(file, "IDAT", z);
    putChunk(file, "IEND", {});
    return file;
}
