// mentrenq-serve-bench: requests per second and p50/p99 latency of
// `mentrenq serve` for /metrics and /api/v1/contention, with 1 and 16
// clients at once, on an enterprise near the view's row limit; with the
// snapshot unchanged (every request answered from the last reading) and
// with its modification time moved before each request (each one finds it
// changed and reads it afresh, or waits for the reading another started).
//   mentrenq-serve-bench [REQUESTS_PER_CLIENT]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int run(const std::vector<std::string>& args, const std::string& errPath = "/dev/null", bool wait = true) {
    const pid_t pid = fork();
    if (pid == 0) {
        freopen(errPath.c_str(), "w", stderr);
        freopen("/dev/null", "w", stdout);
        std::vector<std::string> copy = args;
        std::vector<char*> argv;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (!wait) return pid;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One request on its own connection; false unless the answer is a 200.
bool request(int port, const std::string& target) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    const std::string text = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    ok = ok && ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
    std::string answer;
    char buffer[65536];
    ssize_t n;
    while (ok && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return ok && answer.rfind("HTTP/1.1 200 ", 0) == 0;
}

struct Result {
    double perSecond, p50, p99;
    int failed;
};

Result measure(int port, const std::string& target, int clients, int perClient, const std::string& touch) {
    std::vector<std::vector<double>> latencies(static_cast<size_t>(clients));
    std::atomic<int> failed{0};
    std::atomic<long> moved{0};
    const auto began = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            for (int i = 0; i < perClient; ++i) {
                if (!touch.empty()) {
                    // A new modification time is a new version for the server.
                    const long ns = ++moved;
                    timespec times[2] = {{0, UTIME_OMIT}, {1700000000 + ns, 0}};
                    utimensat(AT_FDCWD, touch.c_str(), times, 0);
                }
                const auto t = Clock::now();
                if (!request(port, target)) ++failed;
                latencies[static_cast<size_t>(c)].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
            }
        });
    }
    for (auto& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    std::vector<double> all;
    for (auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    auto at = [&](double q) { return all[std::min(all.size() - 1, static_cast<size_t>(q * static_cast<double>(all.size())))]; };
    return {static_cast<double>(all.size()) / seconds, at(0.50), at(0.99), failed.load()};
}

} // namespace

int main(int argc, char** argv) {
    const int perClient = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string program = MENTRENQ_PROGRAM;
    char folder[] = "/tmp/mentrenq-serve-bench-XXXXXX";
    if (!mkdtemp(folder)) return 3;
    const std::string db = std::string(folder) + "/near-limit.db";
    const std::string log = std::string(folder) + "/serve.log";
    // One Enqplex, 3300 resources of 2 tasks on average: about 9900 summary
    // and detail rows, near the view's 10000.
    if (run({program, "generate", "--out", db, "--enqplexes", "1", "--resources", "3300", "--tasks", "2", "--seed",
             "1"}) != 0) {
        std::fprintf(stderr, "mentrenq-serve-bench: cannot generate the enterprise\n");
        return 3;
    }
    // Enough room that no client of this benchmark is refused.
    const pid_t server = run({program, "serve", "--db", db, "--listen", "127.0.0.1:0", "--threads", "4", "--queue",
                              "64"},
                             log, false);
    int port = 0;
    for (int i = 0; i < 600 && port == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(log);
        std::stringstream s;
        s << in.rdbuf();
        std::smatch m;
        const std::string text = s.str();
        if (std::regex_search(text, m, std::regex("127\\.0\\.0\\.1:([0-9]+)/"))) port = std::stoi(m[1]);
    }
    if (port == 0) {
        std::fprintf(stderr, "mentrenq-serve-bench: the server did not start\n");
        kill(server, SIGKILL);
        return 3;
    }
    request(port, "/metrics"); // the first reading
    std::printf("%-22s %-6s %7s %9s %9s %9s %6s\n", "endpoint", "cache", "clients", "req/s", "p50 ms", "p99 ms", "failed");
    for (const std::string target : {"/metrics", "/api/v1/contention"}) {
        for (const bool hit : {true, false}) {
            for (const int clients : {1, 16}) {
                // A missed cache reads the whole picture: fewer requests.
                const int count = hit ? perClient * 5 : std::max(2, perClient / 8);
                const Result r = measure(port, target, clients, count, hit ? "" : db);
                std::printf("%-22s %-6s %7d %9.1f %9.2f %9.2f %6d\n", target.c_str(), hit ? "hit" : "missed", clients,
                            r.perSecond, r.p50, r.p99, r.failed);
                std::fflush(stdout);
            }
        }
    }
    kill(server, SIGTERM);
    int status = 0;
    waitpid(server, &status, 0);
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
    return 0;
}
