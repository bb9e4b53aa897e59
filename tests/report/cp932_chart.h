// Every character of code page 932 from bytes 0x80 up, with its Shift-JIS and
// its UTF-8 bytes, as tools/gen-utf8-tables wrote them into cp932_chart.txt.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "support/text_encoding.h"

namespace vesk::testing {

struct Cp932Char {
    std::string shift_jis;
    std::string utf8;
};

// A chart line is the hexadecimal code of its first character (two digits: one
// byte, four: two bytes), a blank, then characters at consecutive codes, "|".
inline std::vector<Cp932Char> read_cp932_chart() {
    std::ifstream chart(std::string(VESK_SOURCE_DIR) + "/tests/report/cp932_chart.txt");
    std::vector<Cp932Char> entries;
    std::string line;
    while (std::getline(chart, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::size_t blank = line.find(' ');
        unsigned code = static_cast<unsigned>(std::stoul(line.substr(0, blank), nullptr, 16));
        bool double_byte = blank == 4;
        for (std::size_t at = blank + 1; line[at] != '|'; ++code) {
            std::size_t length = decode_utf8(line.c_str() + at).length;
            std::string shift_jis = double_byte ? std::string{static_cast<char>(code >> 8), static_cast<char>(code)}
                                                : std::string{static_cast<char>(code)};
            entries.push_back({shift_jis, line.substr(at, length)});
            at += length;
        }
    }
    return entries;
}

}  // namespace vesk::testing
