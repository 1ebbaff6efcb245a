#include "game/music_format.h"

#include <cstdio>

// The first frame normally follows the ID3v2 tag at once; encoders that pad or prepend junk
// stay well within this.
constexpr size_t headSize = 64 * 1024;
constexpr size_t id3HeaderSize = 10;
constexpr size_t frameHeaderSize = 4;

enum MpegVersion { mpeg25 = 0, reservedVersion = 1, mpeg2 = 2, mpeg1 = 3 };
enum MpegLayer { reservedLayer = 0, layer3 = 1, layer2 = 2, layer1 = 3 };
constexpr int monoMode = 3;
constexpr int freeBitrate = 0;
constexpr int badBitrate = 15;
constexpr int reservedRate = 3;

// Indexed by [version][rate index].
constexpr int sampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
// kbit/s, indexed by [MPEG-1 or not][layer][bitrate index]; index 0 is the free format.
constexpr int bitrates[2][4][15] = {
    {{},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}},
    {{},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}}};

struct FrameHeader {
    int version, layer, bitrateIndex, rateIndex, padding, channelMode;
};

static FrameHeader frameHeaderAt(const unsigned char* b) {
    return {(b[1] >> 3) & 3, (b[1] >> 1) & 3, b[2] >> 4,
            (b[2] >> 2) & 3, (b[2] >> 1) & 1, b[3] >> 6};
}

static bool isFrameHeader(const unsigned char* b) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;  // eleven sync bits
    const FrameHeader h = frameHeaderAt(b);
    return h.version != reservedVersion && h.layer != reservedLayer &&
           h.bitrateIndex != badBitrate && h.rateIndex != reservedRate;
}

static int sampleRateOf(const FrameHeader& h) { return sampleRates[h.version][h.rateIndex]; }

// Bytes from this header to the next; 0 for the free format, whose length the header lacks.
static size_t frameLength(const FrameHeader& h) {
    const int bitsPerSecond = 1000 * bitrates[h.version == mpeg1][h.layer][h.bitrateIndex];
    const int rate = sampleRateOf(h);
    if (h.layer == layer1) return static_cast<size_t>((12 * bitsPerSecond / rate + h.padding) * 4);
    const int samplesPerFrameOver8 = h.layer == layer3 && h.version != mpeg1 ? 72 : 144;
    return static_cast<size_t>(samplesPerFrameOver8 * bitsPerSecond / rate + h.padding);
}

// Two bytes 0xFF 0xEx turn up inside other data too; a real frame is followed by another of the
// same kind, unless the head of the file ends first.
static bool isFirstFrame(const unsigned char* bytes, size_t size, size_t at) {
    if (!isFrameHeader(bytes + at)) return false;
    const FrameHeader h = frameHeaderAt(bytes + at);
    if (h.bitrateIndex == freeBitrate) return true;
    const size_t next = at + frameLength(h);
    if (next + frameHeaderSize > size) return true;
    if (!isFrameHeader(bytes + next)) return false;
    const FrameHeader n = frameHeaderAt(bytes + next);
    return n.version == h.version && n.layer == h.layer && n.rateIndex == h.rateIndex;
}

// An ID3v2 tag: "ID3", version, flags, and a size of four 7-bit bytes that excludes the
// ten-byte header and the ten-byte footer that flag 0x10 announces.
static size_t id3TagSize(const unsigned char* bytes, size_t size) {
    if (size < id3HeaderSize || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') return 0;
    size_t tagSize = 0;
    for (int i = 6; i < 10; ++i) tagSize = tagSize << 7 | (bytes[i] & 0x7F);
    const bool hasFooter = (bytes[5] & 0x10) != 0;
    return id3HeaderSize + tagSize + (hasFooter ? id3HeaderSize : 0);
}

MusicFormat musicFormatOf(const unsigned char* bytes, size_t size) {
    for (size_t at = id3TagSize(bytes, size); at + frameHeaderSize <= size; ++at) {
        if (!isFirstFrame(bytes, size, at)) continue;
        const FrameHeader h = frameHeaderAt(bytes + at);
        return {sampleRateOf(h), h.channelMode == monoMode ? 1 : 2};
    }
    return {0, 0};
}

// Reads the tag's size first and then the head of the audio after it, so a large cover picture
// in the tag costs no memory.
MusicFormat readMusicFormat(const char* path) {
    static unsigned char head[headSize];
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return {0, 0};
    size_t size = std::fread(head, 1, id3HeaderSize, file);
    const size_t skip = id3TagSize(head, size);
    if (skip == 0 || std::fseek(file, static_cast<long>(skip), SEEK_SET) == 0) {
        const size_t kept = skip == 0 ? size : 0;
        size = kept + std::fread(head + kept, 1, headSize - kept, file);
    } else {
        size = 0;
    }
    std::fclose(file);
    return musicFormatOf(head, size);
}
