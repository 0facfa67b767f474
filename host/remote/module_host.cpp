#include "remote/module_host.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/data_source.h"
#include "core/host.h"
#include "core/module.h"
#include "pe/load_plan.h"

extern char** environ;

namespace host::remote {

namespace {

// Wine may take half a minute to start in a fresh prefix.
constexpr int helloTimeoutMs = 120000;

// What of the host's interceptor goes along with a call: nothing without one.
std::vector<uint8_t> interceptorState(const Host& host) {
    const Interceptor* interceptor = host.interceptor();
    return interceptor ? interceptor->travellingState() : std::vector<uint8_t>();
}
constexpr auto exitWait = std::chrono::seconds(5);

std::string describeStatus(int status) {
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

// The last line the process wrote to its standard error, fit for a message.
std::string lastErrorLine(int fd) {
    if (fd < 0) return "";
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size <= 0) return "";
    const off_t from = size > 4096 ? size - 4096 : 0;
    std::string text(static_cast<size_t>(size - from), '\0');
    const ssize_t n = ::pread(fd, text.data(), text.size(), from);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    const size_t start = text.find_last_of('\n');
    return pe::printable(start == std::string::npos ? text : text.substr(start + 1), 200);
}

class ClientSession : public RemoteSession {
public:
    ClientSession(std::shared_ptr<ModuleHost> process, Host& host, uint32_t id)
        : process_(std::move(process)), host_(host), id_(id) {}
    ~ClientSession() override {
        if (ended_ || !process_->alive()) return;
        // The session there releases what it holds; its storage comes back.
        Writer w;
        w.u32(id_);
        CallReport report;
        try {
            process_->exchange(&host_, message::closeSession, w, report);
        } catch (const ModuleFailure&) {
            // Gone: it holds nothing any more.
        }
    }

