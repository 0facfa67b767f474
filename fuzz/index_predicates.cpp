// Bytes become the caller's index predicates (column, operator code, value)
// on a fixed enterprise: the demo enterprise.
#include "enterprise_bytes.h"
#include "fuzz_world.h"
#include "scenarios/texts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool loaded = [] {
        fuzz::World::instance().load(std::string(scenarios::demoEnterpriseSql()));
        return true;
    }();
    (void)loaded;
    static const std::vector<std::string> columns = {zrx::indexColumn(0).name, zrx::indexColumn(1).name,
                                                     zrx::indexColumn(2).name, zrx::indexColumn(3).name, "FOO"};
    static const std::vector<std::string> values = {"YES", "SYSDSN", "PAY.PROD.EMPLOYEE.MASTER", "PRODENQ",
                                                    "'", "\"", ""};
    fuzz::Bytes in(data, size);
    std::vector<host::Predicate> predicates;
    while (!in.empty() && predicates.size() < 8) {
        host::Predicate p;
        p.column = in.pick(columns, 24);
        const uint8_t op = in.byte();
        p.op = op < 0xC0 ? zrx::IndexOp::EQ : static_cast<zrx::IndexOp>(static_cast<int16_t>(static_cast<int8_t>(op)) * 300);
        p.value = in.pick(values, 255);
        // A NUL ends the host's C string: the value the module sees stops there.
        p.value = p.value.substr(0, p.value.find('\0'));
        p.column = p.column.substr(0, p.column.find('\0'));
        predicates.push_back(p);
    }
    fuzz::World::instance().run(predicates);
    return 0;
}
