#include "resources/VersionBlock.h"

#include <charconv>
#include <cstdio>
#include <system_error>
#include <stdexcept>

namespace pindle {
namespace {

class TBlockWriter {
public:
    std::string Bytes;

    void Word(std::uint32_t value)
    {
        Bytes.push_back(static_cast<char>(value & 0xFF));
        Bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
    }
    void DoubleWord(std::uint32_t value)
    {
        Word(value & 0xFFFF);
        Word(value >> 16);
    }
    void Text(const std::string& text)  // UTF-16 with its terminator
    {
        for (char c : text)
            Word(static_cast<unsigned char>(c));
        Word(0);
    }
    void Align()
    {
        while (Bytes.size() % 4 != 0)
            Bytes.push_back('\0');
    }
    // Starts a node; its length is filled in by EndNode.
    std::size_t BeginNode(std::uint16_t valueLength, std::uint16_t type, const std::string& key)
    {
        Align();
        std::size_t start = Bytes.size();
        Word(0);
        Word(valueLength);
        Word(type);
        Text(key);
        Align();
        return start;
    }
    void EndNode(std::size_t start)
    {
        std::size_t length = Bytes.size() - start;
        if (length > 0xFFFF)
            throw std::length_error("version block node too long");
        Bytes[start] = static_cast<char>(length & 0xFF);
        Bytes[start + 1] = static_cast<char>(length >> 8);
    }
};

std::uint32_t High(const std::array<std::uint16_t, 4>& v) { return static_cast<std::uint32_t>(v[0]) << 16 | v[1]; }
std::uint32_t Low(const std::array<std::uint16_t, 4>& v) { return static_cast<std::uint32_t>(v[2]) << 16 | v[3]; }

}  // namespace

std::string BuildVersionBlock(const TVersionInfo& info)
{
    TBlockWriter w;
    std::size_t root = w.BeginNode(52, 0, "VS_VERSION_INFO");
    w.DoubleWord(0xFEEF04BD);  // signature of the fixed file information
    w.DoubleWord(0x00010000);  // its structure version
    w.DoubleWord(High(info.FileVersion));
    w.DoubleWord(Low(info.FileVersion));
    w.DoubleWord(High(info.ProductVersion));
    w.DoubleWord(Low(info.ProductVersion));
    w.DoubleWord(0x3F);  // flags mask
    w.DoubleWord(0);     // flags
    w.DoubleWord(0);     // operating system: unknown
    w.DoubleWord(1);     // file type: application
    w.DoubleWord(0);     // file subtype
    w.DoubleWord(0);     // date, high
    w.DoubleWord(0);     // date, low

    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", info.Language, info.CodePage);
    std::size_t stringFileInfo = w.BeginNode(0, 1, "StringFileInfo");
    std::size_t table = w.BeginNode(0, 1, key);
    for (const auto& [name, value] : info.Strings) {
        std::size_t node = w.BeginNode(static_cast<std::uint16_t>(value.size() + 1), 1, name);
        w.Text(value);
        w.EndNode(node);
    }
    w.EndNode(table);
    w.EndNode(stringFileInfo);

    std::size_t varFileInfo = w.BeginNode(0, 1, "VarFileInfo");
    std::size_t translation = w.BeginNode(4, 0, "Translation");
    w.Word(info.Language);
    w.Word(info.CodePage);
    w.EndNode(translation);
    w.EndNode(varFileInfo);
    w.EndNode(root);
    return w.Bytes;
}

TVersionInfo PindleVersionInfo(const std::string& version)
{
    TVersionInfo info;
    // Exactly four numbers that each fit the block's 16 bits, so that the fixed information says
    // what the version text says.
    const auto refuse = [&version] {
        throw std::invalid_argument("version must be four numbers from 0 to 65535: " + version);
    };
    const char* p = version.data();
    const char* const end = p + version.size();
    for (std::size_t i = 0; i < info.FileVersion.size(); ++i) {
        if (i > 0) {
            if (p == end || *p != '.')
                refuse();
            ++p;
        }
        const auto [next, error] = std::from_chars(p, end, info.FileVersion[i]);
        if (error != std::errc())
            refuse();
        p = next;
    }
    if (p != end)
        refuse();
    info.ProductVersion = info.FileVersion;
    info.Strings = {
        {"CompanyName", "Quillmere"},
        {"FileDescription", "Pindle CSS stylesheet editor"},
        {"FileVersion", version},
        {"InternalName", "Pindle"},
        {"LegalCopyright", "Copyright (C) Quillmere"},
        {"OriginalFilename", "pindle"},
        {"ProductName", "Pindle"},
        {"ProductVersion", version},
    };
    return info;
}

}  // namespace pindle
