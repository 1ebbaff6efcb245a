// Feeds arbitrary bytes to the settings reader as "settings.ini" and checks every key's value
// against a second, independent reading of the file format: rows split at line feeds (a
// carriage return before one dropped), at most 100 rows of 255 characters, reading stopping at
// an over-long line, spaces removed, the last row with key= winning, the value the longest
// decimal number after leading tabs, rounded once to single precision.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings.h"
#include "tests/unit/scratch_folder.h"

static const char* const keys[] = {"screenw",    "screenh",      "screenbpp", "fullscreen",
                                   "showcursor", "antialiasing", "mipmapping"};

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The file is read from the working folder, as the game reads it: a private one keeps
    // parallel runs apart.
    static const std::filesystem::path folder = enterScratchFolder("velmora-fuzz.");
    std::atexit([] { leaveScratchFolder(folder); });
    return 0;
}

static std::vector<std::string> referenceRows(const std::string& file) {
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (rows.size() < 100 && start < file.size()) {
        std::size_t end = file.find('\n', start);
        const bool ended = end != std::string::npos;
        if (!ended) end = file.size();
        std::string line = file.substr(start, end - start);
        if (ended && !line.empty() && line.back() == '\r') line.pop_back();
        const bool tooLong = line.size() > 255;
        if (tooLong) line.resize(255);
        rows.push_back(line);
        if (tooLong || !ended) break;
        start = end + 1;
    }
    for (std::string& row : rows) {
        row = row.c_str();  // a NUL byte ends the text of a row
        std::string kept;
        for (char c : row)
            if (c != ' ') kept += c;
        row = kept;
    }
    return rows;
}

static std::size_t digitsAt(const std::string& s, std::size_t i) {
    std::size_t n = 0;
    while (i + n < s.size() && s[i + n] >= '0' && s[i + n] <= '9') ++n;
    return n;
}

static float referenceNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == '\t') ++i;
    const std::size_t begin = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t whole = digitsAt(text, i);
    i += whole;
    std::size_t fraction = 0;
    if (i < text.size() && text[i] == '.') {
        fraction = digitsAt(text, i + 1);
        if (whole + fraction > 0) i += 1 + fraction;
    }
    if (whole + fraction == 0) return 0.0f;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        const std::size_t exponent = digitsAt(text, j);
        if (exponent > 0) i = j + exponent;
    }
    return std::strtof(text.substr(begin, i - begin).c_str(), nullptr);
}

static float referenceSetting(const std::vector<std::string>& rows, const std::string& key) {
    float result = 0.0f;
    for (const std::string& row : rows)
        if (row.compare(0, key.size() + 1, key + "=") == 0)
            result = referenceNumber(row.substr(key.size() + 1));
    return result;
}

static bool sameValue(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0 || a == b; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen("settings.ini", "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    loadSettingsFile();
    if (settingsLineCount != settingsMaxLines) std::abort();
    for (const auto& row : settingsLines)
        if (std::memchr(row, '\0', settingsLineSize) == nullptr || std::strchr(row, ' ') != nullptr)
            std::abort();

    const std::vector<std::string> rows =
        referenceRows(std::string(reinterpret_cast<const char*>(data), size));
    for (const char* key : keys) {
        const float got = readSetting(key);
        const float want = referenceSetting(rows, key);
        if (std::isnan(got) || !sameValue(got, want)) {
            std::fprintf(stderr, "%s: read %.9g, the format gives %.9g\n", key, got, want);
            std::abort();
        }
    }
    return 0;
}
