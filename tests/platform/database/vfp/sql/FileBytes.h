#pragma once

// A file's bytes read and written whole, for tests that change a table's bytes as another
// program would.

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

inline std::string ReadAll(const std::string &path)
{
    std::string bytes;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.append(chunk, n);
    std::fclose(file);
    return bytes;
}

inline void WriteAll(const std::string &path, const std::string &bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}
