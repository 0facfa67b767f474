// Messages over a pair of file descriptors (the pipes between the host and a
// module host process): each a 32-bit length, a type byte and its payload.
#pragma once

#include <cstdint>
#include <vector>

#include "remote/wire.h"

namespace host::remote {

// The largest message either side sends or accepts: a module file, or all
// the rows of one statement.
inline constexpr uint32_t maxMessageBytes = 1u << 30;

// Messages are buffered both ways: what is sent goes out when the sender
// waits for an answer (receive), when much has gathered, or on flush(), so
// that a stream of one-way messages (trace records) costs few system calls.
class Channel {
public:
    Channel(int in, int out) : in_(in), out_(out) {}

    // False when the other side is gone or the message is too large.
    bool send(uint8_t type, const Writer& payload);
    // Writes out what was sent; false when the other side is gone.
    bool flush();

    enum class Got { Message, End, Broken };
    // Flushes, then takes the next message. End: the other side closed the
    // channel between messages; Broken: a read failed, the stream ended
    // inside a message, or its length is out of bounds.
    Got receive(uint8_t& type, std::vector<uint8_t>& payload);

private:
    bool fill(size_t wanted, bool& failed);
    int in_, out_;
    std::vector<uint8_t> out_buffer_;
    std::vector<uint8_t> in_buffer_;
    size_t in_at_ = 0;
};

} // namespace host::remote
