#include "enterprise_bytes.h"

#include "fuzz_world.h"

namespace fuzz {

namespace {

const std::vector<std::string> nodes = {"PLXA:PLEXHUB", "PLXB:PLEXHUB", "SYS1:AGENT", "SYS2:AGENT",
                                        "SYS3:AGENT",   "SYS4:AGENT",   "PLXA:OTHER", "SYS1"};
const std::vector<std::string> thruNodes = {"T_PLXA", "T_PLXB", "T_SYS1", "T_SYS2", "T_SYS3", "T_SYS4", ""};
const std::vector<std::string> affinities = {"1000000000000000000000000000000000000000000",
                                             "0000000000000000000000002000000000000000000",
                                             "10000000", ""};
const std::vector<std::string> online = {"Y", "N"};
const std::vector<std::string> systems = {"SYS1", "SYS2", "SYS3", "SYS4", "SYS5", ""};
const std::vector<std::string> enqplexes = {"E1", "E2.MIMGR", "", "E1.MIM", ".MIMGR", "E3", "ENQPLEX8", "E2"};
const std::vector<std::string> majors = {"SYSDSN", "SPFEDIT", "SYSVTOC", "MAJ'OR"};
const std::vector<std::string> minors = {"PAY.MASTER", "SRC", "VOL001", "A B", "O'BRIEN"};
const std::vector<std::string> jobs = {"JOBA", "JOBB", "JOBC", "", "MIMGR"};
const std::vector<std::string> flags = {"YES", "NO", ""};

std::string lit(const std::string& s) { return blob(s); }
std::string num(int32_t n) { return std::to_string(n); }

} // namespace

uint8_t Bytes::byte() { return at_ < size_ ? data_[at_++] : 0; }

int32_t Bytes::integer() {
    uint8_t b = byte();
    if (b < 0xF0) return b % 128;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
    return static_cast<int32_t>(v);
}

std::string Bytes::raw(size_t maxLength) {
    size_t n = maxLength ? byte() % (maxLength + 1) : 0;
    std::string out;
    while (n-- > 0 && !empty()) out += static_cast<char>(byte());
    return out;
}

std::string Bytes::pick(const std::vector<std::string>& pool, size_t maxRaw) {
    uint8_t b = byte();
    if (b >= 0xF0) return raw(maxRaw);
    return pool[b % pool.size()];
}

std::string Bytes::rest() {
    std::string out(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
    at_ = size_;
    return out;
}

std::string enterpriseRows(Bytes& in) {
    std::string sql;
    // At most a few hundred rows: deep enough, and fast per input.
    for (int row = 0; row < 300 && !in.empty(); ++row) {
        switch (in.byte() % 6) {
        case 0:
        case 1:
            sql += "INSERT INTO INODESTS VALUES(" + lit(in.pick(nodes)) + "," + lit(in.pick(thruNodes)) + "," +
                   lit(in.pick(affinities, 60)) + "," + lit(in.pick(online, 2)) + ");";
            break;
        case 2:
            sql += "INSERT INTO MXCFSYS VALUES(" + lit(in.pick(thruNodes)) + "," + lit(in.pick(systems)) + "," +
                   num(in.integer()) + "," + num(in.integer()) + ",'ACTIVE','SP7'," + lit(in.pick(nodes)) +
                   "," + lit(in.pick(enqplexes)) + ");";
            break;
        case 3:
            sql += "INSERT INTO MGLBLENQ VALUES(" + lit(in.pick(thruNodes)) + "," + lit(in.pick(majors)) + "," +
                   lit(in.pick(minors, 300)) + "," + num(in.integer()) + "," + num(in.integer()) + "," +
                   num(in.integer()) + "," + lit(in.pick(jobs)) + "," + lit(in.pick(jobs)) + "," +
                   lit(in.pick(systems)) + "," + num(in.integer()) + "," + num(in.integer()) + "," +
                   num(in.integer()) + "," + num(in.integer()) + "," + lit(in.pick(flags)) + "," +
                   lit(in.pick(nodes)) + "," + num(in.integer()) + ");";
            break;
        case 4:
            sql += "INSERT INTO ENQ_RESRC VALUES(" + lit(in.pick(thruNodes)) + "," + num(in.byte() % 4) + "," +
                   lit(in.pick(majors)) + "," + lit(in.pick(minors, 300)) + ");";
            break;
        default:
            sql += "INSERT INTO ENQ_TASKS VALUES(" + lit(in.pick(thruNodes)) + "," + num(in.byte() % 4) + "," +
                   num(in.byte() % 3) + "," + lit(in.pick(jobs)) + "," + num(in.integer()) + "," +
                   num(in.integer()) + "," + num(in.integer()) + "," + lit(in.pick(systems)) + "," +
                   num(in.integer()) + "," + num(in.integer()) + ");";
            break;
        }
    }
    return sql;
}

const std::vector<std::string>& majorNames() { return majors; }
const std::vector<std::string>& minorNames() { return minors; }
const std::vector<std::string>& enqplexNames() { return enqplexes; }

} // namespace fuzz
