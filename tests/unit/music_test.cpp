// The music's own format read from its header, and every kind of music file a player may put in
// Media decoded through the real mixer path at that format: audible, at its own pitch, and (in
// the sanitizer build) without a memory error.
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/assets.h"
#include "game/game_record.h"
#include "game/music_format.h"

namespace {

std::string sourcePath(const std::string& relative) {
    const char* source = std::getenv("VELMORA_SOURCE_DIR");
    return std::string(source ? source : ".") + "/" + relative;
}

struct Fixture {
    const char* file;
    int rate, channels;
};
void PrintTo(const Fixture& f, std::ostream* out) { *out << f.file; }
const Fixture fixtures[] = {
    {"tone-22050-1.mp3", 22050, 1}, {"tone-22050-2.mp3", 22050, 2}, {"tone-24000-1.mp3", 24000, 1},
    {"tone-24000-2.mp3", 24000, 2}, {"tone-32000-1.mp3", 32000, 1}, {"tone-32000-2.mp3", 32000, 2},
    {"tone-44100-1.mp3", 44100, 1}, {"tone-44100-2.mp3", 44100, 2}, {"tone-48000-1.mp3", 48000, 1},
    {"tone-48000-2.mp3", 48000, 2}, {"tone-tagged.mp3", 44100, 2},  // behind a 70 kB ID3v2 tag
};

TEST(MusicFormat, ReadFromEachKindOfFile) {
    for (const Fixture& f : fixtures) {
        const MusicFormat m =
            readMusicFormat(sourcePath(std::string("tests/data/music/") + f.file).c_str());
        EXPECT_EQ(m.sampleRate, f.rate) << f.file;
        EXPECT_EQ(m.channels, f.channels) << f.file;
    }
    const MusicFormat shipped = readMusicFormat(sourcePath("Media/music.mp3").c_str());
    EXPECT_EQ(shipped.sampleRate, 44100);
    EXPECT_EQ(shipped.channels, 2);
    EXPECT_EQ(readMusicFormat("/nonexistent/music.mp3").sampleRate, 0);
}

using Bytes = std::vector<unsigned char>;

// An MPEG-1 Layer III frame at 128 kbit/s: 417 bytes at 44.1 kHz, 384 at 48 kHz.
Bytes frame(unsigned char mode = 0x40, unsigned char rate = 0x90, size_t size = 417) {
    Bytes b(size, 0);
    b[0] = 0xFF, b[1] = 0xFB, b[2] = rate, b[3] = mode;
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

TEST(MusicFormat, FindsTheFirstRealFrameHeader) {
    struct Case {
        const char* what;
        Bytes bytes;
        int rate, channels;
    } cases[] = {
        {"two stereo frames", join({frame(), frame()}), 44100, 2},
        {"mono, 48 kHz", join({frame(0xC0, 0x94, 384), frame(0xC0, 0x94, 384)}), 48000, 1},
        {"a lone frame at the end of the head", frame(), 44100, 2},
        {"after an ID3v2 tag", join({id3(300), frame(), frame()}), 44100, 2},
        {"after a tag with a footer", join({id3(300, 0x10), frame(), frame()}), 44100, 2},
        {"a sync pattern in junk before the frames",
         join({{0, 0xFF, 0xFB, 0x90, 0x40, 7}, frame(), frame()}), 44100, 2},
        {"reserved sample rate", join({frame(0x40, 0x9C), frame(0x40, 0x9C)}), 0, 0},
        {"bad bitrate", join({frame(0x40, 0xF0), frame(0x40, 0xF0)}), 0, 0},
        {"a frame followed by another kind", join({frame(), frame(0x40, 0x94)}), 0, 0},
        {"a tag claiming more than the file", id3(1 << 27), 0, 0},
        {"three bytes", {0xFF, 0xFB, 0x90}, 0, 0},
        {"nothing", {}, 0, 0},
    };
    for (const Case& c : cases) {
        const MusicFormat m = musicFormatOf(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(m.sampleRate, c.rate) << c.what;
        EXPECT_EQ(m.channels, c.channels) << c.what;
    }
}

// What the mixer hands the device: the loudest sample, and how many samples the first channel
// takes to swing from well below zero to well above or back (a half period of the tone), which
// neither the encoder's quiet edges nor the loop's seam disturb in the median.
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

int medianHalfPeriod() {
    int total = 0, seen = 0;
    for (const auto& count : halfPeriods) total += count;
    for (int length = 0; length < 100; ++length)
        if ((seen += halfPeriods[length]) * 2 > total) return length;
    return 0;
}

struct Decoding : ::testing::TestWithParam<Fixture> {};

TEST_P(Decoding, PlaysAudiblyAtItsOwnPitch) {
    SDL_putenv(const_cast<char*>("SDL_AUDIODRIVER=dummy"));
    startMusic(sourcePath(std::string("tests/data/music/") + GetParam().file).c_str());
    ASSERT_NE(gameRecord.music, nullptr) << Mix_GetError();
    int rate = 0, deviceChannels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&rate, &format, &deviceChannels), 0);
    EXPECT_EQ(rate, GetParam().rate) << "the device did not open at the file's rate";
    EXPECT_EQ(deviceChannels, GetParam().channels);
    channels = deviceChannels;
    Mix_SetPostMix(measure, nullptr);
    for (int waited = 0; waited < 5000 && frames < rate * 3 / 2; waited += 20) SDL_Delay(20);
    Mix_CloseAudio();
    ASSERT_GE(frames, rate) << "less than a second came through the mixer";
    EXPECT_GT(peak, 8000) << "the half-scale tone is (nearly) silent";
    const double pitch = rate / (2.0 * medianHalfPeriod());
    EXPECT_NEAR(pitch, 1000.0, 30.0) << "the tone came out at another pitch";
}
INSTANTIATE_TEST_SUITE_P(EachFile, Decoding, ::testing::ValuesIn(fixtures), [](const auto& info) {
    std::string name = info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

}  // namespace
