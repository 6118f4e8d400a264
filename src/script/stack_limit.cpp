#include "script/stack_limit.h"

#include <pthread.h>

namespace script {

namespace {

struct ThreadStack {
    const char* low = nullptr; // lowest address of the stack (it grows down)
    std::size_t size = 0;
};

ThreadStack lookUp() {
    ThreadStack s;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return s;
    void* addr = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
        s.low = static_cast<const char*>(addr);
        s.size = size;
    }
    pthread_attr_destroy(&attr);
    return s;
}

} // namespace

const char* StackLimit::floorForThisThread(std::size_t reserve) {
    thread_local const ThreadStack stack = lookUp();
    if (!stack.low) return nullptr;
    if (reserve > stack.size / 2) reserve = stack.size / 2;
    return stack.low + reserve;
}

} // namespace script
