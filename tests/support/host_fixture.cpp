#include "support/host_fixture.h"

#include <cstdlib>
#include <stdexcept>

#include <gtest/gtest.h>

#include "core/module_file.h"
#include "frame/entries.h"
#include "remote/windows_host.h"

namespace zrxtest {

HostFixture::HostFixture(std::string_view scenario, const std::string& moduleFile, const std::string& moduleHost) {
    std::string error;
    snapshot_ = host::sql::Snapshot::createInMemory(error);
    if (!snapshot_) throw std::runtime_error("snapshot: " + error);
    if (!scenario.empty() && !snapshot_->exec(scenario, error))
        throw std::runtime_error("scenario: " + error);
    source_ = std::make_unique<host::SnapshotSource>(*snapshot_);
    host_.setDataSource(source_.get());
    host::faults(host_);
    if (moduleFile.empty())
        module_ = host::Module::linked(&cnt1entd, error);
    else if (!moduleHost.empty())
        module_ = host::remote::loadInModuleHost({moduleHost}, moduleFile, error);
    else
        module_ = host::Module::load(moduleFile, error);
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
    scope.emplace(*session);
    w = static_cast<zrx::workA*>(session->workArea());
}

StartedSession::~StartedSession() { session->end(); }

std::string moduleUnderTest(const std::string& fallback) {
    const char* file = std::getenv("ZRX_TEST_MODULE");
    return file && *file ? file : fallback;
}

std::string moduleHostUnderTest() {
    const char* program = std::getenv("ZRX_TEST_MODULE_HOST");
    return program && *program ? program : "";
}

namespace {

// A DLL that a 64-bit host runs under Wine: where Wine does not run it,
// every test of the suite is skipped, with the reason.
class WineRuns : public testing::Environment {
public:
    void SetUp() override {
        const std::string file = moduleUnderTest("");
        host::ModuleFile module;
        std::string error;
        if (file.empty() || !moduleHostUnderTest().empty() || !module.open(file, error) ||
            module.kind() != host::ModuleFile::Kind::Pe)
            return;
#if !ZRX_PE_LOADER
        std::string missing;
        if (!host::remote::windowsHostRuns(missing)) GTEST_SKIP() << "ZRX.dll under Wine: " << missing;
#endif
    }
};

[[maybe_unused]] const testing::Environment* const wineRuns = testing::AddGlobalTestEnvironment(new WineRuns);

} // namespace

} // namespace zrxtest
