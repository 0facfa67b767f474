// Fixed-width names: the length of a value without its trailing blanks,
// against a byte-by-byte count, wherever the value ends in the field.
#include <gtest/gtest.h>

#include <string>

#include "frame/fixed_names.h"

namespace {

size_t countedBackwards(const std::string& field) {
    size_t n = field.size();
    while (n > 0 && field[n - 1] == ' ') --n;
    return n;
}

TEST(FixedNames, LengthWithoutTrailingBlanksWhereverTheValueEnds) {
    for (size_t width = 0; width <= 40; ++width) {
        for (size_t length = 0; length <= width; ++length) {
            // A value with blanks of its own, inner runs of eight included.
            for (const char* pattern : {"X", "A B", "Z        Z", "\t"}) {
                std::string field(width, ' ');
                const std::string p(pattern);
                for (size_t i = 0; i < length; ++i) field[i] = p[i % p.size()];
                if (length > 0) field[length - 1] = 'E';
                SCOPED_TRACE(field);
                EXPECT_EQ(zrx::lengthWithoutTrailingBlanks(field.data(), width), countedBackwards(field));
                EXPECT_EQ(zrx::lengthWithoutTrailingBlanks(field.data(), width), length);
            }
        }
    }
    const char minor[255 + 1] = "AP.PROD1.F000075.HISTORY";
    std::string padded(minor, 255);
    for (char& c : padded)
        if (c == '\0') c = ' ';
    EXPECT_EQ(zrx::lengthWithoutTrailingBlanks(padded.data(), padded.size()), 24u);
}

} // namespace
