// Fixed-width names: the length of a value without its trailing blanks
// wherever the value ends, and the first stop among a name's 8 places.
#include <gtest/gtest.h>

#include <string>

#include "frame/fixed_names.h"

namespace {

TEST(FixedNames, LengthWithoutTrailingBlanksWhereverTheValueEnds) {
    for (size_t width = 0; width <= 64; ++width) {
        for (size_t length = 0; length <= width; ++length) {
            // A value with blanks of its own, inner runs of eight included.
            for (const char* pattern : {"X", "A B", "Z        Z", "\t"}) {
                std::string field(width, ' ');
                const std::string p(pattern);
                for (size_t i = 0; i < length; ++i) field[i] = p[i % p.size()];
                if (length > 0) field[length - 1] = 'E';
                SCOPED_TRACE(field);
                EXPECT_EQ(zrx::lengthWithoutTrailingBlanks(field.data(), width), length);
            }
        }
    }
}

// Every byte value, alone or before a stop, at every place: the first stop
// found, and the prefix before it kept with blanks after it.
TEST(FixedNames, FirstOf8AndItsPrefixMatchAByteLoop) {
    auto byByte = [](const char* f) {
        int i = 0;
        while (i < 8 && f[i] != '.' && f[i] != ' ' && f[i] != '\0') ++i;
        return i;
    };
    for (int value = 0; value < 256; ++value) {
        for (int at = 0; at < 8; ++at) {
            for (const char stop : {'.', ' ', '\0', 'Q'}) {
                char field[9] = "ABCDEFGH";
                field[at] = static_cast<char>(value);
                if (at + 1 < 8) field[at + 1] = stop;
                const int i = zrx::firstOf8(field, '.', ' ', '\0');
                ASSERT_EQ(i, byByte(field)) << value << " at " << at;
                char out[8];
                zrx::blankPaddedPrefix(out, field, i);
                ASSERT_EQ(std::string(out, 8), (std::string(field, static_cast<size_t>(i)) + "        ").substr(0, 8));
            }
        }
    }
    EXPECT_EQ(zrx::firstOf8("PLXA:HUB", ':'), 4);
    EXPECT_EQ(zrx::firstOf8(":HUB    ", ':'), 0);
    EXPECT_EQ(zrx::firstOf8("LONGNAME:", ':'), 8);
}

} // namespace
