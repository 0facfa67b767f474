// The module file as the host opens it: once, by the name given, checked
// before any loader maps it. A cut or doctored ELF object is refused with
// one line instead of killing the process in dlopen (SIGBUS), a bare name
// is a path, and files of any size are seen as they are.
#include <gtest/gtest.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/module.h"
#include "core/module_file.h"

namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string temporary(const std::string& name) {
    return ::testing::TempDir() + "zrx_" + std::to_string(::getpid()) + "_" + name;
}

std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = temporary(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Module::load's line for `path`, which must be refused.
std::string refusal(const std::string& path) {
    std::string error;
    EXPECT_EQ(host::Module::load(path, error), nullptr) << path;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    return error;
}

#if UINTPTR_MAX == 0xFFFFFFFFu
const std::string otherClass = "a 64-bit ELF object, which this 32-bit program cannot load";
#else
const std::string otherClass = "a 32-bit ELF object, which this 64-bit program cannot load";
#endif

TEST(ElfModule, EveryCutOfTheModuleIsRefusedBeforeItIsMapped) {
    const std::vector<uint8_t> whole = readAll(ZRX_MODULE_FILE);
    ASSERT_GT(whole.size(), 50000u);
    for (size_t size = 0; size <= 50000; size += size < 1000 ? 61 : 997) {
        SCOPED_TRACE(size);
        const std::string path = write("cut.so", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size)));
        const std::string error = refusal(path);
        const std::string prefix = "cannot load module " + path + ": ";
        if (size < 4) {
            EXPECT_EQ(error, prefix + "neither an ELF shared object nor a Windows DLL");
        } else {
            EXPECT_EQ(error.rfind(prefix + "truncated: ", 0), 0u) << error;
            // The line gives the file's size: as a header's shortfall, or
            // as the end that a table or segment runs past.
            EXPECT_NE(error.find(std::to_string(size) + " bytes"), std::string::npos) << error;
        }
        std::remove(path.c_str());
    }
}

TEST(ElfModule, AnObjectForAnotherProgramIsNamedForWhatItIs) {
    const std::vector<uint8_t> whole = readAll(ZRX_MODULE_FILE);
    struct Case {
        const char* name;
        size_t offset;
        std::vector<uint8_t> bytes;
        std::string fault;
    };
    const std::vector<Case> cases = {
        {"class", EI_CLASS, {whole[EI_CLASS] == ELFCLASS64 ? uint8_t{ELFCLASS32} : uint8_t{ELFCLASS64}}, otherClass},
        {"big_endian", EI_DATA, {ELFDATA2MSB}, "not a little-endian ELF object"},
        {"executable", 16, {ET_EXEC, 0}, "an ELF file but not a shared object (type 2)"},
        {"machine", 18, {40, 0}, "an ELF shared object for machine 40, not for this one"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = whole;
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<long>(c.offset));
        const std::string path = write(std::string(c.name) + ".so", bytes);
        EXPECT_EQ(refusal(path).rfind("cannot load module " + path + ": " + c.fault, 0), 0u) << refusal(path);
        std::remove(path.c_str());
    }
}

TEST(ModuleFile, ABareNameIsAPathAndOnlyRegularFilesAreRead) {
    const std::string folder = temporary("bare");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(folder.c_str()), 0);
    EXPECT_EQ(refusal("ZRX.so"), "cannot load module ZRX.so: No such file or directory");
    std::ofstream("ZRX.so") << "not a module\n";
    EXPECT_EQ(refusal("ZRX.so"), "cannot load module ZRX.so: neither an ELF shared object nor a Windows DLL");
    ASSERT_EQ(::mkdir("folder.so", 0700), 0);
    EXPECT_EQ(refusal("folder.so"), "cannot load module folder.so: not a regular file");
    ASSERT_EQ(::mkfifo("fifo.so", 0600), 0);
    EXPECT_EQ(refusal("fifo.so"), "cannot load module fifo.so: not a regular file");
    // Names are printed safely.
    EXPECT_EQ(refusal("bad\nname\x1B.so"), "cannot load module bad\\x0Aname\\x1B.so: No such file or directory");
    for (const char* name : {"ZRX.so", "fifo.so"}) ::unlink(name);
    ::rmdir("folder.so");
    ASSERT_EQ(::chdir(previous), 0);
    ::rmdir(folder.c_str());
}

// The file that was opened is the one read; once its name stands for
// another file the host can tell, and does not hand that name to dlopen.
TEST(ModuleFile, AFileWhoseNameMovedIsToldApart) {
    const std::string path = write("moved.so", readAll(ZRX_MODULE_FILE));
    host::ModuleFile file;
    std::string error;
    ASSERT_TRUE(file.open(path, error)) << error;
    EXPECT_TRUE(file.sameFileAt(path));
    EXPECT_TRUE(file.sameFileAt(file.resolvedPath()));
    const std::string other = write("other.so", {'n', 'o', 't', '\n'});
    ASSERT_EQ(::rename(other.c_str(), path.c_str()), 0);
    EXPECT_FALSE(file.sameFileAt(path));
    EXPECT_EQ(file.kind(), host::ModuleFile::Kind::Elf);
    std::remove(path.c_str());
}

// Beyond 2 GiB a 32-bit program without large-file support could not even
// look at the file; here it is measured and refused for its size.
TEST(ModuleFile, AFileBeyondTwoGibibytesIsSeenAsItIs) {
    const std::string path = temporary("big.dll");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "MZ", 2), 2);
    const int64_t size = 3ll << 30;
    const bool sparse = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    ::close(fd);
    if (!sparse) {
        std::remove(path.c_str());
        GTEST_SKIP() << "this file system keeps no 3 GiB file";
    }
    EXPECT_EQ(refusal(path), "cannot load module " + path +
                                 ": a file of 3221225472 bytes is larger than the loader reads (64 MiB)");
    std::remove(path.c_str());
}

} // namespace
