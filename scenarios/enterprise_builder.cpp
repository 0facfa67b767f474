#include "enterprise_builder.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "contention_writer.h"
#include "names.h"
#include "random.h"

namespace scenarios {

namespace {

// Uncontended ENQs per contended resource.
constexpr int uncontendedEvery = 5;

void require(bool ok, const std::string& message) {
    if (!ok) throw std::invalid_argument(message);
}

std::string bounds(std::string_view option, long low, long high, long value) {
    return std::string(option) + " must be from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not " + std::to_string(value);
}

// The contention of one Enqplex, resource by resource, drawn at random and
// laid down by a ResourceWriter.
class ContentionWriter {
public:
    ContentionWriter(const EnqplexInfo& enqplex, int index, const GeneratorOptions& o,
                     const std::vector<std::string>& jobs, SplitMix64& rng, RowSink& sink)
        : x_(enqplex), index_(index), systemsPerSysplex_(o.systems), tasksAverage_(o.tasks),
          rng_(rng), writer_(enqplex, jobs, sink) {}

    void contended(int serial) {
        names::resourceName(index_, serial, name_);
        tasks_.clear();
        const int count = 2 + rng_.below(2 * (tasksAverage_ - 2) + 1);
        const bool shared = rng_.chance(1, 4);
        const int owners = shared ? 1 + rng_.below(std::min(count - 1, 3)) : 1;
        const int ownerSystem = rng_.below(systemCount());
        const int ownerSysplexFirst = x_.systems[static_cast<size_t>(ownerSystem)].sysplex *
                                      systemsPerSysplex_;
        for (int i = 0; i < count; ++i) {
            int sys = ownerSystem;
            if (i > 0) {
                sys = rng_.chance(1, 2) ? ownerSysplexFirst + rng_.below(systemsPerSysplex_)
                                        : rng_.below(systemCount());
            }
            Task t{sys, pickJob(sys), i < owners, 0, 0, 0};
            if (t.owner) {
                t.type = shared ? 1 : 0;
                t.swapped = rng_.chance(1, 16) ? 1 : 0;
            } else {
                t.type = shared ? 0 : rng_.below(2);
                t.wait = waitTime();
            }
            tasks_.push_back(t);
        }
        writer_.contended(name_, tasks_, owners, shared ? 1 : 0);
    }

    void uncontended(int serial) {
        names::resourceName(index_, serial, name_);
        tasks_.clear();
        const int sys = rng_.below(systemCount());
        tasks_.push_back({sys, pickJob(sys), true, rng_.below(2), 0, 0});
        writer_.uncontended(name_, tasks_);
    }

private:
    int systemCount() const { return static_cast<int>(x_.systems.size()); }

    // A job of the System that has no task on this resource yet.
    int pickJob(int sys) {
        int job = rng_.below(names::jobPoolSize);
        auto taken = [&](int j) {
            return std::any_of(tasks_.begin(), tasks_.end(),
                               [&](const Task& t) { return t.system == sys && t.job == j; });
        };
        while (taken(job)) job = (job + 1) % names::jobPoolSize;
        return job;
    }

    // Half the waiters wait under a minute, the others up to an hour.
    int32_t waitTime() {
        return rng_.chance(1, 2) ? 1 + rng_.below(59) : 60 + rng_.below(3540);
    }

    const EnqplexInfo& x_;
    int index_, systemsPerSysplex_, tasksAverage_;
    SplitMix64& rng_;
    ResourceWriter writer_;
    std::vector<Task> tasks_;
    names::ResourceName name_;
};

} // namespace

void validateOptions(const GeneratorOptions& o) {
    require(o.enqplexes >= 1 && o.enqplexes <= maxEnqplexes,
            bounds("enqplexes", 1, maxEnqplexes, o.enqplexes));
    require(o.sysplexes >= 1 && o.sysplexes <= maxSysplexesPerEnqplex,
            bounds("sysplexes", 1, maxSysplexesPerEnqplex, o.sysplexes));
    require(o.systems >= 1 && o.systems <= maxSystemsPerEnqplex / o.sysplexes,
            bounds("systems", 1, maxSystemsPerEnqplex / o.sysplexes, o.systems) +
                " (an Enqplex holds at most " + std::to_string(maxSystemsPerEnqplex) +
                " Systems)");
    require(o.resources >= 0 && o.resources <= maxResourcesPerEnqplex,
            bounds("resources", 0, maxResourcesPerEnqplex, o.resources));
    require(o.tasks >= minTasksPerResource && o.tasks <= maxTasksPerResource,
            bounds("tasks", minTasksPerResource, maxTasksPerResource, o.tasks));
    require(static_cast<long>(o.resources) * o.tasks <= maxTaskBudgetPerEnqplex,
            "resources times tasks must be at most " + std::to_string(maxTaskBudgetPerEnqplex) +
                ", not " + std::to_string(static_cast<long>(o.resources) * o.tasks));
}

void buildEnterprise(const GeneratorOptions& o, RowSink& sink) {
    validateOptions(o);
    const std::vector<EnqplexInfo> enqplexes = layOut(o);
    sendConfiguration(enqplexes, sink);

    const std::vector<std::string> jobs = jobNames();

    SplitMix64 rng(o.seed);
    for (int e = 0; e < o.enqplexes; ++e) {
        ContentionWriter writer(enqplexes[static_cast<size_t>(e)], e, o, jobs, rng, sink);
        for (int r = 0; r < o.resources; ++r) writer.contended(r);
        for (int u = 0; u < o.resources / uncontendedEvery; ++u) writer.uncontended(o.resources + u);
    }
}

} // namespace scenarios
