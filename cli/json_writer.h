// A JSON document written as it is made, for outputs too large to build in
// memory first. It writes exactly what dumpJson writes for the same
// document (json_text.h): indented by two blanks, texts of any bytes.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(&out) {}
    // A writer of values for the container another writer has open `depth`
    // containers deep, made meanwhile (on another thread) and then put in
    // place with include. `first`: no value stands before them there.
    JsonWriter(std::size_t depth, bool first);
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    // The name of the next member of the object being written.
    void key(std::string_view name);

    void text(std::string_view bytes);
    void number(int64_t n);
    void boolean(bool b);
    void null();

    // How many containers are open.
    std::size_t depth() const { return empty_.size(); }
    // The text of a writer made for the container open here (take), in place.
    void include(std::string_view part);
    // What a writer made for another's container wrote.
    std::string take() { return std::move(held_); }

    // Ends the document with a newline and writes out what is held.
    void finish();

private:
    void open(char bracket);
    void close(char bracket);
    void beforeValue();
    void indent(std::size_t depth);
    void quoted(std::string_view bytes);
    void spill();

    std::ostream* out_ = nullptr; // none for a writer of another's values
    std::string held_;
    std::vector<bool> empty_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};

} // namespace cli
