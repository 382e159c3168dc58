// SPDX-License-Identifier: GPL-3.0-or-later
// Closing either program while its sound server hangs: a socket that takes the connection and
// never answers, as PULSE_SERVER. The program must start, show its window and end soon after the
// close, whatever its sound thread is waiting for.
#include "scenario.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace xreal {

namespace {

// From the close request to the process's end, seen from outside.
constexpr auto kCloseWithin = 200ms;
// A program that waits for its hung server's connect to give up takes about half a minute: long
// enough to see it, and say how long.
constexpr auto kGiveUp = 45s;
// Long enough after the first paint for the sound thread to be in its connect.
constexpr auto kConnectTimeout = 10s;

// Accepts every connection and keeps it open without a word.
class HungServer {
public:
    HungServer() : folder_(MakeFolder()), path_(folder_ + "/native") {
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (listener_ < 0 || path_.size() >= sizeof address.sun_path)
            throw Failure("no socket for the hung sound server");
        path_.copy(address.sun_path, path_.size());
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 8) != 0)
            throw Failure("the hung sound server could not listen at " + path_);
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~HungServer() {
        stop_ = true;
        acceptor_.join();
        for (int fd : taken_)
            close(fd);
        close(listener_);
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }
    HungServer(const HungServer&) = delete;
    HungServer& operator=(const HungServer&) = delete;

    std::string Address() const { return "unix:" + path_; }
    int Connections() const { return connections_; }

private:
    static std::string MakeFolder() {
        char name[] = "/tmp/hung-sound-XXXXXX";
        if (mkdtemp(name) == nullptr)
            throw Failure("no folder for the hung sound server");
        return name;
    }
    void Accept() {
        while (!stop_) {
            pollfd waiting{listener_, POLLIN, 0};
            if (poll(&waiting, 1, 20) == 1) {
                const int fd = accept(listener_, nullptr, nullptr);
                if (fd >= 0) {
                    taken_.push_back(fd);
                    ++connections_;
                }
            }
        }
    }

    std::string folder_, path_;
    int listener_ = -1;
    std::vector<int> taken_;
    std::atomic<int> connections_{0};
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
};

void CloseWhileHung(XSession& x, HungServer& server, const std::string& program, const std::string& folder,
                    const std::string& title) {
    const int before = server.Connections();
    const pid_t pid = x.Start(program, folder, "/dev/null");
    const TopWindow window = x.WaitShown(title, kStartTimeout);
    Check(true, "\"" + title + "\" starts and shows its window while the sound server hangs");
    const auto giveUp = Clock::now() + kConnectTimeout;
    while (server.Connections() == before && Clock::now() < giveUp)
        std::this_thread::sleep_for(10ms);
    Require(server.Connections() > before, "\"" + title + "\" connects to the hung sound server");
    std::this_thread::sleep_for(300ms); // well inside its connect
    const auto asked = Clock::now();
    x.Close(window.id);
    const auto code = x.WaitExit(pid, kGiveUp);
    const double ms = Millis(Clock::now() - asked).count();
    Require(code.has_value(), "closing \"" + title + "\" ends it");
    char line[160];
    std::snprintf(line, sizeof line, "\"%s\" ends %.0f ms after the close, with exit code %d", title.c_str(),
                  ms, *code);
    Check(ms <= Millis(kCloseWithin).count() && *code == 0, line);
}

} // namespace

int HungCloseScenario(const std::string& plamkov, const std::string& scratch, const std::string& pexeso,
                      const std::string& cardFolder) {
    XSession x;
    HungServer server;
    setenv("PULSE_SERVER", server.Address().c_str(), 1);
    CloseWhileHung(x, server, plamkov, scratch, "Plamkov");
    CloseWhileHung(x, server, pexeso, cardFolder, "Pexeso");
    return gFailed ? 1 : 0;
}

} // namespace xreal
