// Decodes fuzzer bytes into things the data server is given: enterprise
// rows (as INSERTs), strings and small integers. Most choices pick from small
// pools of names that fit together (PlexHubs whose thru-nodes have members,
// Systems with agents, resources several tables name), so that the bytes
// reach the deep paths; a choice byte of 0xF0 or more takes raw bytes
// instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    uint8_t byte();
    int32_t integer();                        // a small or any 32-bit value
    std::string raw(size_t maxLength);        // length byte, then the bytes
    std::string pick(const std::vector<std::string>& pool, size_t maxRaw = 40);
    std::string rest();                       // everything not read yet

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// INODESTS, MXCFSYS, MGLBLENQ, ENQ_RESRC and ENQ_TASKS rows, as INSERTs.
std::string enterpriseRows(Bytes& in);

// Names of the pools, for predicates that hit what the rows hold.
const std::vector<std::string>& majorNames();
const std::vector<std::string>& minorNames();
const std::vector<std::string>& enqplexNames();

} // namespace fuzz
