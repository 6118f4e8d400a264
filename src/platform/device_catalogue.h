#pragma once
// The sound card lists the instrument offers, and the devices behind them.
// Each list holds the real devices that PortAudio sees first, in PortAudio's
// order, and the simulated loopback last. InputDeviceId and OutputDeviceId
// are positions in these lists; the catalogue's input() and output() open
// the device at a position, so the engine and the generator see one device
// each, whatever lies behind a position. Without a real device (none found,
// or PortAudio failed) the loopback is position 0.
//
// Real devices need an event loop in real time (the Qt loop): their
// completions arrive when the hardware has played or recorded, not when a
// virtual clock says so.
//
// Thread: the instrument's thread only.

#include "platform/audio_device.h"
#include "platform/audio_output.h"
#include "platform/portaudio_audio.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Dialogs;
class EventLoop;

// Why DeviceCatalogue::refresh changed nothing.
inline constexpr const char* kDeviceOpenRefusal =
    "A device is still open: switch the generator off and refresh again.";
inline constexpr const char* kJackGoneRefusal =
    "The JACK server has stopped since the lists were taken: they are taken anew at the "
    "next start of the program.";

// Shown once when PortAudio does not start; the text names PortAudio's reason.
std::string soundSystemFailedMessage(const std::string& reason);

class DeviceCatalogue {
public:
    // loopbackInput and loopbackOutput are the simulated devices (they must
    // outlive the catalogue). session: a started PortAudio session, a failed
    // one, or nullptr for no real devices at all.
    DeviceCatalogue(EventLoop& loop, AudioInput& loopbackInput, AudioOutput& loopbackOutput,
                    std::shared_ptr<const PortAudioSession> session);
    ~DeviceCatalogue();
    DeviceCatalogue(const DeviceCatalogue&) = delete;
    DeviceCatalogue& operator=(const DeviceCatalogue&) = delete;

    AudioInput& input();
    AudioOutput& output();

    // Position of the loopback in each list (the number of real devices).
    int loopbackInputPosition() const;
    int loopbackOutputPosition() const;

    // The real output device (nullptr without PortAudio).
    PortAudioOutput* realOutput() { return realOutput_.get(); }
    // The real output device's failure handler (PortAudioOutput::
    // setFailureHandler), kept for the devices of later sessions.
    void setOutputFailureHandler(std::function<void()> onFailure);

    // Takes the device lists anew: the PortAudio session ends and
    // startSession starts the next one, which sees the devices as they are
    // now (a card plugged in, a JACK server started). startSession may return
    // nullptr (no real devices then). Returns "" when it did; else why it
    // changed nothing (kDeviceOpenRefusal, kJackGoneRefusal), or that the new
    // session failed (soundSystemFailedMessage; the loopback remains).
    using SessionStarter = std::function<std::shared_ptr<const PortAudioSession>()>;
    std::string refresh(const SessionStarter& startSession);

    // When PortAudio failed: shows soundSystemFailedMessage once (later calls
    // show nothing). Returns whether it showed it.
    bool reportSoundSystemFailure(Dialogs& dialogs);
    // PortAudio's reason when it failed to start; empty otherwise.
    const std::string& soundSystemError() const { return soundSystemError_; }

    class RoutedInput;
    class RoutedOutput;

private:
    void takeSession(std::shared_ptr<const PortAudioSession> session);

    EventLoop& loop_;
    std::function<void()> outputFailure_;
    std::shared_ptr<const PortAudioSession> session_;
    std::unique_ptr<PortAudioInput> realInput_;
    std::unique_ptr<PortAudioOutput> realOutput_;
    std::unique_ptr<RoutedInput> input_;
    std::unique_ptr<RoutedOutput> output_;
    std::string soundSystemError_;
    bool failureReported_ = false;
};

// A device's host API and its own name, from a list entry "<API>: <name>".
// PulseAudio and PipeWire, which PortAudio reaches through ALSA devices of
// those names, are named as such ("PulseAudio (ALSA)", "PipeWire (ALSA)");
// the simulated loopback's host is "Simulated".
struct DeviceLabel {
    std::string hostApi;
    std::string name;
};
DeviceLabel describeDevice(std::string_view entry);

// The text of --list-devices: both lists with their positions, e.g.
//   Input devices (InputDeviceId):
//     0  ALSA: default
//     1  Simulated loopback
//   Output devices (OutputDeviceId):
//     0  ALSA: default
//     1  Simulated loopback
std::string listDevicesText(AudioInput& input, AudioOutput& output);

// A --device argument: "N" (the same position in both lists), "IN,OUT", or
// "loopback" (the loopback in both). Positions are checked against the counts.
struct DeviceChoice {
    bool ok = false;
    int inputPosition = 0;
    int outputPosition = 0;
    std::string error; // why the text was refused
};
DeviceChoice parseDeviceChoice(std::string_view text, int inputCount, int outputCount,
                               int loopbackInputPosition, int loopbackOutputPosition);

} // namespace platform
