// Feeds bytes to libmad as SDL_mixer 1.2's MP3 decoder does (40 KiB reads topped up, the zero
// guard at the end, a stop at the next failure, each loop a rewind that leaves libmad's stream
// as it was) and reports each decoded frame's rate and channels, which the mixer converts from.
#pragma once

#include <mad.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

struct DecodedFrame {
    int sampleRate, channels;
};

inline std::vector<DecodedFrame> decodeLikeTheMixer(const unsigned char* data, std::size_t size,
                                                    int loops) {
    constexpr std::size_t inputSize = 5 * 8192;
    constexpr int giveUpAfter = 1 << 20;  // reads and decodes, should the library spin
    std::vector<unsigned char> input(inputSize + MAD_BUFFER_GUARD);
    std::vector<DecodedFrame> decoded;
    mad_stream stream;
    mad_frame frame;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    for (int loop = 0, steps = 0; loop < loops && steps < giveUpAfter; ++loop) {
        std::size_t position = 0;  // the rewind; libmad's stream carries on
        bool endSeen = false;
        for (bool stopped = false; !stopped && ++steps < giveUpAfter;) {
            if (stream.buffer == nullptr || stream.error == MAD_ERROR_BUFLEN) {
                std::size_t kept = 0;
                if (stream.next_frame != nullptr) {
                    kept = static_cast<std::size_t>(stream.bufend - stream.next_frame);
                    std::memmove(input.data(), stream.next_frame, kept);
                }
                std::size_t got = std::min(inputSize - kept, size - position);
                if (got > 0) std::memcpy(input.data() + kept, data + position, got);
                position += got;
                if (got == 0 && !endSeen) {
                    endSeen = true;
                    std::memset(input.data() + kept, 0, MAD_BUFFER_GUARD);
                    got = MAD_BUFFER_GUARD;
                }
                mad_stream_buffer(&stream, input.data(), kept + got);
                stream.error = MAD_ERROR_NONE;
            }
            if (mad_frame_decode(&frame, &stream) == 0) {
                decoded.push_back(
                    {static_cast<int>(frame.header.samplerate), MAD_NCHANNELS(&frame.header)});
            } else {
                // Past the end of the source any failure ends the pass, as does a decoding
                // error that is neither recoverable nor a want of bytes.
                stopped =
                    endSeen || (!MAD_RECOVERABLE(stream.error) && stream.error != MAD_ERROR_BUFLEN);
            }
        }
    }
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    return decoded;
}
