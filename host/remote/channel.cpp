#include "remote/channel.h"

#include <algorithm>
#include <cerrno>

#if defined(_WIN32)
#include <io.h>
#else
#include <signal.h>
#include <unistd.h>

#include <ctime>
#endif

namespace host::remote {

namespace {

#if defined(_WIN32)
long readSome(int fd, uint8_t* data, size_t size) {
    return _read(fd, data, static_cast<unsigned>(size > (1u << 24) ? (1u << 24) : size));
}
long writeSome(int fd, const uint8_t* data, size_t size) {
    return _write(fd, data, static_cast<unsigned>(size > (1u << 24) ? (1u << 24) : size));
}
#else
long readSome(int fd, uint8_t* data, size_t size) { return ::read(fd, data, size); }

// A write to a process that has gone must fail with EPIPE, not end this
// one: SIGPIPE is held back while writing, and one the write raised (even
// a write that got part of its bytes out) is taken.
long writeSome(int fd, const uint8_t* data, size_t size) {
    sigset_t pipe, old;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
    const long n = ::write(fd, data, size);
    const int saved = errno;
    sigset_t pending;
    if (!sigismember(&old, SIGPIPE) && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE)) {
        const timespec none{0, 0};
        sigtimedwait(&pipe, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = saved;
    return n;
}
#endif

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const long n = writeSome(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// How much of `size` bytes arrived before the stream ended or failed; with
// `some`, as soon as any did.
size_t readAll(int fd, uint8_t* data, size_t size, bool& failed, bool some) {
    size_t done = 0;
    failed = false;
    while (done < size) {
        const long n = readSome(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
        if (some) break;
    }
    return done;
}

} // namespace

constexpr size_t flushAt = 64 * 1024;
constexpr size_t readChunk = 64 * 1024;

bool Channel::send(uint8_t type, const Writer& payload) {
    const std::vector<uint8_t>& body = payload.bytes();
    if (body.size() >= maxMessageBytes) return false;
    const uint32_t length = static_cast<uint32_t>(body.size() + 1);
    const uint8_t head[5] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24), type};
    if (body.size() >= flushAt) return flush() && writeAll(out_, head, sizeof head) && writeAll(out_, body.data(), body.size());
    out_buffer_.insert(out_buffer_.end(), head, head + sizeof head);
    out_buffer_.insert(out_buffer_.end(), body.begin(), body.end());
    return out_buffer_.size() < flushAt || flush();
}

bool Channel::flush() {
    const bool ok = writeAll(out_, out_buffer_.data(), out_buffer_.size());
    out_buffer_.clear();
    return ok;
}

// At least `wanted` unread bytes in the input buffer, unless the stream ends.
bool Channel::fill(size_t wanted, bool& failed) {
    if (in_at_ > 0 && in_at_ == in_buffer_.size()) {
        in_buffer_.clear();
        in_at_ = 0;
    }
    while (in_buffer_.size() - in_at_ < wanted) {
        const size_t have = in_buffer_.size();
        const size_t want = std::max(readChunk, wanted - (have - in_at_));
        in_buffer_.resize(have + want);
        const size_t got = readAll(in_, in_buffer_.data() + have, want, failed, true);
        in_buffer_.resize(have + got);
        if (got == 0) return false;
    }
    return true;
}

Channel::Got Channel::receive(uint8_t& type, std::vector<uint8_t>& payload) {
    if (!flush()) return Got::Broken;
    bool failed = false;
    if (!fill(5, failed)) return !failed && in_buffer_.size() == in_at_ ? Got::End : Got::Broken;
    const uint8_t* head = in_buffer_.data() + in_at_;
    const uint32_t length = head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24;
    if (length == 0 || length > maxMessageBytes) return Got::Broken;
    type = head[4];
    if (!fill(4 + size_t{length}, failed)) return Got::Broken;
    const uint8_t* body = in_buffer_.data() + in_at_ + 5;
    payload.assign(body, body + (length - 1));
    in_at_ += 4 + size_t{length};
    return Got::Message;
}

} // namespace host::remote
