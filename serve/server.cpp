#include "serve/server.h"

#include <httplib.h>

#include <ctime>
#include <thread>

#include "cli/columns.h"
#include "cli/enqplex_names.h"
#include "cli/message_text.h"
#include "cli/row_filter.h"
#include "serve/api_json.h"
#include "serve/connection_queue.h"
#include "serve/history_requests.h"
#include "serve/page.h"
#include "serve/request_parameters.h"

namespace serve {

namespace {

constexpr char jsonType[] = "application/json";
constexpr char metricsType[] = "text/plain; version=0.0.4; charset=utf-8";

// When the request on this thread was read; set before routing.
thread_local std::chrono::steady_clock::time_point requestBegan{};

struct Endpoint {
    const char* path;
    const char* handler; // the label of its requests in the metrics
};

constexpr Endpoint endpoints[] = {
    {"/", "page"},
    {"/page.css", "page"},
    {"/page.js", "page"},
    {"/metrics", "metrics"},
    {"/api/v1/contention", "contention"},
    {"/api/v1/tree", "tree"},
    {"/api/v1/status", "status"},
    {"/api/v1/history", "history"},
    {"/api/v1/history/samples", "history"},
};

const char* handlerOf(const std::string& path) {
    for (const auto& e : endpoints)
        if (path == e.path) return e.handler;
    return "other";
}

void answerJson(httplib::Response& res, int status, const std::string& body) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(body, jsonType);
}

void answerError(httplib::Response& res, int status, const std::string& message) {
    answerJson(res, status, errorDocument(status, message));
}

// A view that failed: 503 with its status and reason; 400 when the view
// refused the predicates the request gave it.
int statusForView(int32_t status, zrx::Abandon abandon) {
    return httpStatusForView(status == 0 ? std::nullopt : std::optional<int32_t>(status), abandon);
}

// The Enqplex an ENQPLEX value asks for must be one of the configuration.
// The `at` parameter of a request for the past, taken out of `parameters`;
// false with a message when it is given twice.
bool takeAt(Parameters& parameters, std::optional<std::string>& at, std::string& error) {
    for (auto p = parameters.begin(); p != parameters.end();) {
        if (p->first != "at") {
            ++p;
            continue;
        }
        if (at) {
            error = "parameter at is given more than once; it takes one value";
            return false;
        }
        at = p->second;
        p = parameters.erase(p);
    }
    return true;
}

bool enqplexConfigured(const Reading& reading, const std::string& value, std::string& error) {
    const std::string wanted = cli::enqplexOfPredicate(value);
    if (wanted.empty() || !reading.endedNormally()) return true;
    std::string names;
    for (const auto& e : reading.configuration.enqplexes) {
        if (e.name == wanted) return true;
        names += (names.empty() ? " " : ", ") + cli::shownName(e.name);
    }
    error = "the snapshot has no Enqplex " + cli::shownName(wanted) + "; " +
            (names.empty() ? std::string("it names none") : "its Enqplexes are" + names);
    return false;
}

std::string commonLogTime() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    char text[40] = "-";
    if (gmtime_r(&now, &utc)) std::strftime(text, sizeof text, "[%d/%b/%Y:%H:%M:%S +0000]", &utc);
    return text;
}

} // namespace

Server::Server(const ViewSource& source, const HistorySource* history, ServerOptions options, std::ostream& log)
    : source_(source), history_(history), options_(std::move(options)), log_(log), cache_(source),
      http_(std::make_unique<httplib::Server>()) {
    http_->new_task_queue = [this] {
        auto* queue = new ConnectionQueue(options_.threads, options_.queue);
        queue_ = queue;
        return queue;
    };
    // One request per connection: a worker is never held by an idle client,
    // so the bound on workers is a bound on requests.
    http_->set_keep_alive_max_count(1);
    http_->set_read_timeout(options_.clientTimeoutSeconds, 0);
    http_->set_write_timeout(options_.clientTimeoutSeconds, 0);
    http_->set_payload_max_length(options_.maxBodyBytes);
    routes();
}

Server::~Server() = default;

bool Server::bind(std::string& error) {
    if (options_.port == 0) {
        port_ = http_->bind_to_any_port(options_.address);
        if (port_ > 0) return true;
    } else if (http_->bind_to_port(options_.address, options_.port)) {
        port_ = options_.port;
        return true;
    }
    error = "cannot listen on " + options_.address + ":" + std::to_string(options_.port);
    return false;
}