    int32_t call(Entry entry, RemoteState& state) override {
        Writer w;
        w.u32(id_);
        w.u8(static_cast<uint8_t>(entry));
        w.blob(interceptorState(host_));
        CallReport report;
        process_->exchange(&host_, message::call, w, report);
        if (entry == Entry::End) ended_ = true;
        state = std::move(report.state);
        return report.status;
    }

private:
    std::shared_ptr<ModuleHost> process_;
    Host& host_;
    uint32_t id_;
    bool ended_ = false;
};

} // namespace

ModuleHost::ModuleHost(pid_t pid, int toChild, int fromChild, int errors, std::string shown)
    : pid_(pid), toChild_(toChild), fromChild_(fromChild), errors_(errors), channel_(fromChild, toChild),
      shown_(std::move(shown)) {}

ModuleHost::~ModuleHost() {
    // Its end of input ends it; one that does not end is stopped.
    ::close(toChild_);
    ::close(fromChild_);
    if (!reaped_) {
        const auto until = std::chrono::steady_clock::now() + exitWait;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (errors_ >= 0) ::close(errors_);
}

std::string ModuleHost::howItEnded() {
    if (!reaped_) {
        const auto until = std::chrono::steady_clock::now() + exitWait;
        int status = 0;
        pid_t got = 0;
        while ((got = ::waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (got == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        reaped_ = true;
        exitStatus_ = status;
    }
    std::string how = describeStatus(exitStatus_);
    const std::string line = lastErrorLine(errors_);
    return line.empty() ? how : how + ": " + line;
}

void ModuleHost::lost(const std::string& what) {
    dead_ = true;
    throw ModuleFailure("module " + shown_ + " failed: " + what);
}

std::shared_ptr<ModuleHost> ModuleHost::spawn(const std::vector<std::string>& argv,
                                              const std::vector<std::string>& environment, const std::string& shown,
                                              std::string& error) {
    // Said here: where vfork is emulated a failed exec only ends the child.
    if (::access(argv[0].c_str(), X_OK) != 0) {
        error = "cannot start " + pe::printable(argv[0], 4096) + ": " + std::strerror(errno);
        return nullptr;
    }
    int toChild[2] = {-1, -1}, fromChild[2] = {-1, -1};
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
            if (fd >= 0) ::close(fd);
        return nullptr;
    }
    int errors = ::memfd_create("zrxhost-stderr", MFD_CLOEXEC);
    const int childErrors = errors >= 0 ? errors : ::open("/dev/null", O_WRONLY | O_CLOEXEC);

    // This process's environment, with `environment` added or replacing.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& mine : environment) {
            const size_t name = mine.find('=') + 1;
            replaced = replaced || entry.compare(0, name, mine, 0, name) == 0;
        }
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> envp, args;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvCopy = argv;
    for (std::string& a : argvCopy) args.push_back(a.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_adddup2(&actions, childErrors, 2);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (errors < 0 && childErrors >= 0) ::close(childErrors);
    if (spawned != 0) {
        error = "cannot start " + pe::printable(argv[0], 4096) + ": " + std::strerror(spawned);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        if (errors >= 0) ::close(errors);
        return nullptr;
    }
    std::shared_ptr<ModuleHost> process(new ModuleHost(pid, toChild[1], fromChild[0], errors, shown));

    // Hello, or the reason the program could not run.
    pollfd ready{fromChild[0], POLLIN, 0};
    int polled = 0;
    do polled = ::poll(&ready, 1, helloTimeoutMs);
    while (polled < 0 && errno == EINTR);
    if (polled == 0) {
        process->dead_ = true;
        error = "it did not answer within " + std::to_string(helloTimeoutMs / 1000) + " s";
        return nullptr;
    }
    uint8_t type = 0;
    std::vector<uint8_t> payload;
    if (process->channel_.receive(type, payload) != Channel::Got::Message || type != message::hello) {
        process->dead_ = true;
        error = process->howItEnded();
        return nullptr;
    }
    Reader hello(payload);
    if (hello.u32() != protocolVersion) {
        process->dead_ = true;
        error = "it speaks another version of the protocol";
        return nullptr;
    }
    return process;
}

bool ModuleHost::probe(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                       std::string& error) {
    return spawn(argv, environment, "", error) != nullptr;
}

std::shared_ptr<ModuleHost> ModuleHost::start(const std::vector<std::string>& argv,
                                              const std::vector<std::string>& environment, const std::string& shown,
                                              const std::vector<uint8_t>& bytes, Start& outcome, std::string& error) {
    outcome = Start::NotStarted;
    std::shared_ptr<ModuleHost> process = spawn(argv, environment, shown, error);
    if (!process) return nullptr;
    Writer load;
    load.text(shown);
    load.u32(static_cast<uint32_t>(bytes.size()));
    load.raw(bytes.data(), bytes.size());
    if (!process->channel_.send(message::load, load)) {
        process->dead_ = true;
        error = "it ended before it took the module (" + process->howItEnded() + ")";
        return nullptr;
    }
    uint8_t type = 0;
    std::vector<uint8_t> payload;
    for (;;) {
        if (process->channel_.receive(type, payload) != Channel::Got::Message)
            process->lost("its host process ended while loading it (" + process->howItEnded() + ")");
        Reader r(payload);
        switch (type) {
        case message::trace: platform::deliverTraceRecord(readRecord(r)); break;
        case message::loaded: outcome = Start::Loaded; return process;
        case message::refused:
            outcome = Start::Refused;
            process->dead_ = true;
            error = r.text();
            return nullptr;
        case message::failed: process->dead_ = true; throw ModuleFailure(r.text());
        default: process->lost("its host process broke the protocol while loading it");
        }
    }
}

std::unique_ptr<RemoteSession> ModuleHost::openSession(Host& host, const SessionOptions& options) {
    uint32_t id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextSession_++;
    }
    Writer w;
    w.u32(id);
    writeOptions(w, options);
    w.blob(interceptorState(host));
    CallReport report;
    exchange(&host, message::openSession, w, report);
    return std::make_unique<ClientSession>(shared_from_this(), host, id);
}

void ModuleHost::answer(Host* host, uint8_t type, const std::vector<uint8_t>& payload) {
    Reader r(payload);
    const std::string text = r.text();
    if (!r.atEnd()) lost("its host process sent a malformed request");
    DataSource* source = host ? host->dataSource() : nullptr;
    Writer w;
    if (type == message::check) {
        StatementKind kind = StatementKind::Other;
        std::string error = "no enterprise snapshot";
        const bool ok = source && source->check(text, kind, error);
        w.flag(ok);
        w.u8(static_cast<uint8_t>(kind));
        w.text(ok ? std::string() : error);
        if (!channel_.send(message::checked, w)) lost("its host process ended (" + howItEnded() + ")");
        return;
    }
    writeAnswer(w, answerFrom(source, text));
    if (!channel_.send(message::answer, w)) lost("its host process ended (" + howItEnded() + ")");
}

void ModuleHost::exchange(Host* host, uint8_t type, const Writer& payload, CallReport& report) {
    std::lock_guard lock(mutex_);
    if (dead_) throw ModuleFailure("module " + shown_ + " failed earlier and is not called again");
    Writer message = payload;
    // Settings go only when they changed, which the facility's counter says.
    const uint32_t sync = platform::traceSyncCounter();
    if (type != message::closeSession) {
        if (sync != settingsSent_) {
            const platform::TraceSettings settings = platform::traceSettings();
            writeSettings(message, &settings);
            settingsSent_ = sync;
        } else {
            writeSettings(message, nullptr);
        }
    }
    if (!channel_.send(type, message)) lost("its host process ended (" + howItEnded() + ")");
    std::vector<uint8_t> got;
    for (;;) {
        uint8_t kind = 0;
        if (channel_.receive(kind, got) != Channel::Got::Message) lost("its host process ended (" + howItEnded() + ")");
        switch (kind) {
        case message::trace: {
            Reader r(got);
            platform::deliverTraceRecord(readRecord(r));
            break;
        }
        case message::log: {
            Reader r(got);
            if (host) host->log(r.text());
            break;
        }
        case message::check:
        case message::open: answer(host, kind, got); break;
        case message::returned: {
            Reader r(got);
            report = readReport(r);
            if (!r.atEnd()) lost("its host process sent a malformed report");
            if (host) {
                if (Interceptor* i = host->interceptor(); i && !report.interceptorCounts.empty())
                    i->takeCounts(report.interceptorCounts);
                host->noteStorageHandedOut(report.storageHandedOut);
                host->noteStorageReleased(report.storageReleased);
                for (std::string& s : report.statements) host->noteStatement(std::move(s));
            }
            return;
        }
        case message::failed: {
            Reader r(got);
            dead_ = true;
            throw ModuleFailure(r.text());
        }
        default: lost("its host process broke the protocol");
        }
    }
}

} // namespace host::remote
