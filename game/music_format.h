// What of the music file the mixer may decode. SDL_mixer 1.2's MP3 decoder sets up its
// conversion to the device's format from the first frame it decodes and converts every later
// frame into a fixed buffer as if it were the same: a frame of another rate or channel count, or
// a first frame whose format the device does not have, overruns that buffer. Damaged or foreign
// data makes such frames, since the decoder takes any bytes that look like a header after it
// loses its place. So the decoder is never given the file: it gets a run of whole frames that
// all share the first one's version, layer, rate and channels, and the device opens at exactly
// that rate and channel count.
#pragma once

#include <cstddef>
#include <vector>

struct MusicFormat {
    int sampleRate;  // Hz; 0 when nothing in the file is safe to play
    int channels;    // 0 with sampleRate 0
};

struct MusicStream {
    MusicFormat format;
    // The run of frames, then one silent frame of the same kind. The silent frame gives the
    // decoder's check on the run's last frame a header to find, so the decoder never searches
    // the last frame's data for a header; and it is itself rejected, since only the zero bytes
    // the decoder pads the end with follow it, and it holds no header-like byte to search.
    std::vector<unsigned char> bytes;
};

// A run shorter than this is no music (chance headers in other data make short ones).
constexpr int shortestMusicSeconds = 1;
// Larger files are not read at all: an hour of music at 128 kbit/s is 58 MB.
constexpr long largestMusicFile = 64L * 1024 * 1024;

// The first run of at least shortestMusicSeconds of back-to-back frames of one kind, after an
// ID3v2 tag if there is one; bytes before and after it (junk, an ID3v1 tag, a cut frame, frames
// of another kind, whatever follows damage) are left out.
MusicStream musicStreamOf(const unsigned char* bytes, std::size_t size);
// The same for a file; no format when it is missing, unreadable or too large.
MusicStream readMusicStream(const char* path);
