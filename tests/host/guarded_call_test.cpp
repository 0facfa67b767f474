// Calls into module code with its faults caught: a fault of an instruction
// in the guarded range (or of a call from there to where no code is) ends
// the call with the signal and the address; a fault of the host's own code
// is not hidden. The "module" is a page of machine code made here.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>

#include <cstring>
#include <vector>

#include "pe/guarded_call.h"

#if defined(__i386__) || defined(__x86_64__)

namespace {

class CodePage {
public:
    explicit CodePage(const std::vector<uint8_t>& code) {
        page_ = static_cast<uint8_t*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        std::memcpy(page_, code.data(), code.size());
        mprotect(page_, size, PROT_READ | PROT_EXEC);
    }
    ~CodePage() { munmap(page_, size); }
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;
    uintptr_t begin() const { return reinterpret_cast<uintptr_t>(page_); }
    uintptr_t end() const { return begin() + size; }

private:
    static constexpr size_t size = 4096;
    uint8_t* page_ = nullptr;
};

struct Call {
    uintptr_t code;
    int result = 0;
};

void callCode(void* context) {
    auto* c = static_cast<Call*>(context);
    c->result = reinterpret_cast<int (*)()>(c->code)();
}

struct Outcome {
    bool returned;
    int result;
    host::pe::Fault fault;
};

Outcome run(const CodePage& page, uintptr_t begin, uintptr_t end) {
    Call c{page.begin()};
    Outcome o{};
    o.returned = host::pe::runGuarded(begin, end, &callCode, &c, o.fault);
    o.result = c.result;
    return o;
}

TEST(GuardedCall, CodeThatReturnsReturnsItsResult) {
    const CodePage page({0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3}); // mov eax, 42; ret
    const Outcome o = run(page, page.begin(), page.end());
    EXPECT_TRUE(o.returned);
    EXPECT_EQ(o.result, 42);
}

TEST(GuardedCall, EachKindOfFaultInTheRangeEndsTheCallWithItsSignalAndAddress) {
    struct Case {
        const char* name;
        std::vector<uint8_t> code;
        int signal;
        uintptr_t offset; // of the faulting instruction
    };
    const std::vector<Case> cases = {
        {"ud2", {0x90, 0x0F, 0x0B}, SIGILL, 1},
        // xor eax, eax; mov eax, [eax]: a read through a null pointer.
        {"null read", {0x31, 0xC0, 0x8B, 0x00, 0xC3}, SIGSEGV, 2},
        // xor ecx, ecx; div ecx.
        {"division by zero", {0x31, 0xC9, 0xF7, 0xF1, 0xC3}, SIGFPE, 2},
        // int3: the trap is reported after the instruction.
        {"breakpoint", {0x90, 0xCC, 0xC3}, SIGTRAP, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CodePage page(c.code);
        const Outcome o = run(page, page.begin(), page.end());
        EXPECT_FALSE(o.returned);
        EXPECT_EQ(o.fault.signal, c.signal) << host::pe::signalName(o.fault.signal);
        EXPECT_EQ(o.fault.address, page.begin() + c.offset);
        EXPECT_EQ(o.fault.calledNowhere, 0u);
    }
    // The guard is there again for the next call, and the thread goes on.
    const CodePage fine({0xB8, 0x07, 0x00, 0x00, 0x00, 0xC3});
    EXPECT_EQ(run(fine, fine.begin(), fine.end()).result, 7);
}

TEST(GuardedCall, ACallToWhereNoCodeIsIsTheCallersFault) {
    // mov eax, 0x1000; call eax; ret: the first page is never mapped.
    const CodePage page({0xB8, 0x00, 0x10, 0x00, 0x00, 0xFF, 0xD0, 0xC3});
    const Outcome o = run(page, page.begin(), page.end());
    EXPECT_FALSE(o.returned);
    EXPECT_EQ(o.fault.signal, SIGSEGV);
    EXPECT_EQ(o.fault.address, page.begin() + 7); // the return address of the call
    EXPECT_EQ(o.fault.calledNowhere, 0x1000u);
}

TEST(GuardedCall, CallsNest) {
    const CodePage inner({0x0F, 0x0B});
    const CodePage outer({0xB8, 0x05, 0x00, 0x00, 0x00, 0xC3});
    struct Both {
        const CodePage* inner;
        const CodePage* outer;
        host::pe::Fault innerFault;
        bool innerReturned = true;
        int result = 0;
    } both{&inner, &outer, {}};
    host::pe::Fault outerFault;
    const bool returned = host::pe::runGuarded(
        outer.begin(), outer.end(),
        [](void* context) {
            auto* b = static_cast<Both*>(context);
            Call c{b->inner->begin()};
            b->innerReturned = host::pe::runGuarded(b->inner->begin(), b->inner->end(), &callCode, &c, b->innerFault);
            b->result = reinterpret_cast<int (*)()>(b->outer->begin())();
        },
        &both, outerFault);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(both.innerReturned);
    EXPECT_EQ(both.innerFault.signal, SIGILL);
    EXPECT_EQ(both.result, 5);
}

// Outside the range the fault is the host's: the process dies of it.
TEST(GuardedCallDeathTest, AFaultOutsideTheRangeIsNotHidden) {
    const CodePage page({0x0F, 0x0B});
    const CodePage elsewhere({0xC3});
    EXPECT_DEATH(run(page, elsewhere.begin(), elsewhere.end()), "");
    // A fault of the host's own code during a guarded call.
    host::pe::Fault fault;
    EXPECT_DEATH(host::pe::runGuarded(
                     page.begin(), page.end(),
                     [](void*) {
                         volatile int* nowhere = nullptr;
                         *nowhere = 1;
                     },
                     nullptr, fault),
                 "");
}

} // namespace

#endif
