// The tests' files: the source tree's, bytes in and out, and a fresh, empty working folder for
// each case that writes files, on any platform.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

using Byte = unsigned char;
using Bytes = std::vector<Byte>;

inline std::string sourcePath(const std::string& relative) {
    const char* source = std::getenv("VELMORA_SOURCE_DIR");
    return std::string(source ? source : ".") + "/" + relative;
}

inline Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::filesystem::path enterScratchFolder(const std::string& prefix) {
    namespace fs = std::filesystem;
    std::random_device random;
    for (;;) {
        const fs::path dir = fs::temp_directory_path() / (prefix + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(dir, error)) {
            fs::current_path(dir);
            return dir;
        }
        if (error) throw fs::filesystem_error("no scratch folder", dir, error);
    }
}

// Windows removes no folder that is still some process's working folder.
inline void leaveScratchFolder(const std::filesystem::path& dir) {
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
