// mentrenq serve: the view over HTTP until SIGTERM or SIGINT.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <iostream>
#include <memory>
#include <thread>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/message_text.h"
#include "serve/history_source.h"
#include "serve/server.h"
#include "serve/view_source.h"

namespace cli {

namespace {

// "ADDRESS:PORT", "[IPV6]:PORT" or ":PORT" (loopback).
bool parseListen(const std::string& text, std::string& address, int& port, std::string& error) {
    const size_t colon = text.rfind(':');
    long long number = 0;
    if (colon == std::string::npos || !parseNumber(text.substr(colon + 1), 0, 65535, number)) {
        error = "--listen " + quotedText(text) + ": give ADDRESS:PORT, PORT from 0 to 65535 (0: any free port)";
        return false;
    }
    address = text.substr(0, colon);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']') address = address.substr(1, address.size() - 2);
    if (address.empty()) address = "127.0.0.1";
    port = static_cast<int>(number);
    return true;
}

long long numberOption(const Arguments& args, const char* name, long long fallback) {
    long long n = fallback;
    if (args.has(name)) parseNumber(args.value(name), 0, INT32_MAX, n);
    return n;
}

} // namespace

int serveCommand(const Arguments& args) {
    serve::ServerOptions options;
    if (args.has("--listen")) {
        std::string error;
        if (!parseListen(args.value("--listen"), options.address, options.port, error)) {
            reportError(error);
            return exitcode::usage;
        }
    }
    options.threads = static_cast<size_t>(numberOption(args, "--threads", static_cast<long long>(options.threads)));
    options.queue = static_cast<size_t>(numberOption(args, "--queue", static_cast<long long>(options.queue)));
    options.clientTimeoutSeconds = static_cast<int>(numberOption(args, "--client-timeout", options.clientTimeoutSeconds));

    // Signals are taken by one thread of their own, so that every thread the
    // server starts inherits them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    CommandContext context;
    if (!context.open(args)) return context.openFailure();
    std::unique_ptr<serve::HistorySource> history;
    if (args.has("--history")) {
        history = std::make_unique<serve::HistorySource>(args.value("--history"));
        std::string error;
        if (!history->check(error)) {
            reportError(error);
            return context.finish(exitcode::usage);
        }
    }
    serve::ViewSource source(args.value("--db"), context.module(), context.storageLimit());
    serve::Server server(source, history.get(), options, std::cerr);
    std::string error;
    if (!server.bind(error)) {
        reportError(error);
        return context.finish(exitcode::viewStatus);
    }
    const bool v6 = options.address.find(':') != std::string::npos;
    std::cerr << "mentrenq: serving " << printableMessage(source.isDemo() ? "the built-in demo" : source.dbFile())
              << " on http://" << (v6 ? "[" : "") << options.address << (v6 ? "]" : "") << ":" << server.port()
              << "/" << (history ? " with the history " + printableMessage(history->path()) : std::string())
              << std::endl;

    std::atomic<bool> ended{false};
    std::thread stopper([&] {
        const timespec tick{0, 200 * 1000 * 1000};
        while (!ended) {
            const int signal = sigtimedwait(&stopSignals, nullptr, &tick);
            if (signal <= 0) continue;
            std::cerr << "mentrenq: " << (signal == SIGTERM ? "SIGTERM" : "SIGINT")
                      << ": stopping; the requests already accepted are answered" << std::endl;
            server.stop();
            return;
        }
    });
    const bool served = server.run();
    ended = true;
    stopper.join();
    if (!served) {
        reportError("the server stopped listening on its own");
        return context.finish(exitcode::viewStatus);
    }
    std::cerr << "mentrenq: stopped" << std::endl;
    return context.finish(exitcode::ok);
}

} // namespace cli
