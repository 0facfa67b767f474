#include "history_samples.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <tuple>

namespace historytest {

namespace {

template <size_t N>
void put(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

zrx::MentrenqRow baseRow(const Contended& c) {
    zrx::MentrenqRow r{};
    put(r.majorname, c.major);
    put(r.minorname, c.minor);
    put(r.enqplex, c.enqplex);
    r.owntaskct = static_cast<int32_t>(c.holders.size());
    r.waittaskct = c.waiters;
    r.maxwaittm = c.maxWait;
    put(r.owningas, "");
    put(r.waitingas, "");
    put(r.sysname, "");
    put(r.report, "");
    put(r.originnode, "");
    put(r.plxname, "");
    return r;
}

std::string text(sqlite3_stmt* s, int i) {
    const unsigned char* t = sqlite3_column_text(s, i);
    return t ? reinterpret_cast<const char*>(t) : "";
}

template <typename Fn>
void eachRow(sqlite3* db, const std::string& sql, Fn fn, int64_t parameter = 0) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    sqlite3_bind_int64(s, 1, parameter);
    while (sqlite3_step(s) == SQLITE_ROW) fn(s);
    sqlite3_finalize(s);
}

void sortEpisodes(std::vector<ReferenceEpisode>& episodes) {
    std::sort(episodes.begin(), episodes.end(), [](const auto& a, const auto& b) {
        return std::tie(a.firstSeen, a.enqplex, a.major, a.minor) < std::tie(b.firstSeen, b.enqplex, b.major, b.minor);
    });
}

} // namespace

zrx::MentrenqRow reportRow(const Contended& c) {
    zrx::MentrenqRow r = baseRow(c);
    put(r.report, "YES");
    return r;
}

std::vector<zrx::MentrenqRow> detailRows(const Contended& c) {
    std::vector<zrx::MentrenqRow> rows;
    for (const auto& holder : c.holders) {
        zrx::MentrenqRow r = baseRow(c);
        const size_t at = holder.find('@');
        put(r.owningas, holder.substr(0, at));
        put(r.sysname, holder.substr(at + 1));
        r.trueowner = 0x80;
        r.asid = 0x30;
        rows.push_back(r);
    }
    for (int w = 0; w < c.waiters; ++w) {
        zrx::MentrenqRow r = baseRow(c);
        put(r.waitingas, "WAIT" + std::to_string(w));
        put(r.sysname, "SYSW");
        r.waittime = c.maxWait - w;
        r.trueowner = 0x40;
        r.type = 1;
        rows.push_back(r);
    }
    return rows;
}

history::Sample goodSample(int64_t seconds, const std::vector<Contended>& resources) {
    history::Sample s;
    s.takenMs = baseMs + seconds * 1000;
    s.captured = true;
    s.snapshot = "test.db";
    s.snapshotIdentity = "v" + std::to_string(seconds);
    s.status = zrx::entry::noMoreRows;
    s.viewMs = 1.5;
    s.enqplexes = {"PLEXA", "PLEXB"};
    for (const auto& c : resources) {
        s.report.push_back(reportRow(c));
        history::SampleResource r;
        r.rows = detailRows(c);
        s.resources.push_back(std::move(r));
    }
    return s;
}

history::Sample failedSample(int64_t seconds) {
    history::Sample s;
    s.takenMs = baseMs + seconds * 1000;
    s.snapshot = "test.db";
    s.status = zrx::entry::viewAbandoned;
    s.abandon = zrx::Abandon::OutputRowLimit;
    s.reason = "status 71: view abandoned (more than 10000 summary and detail rows)";
    return s;
}

std::vector<ReferenceEpisode> referenceEpisodes(sqlite3* db) {
    struct SampleRef {
        int64_t id, taken, interval;
        bool good;
    };
    std::vector<SampleRef> samples;
    eachRow(db, "SELECT ID, TAKEN_MS, COALESCE(INTERVAL_MS, 0), STATUS IS 62 FROM SAMPLES ORDER BY TAKEN_MS",
            [&](sqlite3_stmt* s) {
                samples.push_back({sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2),
                                   sqlite3_column_int(s, 3) != 0});
            });
    std::vector<ReferenceEpisode> episodes;
    std::map<std::tuple<std::string, std::string, std::string>, size_t> open;
    for (const SampleRef& sample : samples) {
        if (!sample.good) continue;
        struct Seen {
            std::tuple<std::string, std::string, std::string> key;
            int64_t waiters, maxWait;
            std::vector<std::string> holders;
        };
        std::vector<Seen> seen;
        std::map<int64_t, size_t> byResource;
        eachRow(
            db,
            "SELECT RESOURCE, DETAIL, ENQPLEX, MAJORNAME, MINORNAME, WAITTASKCT, MAXWAITTM, OWNINGAS, SYSNAME "
            "FROM ROWS WHERE SAMPLE_ID = ?1 ORDER BY RESOURCE, DETAIL",
            [&](sqlite3_stmt* s) {
                const int64_t resource = sqlite3_column_int64(s, 0);
                auto key = std::make_tuple(text(s, 2), text(s, 3), text(s, 4));
                if (sqlite3_column_int64(s, 1) == 0) {
                    for (const Seen& earlier : seen)
                        if (earlier.key == key) return; // the first report row of a resource counts
                    byResource[resource] = seen.size();
                    seen.push_back({key, sqlite3_column_int64(s, 5), sqlite3_column_int64(s, 6), {}});
                    return;
                }
                auto it = byResource.find(resource);
                if (it == byResource.end() || text(s, 7).empty()) return;
                Seen& owner = seen[it->second];
                if (std::get<1>(owner.key) != std::get<1>(key) || std::get<2>(owner.key) != std::get<2>(key)) return;
                const std::string holder = text(s, 7) + "@" + text(s, 8);
                if (std::find(owner.holders.begin(), owner.holders.end(), holder) == owner.holders.end())
                    owner.holders.push_back(holder);
            },
            sample.id);
        std::map<std::tuple<std::string, std::string, std::string>, size_t> still;
        for (const Seen& s : seen) {
            auto it = open.find(s.key);
            size_t at;
            if (it == open.end()) {
                at = episodes.size();
                ReferenceEpisode e;
                std::tie(e.enqplex, e.major, e.minor) = s.key;
                e.firstSeen = sample.taken;
                episodes.push_back(e);
            } else {
                at = it->second;
            }
            ReferenceEpisode& e = episodes[at];
            e.lastSeen = sample.taken;
            ++e.samples;
            e.maxWaiters = std::max(e.maxWaiters, s.waiters);
            e.maxWait = std::max(e.maxWait, s.maxWait);
            e.blocked += s.waiters * sample.interval;
            for (const auto& h : s.holders) {
                auto hit = std::find_if(e.holders.begin(), e.holders.end(), [&](const auto& p) { return p.first == h; });
                if (hit == e.holders.end()) hit = e.holders.insert(e.holders.end(), {h, 0});
                hit->second += s.waiters * sample.interval;
            }
            still[s.key] = at;
        }
        open = std::move(still);
    }
    for (const auto& [key, at] : open) episodes[at].open = true;
    sortEpisodes(episodes);
    return episodes;
}

