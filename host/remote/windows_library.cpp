// The Windows module host loads ZRX.dll with the Windows loader (under Wine,
// Wine's): LoadLibrary binds its imports by ordinal and by name to the
// stand-in platform DLLs beside zrxhost.exe and to the system's KERNEL32
// and msvcrt, and calls its DllMain. A fault of the DLL's code is reported
// to the host with the exception and its offset in the DLL, and ends this
// process; a fault anywhere else takes its normal course.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "remote/module_server.h"

namespace host::remote {

namespace {

Channel* faultChannel = nullptr;
std::wstring modulePath;       // of the copy being loaded or loaded
std::string moduleShown;       // as the host names it
const char* running = "";      // what the host called last
HMODULE loaded = nullptr;

std::wstring wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string hex(uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
    return text;
}

const char* exceptionName(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_INT_OVERFLOW: return "integer overflow";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_BREAKPOINT: return "breakpoint";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "misaligned data";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "array bounds exceeded";
    default: return nullptr;
    }
}

// Whether `address` lies in the DLL being loaded or loaded: the module
// that holds it has the copy's file name.
bool inModule(void* address, HMODULE& owner) {
    owner = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &owner))
        return false;
    wchar_t name[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameW(owner, name, MAX_PATH);
    return n > 0 && lstrcmpiW(name, modulePath.c_str()) == 0;
}

LONG CALLBACK onException(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    const char* name = exceptionName(code);
    void* address = info->ExceptionRecord->ExceptionAddress;
    HMODULE owner = nullptr;
    if (!name || !faultChannel || !inModule(address, owner)) return EXCEPTION_CONTINUE_SEARCH;
    const uintptr_t offset = reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(owner);
    sendFailure(*faultChannel, "module " + moduleShown + " failed: " + name + " (exception " + hex(code) +
                                   ") at offset " + hex(offset) + " in the DLL, while " + running + " ran");
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Every entry call names what runs, for the message of a fault.
class NamingCaller : public EntryCaller {
public:
    int32_t call(zrx::EntryFn entry, uint32_t id, zrx::HostObject* obj, const char* what) override {
        running = what;
        const int32_t status = entry(id, obj);
        running = "the host";
        return status;
    }
};

std::string lastError() {
    const DWORD code = GetLastError();
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof text, nullptr);
    std::string out = text;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return (out.empty() ? std::string("error") : out) + " (error " + std::to_string(code) + ")";
}

// The copy and its folder go when this process ends normally.
struct Copy {
    std::wstring folder, file;
    ~Copy() {
        if (loaded) FreeLibrary(loaded);
        if (!file.empty()) DeleteFileW(file.c_str());
        if (!folder.empty()) RemoveDirectoryW(folder.c_str());
    }
};
Copy copy;

} // namespace

void reportFaultsTo(Channel& channel) {
    faultChannel = &channel;
    AddVectoredExceptionHandler(1, &onException);
}

std::unique_ptr<Module> loadModuleCopy(const std::string& name, const std::vector<uint8_t>& bytes, std::string& error) {
    moduleShown = name;
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH, temp) == 0) {
        error = "no temporary folder for its copy: " + lastError();
        return nullptr;
    }
    copy.folder = std::wstring(temp) + L"zrxhost-" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(copy.folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        error = "cannot make a folder for its copy: " + lastError();
        return nullptr;
    }
    std::string base = name.substr(name.find_last_of("/\\") + 1);
    bool plain = !base.empty();
    for (char c : base) plain = plain && c > ' ' && c < 0x7F && c != ':' && c != '*' && c != '?' && c != '"';
    copy.file = copy.folder + L"\\" + wide(plain ? base : "ZRX.dll");
    HANDLE file = CreateFileW(copy.file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool wrote = file != INVALID_HANDLE_VALUE &&
                       WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!wrote) {
        error = "cannot write its copy: " + lastError();
        return nullptr;
    }
    // The loader names modules by their long paths.
    wchar_t longPath[MAX_PATH + 1] = {};
    const DWORD longLength = GetLongPathNameW(copy.file.c_str(), longPath, MAX_PATH);
    modulePath = longLength > 0 && longLength <= MAX_PATH ? std::wstring(longPath) : copy.file;
    running = "its DllMain";
    loaded = LoadLibraryW(copy.file.c_str());
    if (!loaded) {
        error = "the Windows loader refused it: " + lastError();
        return nullptr;
    }
    // The full path the loader gives the module, for telling its faults.
    wchar_t full[MAX_PATH + 1] = {};
    if (GetModuleFileNameW(loaded, full, MAX_PATH) > 0) modulePath = full;
    FARPROC cnt1entd = GetProcAddress(loaded, MAKEINTRESOURCEA(10));
    if (!cnt1entd) {
        error = "exports nothing at ordinal 10";
        return nullptr;
    }
    running = "cnt1entd";
    std::unique_ptr<Module> module =
        Module::linked(reinterpret_cast<int32_t (*)()>(reinterpret_cast<void*>(cnt1entd)), error,
                       std::make_shared<NamingCaller>());
    running = "the host";
    if (!module) return nullptr;
    module->path = name;
    module->windowsDll = true;
    return module;
}

} // namespace host::remote
