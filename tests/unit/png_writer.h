// Writes small PNG files for tests, so that each test makes exactly the image it needs: the
// image data goes into stored (uncompressed) deflate blocks, which every decoder reads.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

enum class PngColour : std::uint8_t { Grey = 0, Rgb = 2, Paletted = 3, Rgba = 6 };

struct PngImage {
    int width = 0, height = 0;
    PngColour colour = PngColour::Rgba;
    std::vector<std::uint8_t> pixels;        // rows top first, 1, 3 or 4 bytes a pixel
    std::vector<std::uint8_t> palette;       // r, g, b per entry, for paletted images
    std::vector<std::uint8_t> paletteAlpha;  // tRNS: alpha of the first palette entries
};

namespace png_writer_detail {

inline std::uint32_t crc32(const std::uint8_t* data, std::size_t length, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

inline void putChunk(std::vector<std::uint8_t>& out, const char* type,
                     const std::vector<std::uint8_t>& data) {
    putBigEndian(out, std::uint32_t(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBigEndian(out, crc32(typed.data(), typed.size()));
}

inline std::vector<std::uint8_t> zlibStored(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> out = {0x78, 0x01};
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - pos, 65535);
        const bool last = pos + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(std::uint8_t(n));
        out.push_back(std::uint8_t(n >> 8));
        out.push_back(std::uint8_t(~n));
        out.push_back(std::uint8_t(~n >> 8));
        out.insert(out.end(), raw.begin() + long(pos), raw.begin() + long(pos + n));
        pos += n;
    } while (pos < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(out, (b << 16) | a);
    return out;
}

}  // namespace png_writer_detail

inline int pngBytesPerPixel(PngColour colour) {
    return colour == PngColour::Rgba ? 4 : colour == PngColour::Rgb ? 3 : 1;
}

inline bool writePng(const std::string& path, const PngImage& image) {
    using namespace png_writer_detail;
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBigEndian(header, std::uint32_t(image.width));
    putBigEndian(header, std::uint32_t(image.height));
    header.insert(header.end(), {8, std::uint8_t(image.colour), 0, 0, 0});
    putChunk(file, "IHDR", header);
    if (!image.palette.empty()) putChunk(file, "PLTE", image.palette);
    if (!image.paletteAlpha.empty()) putChunk(file, "tRNS", image.paletteAlpha);
    const std::size_t rowBytes = std::size_t(image.width) * pngBytesPerPixel(image.colour);
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // no filter
        const auto row = image.pixels.begin() + long(y * rowBytes);
        raw.insert(raw.end(), row, row + long(rowBytes));
    }
    putChunk(file, "IDAT", zlibStored(raw));
    putChunk(file, "IEND", {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), long(file.size()));
    return bool(out);
}

// An image of one colour with the given bytes per pixel (4 RGBA, 3 RGB).
inline PngImage solidPng(int width, int height, PngColour colour, std::vector<std::uint8_t> pixel) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colour = colour;
    for (int i = 0; i < width * height; ++i)
        image.pixels.insert(image.pixels.end(), pixel.begin(), pixel.end());
    return image;
}
