// The music file's own sample rate and channel count, read from its first MPEG audio frame
// header (after an ID3v2 tag). The mixer opens the audio device at them so that the track is
// never resampled: SDL 1.2 on SDL 2 resamples MP3 music into a buffer too small for the result
// and corrupts the heap.
#pragma once

#include <cstddef>

struct MusicFormat {
    int sampleRate;  // Hz; 0 when the file is missing or no frame header was found
    int channels;    // 0 with sampleRate 0
};

MusicFormat readMusicFormat(const char* path);
MusicFormat musicFormatOf(const unsigned char* bytes, size_t size);
