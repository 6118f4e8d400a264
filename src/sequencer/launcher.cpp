#include "sequencer/launcher.h"

#include "common/vb_error.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace sequencer {

void DesktopLauncher::open(std::string_view target) {
    std::string program = program_;
    std::string argument(target);
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int failure = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
    if (failure == ENOENT) common::raise(common::err::FileNotFound);
    if (failure != 0) common::raise(common::err::PathFileAccess);
    // The opener may run for as long as the application it starts.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace sequencer