bool Server::run() { return http_->listen_after_bind(); }

void Server::stop() {
    // Wait for the listening loop to have made its queue.
    while (http_->is_running() && !queue_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ConnectionQueue* queue = queue_) {
        queue->startStopping();
        // Each connection ends after one request, or after its client's
        // time-outs: this is bounded unless a view hangs.
        queue->waitForServed(std::chrono::seconds(4 * options_.clientTimeoutSeconds + 60));
    }
    http_->stop();
}

ServerCounts Server::counts() const {
    std::lock_guard<std::mutex> lock(countsMutex_);
    ServerCounts counts = counts_;
    counts.snapshotReads = cache_.reads();
    counts.cacheHits = cache_.hits();
    return counts;
}

void Server::logRequest(const std::string& line, const std::string& handler, int status) {
    {
        std::lock_guard<std::mutex> lock(countsMutex_);
        ++counts_.requests[{handler, status}];
    }
    std::lock_guard<std::mutex> lock(logMutex_);
    log_ << line << std::endl;
}

void Server::routes() {
    httplib::Server& http = *http_;
    http.set_pre_routing_handler([this](const httplib::Request&, httplib::Response& res) {
        requestBegan = std::chrono::steady_clock::now();
        switch (connectionMode()) {
        case ConnectionMode::Serve: return httplib::Server::HandlerResponse::Unhandled;
        case ConnectionMode::Busy:
            res.set_header("Retry-After", "1");
            answerError(res, 503,
                        "the server is busy: " + std::to_string(options_.threads) + " requests are being served and " +
                            std::to_string(options_.queue) + " wait; try again");
            break;
        case ConnectionMode::Stopping:
            res.set_header("Retry-After", "5");
            answerError(res, 503, "the server is stopping");
            break;
        }
        return httplib::Server::HandlerResponse::Handled;
    });
    http.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        std::string message;
        switch (res.status) {
        case 400: message = "bad request"; break;
        case 404: message = "no such path: " + req.path; break;
        case 413: message = "the request's body is too large"; break;
        case 414: message = "the request's target is too long"; break;
        default: message = "status " + std::to_string(res.status); break;
        }
        answerError(res, res.status, message);
        return httplib::Server::HandlerResponse::Handled;
    }));
    http.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        answerError(res, 500, "internal error");
    });
    http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        std::string target = cli::printableMessage(req.target.empty() ? req.path : req.target);
        if (target.size() > 512) target = target.substr(0, 512) + "...";
        for (auto& c : target)
            if (c == '"') c = '\'';
        char seconds[32] = "-";
        if (requestBegan != std::chrono::steady_clock::time_point{})
            std::snprintf(seconds, sizeof seconds, "%.6f",
                          std::chrono::duration<double>(std::chrono::steady_clock::now() - requestBegan).count());
        requestBegan = {};
        const std::string line = cli::printableMessage(req.remote_addr) + " - - " + commonLogTime() + " \"" +
                                 cli::printableMessage(req.method) + " " + target + " " +
                                 cli::printableMessage(req.version) + "\" " + std::to_string(res.status) + " " +
                                 std::to_string(res.body.size()) + " " + seconds;
        logRequest(line, handlerOf(req.path), res.status);
    });

    // Every path answers GET (and HEAD); another method on a known path is 405.
    auto wrongMethod = [](const httplib::Request& req, httplib::Response& res) {
        if (std::string(handlerOf(req.path)) == "other") {
            answerError(res, 404, "no such path: " + req.path);
            return;
        }
        res.set_header("Allow", "GET, HEAD");
        answerError(res, 405, "method " + req.method + " is not allowed; use GET");
    };
    http.Post(".*", wrongMethod);
    http.Put(".*", wrongMethod);
    http.Delete(".*", wrongMethod);
    http.Patch(".*", wrongMethod);
    http.Options(".*", wrongMethod);

    auto pageFile = [&http](const char* path, std::string_view (*text)(), const char* type) {
        http.Get(path, [text, type](const httplib::Request&, httplib::Response& res) {
            res.set_header("Cache-Control", "no-cache");
            res.set_header("Content-Security-Policy",
                           "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'");
            res.set_header("X-Content-Type-Options", "nosniff");
            res.set_content(std::string(text()), type);
        });
    };
    pageFile("/", pageHtml, "text/html; charset=utf-8");
    pageFile("/page.css", pageCss, "text/css; charset=utf-8");
    pageFile("/page.js", pageScript, "text/javascript; charset=utf-8");

    http.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
        // Answered also while the view fails: the scrape carries mentrenq_up.
        auto reading = cache_.reading();
        res.set_header("Cache-Control", "no-store");
        res.set_content(metricsText(reading.get(), counts()), metricsType);
    });

    // The past, from the history: 404 on a server without one.
    auto answerPast = [this](httplib::Response& res, const std::function<HttpAnswer(const HistorySource&)>& answer) {
        if (!history_) return answerError(res, 404, noHistoryMessage());
        const HttpAnswer a = answer(*history_);
        answerJson(res, a.status, a.body);
    };

    http.Get("/api/v1/contention", [this, answerPast](const httplib::Request& req, httplib::Response& res) {
        Parameters parameters = parametersOf(req.target);
        std::optional<std::string> at;
        ContentionQuery query;
        std::string error;
        if (!takeAt(parameters, at, error) || !contentionQuery(parameters, query, error))
            return answerError(res, 400, error);
        if (at)
            return answerPast(res, [&](const HistorySource& h) { return pastContentionAnswer(h, *at, query); });
        auto reading = cache_.reading();
        for (const auto& p : query.predicates)
            if (p.column == cli::viewColumnName(cli::enqplexColumn) && p.op == zrx::IndexOp::EQ &&
                !enqplexConfigured(*reading, p.value, error))
                return answerError(res, 400, error);
        if (query.report && !query.filtered) {
            // The document most clients ask for, written once per reading.
            std::call_once(reading->reportDocumentOnce, [&] {
                reading->reportDocument = contentionDocument(reportAnswer(*reading), reading->source, reading->reportRows);
            });
            return answerJson(res, statusForView(reading->status, reading->abandon), reading->reportDocument);
        }
        std::shared_ptr<const QueryAnswer> answer =
            query.report ? std::make_shared<const QueryAnswer>(reportAnswer(*reading)) : cache_.query(query.viewPredicates);
        std::vector<zrx::MentrenqRow> rows = answer->rows;
        if (query.filtered && !cli::keepRowsMeeting(rows, query.predicates, error))
            return answerError(res, 503, error);
        answerJson(res, statusForView(answer->status, answer->abandon),
                   contentionDocument(*answer, reading->source, rows));
    });

    http.Get("/api/v1/tree", [this, answerPast](const httplib::Request& req, httplib::Response& res) {
        Parameters parameters = parametersOf(req.target);
        std::optional<std::string> at;
        std::string error;
        if (!takeAt(parameters, at, error) || !onlyKnownParameters(parameters, {"enqplex"}, {"enqplex"}, error))
            return answerError(res, 400, error);
        std::string enqplex;
        if (!parameters.empty()) {
            enqplex = cli::enqplexOfPredicate(parameters.front().second);
            if (enqplex.empty()) return answerError(res, 400, "parameter enqplex needs a name");
        }
        if (at) return answerPast(res, [&](const HistorySource& h) { return pastTreeAnswer(h, *at, enqplex); });
        auto reading = cache_.reading();
        if (!enqplex.empty() && !enqplexConfigured(*reading, enqplex, error)) return answerError(res, 400, error);
        answerJson(res, statusForView(reading->status, reading->abandon), treeDocument(*reading, enqplex));
    });

    http.Get("/api/v1/history", [answerPast](const httplib::Request& req, httplib::Response& res) {
        answerPast(res, [&](const HistorySource& h) { return episodesAnswer(h, parametersOf(req.target)); });
    });

    http.Get("/api/v1/history/samples", [answerPast](const httplib::Request& req, httplib::Response& res) {
        answerPast(res, [&](const HistorySource& h) { return timelineAnswer(h, parametersOf(req.target)); });
    });

    http.Get("/api/v1/status", [this](const httplib::Request& req, httplib::Response& res) {
        std::string error;
        if (!onlyKnownParameters(parametersOf(req.target), {}, {}, error)) return answerError(res, 400, error);
        auto reading = cache_.reading();
        answerJson(res, statusForView(reading->status, reading->abandon), statusDocument(*reading));
    });
}

} // namespace serve