std::vector<ReferenceEpisode> storedEpisodes(sqlite3* db) {
    std::vector<ReferenceEpisode> episodes;
    std::vector<int64_t> ids;
    eachRow(db,
            "SELECT ID, ENQPLEX, MAJORNAME, MINORNAME, FIRST_SEEN, LAST_SEEN, SAMPLES, MAX_WAITERS, MAX_WAIT, "
            "BLOCKED_MS, OPEN FROM EPISODES ORDER BY ID",
            [&](sqlite3_stmt* s) {
                ReferenceEpisode e{text(s, 1), text(s, 2), text(s, 3), sqlite3_column_int64(s, 4),
                                   sqlite3_column_int64(s, 5), sqlite3_column_int64(s, 6), sqlite3_column_int64(s, 7),
                                   sqlite3_column_int64(s, 8), sqlite3_column_int64(s, 9), sqlite3_column_int(s, 10) != 0,
                                   {}};
                ids.push_back(sqlite3_column_int64(s, 0));
                episodes.push_back(e);
            });
    for (size_t i = 0; i < ids.size(); ++i)
        eachRow(
            db, "SELECT HOLDER, BLOCKED_MS FROM HOLDERS WHERE EPISODE_ID = ?1 ORDER BY PLACE",
            [&](sqlite3_stmt* s) { episodes[i].holders.push_back({text(s, 0), sqlite3_column_int64(s, 1)}); }, ids[i]);
    sortEpisodes(episodes);
    return episodes;
}

