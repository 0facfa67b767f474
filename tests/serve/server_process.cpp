#include "server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

namespace servetest {

namespace {

// Bounds on waiting for the server, never expectations on its speed.
constexpr auto patience = std::chrono::seconds(60);

pid_t start(const std::string& program, const std::vector<std::string>& args, const std::string& inPath,
            const std::string& outPath, const std::string& errPath) {
    // Emptied before the child runs: a file left by an earlier process of
    // the same id must never be read as this one's output (its port line).
    for (const std::string* path : {&outPath, &errPath}) std::ofstream(*path, std::ios::binary | std::ios::trunc);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int in = ::open(inPath.c_str(), O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<std::string> copy = args;
    std::string binary = program;
    std::vector<char*> argv{binary.data()};
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

int exitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

} // namespace

std::string temporaryPath(const std::string& name) {
    return ::testing::TempDir() + "mentrenq_serve_" + std::to_string(::getpid()) + "_" + name;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

Output runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& input) {
    static int serial = 0;
    const std::string base = temporaryPath("run" + std::to_string(++serial));
    std::ofstream(base + ".in", std::ios::binary) << input;
    const pid_t pid = start(program, args, base + ".in", base + ".out", base + ".err");
    int status = 0;
    waitpid(pid, &status, 0);
    Output o{exitStatus(status), readFile(base + ".out"), readFile(base + ".err")};
    for (const char* suffix : {".in", ".out", ".err"}) std::remove((base + suffix).c_str());
    return o;
}

Output runMentrenq(const std::vector<std::string>& args) { return runProgram(MENTRENQ_BINARY, args); }

ServerProcess::ServerProcess(const std::vector<std::string>& args) {
    static int serial = 0;
    const std::string base = temporaryPath("server" + std::to_string(++serial));
    errPath_ = base + ".err";
    std::ofstream(base + ".in") << "";
    std::vector<std::string> all{"serve", "--listen", "127.0.0.1:0"};
    all.insert(all.end(), args.begin(), args.end());
    pid_ = start(MENTRENQ_BINARY, all, base + ".in", base + ".out", errPath_);
    const std::regex serving("serving .* on http://127\\.0\\.0\\.1:([0-9]+)/");
    const auto until = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < until) {
        std::smatch m;
        const std::string text = log();
        if (std::regex_search(text, m, serving)) {
            port_ = std::stoi(m[1]);
            return;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ServerProcess::~ServerProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        wait();
    }
    const std::string base = errPath_.substr(0, errPath_.size() - 4);
    for (const char* suffix : {".in", ".out", ".err"}) std::remove((base + suffix).c_str());
}

bool ServerProcess::waitForLog(const std::string& text) const {
    const auto until = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < until) {
        if (log().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void ServerProcess::signal(int number) const {
    if (pid_ > 0) ::kill(pid_, number);
}

int ServerProcess::wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return exitStatus(status);
}

Connection::Connection(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

Connection::~Connection() {
    if (fd_ >= 0) ::close(fd_);
}

bool Connection::send(const std::string& bytes) {
    size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return fd_ >= 0;
}

std::string Connection::readAll() {
    std::string text;
    const auto until = std::chrono::steady_clock::now() + patience;
    while (fd_ >= 0 && std::chrono::steady_clock::now() < until) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buffer[65536];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

Response parseResponse(const std::string& text) {
    Response r;
    const size_t headEnd = text.find("\r\n\r\n");
    if (text.rfind("HTTP/1.1 ", 0) != 0 || headEnd == std::string::npos) return r;
    r.status = std::stoi(text.substr(9, 3));
    r.body = text.substr(headEnd + 4);
    std::istringstream head(text.substr(0, headEnd));
    std::string line;
    while (std::getline(head, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string value = line.substr(line.find_first_not_of(' ', colon + 1));
        if (name == "content-type") r.contentType = value;
        if (name == "retry-after") r.retryAfter = value;
    }
    return r;
}

Response sendRequest(int port, const std::string& request) {
    Connection c(port);
    if (!c.send(request)) return {};
    return parseResponse(c.readAll());
}

Response get(int port, const std::string& target) {
    return sendRequest(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

} // namespace servetest
