// Bytes become the rows of a whole query: the hub's node table, each
// PlexHub's members and summary, each agent's resources and tasks. A report
// query and a single-resource query run on them.
#include "enterprise_bytes.h"
#include "fuzz_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Bytes in(data, size);
    // The named resource comes first, so that the rows can hold it.
    const std::string major = in.pick(fuzz::majorNames(), 8);
    const std::string minor = in.pick(fuzz::minorNames(), 255);
    const std::string enqplex = in.pick({"E1", "E2", "*DEFAULT", "E3"}, 8);
    fuzz::World& world = fuzz::World::instance();
    world.load(fuzz::enterpriseRows(in));
    world.run({host::Predicate::report()});
    world.run(host::Predicate::resource(major, minor, enqplex));
    return 0;
}
