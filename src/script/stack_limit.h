#pragma once
// How much of the calling thread's stack is left (engine-internal).
//
// The engine recurses on the C++ stack for nested calls, blocks and
// expressions. Instead of counting frames, whose size differs between build
// types (a sanitizer build's frames are several times larger), it compares
// the current frame's address with the low end of the thread's stack: when
// less than a reserve is left, the script gets 28 "Out of stack space" while
// there is still room to unwind and for host functions to run.

#include <cstddef>

namespace script {

class StackLimit {
public:
    // The lowest frame address the engine may reach on this thread, leaving
    // `reserve` bytes (at most half the stack) below it. Looked up once per
    // thread.
    static const char* floorForThisThread(std::size_t reserve);

    // True when the caller's frame lies below `floor`.
    static bool exhausted(const char* floor) {
        return floor && static_cast<const char*>(__builtin_frame_address(0)) < floor;
    }
};

} // namespace script
