// The rules that give single bytes a meaning: which bytes start a double-byte
// character, how case is folded, what a blank is, which control bytes no text
// file holds. Every unit that needs one of them asks here, so that each rule is
// written once. Bytes, not characters: nothing here looks beyond one byte.
//
// Two different lead-byte ranges are in use, on purpose. Case folding steps over
// the byte after any byte with the top bit set except the one-byte katakana;
// word splitting, the in-line display and the message formatter know the real
// Shift-JIS lead bytes only. A byte such as 0x80 or 0xA0 is therefore a lead byte
// to the one and a single byte to the others.
#pragma once

namespace vesk {

// A byte that case folding (-i) takes as the first of two, so that the byte after
// it is never folded: 0x80-0xA0 and 0xE0-0xFF (0xA1-0xDF are one-byte katakana).
constexpr bool is_fold_lead_byte(unsigned char byte) { return byte >= 0x80 && !(byte >= 0xA1 && byte <= 0xDF); }

// A Shift-JIS (code page 932) lead byte, as word splitting, the in-line display
// and the message formatter see it: 0x81-0x9F and 0xE0-0xFC.
constexpr bool is_sjis_lead_byte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// -i: the ASCII capitals A-Z become a-z; no other byte changes.
constexpr unsigned char fold_ascii(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// Two bytes that are the same once ASCII case is folded.
constexpr bool equal_ignoring_case(unsigned char x, unsigned char y) { return fold_ascii(x) == fold_ascii(y); }

// A blank, as -b squeezes runs of them: a space or a tab.
constexpr bool is_blank(unsigned char byte) { return byte == ' ' || byte == '\t'; }

// The control bytes that no text file may hold: everything below 0x20 but tab,
// form feed, carriage return and escape. The NUL is one of them: text never
// holds it, and in UTF-16 or binary data it is everywhere.
constexpr bool is_forbidden_control(unsigned char byte) {
    return byte < 0x20 && byte != '\t' && byte != '\f' && byte != '\r' && byte != 0x1B;
}

// Ctrl-Z: the first one ends a file's text, as the end-of-file mark of DOS files.
constexpr char END_OF_TEXT = 0x1A;

// What may follow the Ctrl-Z that ends a text: more Ctrl-Z, carriage returns and
// line feeds, the padding of an end-of-file mark. Any other byte after it makes
// the file no text: that Ctrl-Z lies inside data (every PNG image has one near
// its start), and taking it as the end would hide everything after it.
constexpr bool may_follow_end_of_text(unsigned char byte) {
    return byte == static_cast<unsigned char>(END_OF_TEXT) || byte == '\r' || byte == '\n';
}

}  // namespace vesk
