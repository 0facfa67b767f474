#include "picture/resource_tasks.h"

#include <algorithm>
#include <cstring>

#include "sql/fixed_width.h"

namespace picture {

namespace {

template <std::size_t N>
std::string trimmed(const char (&field)[N]) {
    return host::sql::trimmedField(field, N);
}

// An index predicate value ends at its first NUL, so a name that holds one
// (besides the padding, already trimmed) cannot name the resource.
bool holdsNul(const std::string& name) { return name.find('\0') != std::string::npos; }

bool sameResource(const zrx::MentrenqRow& a, const zrx::MentrenqRow& b) {
    return std::memcmp(a.majorname, b.majorname, sizeof a.majorname) == 0 &&
           std::memcmp(a.minorname, b.minorname, sizeof a.minorname) == 0;
}

} // namespace

std::string enqplexOfPredicate(const std::string& value) {
    std::size_t n = 0;
    while (n < value.size() && n < 8 && value[n] != ' ' && value[n] != '\0') ++n;
    return value.substr(0, n);
}

Resource resourceOf(const zrx::MentrenqRow& row, std::size_t place) {
    Resource r;
    r.reportRow = place;
    r.enqplex = trimmed(row.enqplex);
    r.major = trimmed(row.majorname);
    r.minor = trimmed(row.minorname);
    r.owntaskct = row.owntaskct;
    r.waittaskct = row.waittaskct;
    r.maxwaittm = row.maxwaittm;
    return r;
}

bool detailPredicates(Resource& r, std::vector<host::Predicate>& predicates) {
    if (holdsNul(r.major) || holdsNul(r.minor)) {
        r.unavailable = std::string("its ") + (holdsNul(r.major) ? "major" : "minor") +
                        " name holds a NUL byte, which a query for one resource cannot carry";
        return false;
    }
    predicates = host::Predicate::resource(r.major, r.minor, r.enqplex);
    return true;
}

void takeDetail(Resource& r, const zrx::MentrenqRow& summary, ViewRun run) {
    r.asked = true;
    r.detail = run.outcome;
    r.detailRows = std::move(run.rows);
    if (!r.detail.endedNormally()) r.unavailable = r.detail.description();
    for (const auto& row : r.detailRows) {
        // Only the rows of this very resource, whatever bytes its names hold.
        if (!sameResource(row, summary)) continue;
        Task task;
        const std::string owner = trimmed(row.owningas);
        task.job = owner.empty() ? trimmed(row.waitingas) : owner;
        task.sysname = trimmed(row.sysname);
        task.plxname = trimmed(row.plxname);
        task.asid = row.asid;
        task.exclusive = row.type == 0;
        task.trueOwner = row.trueowner == 0x80;
        task.waittime = row.waittime;
        (owner.empty() ? r.waiters : r.owners).push_back(std::move(task));
    }
    std::stable_sort(r.waiters.begin(), r.waiters.end(),
                     [](const Task& a, const Task& b) { return a.waittime > b.waittime; });
    // A resource that has tasks but none came back (its name reads
    // differently as a predicate value, e.g. padded with NULs) is said so.
    if (r.unavailable.empty() && r.owners.empty() && r.waiters.empty() && r.owntaskct + r.waittaskct > 0)
        r.unavailable = "the query for this resource found none of its tasks";
}

std::vector<EnqplexResources> treeOrder(const std::vector<Resource>& resources) {
    std::vector<EnqplexResources> groups;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        if (groups.empty() || groups.back().name != resources[i].enqplex) groups.push_back({resources[i].enqplex, {}});
        groups.back().resources.push_back(i);
    }
    for (auto& group : groups)
        std::stable_sort(group.resources.begin(), group.resources.end(), [&](std::size_t a, std::size_t b) {
            return resources[a].maxwaittm > resources[b].maxwaittm;
        });
    return groups;
}

} // namespace picture
