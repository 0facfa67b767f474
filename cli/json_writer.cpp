#include "cli/json_writer.h"

#include "cli/json_text.h"
#include "cli/utf8.h"

namespace cli {

namespace {
constexpr std::size_t spillAt = 1 << 16;
}

JsonWriter::JsonWriter(std::size_t depth, bool first) : empty_(depth, false) {
    if (depth > 0) empty_.back() = first;
}

void JsonWriter::include(std::string_view part) {
    if (part.empty()) return;
    held_ += part;
    empty_.back() = false;
    spill();
}

void JsonWriter::indent(std::size_t depth) { held_.append(2 * depth, ' '); }

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (empty_.empty()) return;
    held_ += empty_.back() ? "\n" : ",\n";
    empty_.back() = false;
    indent(empty_.size());
}

void JsonWriter::key(std::string_view name) {
    held_ += empty_.back() ? "\n" : ",\n";
    empty_.back() = false;
    indent(empty_.size());
    quoted(name);
    held_ += ": ";
    afterKey_ = true;
}

void JsonWriter::open(char bracket) {
    beforeValue();
    held_ += bracket;
    empty_.push_back(true);
}

void JsonWriter::close(char bracket) {
    const bool wasEmpty = empty_.back();
    empty_.pop_back();
    if (!wasEmpty) {
        held_ += '\n';
        indent(empty_.size());
    }
    held_ += bracket;
    spill();
}

void JsonWriter::text(std::string_view bytes) {
    beforeValue();
    quoted(bytes);
}

void JsonWriter::number(int64_t n) {
    beforeValue();
    held_ += std::to_string(n);
}

void JsonWriter::boolean(bool b) {
    beforeValue();
    held_ += b ? "true" : "false";
}

void JsonWriter::null() {
    beforeValue();
    held_ += "null";
}

void JsonWriter::quoted(std::string_view bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    held_ += '"';
    for (std::size_t at = 0; at < bytes.size();) {
        // A run of printable ASCII goes as it is, in one piece.
        std::size_t plain = at;
        while (plain < bytes.size()) {
            const auto c = static_cast<unsigned char>(bytes[plain]);
            if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') break;
            ++plain;
        }
        if (plain > at) {
            held_.append(bytes.data() + at, plain - at);
            at = plain;
            continue;
        }
        const std::size_t n = utf8SequenceLength(bytes, at);
        if (n == 0) {
            // Not UTF-8: the byte read as Latin-1, as dumpJson writes it.
            static constexpr char upper[] = "0123456789ABCDEF";
            const auto c = static_cast<unsigned char>(bytes[at++]);
            held_ += "\\u00";
            held_ += upper[c >> 4];
            held_ += upper[c & 0xF];
            continue;
        }
        const auto c = static_cast<unsigned char>(bytes[at]);
        if (n > 1 || (c >= 0x20 && c != '"' && c != '\\')) {
            held_.append(bytes.substr(at, n));
            at += n;
            continue;
        }
        ++at;
        switch (c) {
        case '"': held_ += "\\\""; break;
        case '\\': held_ += "\\\\"; break;
        case '\b': held_ += "\\b"; break;
        case '\t': held_ += "\\t"; break;
        case '\n': held_ += "\\n"; break;
        case '\f': held_ += "\\f"; break;
        case '\r': held_ += "\\r"; break;
        default:
            held_ += "\\u00";
            held_ += hex[c >> 4];
            held_ += hex[c & 0xF];
        }
    }
    held_ += '"';
}

void JsonWriter::spill() {
    if (!out_ || held_.size() < spillAt) return;
    out_->write(held_.data(), static_cast<std::streamsize>(held_.size()));
    held_.clear();
}

void JsonWriter::finish() {
    if (!out_) return; // a writer of another's values ends with theirs
    held_ += '\n';
    out_->write(held_.data(), static_cast<std::streamsize>(held_.size()));
    held_.clear();
}

} // namespace cli
