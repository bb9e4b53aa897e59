// The message formatter on arbitrary formats and values: it must never write
// past its buffer, and what it returns must fit the buffer with its NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/message_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The format runs up to the first NUL; what follows describes the values:
    // one byte for the kind, then a number or a text length. A kind with bit 4
    // set makes the message UTF-8 and its text a run of three-byte characters.
    const char* bytes = reinterpret_cast<const char*>(data);
    std::size_t format_length = strnlen(bytes, size);
    std::string format(bytes, format_length);
    std::vector<std::string> texts;
    std::vector<vesk::MessageArg> values;
    vesk::Encoding encoding = vesk::Encoding::shift_jis;
    std::size_t at = format_length + 1;
    texts.reserve(size);
    while (at + 2 <= size && values.size() < 3) {
        std::uint8_t kind = data[at], amount = data[at + 1];
        at += 2;
        if (kind % 3 == 0) values.emplace_back(static_cast<long long>(amount) * 0x01010101LL * (kind & 4 ? -1 : 1));
        if (kind % 3 == 1) values.emplace_back(static_cast<double>(amount) * (kind & 8 ? 1e300 : 1.5));
        if (kind % 3 == 2) {
            // Long texts come from repeating a byte, so that the cut rules are reached.
            texts.emplace_back(static_cast<std::size_t>(amount) * 9, static_cast<char>(kind | 1));
            if (kind & 16) {
                encoding = vesk::Encoding::utf8;
                for (std::size_t byte = 0; byte < texts.back().size(); ++byte)
                    texts.back()[byte] = "\xE3\x81\x82"[byte % 3];
            }
            values.emplace_back(texts.back().c_str());
        }
    }
    vesk::MessageBuffer buffer;
    std::string_view message;
    switch (values.size()) {
        case 0: message = vesk::format_message(buffer, format.c_str(), {}, encoding); break;
        case 1: message = vesk::format_message(buffer, format.c_str(), {values[0]}, encoding); break;
        case 2: message = vesk::format_message(buffer, format.c_str(), {values[0], values[1]}, encoding); break;
        default: message = vesk::format_message(buffer, format.c_str(), {values[0], values[1], values[2]}, encoding); break;
    }
    if (message.size() >= vesk::MESSAGE_BUFFER_SIZE || message.data()[message.size()] != '\0') std::abort();
    return 0;
}
