#pragma once
// The Soundcard Setup window (SoundcardSetup): the output and input device
// lists, each entry with its host API (ALSA, JACK, PulseAudio or PipeWire
// through ALSA, the simulated loopback), Refresh, the per-rate level
// offsets, the 500-frame discard, and the cable test. Bound to
// engine::SoundcardSetup.

#include "ui/instrument.h"

#include <QWidget>
#include <memory>

namespace ui {

std::unique_ptr<QWidget> makeSoundcardSetup(Instrument& instrument, QWidget* parent);

} // namespace ui
