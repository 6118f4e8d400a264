// libFuzzer target: the input is a WAV file. The generator's playback
// engine opens it as the external WAV file and plays it for a moment on the
// simulated output; the --input reader reads it and, when it takes it, the
// simulated input records a block from it.

#include "fuzz_support.h"
#include "generator/playback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"
#include "platform/wav_pcm16.h"

#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::clearDataDirectory();
    const std::string path = fuzz::writeInput("input.wav", data, size);

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    {
        platform::SimulatedOutput output(loop);
        generator::PlaybackEngine playback(loop, dialogs, output);
        playback.InstallPlaybackHook();
        playback.OpenPlaybackFile(path);
        if (playback.StartPlayback()) loop.advance(500);
        playback.StopPlayback();
        playback.ClosePlaybackFile();
        loop.advance(100);
    }

    const std::filesystem::path file = fuzz::dataDirectory() / "input.wav";
    const platform::WavLayoutResult read = platform::readWavPcm16Layout(file);
    if (!read.ok) return 0;
    const std::int32_t rate = read.layout.sampleRate;
    platform::SimulatedAudio input(loop);
    input.setSource(std::make_shared<platform::WavFileSource>(file, read.layout));
    const platform::CaptureHandle h = input.open(0, platform::CaptureFormat::stereo16(rate));
    if (h == 0) return 0;
    input.start(h);
    std::vector<std::int16_t> block(18384 / 2);
    platform::CaptureHeader header;
    header.data = block.data();
    header.bufferLength = 18384;
    input.prepareHeader(h, header);
    input.addBuffer(h, header);
    loop.runUntil([&] { return header.done(); }, 5000);
    input.reset(h);
    input.close(h);
    return 0;
}
