#pragma once
// A test-local ALSA configuration: two devices of ALSA's `null` plugin
// ("default" and "arv1_null"), so that PortAudio and ALSA run for real on a
// machine without sound hardware. The null device records whatever its buffer holds and takes
// whatever is played, as fast as it is asked (it keeps no clock). Set before
// a PortAudioSession starts; ALSA reads the configuration named by
// ALSA_CONFIG_PATH instead of the system's.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace platformtest {

inline std::filesystem::path writeAlsaConfig(const std::string& name, const std::string& text) {
    // One folder per process, removed when the process ends.
    static const struct Folder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("arv1_alsa_" + std::to_string(::getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } folder;
    const auto& dir = folder.path;
    const auto path = dir / name;
    std::ofstream(path) << text;
    return path;
}

inline void useAlsaConfig(const std::filesystem::path& path) {
    ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
    // PortAudio's JACK probe neither starts a server nor finds one that
    // another test (or program) runs: only ALSA's devices are listed.
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    ::setenv("JACK_DEFAULT_SERVER", ("arv1_none_" + std::to_string(::getpid())).c_str(), 1);
}

inline void useAlsaNullDevices() {
    static const auto path = writeAlsaConfig("null.conf", "pcm.!default { type null }\n"
                                                          "pcm.arv1_null { type null }\n");
    useAlsaConfig(path);
}

// Devices of cards that are not there (as on a machine without sound
// hardware) beside one null device: probing them makes ALSA complain.
inline void useAlsaDevicesOfMissingCards() {
    static const auto path =
        writeAlsaConfig("missing.conf", "pcm.!default { type hw card 9 }\n"
                                        "pcm.arv1_null { type null }\n"
                                        "pcm.arv1_gone { type plug slave.pcm \"hw:8,0\" }\n");
    useAlsaConfig(path);
}

// A configuration that ALSA cannot parse: PortAudio's ALSA back end then
// fails, and with it Pa_Initialize.
inline void useBrokenAlsaConfig() {
    static const auto path = writeAlsaConfig("broken.conf", "pcm.!default { type null\n");
    useAlsaConfig(path);
}

} // namespace platformtest
