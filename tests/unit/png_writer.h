// Writes small PNG files for tests, so that each test makes exactly the image it needs: the rows
// go into one stored (uncompressed) deflate block, which every decoder reads; under 64 KB only.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

enum class PngColour : std::uint8_t { Grey = 0, Rgb = 2, Paletted = 3, Rgba = 6 };
using PngBytes = std::vector<std::uint8_t>;

struct PngImage {
    int width = 0, height = 0;
    PngColour colour = PngColour::Rgba;
    PngBytes pixels, palette, paletteAlpha;  // rows top first; r g b per entry; tRNS alphas
};

inline void pngPut32(PngBytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

inline void pngChunk(PngBytes& out, const char* type, PngBytes data) {
    pngPut32(out, std::uint32_t(data.size()));
    data.insert(data.begin(), type, type + 4);
    std::uint32_t crc = ~0u;
    for (std::uint8_t byte : data)
        for (int bit = 0; bit < 8; ++bit, byte >>= 1)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - ((crc ^ byte) & 1u)));
    out.insert(out.end(), data.begin(), data.end());
    pngPut32(out, ~crc);
}

inline bool writePng(const std::string& path, const PngImage& image) {
    const std::size_t bytesPerPixel[] = {1, 0, 3, 1, 0, 0, 4};  // by colour type
    const std::size_t rowBytes = std::size_t(image.width) * bytesPerPixel[int(image.colour)];
    const std::size_t n = image.pixels.size() + std::size_t(image.height);  // with filter bytes
    PngBytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, header;
    PngBytes z = {
        0x78, 1, 1, std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(~n), std::uint8_t(~n >> 8)};
    std::uint32_t a = 1, b = 0;  // the Adler-32 sums
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        if (i % rowBytes == 0) z.push_back(0), b = (b + a) % 65521;  // the row's filter: none
        z.push_back(image.pixels[i]);
        b = (b + (a = (a + image.pixels[i]) % 65521)) % 65521;
    }
    pngPut32(z, (b << 16) | a);
    pngPut32(header, std::uint32_t(image.width));
    pngPut32(header, std::uint32_t(image.height));
    header.insert(header.end(), {8, std::uint8_t(image.colour), 0, 0, 0});
    pngChunk(file, "IHDR", header);
    if (!image.palette.empty()) pngChunk(file, "PLTE", image.palette);
    if (!image.paletteAlpha.empty()) pngChunk(file, "tRNS", image.paletteAlpha);
    pngChunk(file, "IDAT", z);
    pngChunk(file, "IEND", {});
    std::ofstream out(path, std::ios::binary);
    return bool(out.write(reinterpret_cast<const char*>(file.data()), long(file.size())));
}

// An image of one colour with the given bytes per pixel (4 RGBA, 3 RGB).
inline PngImage solidPng(int width, int height, PngColour colour, PngBytes pixel) {
    PngImage image{width, height, colour, {}, {}, {}};
    for (int i = 0; i < width * height; ++i)
        image.pixels.insert(image.pixels.end(), pixel.begin(), pixel.end());
    return image;
}
