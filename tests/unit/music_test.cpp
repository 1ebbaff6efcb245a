// The music the mixer is given. Faults caught: frames of another rate or channel count left in
// the stream (the mixer converts them into too small a buffer), a device opened at another rate
// than the file's (the tone off pitch), silence, a hostile file that crashes the mixer or
// leaves it open.
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "game/assets.h"
#include "game/game_record.h"
#include "game/music_format.h"
#include "tests/unit/mixer_decoder.h"
#include "tests/unit/test_files.h"

namespace {

struct Fixture {
    const char* file;
    int rate, channels;
};
void PrintTo(const Fixture& f, std::ostream* out) { *out << f.file; }
const Fixture fixtures[] = {
    {"tone-22050-1.mp3", 22050, 1}, {"tone-22050-2.mp3", 22050, 2}, {"tone-24000-1.mp3", 24000, 1},
    {"tone-24000-2.mp3", 24000, 2}, {"tone-32000-1.mp3", 32000, 1}, {"tone-32000-2.mp3", 32000, 2},
    {"tone-44100-1.mp3", 44100, 1}, {"tone-44100-2.mp3", 44100, 2}, {"tone-48000-1.mp3", 48000, 1},
    {"tone-48000-2.mp3", 48000, 2}, {"tone-8000-1.mp3", 8000, 1},   {"tone-11025-2.mp3", 11025, 2},
    {"tone-12000-1.mp3", 12000, 1}, {"tone-tagged.mp3", 44100, 2},  // behind a 70 kB ID3v2 tag
};
std::string fixturePath(const char* file) { return sourcePath("tests/data/music/") + file; }
Bytes fixtureBytes(const char* file) { return readBytes(fixturePath(file)); }

// What goes wrong when the mixer's decoder is handed the stream, or "".
std::string decodingFault(const MusicStream& stream) {
    const auto frames = decodeLikeTheMixer(stream.bytes.data(), stream.bytes.size(), 3);
    if (stream.format.sampleRate == 0)
        return stream.bytes.empty() && frames.empty() ? "" : "bytes given for no format";
    if (frames.empty()) return "no frame decoded";
    for (const DecodedFrame& f : frames)
        if (f.sampleRate != stream.format.sampleRate || f.channels != stream.format.channels)
            return "a frame at " + std::to_string(f.sampleRate) + " Hz, " +
                   std::to_string(f.channels) + " channels";
    return "";
}

// MPEG-1 Layer III frames at 128 kbit/s: 417 bytes at 44.1 kHz, 384 at 48 kHz; 39 make a second.
constexpr int secondAt44k = 39;
Bytes framesOf(int count, unsigned char mode = 0x40, unsigned char rate = 0x90, size_t size = 417) {
    Bytes b;
    for (int i = 0; i < count; ++i) {
        Bytes f(size, 0);
        f[0] = 0xFF, f[1] = 0xFB, f[2] = rate, f[3] = mode;
        b.insert(b.end(), f.begin(), f.end());
    }
    return b;
}
Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
Bytes id3(size_t body, unsigned char flags = 0) {
    Bytes tag = {'I', 'D', '3', 3, 0, flags, 0, 0, 0, 0};
    for (int i = 9; i >= 6; --i, body >>= 7) tag[i] = body & 0x7F;
    tag.resize(tag.size() + (tag[5] & 0x10 ? 10 : 0) +
                   (((tag[6] << 21) | (tag[7] << 14) | (tag[8] << 7) | tag[9])),
               0xFF);  // sync-like bytes inside the tag must not be taken for a frame
    return tag;
}

TEST(MusicStream, TakesTheFirstSecondLongRunOfOneKind) {
    const size_t second = secondAt44k * 417;
    struct Case {
        const char* what;
        Bytes bytes;
        int rate, channels;
        size_t runBytes;
    } cases[] = {
        {"a second of stereo frames", framesOf(secondAt44k), 44100, 2, second},
        {"mono, 48 kHz", framesOf(42, 0xC0, 0x94, 384), 48000, 1, 42 * 384},
        {"a frame short of a second", framesOf(secondAt44k - 1), 0, 0, 0},
        {"after an ID3v2 tag", join({id3(300), framesOf(secondAt44k)}), 44100, 2, second},
        {"after a tag with a footer", join({id3(300, 0x10), framesOf(secondAt44k)}), 44100, 2,
         second},
        {"a sync pattern in junk before the frames",
         join({{0, 0xFF, 0xFB, 0x90, 0x40, 7}, framesOf(secondAt44k)}), 44100, 2, second},
        {"an ID3v1 tag and a cut frame after the run",
         join({framesOf(secondAt44k), {'T', 'A', 'G', 0xFF, 0xF3}, framesOf(1, 0xC0, 0x94, 100)}),
         44100, 2, second},
        {"a second rate after the run",
         join({framesOf(secondAt44k), framesOf(secondAt44k, 0x40, 0x94, 384)}), 44100, 2, second},
        {"mono after stereo", join({framesOf(secondAt44k), framesOf(secondAt44k, 0xC0)}), 44100, 2,
         second},
        {"a short run of another kind first",
         join({framesOf(3, 0xC0, 0x94, 384), framesOf(secondAt44k)}), 44100, 2, second},
        {"free format", framesOf(secondAt44k, 0x40, 0x00), 0, 0, 0},
        {"reserved sample rate", framesOf(secondAt44k, 0x40, 0x9C), 0, 0, 0},
        {"bad bitrate", framesOf(secondAt44k, 0x40, 0xF0), 0, 0, 0},
        {"a tag claiming more than the file", id3(1 << 27), 0, 0, 0},
        {"three bytes", {0xFF, 0xFB, 0x90}, 0, 0, 0},
        {"nothing", {}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const MusicStream m = musicStreamOf(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(m.format.sampleRate, c.rate) << c.what;
        EXPECT_EQ(m.format.channels, c.channels) << c.what;
        if (c.rate == 0) {
            EXPECT_TRUE(m.bytes.empty()) << c.what;
            continue;
        }
        // The run, then a silent frame of its kind with no padding: 417 bytes here too.
        ASSERT_EQ(m.bytes.size(), c.runBytes + (c.rate == 48000 ? 384 : 417)) << c.what;
        EXPECT_EQ(Bytes(m.bytes.end() - 4, m.bytes.end()), Bytes(4, 0)) << c.what;
        EXPECT_EQ(decodingFault(m), "") << c.what;
    }
}

// What the mixer hands the device: the loudest sample, and the lengths of the first channel's
// swings from well below zero to well above or back (half periods of the tone).
std::atomic<int> peak{0}, frames{0}, channels{2};
std::atomic<int> halfPeriods[100];
int side = 0, lastSwing = 0;
constexpr int swingLevel = 4000;

void measure(void*, Uint8* stream, int bytes) {
    const Sint16* s = reinterpret_cast<Sint16*>(stream);
    for (int i = 0; i < bytes / 2; ++i) peak = std::max<int>(peak, std::abs(s[i]));
    for (int i = 0; i < bytes / 2; i += channels, ++frames) {
        const int now = s[i] > swingLevel ? 1 : s[i] < -swingLevel ? -1 : side;
        if (now == side) continue;
        if (frames - lastSwing < 100) ++halfPeriods[frames - lastSwing];
        side = now, lastSwing = frames;
    }
}

// The mean, as at rates like 11,025 Hz a 1 kHz tone swings every 5 and 6 samples by turns.
double meanHalfPeriod() {
    long count = 0, samples = 0;
    for (int length = 0; length < 100; ++length)
        count += halfPeriods[length], samples += static_cast<long>(length) * halfPeriods[length];
    return count == 0 ? 0.0 : static_cast<double>(samples) / count;
}

struct Decoding : ::testing::TestWithParam<Fixture> {};

TEST_P(Decoding, PlaysAudiblyAtItsOwnPitch) {
    SDL_putenv(const_cast<char*>("SDL_AUDIODRIVER=dummy"));
    startMusic(fixturePath(GetParam().file).c_str());
    ASSERT_NE(gameRecord.music, nullptr) << Mix_GetError();
    int rate = 0, deviceChannels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&rate, &format, &deviceChannels), 0);
    EXPECT_EQ(rate, GetParam().rate) << "the device did not open at the file's rate";
    EXPECT_EQ(deviceChannels, GetParam().channels);
    channels = deviceChannels;
    Mix_SetPostMix(measure, nullptr);
    for (int waited = 0; waited < 5000 && frames < rate * 3 / 2; waited += 20) SDL_Delay(20);
    stopMusic();
    ASSERT_GE(frames, rate) << "less than a second came through the mixer";
    EXPECT_GT(peak, 8000) << "the half-scale tone is (nearly) silent";
    const double pitch = rate / (2.0 * meanHalfPeriod());
    EXPECT_NEAR(pitch, 1000.0, 30.0) << "the tone came out at another pitch";
}
INSTANTIATE_TEST_SUITE_P(EachFile, Decoding, ::testing::ValuesIn(fixtures));

// Spliced formats, damage, a cut, files that are no MP3: the stream decodes only to its own
// format, the real mixer (on the dummy driver, which takes any format) plays it or stays
// silent, and the sound closes cleanly, however often. Damage anywhere is the fuzzer's.
TEST(MusicStream, HostileFilesDecodeOnlyToTheStreamsFormatThroughTheRealMixer) {
    SDL_putenv(const_cast<char*>("SDL_AUDIODRIVER=dummy"));
    std::mt19937 random(7);
    auto noise = [&](size_t size) {
        Bytes b(size);
        for (unsigned char& c : b) c = static_cast<unsigned char>(random());
        return b;
    };
    const Bytes tone = fixtureBytes("tone-44100-2.mp3"), low = fixtureBytes("tone-8000-1.mp3");
    Bytes damaged = tone;
    const Bytes junk = noise(400);
    std::copy(junk.begin(), junk.end(), damaged.begin() + 3000);
    Bytes wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const Bytes pcm = noise(88200);
    wav.insert(wav.end(), pcm.begin(), pcm.end());
    const std::pair<const char*, Bytes> files[] = {
        {"random bytes", noise(60000)},
        {"random bytes inside", damaged},
        {"cut short", Bytes(tone.begin(), tone.begin() + 5000)},
        {"44.1 kHz then 8 kHz", join({tone, low})},
        {"8 kHz then 44.1 kHz", join({low, tone})},
        {"stereo then mono", join({tone, fixtureBytes("tone-44100-1.mp3")})},
        {"8 kHz cut into 44.1 kHz", join({Bytes(tone.begin(), tone.begin() + 5000), low,
                                          Bytes(tone.begin() + 5000, tone.end())})},
        {"MPEG-2.5 12 kHz mono then 11.025 kHz stereo",
         join({fixtureBytes("tone-12000-1.mp3"), fixtureBytes("tone-11025-2.mp3")})},
        {"a PNG picture", readBytes(sourcePath("Media/splashscreen.png"))},
        {"a WAV file", wav},
    };
    const std::string path = testing::TempDir() + "hostile.mp3";
    for (const auto& [what, bytes] : files) {
        const MusicStream expected = musicStreamOf(bytes.data(), bytes.size());
        EXPECT_EQ(decodingFault(expected), "") << what;
        writeBytes(path, bytes);
        startMusic(path.c_str());
        EXPECT_EQ(gameRecord.music != nullptr, expected.format.sampleRate != 0) << what;
        SDL_Delay(1200);
        stopMusic();
        stopMusic();
        EXPECT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 0) << what << ": left open";
    }
    std::remove(path.c_str());
}

}  // namespace
