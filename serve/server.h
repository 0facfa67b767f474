// The HTTP server: /metrics, /api/v1/..., and the page at /, over the
// readings of one snapshot and, when it has one, the samples of a history.
// It keeps nothing but the readings' cache, and writes nothing but its
// access log.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "serve/history_source.h"
#include "serve/metrics.h"
#include "serve/reading_cache.h"
#include "serve/view_source.h"

namespace httplib {
class Server;
}

namespace serve {

class ConnectionQueue;

struct ServerOptions {
    std::string address = "127.0.0.1";
    int port = 9797; // 0: any free port
    std::size_t threads = 4;  // workers that serve requests
    std::size_t queue = 16;   // connections that may wait for a worker; beyond, 503
    int clientTimeoutSeconds = 5; // for each read and write of a connection
    std::size_t maxBodyBytes = 4096;
};

class Server {
public:
    // `history`: the history the past is answered from; null for none. Both
    // sources must outlive the server.
    Server(const ViewSource& source, const HistorySource* history, ServerOptions options, std::ostream& log);
    ~Server();

    // False with a message when the address cannot be listened on.
    bool bind(std::string& error);
    int port() const { return port_; }
    // Serves until stop(); returns once every request in flight has been answered.
    bool run();
    // Safe from another thread: new connections are answered 503, those
    // accepted are served, then the listening socket closes.
    void stop();

    ServerCounts counts() const;

private:
    void routes();
    void logRequest(const std::string& line, const std::string& handler, int status);

    const ViewSource& source_;
    const HistorySource* history_;
    ServerOptions options_;
    std::ostream& log_;
    ReadingCache cache_;
    std::unique_ptr<httplib::Server> http_;
    std::atomic<ConnectionQueue*> queue_{nullptr}; // owned by http_
    int port_ = 0;
    mutable std::mutex countsMutex_;
    ServerCounts counts_;
    std::mutex logMutex_;
};

} // namespace serve
