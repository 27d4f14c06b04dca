// A private folder for the files a fuzz target must hand over by path: in /dev/shm when the system
// has it (so a write is a copy in memory), made once per process and removed with everything in it
// when the process ends.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

inline const std::string& FuzzFolder() {
    static const std::string folder = [] {
        std::error_code error;
        const std::filesystem::path shm = "/dev/shm";
        const std::filesystem::path base = std::filesystem::is_directory(shm, error)
                                               ? shm
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "tarnview-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern;
    }();
    static const bool removedAtExit = std::atexit([] {
                                          std::error_code error;
                                          std::filesystem::remove_all(FuzzFolder(), error);
                                      }) == 0;
    (void)removedAtExit;
    return folder;
}

// Replaces the file `name` in the folder with the bytes; returns its path, or an empty text.
inline std::string WriteFuzzFile(const std::string& name, const std::uint8_t* data,
                                 std::size_t size) {
    const std::string path = FuzzFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    return out ? path : std::string();
}
