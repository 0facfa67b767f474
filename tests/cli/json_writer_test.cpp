// JSON written as it is made reads exactly as the document built first and
// written with dumpJson, whatever bytes its texts hold.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/json_text.h"
#include "cli/json_writer.h"

namespace {

using cli::Json;
using cli::JsonWriter;

// Texts that take every path: every single byte, well-formed and broken
// UTF-8, the marker character dumpJson uses, escapes.
std::vector<std::string> texts() {
    std::vector<std::string> out = {"", "plain", "quote \" and \\ backslash", "tab\tnew\nline\rcr\bbs\fff",
                                    "\x7F del", "\xC3\xA9t\xC3\xA9", "\xEE\x80\x80 marker \xEE\x80\x80\xEE\x80\x80",
                                    "\xE9\xFF\x01 broken", "\xF0\x9F\x98\x80 four", "\xED\xA0\x80 surrogate",
                                    "\xC3", "\xE0\x80\xAF overlong", std::string("nul\0inside", 10)};
    std::string every;
    for (int c = 0; c < 256; ++c) every += static_cast<char>(c);
    out.push_back(every);
    return out;
}

TEST(JsonWriter, WritesWhatDumpJsonWrites) {
    Json document = Json::array();
    std::ostringstream streamed;
    JsonWriter json(streamed);
    json.beginArray();
    for (const auto& text : texts()) {
        Json object = {{"text", cli::jsonText(text)}, {"empty", Json::array()}, {"none", nullptr}};
        json.beginObject();
        json.key("text");
        json.text(text);
        json.key("empty");
        json.beginArray();
        json.endArray();
        json.key("none");
        json.null();
        json.key(text);
        json.beginArray();
        json.number(-7);
        json.number(4294967295);
        json.boolean(true);
        json.beginObject();
        json.endObject();
        json.beginArray();
        json.boolean(false);
        json.endArray();
        json.endArray();
        json.endObject();
        object[cli::jsonText(text).get<std::string>()] = {-7, 4294967295u, true, Json::object(), {false}};
        document.push_back(std::move(object));
    }
    json.endArray();
    json.finish();
    EXPECT_EQ(streamed.str(), cli::dumpJson(document));

    std::ostringstream empty;
    JsonWriter none(empty);
    none.beginArray();
    none.endArray();
    none.finish();
    EXPECT_EQ(empty.str(), cli::dumpJson(Json::array()));
}

TEST(JsonWriter, SpillsLongDocumentsWhole) {
    std::ostringstream streamed;
    JsonWriter json(streamed);
    Json document = Json::array();
    json.beginArray();
    for (int i = 0; i < 20000; ++i) {
        json.text("resource " + std::to_string(i));
        document.push_back("resource " + std::to_string(i));
    }
    json.endArray();
    json.finish();
    EXPECT_EQ(streamed.str(), cli::dumpJson(document));
}

// Values written by writers of their own and put in place read as if the
// container's writer had written them: first or not, empty or not, deep
// inside, and past the point where the document spills.
TEST(JsonWriter, ValuesWrittenApartGoInPlace) {
    const auto values = [](JsonWriter& json, int from, int to) {
        for (int i = from; i < to; ++i) {
            json.beginObject();
            json.key("text");
            json.text(texts()[static_cast<std::size_t>(i) % texts().size()]);
            json.key("list");
            json.beginArray();
            json.number(i);
            json.endArray();
            json.endObject();
        }
    };
    for (int split : {0, 1, 3, 3000}) {
        std::ostringstream whole;
        std::ostringstream parted;
        JsonWriter one(whole);
        JsonWriter two(parted);
        for (JsonWriter* json : {&one, &two}) {
            json->beginObject();
            json->key("outer");
            json->beginArray();
        }
        values(one, 0, 3000);
        JsonWriter first(two.depth(), true);
        JsonWriter later(two.depth(), split == 0);
        JsonWriter none(two.depth(), false);
        values(first, 0, split);
        values(later, split, 3000);
        two.include(first.take());
        two.include(none.take());
        two.include(later.take());
        for (JsonWriter* json : {&one, &two}) {
            json->endArray();
            json->endObject();
            json->finish();
        }
        EXPECT_EQ(parted.str(), whole.str()) << split;
    }
}

} // namespace
