#pragma once
// Opening a document or program the way the desktop's "open" does, for the
// scripts' launchapp. The target reaches the opener program as one element of
// its argument list; no shell ever parses it, so blanks, quotes and ";" in a
// path are just characters of the path.

#include <string>
#include <string_view>

namespace sequencer {

class AppLauncher {
public:
    virtual ~AppLauncher() = default;
    // Starts opening `target` and returns without waiting for it. Throws
    // common::VbError when the opener itself cannot be started.
    virtual void open(std::string_view target) = 0;
};

// Runs `program target` (by default xdg-open, found through PATH) as a child
// process. The child is reaped in the background, so none is left behind as
// a zombie.
class DesktopLauncher final : public AppLauncher {
public:
    explicit DesktopLauncher(std::string program = "xdg-open") : program_(std::move(program)) {}
    void open(std::string_view target) override;

private:
    std::string program_;
};

} // namespace sequencer
