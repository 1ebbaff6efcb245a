#include "game/music_format.h"

#include <cstdio>

// The first frame normally follows the ID3v2 tag at once; encoders that pad or prepend junk
// stay well within this. Bounding the search bounds the work a hostile file can cause.
constexpr std::size_t headSize = 64 * 1024;
constexpr std::size_t id3HeaderSize = 10;
constexpr std::size_t frameHeaderSize = 4;

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

// Exactly the headers the decoder accepts, less the free format, whose frame length the header
// lacks: the decoder would have to search the data for the next header to learn it.
static bool isPlayableHeader(const unsigned char* b) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;  // eleven sync bits
    const FrameHeader h = frameHeaderAt(b);
    return h.version != reservedVersion && h.layer != reservedLayer &&
           h.bitrateIndex != freeBitrate && h.bitrateIndex != badBitrate &&
           h.rateIndex != reservedRate;
}

static int sampleRateOf(const FrameHeader& h) { return sampleRates[h.version][h.rateIndex]; }
static int channelsOf(const FrameHeader& h) { return h.channelMode == monoMode ? 1 : 2; }

// What the decoder makes of a frame: the same PCM format and the same number of samples.
static bool sameKind(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.rateIndex == b.rateIndex &&
           channelsOf(a) == channelsOf(b);
}

static int samplesPerFrame(const FrameHeader& h) {
    if (h.layer == layer1) return 384;
    return h.layer == layer3 && h.version != mpeg1 ? 576 : 1152;
}

// Bytes from this header to the next, as the decoder counts them.
static std::size_t frameLength(const FrameHeader& h) {
    const int bitsPerSecond = 1000 * bitrates[h.version == mpeg1][h.layer][h.bitrateIndex];
    const int rate = sampleRateOf(h);
    if (h.layer == layer1)
        return static_cast<std::size_t>((12 * bitsPerSecond / rate + h.padding) * 4);
    const int samplesPerFrameOver8 = h.layer == layer3 && h.version != mpeg1 ? 72 : 144;
    return static_cast<std::size_t>(samplesPerFrameOver8 * bitsPerSecond / rate + h.padding);
}

// An ID3v2 tag: "ID3", version, flags, and a size of four 7-bit bytes that excludes the
// ten-byte header and the ten-byte footer that flag 0x10 announces.
static std::size_t id3TagSize(const unsigned char* bytes, std::size_t size) {
    if (size < id3HeaderSize || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') return 0;
    std::size_t tagSize = 0;
    for (int i = 6; i < 10; ++i) tagSize = tagSize << 7 | (bytes[i] & 0x7F);
    const bool hasFooter = (bytes[5] & 0x10) != 0;
    return id3HeaderSize + tagSize + (hasFooter ? id3HeaderSize : 0);
}

struct FrameRun {
    std::size_t begin, end;
    int frames;
};

// The whole frames of the first one's kind that follow one another from begin.
static FrameRun runFrom(const unsigned char* bytes, std::size_t size, std::size_t begin) {
    const FrameHeader first = frameHeaderAt(bytes + begin);
    FrameRun run = {begin, begin, 0};
    while (run.end + frameHeaderSize <= size && isPlayableHeader(bytes + run.end)) {
        const FrameHeader h = frameHeaderAt(bytes + run.end);
        const std::size_t length = frameLength(h);
        if (!sameKind(h, first) || length > size - run.end) break;
        run.end += length;
        ++run.frames;
    }
    return run;
}

static bool longEnough(const FrameRun& run, const FrameHeader& h) {
    return static_cast<long>(run.frames) * samplesPerFrame(h) >=
           static_cast<long>(sampleRateOf(h)) * shortestMusicSeconds;
}

// A frame of the run's kind that decodes to silence: no padding, no checksum, no flags, and
// zero side information (no bits for any granule).
static void appendSilentFrame(std::vector<unsigned char>& out, const unsigned char* header) {
    FrameHeader h = frameHeaderAt(header);
    h.padding = 0;
    const std::size_t at = out.size();
    out.resize(at + frameLength(h), 0);
    out[at] = 0xFF;
    out[at + 1] = header[1] | 0x01;  // no checksum follows
    out[at + 2] = header[2] & 0xFC;  // bitrate and rate; no padding, no private bit
    out[at + 3] = header[3] & 0xC0;  // the channel mode alone
}

MusicStream musicStreamOf(const unsigned char* bytes, std::size_t size) {
    MusicStream stream = {{0, 0}, {}};
    const std::size_t tag = id3TagSize(bytes, size);
    const std::size_t searchEnd = tag < size && size - tag > headSize ? tag + headSize : size;
    for (std::size_t at = tag; at < searchEnd && size - at >= frameHeaderSize; ++at) {
        if (!isPlayableHeader(bytes + at)) continue;
        const FrameHeader h = frameHeaderAt(bytes + at);
        const FrameRun run = runFrom(bytes, size, at);
        if (!longEnough(run, h)) continue;
        stream.format = {sampleRateOf(h), channelsOf(h)};
        stream.bytes.assign(bytes + run.begin, bytes + run.end);
        appendSilentFrame(stream.bytes, bytes + run.begin);
        break;
    }
    return stream;
}

static bool readWholeFile(const char* path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    bool read = size >= 0 && size <= largestMusicFile && std::fseek(file, 0, SEEK_SET) == 0;
    if (read && size > 0) {
        bytes.resize(static_cast<std::size_t>(size));
        read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return read;
}

MusicStream readMusicStream(const char* path) {
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path, bytes)) return {{0, 0}, {}};
    return musicStreamOf(bytes.data(), bytes.size());
}
