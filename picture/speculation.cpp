#include "picture/speculation.h"

#include <sqlite3.h>

#include <string_view>
#include <unordered_set>
#include <utility>

#include "core/data_source.h"
#include "core/host.h"
#include "picture/resource_tasks.h"
#include "picture/trace_relay.h"

namespace picture {

namespace {

// The Enqplexes that each online PlexHub's Systems name, joined with the
// contention rows the PlexHub holds: both live at the PlexHub's thru-node.
constexpr const char* guessQuery =
    "SELECT p.ENQPLEX, g.MAJORNAME, g.MINORNAME"
    " FROM (SELECT DISTINCT s.AT_NODE, s.ENQPLEX FROM main.INODESTS h"
    "       JOIN main.MXCFSYS s ON s.AT_NODE = h.THRUNODE"
    "       WHERE substr(h.AFFINITIES, 1, 8) = '10000000' AND h.Q7ONLINE = 'Y') p"
    " JOIN main.MGLBLENQ g ON g.AT_NODE = p.AT_NODE";

// Valid until the statement steps again.
std::string_view columnBytes(sqlite3_stmt* statement, int column) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                 : std::string_view();
}

// A name as a report row carries it: its field's width at most, without
// trailing blanks and NULs.
std::string asField(std::string_view value, std::size_t width) {
    value = value.substr(0, width);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\0')) value.remove_suffix(1);
    return std::string(value);
}

// The Enqplex a System's ENQPLEX column names: up to the first '.', blank
// or NUL, "*DEFAULT" when that leaves nothing; nullopt for a name too long,
// which the view refuses.
std::optional<std::string> enqplexOfColumn(std::string_view column) {
    std::size_t n = 0;
    auto ends = [&](std::size_t i) { return i >= column.size() || column[i] == '.' || column[i] == ' ' || column[i] == '\0'; };
    while (n < 8 && !ends(n)) ++n;
    if (n == 8 && !ends(8)) return std::nullopt;
    return n == 0 ? std::string("*DEFAULT") : std::string(column.substr(0, n));
}

std::string namesKey(const std::vector<host::Predicate>& predicates) {
    std::string key;
    for (const auto& p : predicates) {
        key += p.value;
        key += '\0';
    }
    return key;
}

bool samePredicates(const std::vector<host::Predicate>& a, const std::vector<host::Predicate>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].column != b[i].column || a[i].op != b[i].op || a[i].value != b[i].value) return false;
    return true;
}

} // namespace

std::vector<Resource> guessResources(host::sql::Snapshot& snapshot, const std::string& enqplex,
                                     std::stop_token stop) {
    std::vector<Resource> resources;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(snapshot.db(), guessQuery, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return resources;
    }
    std::unordered_set<std::string> seen;
    // A node's rows come from its index in the order of their names, so the
    // rows of one resource's tasks follow one another: only the first of
    // them is looked at.
    std::string previous[3];
    bool first = true;
    while (!stop.stop_requested() && sqlite3_step(statement) == SQLITE_ROW) {
        const std::string_view columns[3] = {columnBytes(statement, 0), columnBytes(statement, 1),
                                             columnBytes(statement, 2)};
        if (!first && columns[0] == previous[0] && columns[1] == previous[1] && columns[2] == previous[2]) continue;
        first = false;
        for (int c = 0; c < 3; ++c) previous[c].assign(columns[c]);
        const std::optional<std::string> name = enqplexOfColumn(columns[0]);
        if (!name || (!enqplex.empty() && *name != enqplex)) continue;
        Resource r;
        r.enqplex = *name;
        r.major = asField(columns[1], sizeof zrx::MentrenqRow{}.majorname);
        r.minor = asField(columns[2], sizeof zrx::MentrenqRow{}.minorname);
        // A name holding a NUL cannot be asked for, so NULs part the names.
        if (seen.insert(r.enqplex + '\0' + r.major + '\0' + r.minor).second) resources.push_back(std::move(r));
    }
    sqlite3_finalize(statement);
    return resources;
}

Speculation::Speculation(const host::Module& module, uint64_t storageLimit, host::ResultCache& cache,
                         std::string enqplex)
    : module_(module), storageLimit_(storageLimit), cache_(cache), enqplex_(std::move(enqplex)) {}

void Speculation::add(Resource resource) {
    Guess guess;
    if (!detailPredicates(resource, guess.predicates)) return;
    if (byNames_.emplace(namesKey(guess.predicates), guesses_.size()).second) guesses_.push_back(std::move(guess));
}

void Speculation::guess(const std::vector<Resource>& resources) {
    told_ = true;
    for (const auto& r : resources) add(r);
}

void Speculation::run(host::sql::Snapshot& connection, std::stop_token stop) {
    try {
        if (!told_)
            for (auto& r : guessResources(connection, enqplex_, stop)) add(std::move(r));
        host::SnapshotSource source(connection, &cache_);
        host::Host host(&source);
        host.keepStatements(false);
        // Even without a user trace the view writes some lines, which only
        // a request the picture takes may show.
        TraceRelay::Capture capture;
        for (auto& guess : guesses_) {
            if (stop.stop_requested()) break;
            guess.run = runView(host, module_, guess.predicates, storageLimit_, false);
            guess.trace = capture.take();
            ++ran_;
        }
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void Speculation::rethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
}

void Speculation::dropAll() {
    for (auto& guess : guesses_) {
        guess.run.reset();
        guess.trace.clear();
    }
}

std::optional<ViewRun> Speculation::take(const std::vector<host::Predicate>& predicates) {
    const std::string key = namesKey(predicates);
    Guess taken;
    {
        std::lock_guard lock(taking_);
        const auto found = byNames_.find(key);
        if (found == byNames_.end()) return std::nullopt;
        Guess& guess = guesses_[found->second];
        if (!samePredicates(guess.predicates, predicates)) return std::nullopt;
        // A resource is asked once: its guess goes now, on the thread that
        // asks, instead of with all the others when the picture is done.
        taken = std::move(guess);
        byNames_.erase(found);
        if (taken.run) ++taken_;
    }
    if (!taken.run) return std::nullopt;
    for (const auto& record : taken.trace) platform::writeTrace(record);
    return std::move(taken.run);
}

} // namespace picture
