// melvane-testserver: the test server as a program. It listens on loopback
// as redirector and server, signs any account in, starts the change upload
// with a listing request, acknowledges every new file, pings now and then
// so the session stays up, and prints every message both ways until it gets
// SIGTERM or SIGINT.
#include "tests/support/testserver/TestServer.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <sys/time.h>

namespace {

using namespace testsupport;

constexpr uint32_t kDefaultWindow = 100;
constexpr int kDefaultPingSecs = 30;
// Sign-in check answers the program reads as success.
constexpr uint32_t kCheckOk = 1;
constexpr uint32_t kCheckOneTimeOk = 16;

struct Arguments {
    uint16_t redirectorPort = 0;
    uint16_t serverPort = 0;
    std::string caOut;
    bool useTls = true;
    uint32_t window = kDefaultWindow;
    int pingSecs = kDefaultPingSecs;
};

void Usage() {
    std::fprintf(stderr,
                 "usage: melvane-testserver [--port N] [--server-port N] [--ca-out FILE] [--no-tls]\n"
                 "                          [--window N] [--ping-secs N]\n"
                 "  --port N         redirector port on 127.0.0.1 (0: any; printed)\n"
                 "  --server-port N  session port the redirector sends clients to (0: any; printed)\n"
                 "  --ca-out FILE    write the generated certificate (the CA to trust) there\n"
                 "  --no-tls         plain TCP instead of TLS\n"
                 "  --window N       outstanding new files allowed by the change upload (%u)\n"
                 "  --ping-secs N    seconds between pings, 0 for none (%d)\n",
                 kDefaultWindow, kDefaultPingSecs);
}

bool ParseNumber(const char* text, unsigned long limit, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return end && *end == '\0' && end != text && value <= limit;
}

bool ParseArguments(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--no-tls") {
            args.useTls = false;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        unsigned long number = 0;
        if (name == "--port" && ParseNumber(value, 65535, number))
            args.redirectorPort = static_cast<uint16_t>(number);
        else if (name == "--server-port" && ParseNumber(value, 65535, number))
            args.serverPort = static_cast<uint16_t>(number);
        else if (name == "--window" && ParseNumber(value, 0xFFFFFFFFul, number))
            args.window = static_cast<uint32_t>(number);
        else if (name == "--ping-secs" && ParseNumber(value, 86400, number))
            args.pingSecs = static_cast<int>(number);
        else if (name == "--ca-out")
            args.caOut = value;
        else
            return false;
    }
    return true;
}

void PrintLine(const std::string& line) {
    timeval now{};
    gettimeofday(&now, nullptr);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    std::printf("%02d:%02d:%02d.%03ld %s\n", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<long>(now.tv_usec / 1000), line.c_str());
    std::fflush(stdout);
}

// Any account is good: a one-time secret is answered with a credential for
// the program to keep, a typed password with plain success.
std::vector<ServerMessage> SignInAnyAccount(const ReceivedMessage& received) {
    const auto* check = received.As<msg::AccountCheck>();
    if (!check)
        return {};
    if (check->asGiven == 0)
        return {msg::AccountCheckResult{kCheckOk, std::string()}};
    return {msg::AccountCheckResult{kCheckOneTimeOk,
                                    Md5Hex("credential:" + check->userName + ":" + check->password)}};
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    Arguments args;
    if (!ParseArguments(argc, argv, args)) {
        Usage();
        return 2;
    }

    // The server's thread inherits this mask, so only sigwait below sees
    // the signals that end the program.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    TestServerOptions options;
    options.useTls = args.useTls;
    options.port = args.serverPort;
    options.redirectorPort = args.redirectorPort;
    options.replies.startChangesWindow = args.window;
    options.replies.requestListing = true;
    options.replies.ackNewFiles = true;
    options.pingIntervalMs = args.pingSecs * 1000;
    // A restarted program starts a new series of serials.
    options.checkSessionSerial = false;
    options.responder = SignInAnyAccount;
    options.logSink = PrintLine;
    TestServer server(options);
    if (!server.Start()) {
        std::fprintf(stderr, "melvane-testserver: cannot start\n");
        return 1;
    }
    if (args.useTls && !args.caOut.empty()) {
        std::ofstream out(args.caOut, std::ios::binary | std::ios::trunc);
        out << server.CaPem();
        if (!out.flush()) {
            std::fprintf(stderr, "melvane-testserver: cannot write %s\n", args.caOut.c_str());
            return 1;
        }
    }
    PrintLine("redirector port " + std::to_string(server.RedirectorPort()));
    PrintLine("server port " + std::to_string(server.Port()));
    PrintLine(args.useTls ? "TLS on, CA certificate in " + (args.caOut.empty() ? server.CaFile() : args.caOut)
                          : std::string("TLS off"));

    int signal = 0;
    sigwait(&stopSignals, &signal);
    PrintLine(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
    server.Stop();
    return 0;
}
