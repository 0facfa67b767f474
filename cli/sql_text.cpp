#include "cli/sql_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/message_text.h"

namespace cli {

namespace {

// Reads `fd` to its end, stopping at the first NUL byte or beyond the limit.
bool readAll(int fd, const std::string& source, std::string& text, std::string& error) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = "cannot read " + source + ": " + std::strerror(errno);
            return false;
        }
        if (const void* nul = std::memchr(buffer, '\0', static_cast<size_t>(n))) {
            const size_t at = text.size() + static_cast<size_t>(static_cast<const char*>(nul) - buffer);
            error = source + " holds a NUL byte (byte " + std::to_string(at + 1) +
                    "), which SQL text cannot hold; write x'00' for one in a value";
            return false;
        }
        if (text.size() + static_cast<size_t>(n) > maxSqlTextBytes) {
            error = source + " holds more than " + std::to_string(maxSqlTextBytes) + " bytes of SQL text";
            return false;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

bool readSqlText(const Arguments& args, SqlText& out, std::string& error) {
    const bool fromFile = args.has("--file");
    if (fromFile == !args.positionals.empty()) {
        error = fromFile ? "give the SQL text or --file FILE, not both" : "give the SQL text, - or --file FILE";
        return false;
    }
    const std::string name = fromFile ? args.value("--file") : args.positionals.front();
    if (!fromFile && name != "-") {
        // An argument cannot hold a NUL byte, and is as long as the system allows.
        out.text = name;
        out.source = "the argument";
        return true;
    }
    if (name == "-") {
        out.source = "standard input";
        return readAll(STDIN_FILENO, out.source, out.text, error);
    }
    out.source = shownName(name);
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = "cannot read " + out.source + ": " + std::strerror(errno);
        return false;
    }
    const bool read = readAll(fd, out.source, out.text, error);
    ::close(fd);
    return read;
}

} // namespace cli
