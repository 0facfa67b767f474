#include "remote/module_server.h"

#include <cstdlib>
#include <map>
#include <new>
#include <stdexcept>

#include "core/data_source.h"
#include "core/host.h"
#include "core/module_process.h"
#include "core/session.h"
#include "platform/trace_control.h"
#include "remote/protocol.h"
#include "testing/fault_plan.h"

namespace host::remote {

namespace {

// The protocol was not kept: the module host stops.
struct Broken : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Messages sent and awaited while the module runs: the host's functions
// that do it are called from the module's code, which no exception may
// cross, so a host that is gone or confused ends this process at once.
[[noreturn]] void hostLost() { std::_Exit(3); }

Reader expect(Channel& channel, uint8_t wanted, std::vector<uint8_t>& payload) {
    uint8_t type = 0;
    if (channel.receive(type, payload) != Channel::Got::Message || type != wanted) hostLost();
    return Reader(payload);
}

void send(Channel& channel, uint8_t type, const Writer& w) {
    if (!channel.send(type, w)) hostLost();
}

// Statements answered by the host.
class HostSource : public DataSource {
public:
    explicit HostSource(Channel& channel) : channel_(channel) {}

    bool check(std::string_view text, StatementKind& kind, std::string& error) override {
        Writer w;
        w.text(text);
        send(channel_, message::check, w);
        std::vector<uint8_t> payload;
        Reader r = expect(channel_, message::checked, payload);
        const bool ok = r.flag();
        const uint8_t k = r.u8();
        kind = k <= static_cast<uint8_t>(StatementKind::Other) ? static_cast<StatementKind>(k) : StatementKind::Other;
        error = r.text();
        if (!r.ok()) hostLost();
        return ok;
    }

