// A module host process started by this process (protocol.h): the module's
// bytes are handed over once, then every session of every Module made from
// it runs there, one call at a time.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/module_process.h"
#include "remote/channel.h"
#include "remote/protocol.h"

namespace host::remote {

class ModuleHost : public ModuleProcess, public std::enable_shared_from_this<ModuleHost> {
public:
    enum class Start { Loaded, NotStarted, Refused };

    // Starts `argv` (argv[0] a path) with `environment` added to this
    // process's, and loads the module; `shown` names it in messages. Loaded,
    // or else nullptr with one line in `error`: NotStarted when the program
    // could not start or never said Hello, Refused when it refused the
    // module. Throws ModuleFailure when the module faulted while loading.
    static std::shared_ptr<ModuleHost> start(const std::vector<std::string>& argv,
                                             const std::vector<std::string>& environment, const std::string& shown,
                                             const std::vector<uint8_t>& bytes, Start& outcome, std::string& error);
    // Whether `argv` starts and says Hello.
    static bool probe(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                      std::string& error);
    ~ModuleHost() override;

    std::unique_ptr<RemoteSession> openSession(Host& host, const SessionOptions& options) override;

    bool alive() const { return !dead_; }
    pid_t pid() const { return pid_; }

    // One exchange: sends `type` with `payload`, then answers the module
    // host's requests for `host` until it reports; fills `report`.
    void exchange(Host* host, uint8_t type, const Writer& payload, CallReport& report);

private:
    ModuleHost(pid_t pid, int toChild, int fromChild, int errors, std::string shown);
    // Starts the program and awaits its Hello.
    static std::shared_ptr<ModuleHost> spawn(const std::vector<std::string>& argv,
                                             const std::vector<std::string>& environment, const std::string& shown,
                                             std::string& error);
    // The process ended or broke the protocol: one line about it, for a
    // ModuleFailure, and nothing is sent to it again.
    [[noreturn]] void lost(const std::string& what);
    std::string howItEnded();
    void answer(Host* host, uint8_t type, const std::vector<uint8_t>& payload);

    pid_t pid_;
    int toChild_, fromChild_, errors_;
    Channel channel_;
    std::string shown_;
    std::mutex mutex_;
    uint32_t nextSession_ = 1;
    uint32_t settingsSent_ = 0; // the trace facility's sync counter when settings were last sent
    bool dead_ = false;
    bool reaped_ = false;
    int exitStatus_ = 0;
};

} // namespace host::remote
