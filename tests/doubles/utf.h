// UTF-8 and UTF-16 conversions for the doubles and the tests, written to Windows'
// rules: an unpaired surrogate encodes as U+FFFD, and strict decoding refuses
// every ill-formed sequence.
#ifndef TESTS_UTF_H
#define TESTS_UTF_H

#include <string>

std::string utf16ToUtf8(const std::u16string& text);
// False when strict is set and the bytes are not well-formed UTF-8; otherwise each
// ill-formed sequence becomes U+FFFD.
bool utf8ToUtf16(const std::string& bytes, bool strict, std::u16string* text);
bool isValidUtf8(const std::string& bytes);

#endif
