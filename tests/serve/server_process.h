// Runs `mentrenq serve` (or any mentrenq command) as a user does, and talks
// to it over real HTTP on a free loopback port.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace servetest {

std::string temporaryPath(const std::string& name);
std::string readFile(const std::string& path);

struct Output {
    int exitCode = -1;
    std::string out, err;
};
// Runs a program to its end.
Output runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& input = "");
Output runMentrenq(const std::vector<std::string>& args);

class ServerProcess {
public:
    // Starts `mentrenq serve --listen 127.0.0.1:0 ARGS` and waits for the
    // line that names its port; port() is 0 when it did not come.
    explicit ServerProcess(const std::vector<std::string>& args);
    ~ServerProcess();

    int port() const { return port_; }
    // What it wrote on standard error so far.
    std::string log() const { return readFile(errPath_); }
    // Waits (at most a minute) until standard error holds `text`.
    bool waitForLog(const std::string& text) const;
    void signal(int number) const;
    // Waits for its end; its exit status, or 128 + the signal.
    int wait();

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string errPath_;
};

// A raw connection, for requests sent in pieces.
class Connection {
public:
    explicit Connection(int port);
    ~Connection();
    bool connected() const { return fd_ >= 0; }
    bool send(const std::string& bytes);
    // Everything until the server closes the connection (at most a minute);
    // "" when it closed without a byte.
    std::string readAll();

private:
    int fd_ = -1;
};

struct Response {
    int status = 0; // 0: no response
    std::string contentType;
    std::string retryAfter;
    std::string body;
};
Response get(int port, const std::string& target);
// A whole request as written, and the response parsed.
Response sendRequest(int port, const std::string& request);
Response parseResponse(const std::string& text);

} // namespace servetest
