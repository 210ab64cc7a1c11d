// SPDX-License-Identifier: MIT
// Reader for NIST CAVP response files and the RFC 1321 list (same Key = value form).
#include "tests/support/vectors.h"

#include <cstdio>

#ifndef QV_VECTOR_DIR
#define QV_VECTOR_DIR "/usr/lib/python3/dist-packages/cryptography_vectors/hashes"
#endif

std::string VectorPath(const std::string& relative)
{
#if defined(_WIN32)
    // Wine maps the Unix root to drive Z:.
    return std::string("Z:") + QV_VECTOR_DIR + "/" + relative;
#else
    return std::string(QV_VECTOR_DIR) + "/" + relative;
#endif
}

static int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Bytes FromHex(const std::string& hex)
{
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(HexValue(hex[i]) * 16 + HexValue(hex[i + 1])));
    return out;
}

std::string ToHex(const uint8_t* data, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
    }
    return out;
}

static std::string Trim(const std::string& s)
{
    size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    size_t end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

bool ReadVectorFile(const std::string& relative, VectorFile& file, std::string& error)
{
    file = VectorFile{};
    file.path = VectorPath(relative);
    FILE* in = std::fopen(file.path.c_str(), "rb");
    if (!in) {
        error = "cannot open " + file.path + " (install python3-cryptography-vectors)";
        return false;
    }
    std::string text;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
    std::fclose(in);

    VectorRecord current;
    bool open = false;
    std::string hexMessage;
    auto close = [&]() {
        if (!open) return;
        Bytes bytes = FromHex(hexMessage);
        // "Msg = 00" stands for the empty message when Len = 0.
        if (current.bitLength >= 0 && bytes.size() > static_cast<size_t>(current.bitLength / 8))
            bytes.resize(static_cast<size_t>(current.bitLength / 8));
        current.message = bytes;
        file.records.push_back(current);
        current = VectorRecord{};
        hexMessage.clear();
        open = false;
    };

    int lineNumber = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t eq = line.find('=');
            if (eq != std::string::npos && Trim(line.substr(1, eq - 1)) == "L")
                file.headerL = std::stol(Trim(line.substr(eq + 1, line.size() - eq - 2)));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (key == "Seed") {
            file.seed = FromHex(value);
        } else if (key == "Len" || key == "COUNT") {
            close();
            open = true;
            current.line = lineNumber;
            (key == "Len" ? current.bitLength : current.count) = std::stol(value);
        } else if (key == "Msg") {
            hexMessage = value;
        } else if (key == "MD") {
            current.digest = FromHex(value);
        }
    }
    close();
    if (file.records.empty()) {
        error = "no records in " + file.path;
        return false;
    }
    return true;
}
