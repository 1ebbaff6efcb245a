// Feeds arbitrary bytes to the music reader as "Media/music.mp3": what it hands the mixer's
// decoder is either nothing or a run of whole frames taken from the file as they stand, closed
// by a silent frame; and libmad, fed that run the way the mixer feeds it, decodes frames of the
// run's own rate and channels alone, loop after loop.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/music_format.h"
#include "tests/unit/mixer_decoder.h"

static bool holdsRun(const std::uint8_t* data, std::size_t size, const MusicStream& stream,
                     std::size_t runSize) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    return file.find(std::string(stream.bytes.begin(), stream.bytes.begin() + runSize)) !=
           std::string::npos;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MusicStream stream = musicStreamOf(data, size);
    if (stream.format.sampleRate == 0) {
        if (!stream.bytes.empty()) std::abort();  // bytes for the decoder, yet nothing to play
        return 0;
    }
    // The closing frame is the last header-like pair of bytes: zeros follow it, and its own
    // bytes after the first cannot start one. Everything before it is the run.
    std::size_t closing = stream.bytes.size() - 4;
    while (closing > 0 && !(stream.bytes[closing] == 0xFF && stream.bytes[closing + 1] >= 0xE0))
        --closing;
    if (closing == 0 || !holdsRun(data, size, stream, closing)) std::abort();
    for (const DecodedFrame& f : decodeLikeTheMixer(stream.bytes.data(), stream.bytes.size(), 2))
        if (f.sampleRate != stream.format.sampleRate || f.channels != stream.format.channels)
            std::abort();
    return 0;
}
