// The module file as the host opens it: once, by the name the user gave, so
// that the bytes whose headers are checked are the bytes that get loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

class ModuleFile {
public:
    ModuleFile() = default;
    ~ModuleFile();
    ModuleFile(const ModuleFile&) = delete;
    ModuleFile& operator=(const ModuleFile&) = delete;

    // Opens `path` for reading without blocking on a FIFO and insists on a
    // regular file. False with one line saying why (without the path).
    bool open(const std::string& path, std::string& error);

    enum class Kind { Elf, Pe, Other };
    // From the first bytes: "\x7F" "ELF" or "MZ".
    Kind kind() const;

    uint64_t size() const { return size_; }
    int descriptor() const { return fd_; }

    // `length` bytes at `offset`; false when the file ends first.
    bool read(uint64_t offset, void* out, size_t length) const;
    // The whole file, which must be at most `limit` bytes.
    bool readAll(uint64_t limit, std::vector<uint8_t>& bytes, std::string& error) const;

    // The path with every link and ".." resolved when it was opened: what
    // the dynamic loader gets, so that the module's $ORIGIN is its folder.
    const std::string& resolvedPath() const { return resolved_; }
    // Whether `path` still names the very file that was opened.
    bool sameFileAt(const std::string& path) const;

private:
    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t device_ = 0, inode_ = 0;
    std::string resolved_;
};

} // namespace host
