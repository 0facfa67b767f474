// Statement texts are told apart by their hash wherever they differ: in the
// sixteen-byte steps, in the tail after them, and in length alone.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "sql/text_hash.h"

namespace {

using host::sql::hashText;

TEST(TextHash, EveryByteAndTheLengthCount) {
    for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 100u}) {
        const std::string base(length, ' ');
        std::set<uint64_t> seen{hashText(base)};
        for (std::size_t at = 0; at < length; ++at) {
            std::string changed = base;
            changed[at] = 'X';
            EXPECT_TRUE(seen.insert(hashText(changed)).second) << "length " << length << ", byte " << at;
        }
        EXPECT_TRUE(seen.insert(hashText(base + '\0')).second) << "a NUL more, length " << length;
    }
    EXPECT_EQ(static_cast<std::size_t>(hashText("SELECT A FROM B")), host::sql::TextHash{}(std::string("SELECT A FROM B")));
}

} // namespace