std::string wholeness(sqlite3* db) {
    std::string problems;
    eachRow(db, "PRAGMA integrity_check", [&](sqlite3_stmt* s) {
        if (text(s, 0) != "ok") problems += "integrity: " + text(s, 0) + "\n";
    });
    eachRow(db,
            "SELECT s.ID, s.REPORT_ROWS, s.DETAIL_ROWS, s.FIRST_ROW, COUNT(r.ID), MIN(r.ID), MAX(r.ID), "
            "SUM(r.DETAIL = 0) FROM SAMPLES s LEFT JOIN ROWS r ON r.SAMPLE_ID = s.ID GROUP BY s.ID",
            [&](sqlite3_stmt* s) {
                const int64_t expected = sqlite3_column_int64(s, 1) + sqlite3_column_int64(s, 2);
                const int64_t count = sqlite3_column_int64(s, 4);
                const bool contiguous =
                    count == 0 || (sqlite3_column_int64(s, 5) == sqlite3_column_int64(s, 3) &&
                                   sqlite3_column_int64(s, 6) - sqlite3_column_int64(s, 5) + 1 == count);
                if (count != expected || !contiguous || sqlite3_column_int64(s, 7) != sqlite3_column_int64(s, 1))
                    problems += "sample " + std::to_string(sqlite3_column_int64(s, 0)) + " is not whole\n";
            });
    for (const char* orphan : {"SELECT COUNT(*) FROM ROWS WHERE SAMPLE_ID NOT IN (SELECT ID FROM SAMPLES)",
                               "SELECT COUNT(*) FROM HOLDERS WHERE EPISODE_ID NOT IN (SELECT ID FROM EPISODES)",
                               "SELECT COUNT(*) FROM EPISODES WHERE LAST_SAMPLE_ID NOT IN (SELECT ID FROM SAMPLES)",
                               "SELECT COUNT(*) FROM SAMPLES WHERE INTERVAL_MS IS NULL AND TAKEN_MS < "
                               "(SELECT MAX(TAKEN_MS) FROM SAMPLES)"})
        eachRow(db, orphan, [&](sqlite3_stmt* s) {
            if (sqlite3_column_int64(s, 0) != 0) problems += std::string(orphan) + "\n";
        });
    return problems;
}

std::string printable(const std::vector<ReferenceEpisode>& episodes) {
    std::ostringstream out;
    for (const auto& e : episodes) {
        out << e.enqplex << " " << e.major << " " << e.minor << " first " << e.firstSeen - baseMs << " last "
            << e.lastSeen - baseMs << " samples " << e.samples << " waiters " << e.maxWaiters << " wait " << e.maxWait
            << " blocked " << e.blocked << (e.open ? " open" : "") << " holders";
        for (const auto& [h, b] : e.holders) out << " " << h << "=" << b;
        out << "\n";
    }
    return out.str();
}

} // namespace historytest
