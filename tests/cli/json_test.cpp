// JSON through nlohmann-json for names that may hold any bytes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>

#include "cli/json_text.h"

namespace {

std::string dumped(std::string_view bytes) { return cli::dumpJson(cli::jsonText(bytes)); }

TEST(JsonText, ValidUtf8PassesThroughOtherBytesAreEscaped) {
    // NUL and control characters, DEL, é, an invalid lone 0xE9, the private
    // character U+E000, an overlong NUL, a surrogate, an emoji, 0xFF.
    const char raw[] = "A\0\x1F\x7F\xC3\xA9\xE9\xEE\x80\x80\xC0\x80\xED\xA0\x80\xF0\x9F\x98\x80\xFF";
    const std::string bytes(raw, sizeof raw - 1);
    EXPECT_EQ(dumped(bytes), "\"A\\u0000\\u001f\x7F\xC3\xA9\\u00E9\xEE\x80\x80\\u00C0\\u0080\\u00ED\\u00A0\\u0080"
                             "\xF0\x9F\x98\x80\\u00FF\"\n");
    const auto parsed = nlohmann::json::parse(dumped(bytes)).get<std::string>();
    const char back[] = "A\0\x1F\x7F\xC3\xA9\xC3\xA9\xEE\x80\x80\xC3\x80\xC2\x80\xC3\xAD\xC2\xA0\xC2\x80"
                        "\xF0\x9F\x98\x80\xC3\xBF";
    EXPECT_EQ(parsed, std::string(back, sizeof back - 1));
}

TEST(JsonText, EveryByteAboveAsciiAloneIsWrittenAsItsLatin1Escape) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "\"\\u00%02X\"\n", byte);
        EXPECT_EQ(dumped(std::string(1, static_cast<char>(byte))), expected) << byte;
    }
}

TEST(JsonText, TheMarkerCharacterStaysItselfInsideDocuments) {
    cli::Json doc = {{"a", cli::jsonText("\xEE\x80\x80" "41")}, {"b", cli::jsonText("\x80")}};
    EXPECT_EQ(cli::dumpJson(doc), "{\n  \"a\": \"\xEE\x80\x80" "41\",\n  \"b\": \"\\u0080\"\n}\n");
}

} // namespace
