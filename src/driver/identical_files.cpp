#include "driver/identical_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/byte_rules.h"
#include "support/memory.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesk {
namespace {

constexpr std::size_t BLOCK_SIZE = std::size_t{1} << 20;

enum class Scan { clean, refused };

// Whether byte keeps the shortcut from applying; a Ctrl-Z sets text_ended, and
// from there on only the padding of an end-of-file mark may follow.
Scan scan_byte(unsigned char byte, bool& text_ended) {
    if (text_ended) return may_follow_end_of_text(byte) ? Scan::clean : Scan::refused;
    if (byte == static_cast<unsigned char>(END_OF_TEXT)) {
        text_ended = true;
        return Scan::clean;
    }
    return byte != '\n' && is_forbidden_control(byte) ? Scan::refused : Scan::clean;
}

// Looks for a byte that keeps the shortcut from applying (the NUL among them).
Scan scan_block(const unsigned char* bytes, std::size_t length, bool& text_ended) {
    std::size_t at = 0;
#if defined(__SSE2__)
    // Most blocks of 16 hold no byte below 0x20 but tabs and newlines.
    const __m128i space = _mm_set1_epi8(0x20);
    for (; at + 16 <= length && !text_ended; at += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        __m128i controls = _mm_xor_si128(_mm_cmpeq_epi8(_mm_max_epu8(block, space), block), _mm_set1_epi8(-1));
        __m128i usual = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n')),
                                     _mm_cmpeq_epi8(block, _mm_set1_epi8('\t')));
        if (_mm_movemask_epi8(_mm_andnot_si128(usual, controls)) == 0) continue;
        for (std::size_t byte = at; byte < at + 16; ++byte)
            if (scan_byte(bytes[byte], text_ended) == Scan::refused) return Scan::refused;
    }
#endif
    for (; at < length; ++at)
        if (scan_byte(bytes[at], text_ended) == Scan::refused) return Scan::refused;
    return Scan::clean;
}

// Reads up to size bytes at offset; -1 on failure.
ssize_t read_at(int fd, unsigned char* into, std::size_t size, off_t offset) {
    ssize_t got;
    do {
        got = ::pread(fd, into, size, offset);
    } while (got < 0 && errno == EINTR);
    return got;
}

// Regular files whose reported sizes agree. A size is only a hint (a file under
// /proc reports 0 and holds text): sizes that differ rule the shortcut out, but
// equal ones prove nothing, and the contents are read to their real ends.
bool regular_files_of_one_size(int first, int second) {
    struct stat first_status, second_status;
    if (::fstat(first, &first_status) != 0 || ::fstat(second, &second_status) != 0) return false;
    if (!S_ISREG(first_status.st_mode) || !S_ISREG(second_status.st_mode)) return false;
    return first_status.st_size == second_status.st_size;
}

}  // namespace

bool identical_text_files(const TextFile& first, const TextFile& second) {
    if (!regular_files_of_one_size(first.descriptor(), second.descriptor())) return false;
    Buffer<unsigned char> first_block = take_buffer<unsigned char>(BLOCK_SIZE);
    Buffer<unsigned char> second_block = take_buffer<unsigned char>(BLOCK_SIZE);
    bool text_ended = false;
    for (off_t offset = 0;;) {
        ssize_t got = read_at(first.descriptor(), first_block.get(), BLOCK_SIZE, offset);
        if (got < 0) return false;  // a file that fails under us gets the full treatment
        auto length = static_cast<std::size_t>(got);
        // At the first file's end the second must end too: it is asked for one byte.
        const std::size_t asked = got == 0 ? 1 : length;
        if (read_at(second.descriptor(), second_block.get(), asked, offset) != got) return false;
        if (got == 0) return true;
        if (std::memcmp(first_block.get(), second_block.get(), length) != 0) return false;
        if (scan_block(first_block.get(), length, text_ended) == Scan::refused) return false;
        offset += got;
    }
}

}  // namespace vesk
