#include "utf.h"

namespace {

void appendUtf8(std::string* out, char32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes one well-formed sequence at bytes[i]; returns its length, 0 if ill-formed.
size_t decodeOne(const std::string& bytes, size_t i, char32_t* c) {
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    unsigned char lead = at(i);
    size_t length;
    char32_t value, minimum;
    if (lead < 0x80) { *c = lead; return 1; }
    if (lead >= 0xC2 && lead <= 0xDF) { length = 2; value = lead & 0x1F; minimum = 0x80; }
    else if (lead >= 0xE0 && lead <= 0xEF) { length = 3; value = lead & 0x0F; minimum = 0x800; }
    else if (lead >= 0xF0 && lead <= 0xF4) { length = 4; value = lead & 0x07; minimum = 0x10000; }
    else return 0;
    if (i + length > bytes.size()) return 0;
    for (size_t k = 1; k < length; k++) {
        if ((at(i + k) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (at(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *c = value;
    return length;
}

}  // namespace

std::string utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            appendUtf8(&out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            i++;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(&out, 0xFFFD);
        } else {
            appendUtf8(&out, unit);
        }
    }
    return out;
}

bool utf8ToUtf16(const std::string& bytes, bool strict, std::u16string* text) {
    text->clear();
    for (size_t i = 0; i < bytes.size();) {
        char32_t c;
        size_t length = decodeOne(bytes, i, &c);
        if (length == 0) {
            if (strict) return false;
            c = 0xFFFD;
            length = 1;
        }
        if (c >= 0x10000) {
            text->push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            text->push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            text->push_back(static_cast<char16_t>(c));
        }
        i += length;
    }
    return true;
}

bool isValidUtf8(const std::string& bytes) {
    std::u16string ignored;
    return utf8ToUtf16(bytes, true, &ignored);
}
