// A fresh, empty working folder for each test case that writes files, on any platform.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

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
