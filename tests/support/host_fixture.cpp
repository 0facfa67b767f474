#include "support/host_fixture.h"

#include <cstdlib>
#include <stdexcept>

#include "frame/entries.h"

namespace zrxtest {

HostFixture::HostFixture(std::string_view scenario, const std::string& moduleFile) {
    std::string error;
    snapshot_ = host::sql::Snapshot::createInMemory(error);
    if (!snapshot_) throw std::runtime_error("snapshot: " + error);
    if (!scenario.empty() && !snapshot_->exec(scenario, error))
        throw std::runtime_error("scenario: " + error);
    source_ = std::make_unique<host::SnapshotSource>(*snapshot_);
    host_.setDataSource(source_.get());
    host::faults(host_);
    module_ = moduleFile.empty() ? host::Module::linked(&cnt1entd, error)
                                 : host::Module::load(moduleFile, error);
    if (!module_) throw std::runtime_error("module: " + error);
}

std::unique_ptr<host::Session> HostFixture::session(std::vector<host::Predicate> predicates,
                                                    host::SessionOptions options) {
    options.predicates = std::move(predicates);
    return std::make_unique<host::Session>(host_, *module_, std::move(options));
}

QueryRun HostFixture::run(std::vector<host::Predicate> predicates, host::SessionOptions options,
                          int maxCalls) {
    auto s = session(std::move(predicates), std::move(options));
    return host::runSession(*s, {maxCalls, 0});
}

std::vector<host::Predicate> HostFixture::report() { return {host::Predicate::report()}; }

std::vector<host::Predicate> HostFixture::resource(const std::string& major, const std::string& minor,
                                                   const std::string& enqplex) {
    return host::Predicate::resource(major, minor, enqplex);
}

StartedSession::StartedSession(std::string_view scenario, host::SessionOptions options) : fx(scenario) {
    session = fx.session({}, std::move(options));
    if (session->start() != 0) throw std::runtime_error("session start failed");
    w = static_cast<zrx::workA*>(session->workArea());
}

StartedSession::~StartedSession() { session->end(); }

std::string moduleUnderTest(const std::string& fallback) {
    const char* file = std::getenv("ZRX_TEST_MODULE");
    return file && *file ? file : fallback;
}

} // namespace zrxtest
