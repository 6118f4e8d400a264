#pragma once
// What a process holds, for tests that open and close devices many times
// and check that nothing is left behind.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace platformtest {

inline int openFileDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// Threads that are not exiting. A joined thread can still be listed for a
// moment (the kernel wakes the joiner before it removes the thread), but it
// has the exiting flag (PF_EXITING, 0x4 in the ninth field of its stat line)
// from before that wake-up, so leaving exiting threads out gives the same
// count after every join, however loaded the machine.
inline int liveThreads() {
    constexpr unsigned long kExiting = 0x4;
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream in(e.path() / "stat");
        const std::string line{std::istreambuf_iterator<char>(in), {}};
        const auto nameEnd = line.rfind(')');       // the name may hold blanks and parentheses
        if (nameEnd == std::string::npos) continue; // gone meanwhile
        std::istringstream fields(line.substr(nameEnd + 1));
        std::string field;
        for (int i = 0; i < 7; ++i) // state, ppid, pgrp, session, tty, tpgid, flags
            fields >> field;
        if ((std::stoul(field) & kExiting) == 0) ++n;
    }
    return n;
}

} // namespace platformtest
