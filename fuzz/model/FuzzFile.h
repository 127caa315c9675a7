// The fuzzers' input as a file: in memory where there is such a folder, removed when the fuzzer ends.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace pindle::fuzz {

// Writes the bytes to the fuzzer's one file (named from prefix, extension and the process id) and
// returns its name.
inline const std::string& WriteFuzzFile(const char* prefix, const char* extension, const unsigned char* data,
                                        std::size_t size)
{
    // Built before the exit handler is registered, so that the handler runs while it still exists.
    static std::string path;
    if (path.empty()) {
        const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
        path = std::string(folder) + prefix + std::to_string(::getpid()) + extension;
        std::atexit([] { std::remove(path.c_str()); });
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

}  // namespace pindle::fuzz
