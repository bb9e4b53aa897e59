#include "model/input_encoding.h"

#include <algorithm>
#include <cctype>

namespace vesk {
namespace {

struct NamedEncoding {
    std::string_view name;
    InputEncoding encoding;
};

constexpr NamedEncoding NAMES[] = {
    {"auto", InputEncoding::detect}, {"cp932", InputEncoding::cp932},   {"shift_jis", InputEncoding::cp932},
    {"sjis", InputEncoding::cp932},  {"euc-jp", InputEncoding::euc_jp}, {"utf-8", InputEncoding::utf8},
    {"utf-16", InputEncoding::utf16},
};

bool same_ignoring_case(std::string_view name, std::string_view known) {
    return std::equal(name.begin(), name.end(), known.begin(), known.end(), [](char given, char wanted) {
        return std::tolower(static_cast<unsigned char>(given)) == wanted;
    });
}

}  // namespace

std::optional<InputEncoding> encoding_named(std::string_view name) {
    for (const NamedEncoding& known : NAMES)
        if (same_ignoring_case(name, known.name)) return known.encoding;
    return std::nullopt;
}

const char* encoding_label(InputEncoding encoding) {
    switch (encoding) {
        case InputEncoding::detect: return "auto";
        case InputEncoding::cp932: return "cp932";
        case InputEncoding::euc_jp: return "euc-jp";
        case InputEncoding::utf8: return "utf-8";
        case InputEncoding::utf16: return "utf-16";
        case InputEncoding::utf16le: return "utf-16le";
        case InputEncoding::utf16be: return "utf-16be";
    }
    return "?";
}

}  // namespace vesk