    std::unique_ptr<StatementResult> open(std::string_view text, std::string& error) override {
        Writer w;
        w.text(text);
        send(channel_, message::open, w);
        std::vector<uint8_t> payload;
        Reader r = expect(channel_, message::answer, payload);
        Answer a = readAnswer(r);
        if (!r.ok()) hostLost();
        if (!a.ok) {
            error = a.error;
            return nullptr;
        }
        return resultOf(std::move(a));
    }

private:
    Channel& channel_;
};

class ChannelSink : public platform::TraceSink {
public:
    explicit ChannelSink(Channel& channel) : channel_(channel) {}
    void write(const platform::TraceRecord& record) override {
        Writer w;
        writeRecord(w, record);
        send(channel_, message::trace, w);
    }

private:
    Channel& channel_;
};

struct HostedSession {
    explicit HostedSession(Channel& channel) : source(channel), host(&source) {
        host.setLog([&channel](std::string_view line) {
            Writer w;
            w.text(line);
            send(channel, message::log, w);
        });
    }
    HostSource source;
    Host host;
    std::unique_ptr<Session> session;
    size_t rowsSent = 0;
    size_t statementsSent = 0;
    uint64_t handedOutSent = 0;
    uint64_t releasedSent = 0;
    bool ended = false;
};

void report(Channel& channel, HostedSession& hs, int32_t status) {
    CallReport r;
    r.status = status;
    if (hs.session) {
        const Session& s = *hs.session;
        r.state.newRows.assign(s.rows().begin() + static_cast<long>(hs.rowsSent), s.rows().end());
        hs.rowsSent = s.rows().size();
        r.state.live = hs.ended ? s.liveAtEnd() : s.live();
        r.state.storageBytes = s.storageOutstanding();
        r.state.storageRefusals = s.storageRefusals();
        r.state.abandonReason = s.abandonReason();
    }
    r.storageHandedOut = hs.host.storageHandedOut() - hs.handedOutSent;
    r.storageReleased = (hs.host.storageHandedOut() - hs.host.storageOutstanding()) - hs.releasedSent;
    hs.handedOutSent += r.storageHandedOut;
    hs.releasedSent += r.storageReleased;
    const auto& statements = hs.host.statements();
    r.statements.assign(statements.begin() + static_cast<long>(hs.statementsSent), statements.end());
    hs.statementsSent = statements.size();
    Writer w;
    if (const auto* plan = dynamic_cast<const FaultPlan*>(hs.host.interceptor())) r.interceptorCounts = plan->counts();
    writeReport(w, r);
    send(channel, message::returned, w);
}

void takePlanAndSettings(Reader& r, HostedSession& hs) {
    // The host's fault plan, when it has one, is carried out here.
    const std::vector<uint8_t> plan = r.blob();
    if (plan.empty())
        hs.host.setInterceptor(nullptr);
    else if (!faults(hs.host).takeState(plan))
        throw Broken("a malformed fault plan");
    platform::TraceSettings settings;
    if (readSettings(r, settings)) platform::setTraceSettings(settings);
    if (!r.atEnd()) throw Broken("a malformed message");
}

void serveSessions(Channel& channel, const Module& module) {
    std::map<uint32_t, std::unique_ptr<HostedSession>> sessions;
    std::vector<uint8_t> payload;
    for (;;) {
        uint8_t type = 0;
        const Channel::Got got = channel.receive(type, payload);
        if (got == Channel::Got::End) return;
        if (got == Channel::Got::Broken) throw Broken("the channel broke");
        Reader r(payload);
        const uint32_t id = r.u32();
        switch (type) {
        case message::openSession: {
            auto hs = std::make_unique<HostedSession>(channel);
            const SessionOptions options = readOptions(r);
            takePlanAndSettings(r, *hs);
            hs->session = std::make_unique<Session>(hs->host, module, options);
            report(channel, *hs, 0);
            sessions[id] = std::move(hs);
            break;
        }
        case message::call: {
            auto found = sessions.find(id);
            if (found == sessions.end()) throw Broken("a call of an unknown session");
            HostedSession& hs = *found->second;
            const uint8_t entry = r.u8();
            takePlanAndSettings(r, hs);
            int32_t status = 0;
            switch (static_cast<RemoteSession::Entry>(entry)) {
            case RemoteSession::Entry::Start: status = hs.session->start(); break;
            case RemoteSession::Entry::Request: status = hs.session->request(); break;
            case RemoteSession::Entry::End:
                status = hs.session->end();
                hs.ended = true;
                break;
            default: throw Broken("a call of an unknown entry");
            }
            report(channel, hs, status);
            break;
        }
        case message::closeSession: {
            auto found = sessions.find(id);
            if (found == sessions.end()) throw Broken("the close of an unknown session");
            found->second->session.reset();
            report(channel, *found->second, 0);
            sessions.erase(found);
            break;
        }
        default: throw Broken("unexpected message " + std::to_string(type));
        }
    }
}

} // namespace

void sendFailure(Channel& channel, const std::string& line) {
    Writer w;
    w.text(line);
    channel.send(message::failed, w);
    channel.flush();
}

int serveModule(Channel& channel) {
    ChannelSink sink(channel);
    try {
        Writer hello;
        hello.u32(protocolVersion);
        send(channel, message::hello, hello);
        std::vector<uint8_t> payload;
        uint8_t type = 0;
        if (channel.receive(type, payload) != Channel::Got::Message || type != message::load) return 3;
        Reader r(payload);
        const std::string name = r.text();
        const uint32_t size = r.count(1);
        std::vector<uint8_t> bytes(size);
        if (!r.raw(bytes.data(), size) || !r.atEnd()) throw Broken("a malformed Load message");

        platform::setTraceSink(&sink);
        std::string error;
        std::unique_ptr<Module> module;
        try {
            module = loadModuleCopy(name, bytes, error);
        } catch (const ModuleFailure& failure) {
            sendFailure(channel, failure.what());
            return 3;
        }
        if (!module) {
            Writer w;
            w.text(error);
            send(channel, message::refused, w);
            channel.flush();
            platform::setTraceSink(nullptr);
            return 2;
        }
        send(channel, message::loaded, Writer());
        serveSessions(channel, *module);
        platform::setTraceSink(nullptr);
        return 0;
    } catch (const ModuleFailure& failure) {
        sendFailure(channel, failure.what());
    } catch (const Broken&) {
        // The host is gone or confused: nobody to tell.
    } catch (const std::bad_alloc&) {
        sendFailure(channel, "the module host ran out of memory");
    }
    platform::setTraceSink(nullptr);
    return 3;
}

} // namespace host::remote
