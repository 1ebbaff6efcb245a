#include "app/png_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <png.h>

namespace {

constexpr int pngSignatureBytes = 8;
constexpr png_byte opaqueAlpha = 255;
constexpr int noColourKey = -1;

// What decodePng owns while libpng may jump out of it on a damaged file.
struct PngRead {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    SDL_Surface* surface = nullptr;
    std::vector<png_bytep> rows;

    ~PngRead() {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (file != nullptr) std::fclose(file);
        if (surface != nullptr) SDL_FreeSurface(surface);
    }
};

// A damaged file is reported by the null surface alone, never on stderr.
[[noreturn]] void abandonRead(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

// The palette entry to use as a colour key when exactly one entry is fully see-through and the
// rest fully opaque; otherwise noColourKey, and the palette must be widened to alpha instead.
int singleClearEntry(png_const_bytep alphas, int count) {
    int clear = noColourKey;
    for (int i = 0; i < count; ++i) {
        if (alphas[i] == opaqueAlpha) continue;
        if (alphas[i] != 0 || clear != noColourKey) return noColourKey;
        clear = i;
    }
    return clear;
}

// Sets up libpng's reduction to 8-bit samples; returns the colour key wanted, if any.
int chooseTransforms(png_structp png, png_infop info) {
    const int colourType = png_get_color_type(png, info);
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_interlace_handling(png);
    if (colourType == PNG_COLOR_TYPE_GRAY) png_set_expand(png);
    if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!png_get_valid(png, info, PNG_INFO_tRNS)) return noColourKey;
    png_bytep alphas = nullptr;
    int count = 0;
    png_color_16p keyColour = nullptr;
    png_get_tRNS(png, info, &alphas, &count, &keyColour);
    if (colourType != PNG_COLOR_TYPE_PALETTE) return 0;  // mapped from the key colour later
    const int key = singleClearEntry(alphas, count);
    if (key == noColourKey) png_set_expand(png);
    return key;
}

// Red in the lowest byte, as libpng lays samples out; paletted surfaces have no masks.
SDL_Surface* makeSurface(png_structp png, png_infop info) {
    const int channels = png_get_channels(png, info);
    const int bits = png_get_bit_depth(png, info) * channels;
    const int width = static_cast<int>(png_get_image_width(png, info));
    const int height = static_cast<int>(png_get_image_height(png, info));
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE)
        return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, bits, 0, 0, 0, 0);
    const Uint32 alpha = channels == 4 ? 0xFF000000 : 0;
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, bits, 0x000000FF, 0x0000FF00,
                                0x00FF0000, alpha);
}

// The key is set before the palette is filled: a grey or colour key is looked up in the
// surface's empty starting palette, as SDL_image does it.
void setColourKey(SDL_Surface* surface, png_structp png, png_infop info, int key) {
    if (key == noColourKey) return;
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE) {
        png_bytep alphas = nullptr;
        int count = 0;
        png_color_16p colour = nullptr;
        png_get_tRNS(png, info, &alphas, &count, &colour);
        key = static_cast<int>(SDL_MapRGB(surface->format, static_cast<Uint8>(colour->red),
                                          static_cast<Uint8>(colour->green),
                                          static_cast<Uint8>(colour->blue)));
    }
    SDL_SetColorKey(surface, SDL_SRCCOLORKEY, static_cast<Uint32>(key));
}

void fillPalette(SDL_Surface* surface, png_structp png, png_infop info) {
    SDL_Palette* palette = surface->format->palette;
    if (palette == nullptr) return;
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY) {
        palette->ncolors = 256;
        for (int i = 0; i < 256; ++i) {
            const Uint8 grey = static_cast<Uint8>(i);
            palette->colors[i] = {grey, grey, grey, 0};
        }
        return;
    }
    png_colorp colours = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &colours, &count) == 0 || count <= 0) return;
    palette->ncolors = count;
    for (int i = 0; i < count; ++i)
        palette->colors[i] = {colours[i].red, colours[i].green, colours[i].blue, 0};
}

bool hasPngSignature(std::FILE* file) {
    png_byte signature[pngSignatureBytes];
    return std::fread(signature, 1, sizeof signature, file) == sizeof signature &&
           png_sig_cmp(signature, 0, sizeof signature) == 0;
}

// libpng reports a damaged file by jumping back to the setjmp here; nothing in this frame is
// changed between the two, and everything to free lives in the caller's PngRead.
bool readPicture(PngRead& read) {
    if (setjmp(png_jmpbuf(read.png))) return false;
    png_init_io(read.png, read.file);
    png_set_sig_bytes(read.png, pngSignatureBytes);
    png_read_info(read.png, read.info);
    const int key = chooseTransforms(read.png, read.info);
    png_read_update_info(read.png, read.info);
    read.surface = makeSurface(read.png, read.info);
    if (read.surface == nullptr) return false;
    setColourKey(read.surface, read.png, read.info, key);
    fillPalette(read.surface, read.png, read.info);
    read.rows.resize(static_cast<std::size_t>(read.surface->h));
    for (int y = 0; y < read.surface->h; ++y)
        read.rows[static_cast<std::size_t>(y)] =
            static_cast<png_bytep>(read.surface->pixels) + y * read.surface->pitch;
    png_read_image(read.png, read.rows.data());
    png_read_end(read.png, read.info);
    return true;
}

}  // namespace

SDL_Surface* decodePng(const char* path) {
    PngRead read;
    read.file = std::fopen(path, "rb");
    if (read.file == nullptr || !hasPngSignature(read.file)) return nullptr;
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, abandonRead, ignoreWarning);
    if (read.png == nullptr) return nullptr;
    read.info = png_create_info_struct(read.png);
    if (read.info == nullptr || !readPicture(read)) return nullptr;
    SDL_Surface* surface = read.surface;
    read.surface = nullptr;
    return surface;
}
