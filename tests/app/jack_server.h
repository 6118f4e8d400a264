#pragma once
// A JACK server of the test's own: `jackd -d dummy` under a private name, a
// clocked sound card without hardware. The process is told to use that
// server (JACK_DEFAULT_SERVER) and never to start one of its own, so the
// PortAudio sessions it starts list the server's device. wire() connects our
// output ports to our input ports: a real-time loopback. The server dies
// with the test process at the latest (it gets SIGKILL when its parent
// thread ends), and stop() or the destructor end it before.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <jack/jack.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace apptest {

class JackServer {
public:
    explicit JackServer(int sampleRate = 44100, int periodFrames = 1024)
        : rate_(sampleRate), period_(periodFrames) {
        // "No server yet" while it starts is expected: not a word of it.
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
        ::setenv("JACK_NO_START_SERVER", "1", 1);
        jackd_ = findProgram("jackd");
        if (jackd_.empty()) {
            reason_ = "jackd is not installed (Debian package jackd2)";
            return;
        }
        // JACK keeps a machine-wide table of eight servers, and a server that
        // dies without stopping (killed, or its test crashed) keeps its row
        // until a server of the same name starts. A few fixed names, so that
        // such rows are taken again instead of filling the table; each name
        // is in use by one test at a time, so parallel tests take the next.
        // A name is ours while we hold its lock file (the lock goes with the
        // process, however it ends).
        for (int i = 0; i < 4 && !running_; ++i) {
            const std::string name = "arv1_test_" + std::to_string(i);
            const std::string lock = "/tmp/" + name + ".lock";
            lock_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
            if (lock_ >= 0 && ::flock(lock_, LOCK_EX | LOCK_NB) == 0 && start(name)) break;
            if (lock_ >= 0) ::close(lock_);
            lock_ = -1;
        }
        if (!running_ && reason_.empty()) reason_ = "every JACK server name of the tests is in use";
    }
    ~JackServer() {
        stop();
        if (lock_ >= 0) ::close(lock_);
    }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool running() const { return running_; }
    // Why the server is not running.
    const std::string& reason() const { return reason_; }

    // Ends the server: SIGTERM, then SIGKILL if it is still there after 3 s,
    // and waits for it. After a kill(), a server of the same name starts and
    // stops properly, which clears what the dead one left in JACK's table
    // and in /dev/shm.
    void stop() {
        end(SIGTERM);
        if (killed_ && start(name_)) end(SIGTERM);
        killed_ = false;
    }
    // Ends it at once, as a crash would.
    void kill() {
        end(SIGKILL);
        killed_ = true;
    }

    // Connects every output port of `client` to its input port of the same
    // number (out_1 -> in_1, ...). Returns the number of connections made.
    // The wiring client stays open until the server stops, so wiring again
    // (after a stream was opened anew) costs little and starts no thread.
    int wire(const std::string& client = "PortAudio") {
        if (!wiring_) {
            jack_status_t status{};
            wiring_ = jack_client_open("arv1_wiring", JackNoStartServer, &status);
        }
        jack_client_t* c = wiring_;
        if (!c) return 0;
        const char** outs = jack_get_ports(c, (client + ":.*").c_str(), nullptr, JackPortIsOutput);
        const char** ins = jack_get_ports(c, (client + ":.*").c_str(), nullptr, JackPortIsInput);
        int made = 0;
        for (int i = 0; outs && ins && outs[i] && ins[i]; ++i) {
            const int rc = jack_connect(c, outs[i], ins[i]);
            if (rc == 0 || rc == EEXIST) ++made;
        }
        jack_free(outs);
        jack_free(ins);
        return made;
    }

private:
    bool start(const std::string& name) {
        name_ = name;
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        log_ = std::filesystem::temp_directory_path() / (name_ + ".log");
        // A client that misses its deadline by less than 5 s (a test machine
        // busy with other work) is waited for, not thrown out.
        const std::vector<std::string> args = {jackd_,      "--no-realtime",
                                               "--timeout", "5000",
                                               "--name",    name_,
                                               "-d",        "dummy",
                                               "-r",        std::to_string(rate_),
                                               "-p",        std::to_string(period_)};
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const std::string logPath = log_.string();
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) { // the child: only async-signal-safe calls until exec
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);
            if (const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (pid_ < 0) {
            reason_ = "cannot fork";
            return false;
        }
        // Up when a client can connect; jackd needs well under a second.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline && !exited()) {
            jack_status_t status{};
            if (jack_client_t* c = jack_client_open("arv1_probe", JackNoStartServer, &status)) {
                jack_client_close(c);
                running_ = true;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        end(SIGTERM);
        reason_ = "jackd -d dummy did not start: " + logTail();
        return false;
    }

    static std::string findProgram(const std::string& name) {
        std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
        for (std::string dir; std::getline(path, dir, ':');) {
            const auto candidate = std::filesystem::path(dir) / name;
            if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        }
        return {};
    }

    bool exited() {
        if (pid_ <= 0) return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return true;
        }
        return false;
    }

    void end(int signal) {
        running_ = false;
        if (wiring_) jack_client_close(wiring_);
        wiring_ = nullptr;
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!exited() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

    std::string logTail() const {
        std::ifstream in(log_);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        return text.size() > 400 ? text.substr(text.size() - 400) : text;
    }

    int rate_;
    int period_;
    std::string jackd_;
    std::string name_;
    std::filesystem::path log_;
    std::string reason_;
    pid_t pid_ = -1;
    bool running_ = false;
    bool killed_ = false;
    int lock_ = -1;
    jack_client_t* wiring_ = nullptr;
};

} // namespace apptest
