// The fuzzers' files: in memory where there is such a folder, removed when the fuzzer ends.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace pindle::fuzz {

inline std::vector<std::string>& FuzzFileNames()
{
    static std::vector<std::string> names;
    return names;
}

// A new file name of this fuzzer's own (named from prefix, extension and the process id).
inline std::string NewFuzzFileName(const char* prefix, const char* extension)
{
    std::vector<std::string>& names = FuzzFileNames();
    // Registered after the list is built, so that the handler runs while the list still exists.
    if (names.empty())
        std::atexit([] {
            for (const std::string& name : FuzzFileNames())
                std::remove(name.c_str());
        });
    const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
    names.push_back(std::string(folder) + prefix + std::to_string(::getpid()) + extension);
    return names.back();
}

// Writes the bytes to the fuzzer's input file and returns its name.
inline const std::string& WriteFuzzFile(const char* prefix, const char* extension, const unsigned char* data,
                                        std::size_t size)
{
    static const std::string path = NewFuzzFileName(prefix, extension);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

// The whole file as bytes.
inline std::string ReadFuzzFile(const std::string& path)
{
    std::string bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        std::abort();
    char buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

}  // namespace pindle::fuzz
