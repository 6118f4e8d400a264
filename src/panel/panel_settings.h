#pragma once
// The whole persistent state of the main panel: every setting is named after
// the control that shows it, or by its own name for a derived value. Flags are
// 16-bit 0/1 as they are stored in panel files.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace panel {

enum class GraphMode { Sweep, Spectrum, Scope };

inline constexpr int kReadoutSlots = 5;

// The choice lists of the panel's combo boxes.
namespace lists {
inline constexpr std::array<std::string_view, 7> Wavetype = {
    "Sine", "Square", "Triangle", "Burst", "White Noise", "SMPTE IMD", "CCIF IMD"};
inline constexpr std::array<std::string_view, 1> LevelUnits = {"dBr"};
inline constexpr std::array<std::string_view, 7> SampleRate = {"11025", "22050", "32000", "44100",
                                                               "48000", "88000", "96000"};
inline constexpr std::array<std::string_view, 2> SampleSize = {"16384", "32768"};
inline constexpr std::array<std::string_view, 1> BurstLevelUnits = {"dBr"};
inline constexpr std::array<std::string_view, 1> BurstTimeUnits = {"ms"};
inline constexpr std::array<std::string_view, 2> ReadoutChannel = {"Left", "Right"};
inline constexpr std::array<std::string_view, 10> ReadoutUnit = {"V",  "dBr", "W",   "%",    "Hz",
                                                                 "dB", "dBV", "dBu", "dBFS", "deg"};
inline constexpr std::array<std::string_view, 15> ReadoutMode = {
    "Level", "Power",       "Frequency", "THD", "THD+N",   "SINAD",    "THD (RSS)", "H2",
    "H3",    "Freq (fine)", "Phase L-R", "SNR", "IHF IMD", "CCIF IMD", "Level A-wt"};
inline constexpr std::array<std::string_view, 4> SweepMode = {
    "Level vs Frequency", "THD vs Frequency", "Separation vs Frequency", "THD+N vs Frequency"};
// The measurement band of THD+N, SINAD and SNR; the upper edge stops at the
// Nyquist frequency.
inline constexpr std::array<std::string_view, 2> ThdnBand = {"20 Hz - 20 kHz", "20 Hz - 80 kHz"};
inline constexpr std::array<std::string_view, 1> SweepDataUnits = {"dBr"};
inline constexpr std::array<std::string_view, 1> SweepStepUnits = {"Hz"};
} // namespace lists

// The seven sample rates that carry a level offset, in file order.
inline constexpr std::array<std::int32_t, 7> kOffsetRates = {11025, 22050, 32000, 44100,
                                                             48000, 88000, 96000};

struct ReadoutSlot {
    double value = 1;         // last value shown (the caption's number)
    std::int16_t channel = 0; // 0 left, 1 right
    std::string unit = "V";
    std::int16_t on = 0;
    std::string mode = "Level";
    bool operator==(const ReadoutSlot&) const = default;
};

struct PanelSettings {
    // Generator
    std::string Wavetype1 = "Sine";
    std::int16_t genRouting = 2; // 0 left, 1 right, 2 left + right, 3 left - right
    double LeftGenLevel = 0;
    double RightGenLevel = 0;
    std::string LevelUnits = "dBr";
    std::int32_t SampleRate = 44100;
    double GenFreq1 = 1000;
    double GenFreq2 = 1000;
    double DeltaPhase = 0;
    std::int16_t FastCheck = 0;
    double BurstOnLevel = 0;
    double BurstOffLevel = -20;
    double BurstOnTime = 20;
    double BurstOffTime = 480;
    std::string BurstLevelUnits = "dBr";
    std::string BurstTimeUnits = "ms";
    std::string WAVfilename = "None";
    std::int16_t usewav_Check = 0;
    std::int16_t genOn = 0;

    // Analyzer
    std::int32_t SampleSize = 16384; // N
    std::uint8_t FftBits = 14;
    double RefLevel = 0;
    double refFactorLeft = 1.0; // 10^(RefLevel/20)
    double refFactorRight = 1.0;
    double ZRef = 8;

    std::array<ReadoutSlot, kReadoutSlots> readouts = {{
        {1, 0, "V", 0, "Level"},
        {1, 1, "V", 0, "Level"},
        {1, 0, "dBr", 0, "Level"},
        {1, 1, "dBr", 0, "Level"},
        {1, 0, "Hz", 0, "Frequency"},
    }};

    // Sweep and graph
    std::string SweepMode = "Level vs Frequency";
    std::int16_t thdSweep = 0; // also 1 in a THD+N sweep, which is plotted and judged alike
    std::int16_t separationSweep = 0;
    std::int16_t thdnSweep = 0;
    double sweepStart = 20;
    double sweepStop = 20000;
    std::int16_t stepCount = 20;
    std::string stepCountText = "20";
    std::int16_t stepMode = 0; // 0 octave, 1 even, 2 predefined points
    std::string PredefStepFile = "None";
    double SweepScaleTop = 20;
    double SweepScaleBtm = -20;
    std::string SweepDataUnits = "dBr";
    std::string SweepStepUnits = "Hz";
    std::int16_t channelSelect = 2; // 0 left, 1 right, 2 both
    std::int16_t linearAxis = 0;
    std::int16_t useReverseCal = 0;
    std::int16_t appendMode = 0;
    std::int16_t limitCurveOn = 0;
    std::string LimitCurveFile = "None";
    GraphMode graphMode = GraphMode::Sweep;

    // Spectrum analyzer and oscilloscope
    std::int16_t saChannel = 0; // 0 L, 1 R, 2 both
    std::int16_t saAverageCount = 3;
    std::int16_t saAveraging = 0;
    std::int16_t scopeManual = 0;
    std::int32_t scopeTimebase = 50;
    std::int32_t scopeGainLeft = 1;
    std::int32_t scopeGainRight = 1;
    std::int16_t scopeSplit = 0;
    std::int16_t scopeLockGains = 0;
    std::int16_t lockToLeftTrigger = 0;
    std::int16_t highScalelight = 0;

    // Dialog settings
    std::string defaultDataDirectory;
    std::string logFilePath;
    std::string graphTitle;
    std::array<std::string, 3> graphLegends;
    std::int16_t graphColour = 1; // 1 colour, 0 black and white
    std::int16_t graphLineWidth = 2;
    std::int16_t graphTimeStamp = 1;
    std::int16_t settleMode = 0;
    std::int16_t readingMode = 0; // 0 average, 1 minimum
    std::int16_t rmsDetector = 0;
    std::int16_t peakDetector = 0;
    std::int16_t engineFlag = 0;
    std::int16_t bestFitSampleRate = 0; // PropSRcheckbox
    std::int16_t logTime = 0;
    std::int16_t logLevels = 0;
    std::int16_t logThd = 0;
    std::array<double, 7> rateOffsets{}; // dB, in the order of kOffsetRates
    std::int32_t OutputDeviceId = 0;
    std::int32_t InputDeviceId = 0;
    std::int16_t DiscardCheck = 1;

    // Reserved fields of the panel file, kept and written back unchanged,
    // except reservedInts[0], which holds the THD+N band (kWideThdnBand for
    // the second entry of lists::ThdnBand; any other value is the first).
    std::string reservedText;
    std::int16_t reservedInt = 0;
    std::array<std::int16_t, 6> reservedInts{};
    std::array<double, 5> reservedReals{};

    bool operator==(const PanelSettings&) const = default;
};

inline constexpr std::int16_t kWideThdnBand = 1;
inline bool wideThdnBand(const PanelSettings& s) {
    return s.reservedInts[0] == kWideThdnBand;
}

} // namespace panel
