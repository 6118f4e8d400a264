#include "engine/precision.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace engine {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
// Phasors are computed exactly at the start of each chunk of this many frames
// and by one complex multiplication within it.
constexpr int kChunk = 64;
// The 4-term Blackman-Harris window (92 dB side lobes), used only to find
// the tones.
constexpr double kBh0 = 0.35875, kBh1 = 0.48829, kBh2 = 0.14128, kBh3 = 0.01168;
// Its main lobe is 4 bins wide on either side; tones further apart than this
// many bins are told apart.
constexpr int kToneGuardBins = 5;
// With fewer cycles than this in the span the window cannot place the tone
// well enough, and the fit's start comes from a search of its cost.
constexpr double kFewCycles = 16;
// The fit does not follow a tone below this many cycles in the span.
constexpr double kMinCycles = 0.6;
// Sine components are modelled only below this fraction of the rate, where
// their phase is still well defined.
constexpr double kMaxModelledFraction = 0.49;
// The most sine components of one linear fit (the twin-tone model's size).
constexpr int kMaxTerms = 24;
// A twin tone's weaker tone must be within this power ratio of the stronger.
constexpr double kTwinToneMinPowerRatio = 1e-4;

// The hot loops, compiled for several instruction sets.
#define ARV1_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))

// The projections of y on two phasor arrays: sums of y c and y s.
ARV1_VECTOR_CLONES void project(const double* __restrict y, const double* __restrict c,
                                const double* __restrict s, int n, double* out) {
    double yc = 0, ys = 0;
#pragma omp simd reduction(+ : yc, ys)
    for (int i = 0; i < n; ++i) {
        yc += y[i] * c[i];
        ys += y[i] * s[i];
    }
    out[0] = yc;
    out[1] = ys;
}

// As project, and also of y t (yt) on both: sums of y c, y s, y t c, y t s.
ARV1_VECTOR_CLONES void project4(const double* __restrict y, const double* __restrict yt,
                                 const double* __restrict c, const double* __restrict s, int n,
                                 double* out) {
    double yc = 0, ys = 0, ytc = 0, yts = 0;
#pragma omp simd reduction(+ : yc, ys, ytc, yts)
    for (int i = 0; i < n; ++i) {
        yc += y[i] * c[i];
        ys += y[i] * s[i];
        ytc += yt[i] * c[i];
        yts += yt[i] * s[i];
    }
    out[0] = yc;
    out[1] = ys;
    out[2] = ytc;
    out[3] = yts;
}

// The next harmonic's phasors (c, s) = (pc, ps) x (fc, fs), and y's
// projections on them.
ARV1_VECTOR_CLONES void rotateAndProject(const double* __restrict y, const double* pc,
                                         const double* ps, const double* __restrict fc,
                                         const double* __restrict fs, double* c, double* s, int n,
                                         double* out) {
    double yc = 0, ys = 0;
#pragma omp simd reduction(+ : yc, ys)
    for (int i = 0; i < n; ++i) {
        const double cn = pc[i] * fc[i] - ps[i] * fs[i];
        const double sn = ps[i] * fc[i] + pc[i] * fs[i];
        c[i] = cn;
        s[i] = sn;
        yc += y[i] * cn;
        ys += y[i] * sn;
    }
    out[0] = yc;
    out[1] = ys;
}

double sum(const double* a, int n) {
    double total = 0;
#pragma omp simd reduction(+ : total)
    for (int i = 0; i < n; ++i)
        total += a[i];
    return total;
}

// Closed forms of the sums over the centred times t = n - (L - 1) / 2 of a
// span of L frames: D(a) = sum of cos(a t), with its first and second
// derivatives in a; the sums of sin(a t) and of odd powers of t vanish.
struct Kernel {
    double L;
    double T2; // sum of t^2

    explicit Kernel(int frames)
        : L(frames), T2(frames * (static_cast<double>(frames) * frames - 1) / 12) {}

    static constexpr double kSmall = 1e-9;

    double d0(double a) const {
        if (std::fabs(a) < kSmall) return L - a * a * T2 / 2;
        return std::sin(L * a / 2) / std::sin(a / 2);
    }
    double d1(double a) const {
        if (std::fabs(a) < kSmall) return -a * T2;
        const double u = a / 2, g = std::sin(u);
        return 0.5 * (L * std::cos(L * u) * g - std::sin(L * u) * std::cos(u)) / (g * g);
    }
    double d2(double a) const {
        if (std::fabs(a) < kSmall) return -T2;
        const double u = a / 2;
        const double f = std::sin(L * u), f1 = L * std::cos(L * u), f2 = -L * L * f;
        const double g = std::sin(u), g1 = std::cos(u), g2 = -g;
        return 0.25 * (f2 * g * g - f * g * g2 - 2 * f1 * g * g1 + 2 * f * g1 * g1) / (g * g * g);
    }
};

// Solves the n x n system m x = v in place (v becomes x) by elimination with
// partial pivoting. Returns false when the matrix is singular.
template <std::size_t N>
bool solveSystem(std::array<std::array<double, N>, N>& m, std::array<double, N>& v, int n) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
        if (m[pivot][col] == 0 || !std::isfinite(m[pivot][col])) return false;
        std::swap(m[col], m[pivot]);
        std::swap(v[col], v[pivot]);
        for (int r = col + 1; r < n; ++r) {
            const double f = m[r][col] / m[col][col];
            for (int k = col; k < n; ++k)
                m[r][k] -= f * m[col][k];
            v[r] -= f * v[col];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double acc = v[r];
        for (int k = r + 1; k < n; ++k)
            acc -= m[r][k] * v[k];
        v[r] = acc / m[r][r];
    }
    return true;
}

// Solves the symmetric positive definite system m x = v (n x n) in place by
// Cholesky factorisation. A component whose pivot vanishes (a column that the
// others explain) is set to 0.
void solveSpd(std::array<std::array<double, kMaxTerms + 1>, kMaxTerms + 1>& m,
              std::array<double, kMaxTerms + 1>& v, int n) {
    std::array<bool, kMaxTerms + 1> dropped{};
    for (int j = 0; j < n; ++j) {
        double d = m[j][j];
        for (int k = 0; k < j; ++k)
            d -= m[j][k] * m[j][k];
        if (!(d > 1e-12 * m[j][j])) {
            dropped[j] = true;
            m[j][j] = 1;
            for (int i = j + 1; i < n; ++i)
                m[i][j] = 0;
            continue;
        }
        m[j][j] = std::sqrt(d);
        for (int i = j + 1; i < n; ++i) {
            double e = m[i][j];
            for (int k = 0; k < j; ++k)
                e -= m[i][k] * m[j][k];
            m[i][j] = e / m[j][j];
        }
    }
    for (int i = 0; i < n; ++i) {
        double acc = dropped[i] ? 0 : v[i];
        for (int k = 0; k < i; ++k)
            acc -= m[i][k] * v[k];
        v[i] = dropped[i] ? 0 : acc / m[i][i];
    }
    for (int i = n - 1; i >= 0; --i) {
        double acc = v[i];
        for (int k = i + 1; k < n; ++k)
            acc -= m[k][i] * v[k];
        v[i] = dropped[i] ? 0 : acc / m[i][i];
    }
}

double powerDb(double ratio) {
    return 10 * std::log10(ratio);
}

} // namespace

double aWeighting(double hz) {
    // IEC 61672-1, annex E: the pole frequencies of the A-weighting.
    constexpr double f1 = 20.598997, f2 = 107.65265, f3 = 737.86223, f4 = 12194.217;
    auto response = [](double f) {
        const double ff = f * f;
        return f4 * f4 * ff * ff /
               ((ff + f1 * f1) * std::sqrt((ff + f2 * f2) * (ff + f3 * f3)) * (ff + f4 * f4));
    };
    static const double atOneKilohertz = response(1000);
    return response(hz) / atOneKilohertz;
}

PrecisionAnalysis::PrecisionAnalysis() : fft_(kPrecisionMaxFrames) {
    const auto frames = static_cast<std::size_t>(kPrecisionMaxFrames);
    const auto bins = static_cast<std::size_t>(kPrecisionMaxFrames / 2 + 1);
    for (int ch = 0; ch < 2; ++ch) {
        x_[ch].resize(frames);
        power_[ch].resize(bins);
        fundC_[ch].resize(frames);
        fundS_[ch].resize(frames);
    }
    window_.resize(frames);
    aWeight2_.resize(bins);
    t_.resize(frames);
    yt_.resize(frames);
    y_.resize(frames);
    c_.resize(frames);
    s_.resize(frames);
    spectrum_.resize(2 * frames);
    tableC_.resize(kChunk);
    tableS_.resize(kChunk);
}

double PrecisionAnalysis::phaseLeftMinusRightDeg() const {
    double d = (result_[0].phase - result_[1].phase) * 180 / kPi;
    d = std::remainder(d, 360.0);
    return d == -180 ? 180 : d;
}

void PrecisionAnalysis::generatePhasors(double omega, double* c, double* s) const {
    // Within a chunk, each phasor is the chunk's first one times a step from
    // the table; the table and the chunks' first phasors follow by rotation,
    // computed afresh every kResync chunks. The error stays near 1e-14.
    constexpr int kResync = 16;
    const int L = frames_;
    const double stepC = std::cos(omega), stepS = std::sin(omega);
    double* tc = tableC_.data();
    double* ts = tableS_.data();
    tc[0] = 1;
    ts[0] = 0;
    for (int i = 1; i < kChunk; ++i) {
        tc[i] = tc[i - 1] * stepC - ts[i - 1] * stepS;
        ts[i] = ts[i - 1] * stepC + tc[i - 1] * stepS;
    }
    const double chunkC = std::cos(omega * kChunk), chunkS = std::sin(omega * kChunk);
    const double t0 = -(L - 1) / 2.0;
    double cb = 0, sb = 0;
    for (int start = 0, chunk = 0; start < L; start += kChunk, ++chunk) {
        if (chunk % kResync == 0) {
            cb = std::cos(omega * (t0 + start));
            sb = std::sin(omega * (t0 + start));
        } else {
            const double c0 = cb;
            cb = c0 * chunkC - sb * chunkS;
            sb = sb * chunkC + c0 * chunkS;
        }
        const int count = std::min(kChunk, L - start);
        double* __restrict cc = c + start;
        double* __restrict ss = s + start;
#pragma omp simd
        for (int i = 0; i < count; ++i) {
            cc[i] = cb * tc[i] - sb * ts[i];
            ss[i] = sb * tc[i] + cb * ts[i];
        }
    }
}

void PrecisionAnalysis::analyse(const std::int16_t* interleaved, int frames, double rate,
                                const PrecisionBand& band, bool twinTone) {
    result_ = {};
    frames_ = 0;
    if (rate != priorRate_) priorOmega_ = {};
    priorRate_ = rate;
    if (frames < kPrecisionMinFrames || !(rate > 0)) return;
    if (frames > kPrecisionMaxFrames) {
        interleaved += 2 * static_cast<std::ptrdiff_t>(frames - kPrecisionMaxFrames);
        frames = kPrecisionMaxFrames;
    }
    frames_ = frames;
    const int L = frames;
    for (int n = 0; n < L; ++n) {
        x_[0][static_cast<std::size_t>(n)] = interleaved[2 * n];
        x_[1][static_cast<std::size_t>(n)] = interleaved[2 * n + 1];
        t_[static_cast<std::size_t>(n)] = n - (L - 1) / 2.0;
    }

    // The last fundamental is tried first: a fit that holds more than half of
    // the channel's power is the strongest tone, and the search is skipped.
    std::array<Tone, 2> fit{};
    std::array<bool, 2> found{};
    bool searchNeeded = twinTone;
    for (int ch = 0; ch < 2; ++ch) {
        const double* x = x_[ch].data();
        const double mean = sum(x, L) / L;
        double power = 0;
        for (int n = 0; n < L; ++n)
            power += (x[n] - mean) * (x[n] - mean);
        power /= L;
        if (power == 0) { // digital silence, or a constant
            found[ch] = true;
            priorOmega_[ch] = 0;
            continue;
        }
        result_[ch].valid = true;
        if (priorOmega_[ch] > 0) {
            fit[ch] = fitTone(x, priorOmega_[ch], false);
            found[ch] = (fit[ch].a * fit[ch].a + fit[ch].b * fit[ch].b) / 2 > power / 2;
        }
        searchNeeded = searchNeeded || !found[ch];
    }
    if (searchNeeded) windowedSpectra();
    const int P = nextPowerOfTwo(L);
    for (int ch = 0; ch < 2; ++ch) {
        if (!result_[ch].valid) continue;
        if (!found[ch]) {
            const int peak = strongestBin(ch, -1, 0);
            if (peak < 0) {
                result_[ch].valid = false;
                continue;
            }
            fit[ch] = fitTone(x_[ch].data(), kTwoPi * interpolatedBin(ch, peak) / P, true);
        }
        priorOmega_[ch] = fit[ch].omega;
        analyseChannel(ch, fit[ch], rate, band);
    }
    residualSpectra(rate, band);
    if (twinTone)
        for (int ch = 0; ch < 2; ++ch)
            if (result_[ch].valid) twinTones(ch, rate);
}

// The power spectra of both channels with the Blackman-Harris window, from
// one complex transform of left + i right.
void PrecisionAnalysis::windowedSpectra() {
    const int L = frames_;
    if (windowFrames_ != L) {
        for (int n = 0; n < L; ++n) {
            const double p = kTwoPi * n / L;
            window_[static_cast<std::size_t>(n)] =
                kBh0 - kBh1 * std::cos(p) + kBh2 * std::cos(2 * p) - kBh3 * std::cos(3 * p);
        }
        windowFrames_ = L;
    }
    const double meanL = sum(x_[0].data(), L) / L;
    const double meanR = sum(x_[1].data(), L) / L;
    transformChannels(
        [&](int n) {
            const auto i = static_cast<std::size_t>(n);
            return std::pair{(x_[0][i] - meanL) * window_[i], (x_[1][i] - meanR) * window_[i]};
        },
        [&](int k, double left, double right) {
            power_[0][static_cast<std::size_t>(k)] = left;
            power_[1][static_cast<std::size_t>(k)] = right;
        });
}

// Transforms both channels at once as left + i right, zero-padded to a power
// of two, and hands each bin k = 0..P/2 to `bin` as the power |X[k]|^2 of
// each channel.
template <typename Value, typename Bin>
void PrecisionAnalysis::transformChannels(const Value& value, const Bin& bin) {
    const int L = frames_;
    const int P = nextPowerOfTwo(L);
    const std::vector<int>& reversal = fft_.reversal(P);
    double* z = spectrum_.data();
    std::fill(z, z + 2 * P, 0.0);
    for (int n = 0; n < L; ++n) {
        const auto [left, right] = value(n);
        const auto at = 2 * static_cast<std::size_t>(reversal[static_cast<std::size_t>(n)]);
        z[at] = left;
        z[at + 1] = right;
    }
    fft_.forwardFromBitReversed(z, P);
    for (int k = 0; k <= P / 2; ++k) {
        const auto a = 2 * static_cast<std::size_t>(k);
        const auto b = 2 * static_cast<std::size_t>((P - k) % P);
        const double xr = z[a] + z[b], xi = z[a + 1] - z[b + 1];
        const double yr = z[a + 1] + z[b + 1], yi = z[b] - z[a];
        bin(k, (xr * xr + xi * xi) / 4, (yr * yr + yi * yi) / 4);
    }
}

int PrecisionAnalysis::strongestBin(int ch, int excludeBin, int guardBins) const {
    const int P = nextPowerOfTwo(frames_);
    const int first = std::max(1, static_cast<int>(kMinCycles * P / frames_));
    int best = -1;
    double bestPower = 0;
    for (int k = first; k < P / 2; ++k) {
        if (excludeBin >= 0 && std::abs(k - excludeBin) <= guardBins) continue;
        const double p = power_[ch][static_cast<std::size_t>(k)];
        if (p > bestPower) {
            bestPower = p;
            best = k;
        }
    }
    return best;
}

// The bin of a peak to a fraction, from a parabola through the logarithms of
// its power and its neighbours'.
double PrecisionAnalysis::interpolatedBin(int ch, int k) const {
    const int P = nextPowerOfTwo(frames_);
    if (k <= 0 || k >= P / 2) return k;
    const std::vector<double>& p = power_[ch];
    auto logPower = [&](int i) {
        return std::log(std::max(p[static_cast<std::size_t>(i)], 1e-300));
    };
    const double a = logPower(k - 1), b = logPower(k), c = logPower(k + 1);
    const double curvature = a - 2 * b + c;
    if (!(curvature < 0)) return k;
    return k + std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
}

// The least-squares fit of dc + a cos(w t) + b sin(w t) to y over the span,
// with w free (IEEE Std 1057's four-parameter fit, Gauss-Newton steps whose
// sums over the span come in closed form except the four that involve y).
PrecisionAnalysis::Tone PrecisionAnalysis::fitTone(const double* y, double omegaStart,
                                                   bool search) {
    const int L = frames_;
    const Kernel k(L);
    const double minOmega = kTwoPi * kMinCycles / L;
    const double maxOmega = kPi * 2 * kMaxModelledFraction;
    const double sumY = sum(y, L);
#pragma omp simd
    for (int n = 0; n < L; ++n)
        yt_[static_cast<std::size_t>(n)] = y[n] * t_[static_cast<std::size_t>(n)];

    Tone tone;
    // The three-parameter fit at a fixed w; returns the part of y's energy it explains.
    auto fixedFrequency = [&](double w) {
        generatePhasors(w, c_.data(), s_.data());
        double p[2];
        project(y, c_.data(), s_.data(), L, p);
        const double syc = p[0], sys = p[1];
        const double dw = k.d0(w), d2w = k.d0(2 * w);
        const double gcc = (L + d2w) / 2, gss = (L - d2w) / 2;
        const double det = L * gcc - dw * dw;
        tone.omega = w;
        if (!(det > 0) || !(gss > 0)) return 0.0;
        tone.c = (gcc * sumY - dw * syc) / det;
        tone.a = (L * syc - dw * sumY) / det;
        tone.b = sys / gss;
        return tone.c * sumY + tone.a * syc + tone.b * sys;
    };

    double w = std::clamp(omegaStart, minOmega, maxOmega);
    const double cycles = w * L / kTwoPi;
    if (search && cycles < kFewCycles) {
        // A coarse search of the cost around the start, then a parabola
        // through the best point and its neighbours.
        constexpr double kStep = 0.125;
        const double first = std::max(kMinCycles, cycles - 1.5);
        const int count = static_cast<int>((cycles + 1.5 - first) / kStep) + 1;
        std::array<double, 32> explained{};
        int best = 0;
        for (int i = 0; i < count && i < 32; ++i) {
            explained[static_cast<std::size_t>(i)] =
                fixedFrequency(kTwoPi * (first + i * kStep) / L);
            if (explained[static_cast<std::size_t>(i)] > explained[static_cast<std::size_t>(best)])
                best = i;
        }
        double offset = 0;
        if (best > 0 && best < std::min(count, 32) - 1) {
            const double a = explained[static_cast<std::size_t>(best - 1)];
            const double b = explained[static_cast<std::size_t>(best)];
            const double c = explained[static_cast<std::size_t>(best + 1)];
            const double curvature = a - 2 * b + c;
            if (curvature < 0) offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
        }
        w = kTwoPi * (first + (best + offset) * kStep) / L;
    }
    fixedFrequency(w);

    const double maxStep = 0.25 * kTwoPi / L;
    for (int iteration = 0; iteration < 12; ++iteration) {
        generatePhasors(w, c_.data(), s_.data());
        double p[4];
        project4(y, yt_.data(), c_.data(), s_.data(), L, p);
        const double syc = p[0], sys = p[1], sytc = p[2], syts = p[3];
        const double a = tone.a, b = tone.b;
        const double d0w = k.d0(w), d1w = k.d1(w);
        const double d02 = k.d0(2 * w), d12 = k.d1(2 * w), d22 = k.d2(2 * w);
        // Columns: 1, cos, sin and the derivative in w, t (-a sin + b cos).
        std::array<std::array<double, 4>, 4> g{};
        g[0] = {static_cast<double>(L), d0w, 0, a * d1w};
        g[1] = {d0w, (L + d02) / 2, 0, a / 2 * d12};
        g[2] = {0, 0, (L - d02) / 2, -b / 2 * d12};
        g[3] = {a * d1w, a / 2 * d12, -b / 2 * d12,
                a * a / 2 * (k.T2 + d22) + b * b / 2 * (k.T2 - d22)};
        std::array<double, 4> v = {sumY, syc, sys, -a * syts + b * sytc};
        if (!solveSystem(g, v, 4)) break;
        const double step = std::clamp(v[3], -maxStep, maxStep);
        tone.c = v[0];
        tone.a = v[1];
        tone.b = v[2];
        w = std::clamp(w + step, minOmega, maxOmega);
        if (std::fabs(step) < 1e-13 * w) break;
    }
    fixedFrequency(w);
    return tone;
}

// The linear least-squares fit of dc + sum of (a_i cos(w_i t) + b_i sin(w_i t))
// at the given frequencies. With t centred, the sums of cos x sin products
// vanish, so the cosine terms (with dc) and the sine terms form two separate
// systems, whose matrices come in closed form.
void PrecisionAnalysis::solveLinear(const double* y, const double* omegas, int count, double* dcOut,
                                    double* cosOut, double* sinOut, int harmonicsOf) {
    const int L = frames_;
    const Kernel k(L);
    count = std::min(count, kMaxTerms);
    std::array<std::array<double, kMaxTerms + 1>, kMaxTerms + 1> mc{}, ms{};
    std::array<double, kMaxTerms + 1> vc{}, vs{};
    mc[0][0] = L;
    vc[0] = sum(y, L);
    for (int i = 0; i < count; ++i) {
        const double wi = omegas[i];
        double p[2];
        if (harmonicsOf < 0) {
            generatePhasors(wi, c_.data(), s_.data());
            project(y, c_.data(), s_.data(), L, p);
        } else if (i == 0) {
            project(y, fundC_[harmonicsOf].data(), fundS_[harmonicsOf].data(), L, p);
        } else {
            // Harmonic i + 1: the last one's phasors times the fundamental's.
            const double* fc = fundC_[harmonicsOf].data();
            const double* fs = fundS_[harmonicsOf].data();
            rotateAndProject(y, i == 1 ? fc : c_.data(), i == 1 ? fs : s_.data(), fc, fs, c_.data(),
                             s_.data(), L, p);
        }
        vc[static_cast<std::size_t>(i + 1)] = p[0];
        vs[static_cast<std::size_t>(i)] = p[1];
        mc[0][static_cast<std::size_t>(i + 1)] = mc[static_cast<std::size_t>(i + 1)][0] = k.d0(wi);
        for (int j = 0; j <= i; ++j) {
            const double wj = omegas[j];
            const double minus = i == j ? L : k.d0(wi - wj), plus = k.d0(wi + wj);
            mc[static_cast<std::size_t>(i + 1)][static_cast<std::size_t>(j + 1)] =
                mc[static_cast<std::size_t>(j + 1)][static_cast<std::size_t>(i + 1)] =
                    (minus + plus) / 2;
            ms[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] =
                ms[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] = (minus - plus) / 2;
        }
    }
    solveSpd(mc, vc, count + 1);
    solveSpd(ms, vs, count);
    *dcOut = vc[0];
    for (int i = 0; i < count; ++i) {
        cosOut[i] = vc[static_cast<std::size_t>(i + 1)];
        sinOut[i] = vs[static_cast<std::size_t>(i)];
    }
}

void PrecisionAnalysis::analyseChannel(int ch, const Tone& fit, double rate,
                                       const PrecisionBand& band) {
    ChannelPrecision& r = result_[ch];
    const double f0 = fit.omega * rate / kTwoPi;
    // Every harmonic below the modelling limit takes part in the fit; those in
    // the band are summed.
    std::array<double, kPrecisionMaxHarmonic> omegas{}, cosines{}, sines{};
    int modelled = 0;
    while (modelled < kPrecisionMaxHarmonic && (modelled + 1) * f0 < kMaxModelledFraction * rate) {
        omegas[static_cast<std::size_t>(modelled)] = (modelled + 1) * fit.omega;
        ++modelled;
    }
    generatePhasors(fit.omega, fundC_[ch].data(), fundS_[ch].data());
    double dc = fit.c;
    solveLinear(x_[ch].data(), omegas.data(), modelled, &dc, cosines.data(), sines.data(), ch);
    r.frequencyHz = f0;
    r.dc = dc;
    for (int h = 1; h <= modelled; ++h)
        r.harmonic[static_cast<std::size_t>(h)] = std::hypot(
            cosines[static_cast<std::size_t>(h - 1)], sines[static_cast<std::size_t>(h - 1)]);
    r.amplitude = r.harmonic[1];
    r.phase = std::atan2(-sines[0], cosines[0]);
    const double upper = std::min(band.highHz, rate / 2);
    double harmonicPower = 0;
    for (int h = 2; h <= modelled && h * f0 <= upper; ++h) {
        r.harmonicCount = h;
        const double a = r.harmonic[static_cast<std::size_t>(h)];
        harmonicPower += a * a;
    }
    if (r.amplitude > 0) r.thd = std::sqrt(harmonicPower) / r.amplitude;
    fundamental_[ch] = Tone{fit.omega, dc, cosines[0], sines[0]};
}

// The residual of each channel (the samples less dc and fundamental) in the
// frequency domain, with no window: in the band it gives THD+N and SINAD;
// weighted, with the fundamental's own weighted power, the A-weighted level.
void PrecisionAnalysis::residualSpectra(double rate, const PrecisionBand& band) {
    const int L = frames_;
    const int P = nextPowerOfTwo(L);
    if (aWeightBins_ != P / 2 + 1 || aWeightRate_ != rate) {
        for (int k = 0; k <= P / 2; ++k) {
            const double w = aWeighting(k * rate / P);
            aWeight2_[static_cast<std::size_t>(k)] = w * w;
        }
        aWeightBins_ = P / 2 + 1;
        aWeightRate_ = rate;
    }
    const double low = band.lowHz, high = std::min(band.highHz, rate / 2);
    std::array<double, 2> inBand{}, weighted{}, total{};
    const double scale = 1.0 / (static_cast<double>(P) * L);
    const std::array<Tone, 2> f = {result_[0].valid ? fundamental_[0] : Tone{},
                                   result_[1].valid ? fundamental_[1] : Tone{}};
    const double* x[2] = {x_[0].data(), x_[1].data()};
    const double* c[2] = {fundC_[0].data(), fundC_[1].data()};
    const double* s[2] = {fundS_[0].data(), fundS_[1].data()};
    auto residual = [&](int ch, int n) {
        return result_[static_cast<std::size_t>(ch)].valid
                   ? x[ch][n] - f[ch].c - f[ch].a * c[ch][n] - f[ch].b * s[ch][n]
                   : 0.0;
    };
    transformChannels(
        [&](int n) {
            return std::pair{residual(0, n), residual(1, n)};
        },
        [&](int k, double left, double right) {
            // Both sides of the spectrum, except at DC and Nyquist.
            const double sides = k == 0 || k == P / 2 ? 1 : 2;
            const double p[2] = {left * sides * scale, right * sides * scale};
            const double hz = k * rate / P;
            const double wa2 = aWeight2_[static_cast<std::size_t>(k)];
            const bool inside = hz >= low && hz <= high;
            for (int ch = 0; ch < 2; ++ch) {
                const auto i = static_cast<std::size_t>(ch);
                if (inside) inBand[i] += p[ch];
                total[i] += p[ch];
                weighted[i] += p[ch] * wa2;
            }
        });
    for (int ch = 0; ch < 2; ++ch) {
        ChannelPrecision& r = result_[static_cast<std::size_t>(ch)];
        if (!r.valid) continue;
        const double fundamentalPower = r.amplitude * r.amplitude / 2;
        const double residual = inBand[static_cast<std::size_t>(ch)];
        const bool fundamentalInBand = r.frequencyHz >= low && r.frequencyHz <= high;
        const double signal = fundamentalInBand ? fundamentalPower : 0;
        const double wa = aWeighting(r.frequencyHz);
        // The fundamental counts with its own power, whatever part of a cycle
        // the span cuts off.
        r.rms = std::sqrt(fundamentalPower + total[static_cast<std::size_t>(ch)]);
        r.residualRms = std::sqrt(residual);
        r.bandRms = std::sqrt(signal + residual);
        r.aWeightedRms =
            std::sqrt(fundamentalPower * wa * wa + weighted[static_cast<std::size_t>(ch)]);
        if (fundamentalPower > 0) r.thdN = std::sqrt(residual / fundamentalPower);
        if (residual > 0) r.sinadDb = powerDb((signal + residual) / residual);
    }
}

// Two tones: the strongest peak and the strongest one outside its main lobe.
// Each is fitted with the other removed (twice round, so that neither biases
// the other), then all tones and their products are fitted together at fixed
// frequencies.
void PrecisionAnalysis::twinTones(int ch, double rate) {
    ChannelPrecision& r = result_[ch];
    const int L = frames_;
    const int P = nextPowerOfTwo(L);
    const int k1 = strongestBin(ch, -1, 0);
    const int guard = (kToneGuardBins * P + L - 1) / L;
    const int k2 = strongestBin(ch, k1, guard);
    if (k1 < 0 || k2 < 0) return;
    const std::vector<double>& pw = power_[ch];
    if (pw[static_cast<std::size_t>(k2)] <
        kTwinToneMinPowerRatio * pw[static_cast<std::size_t>(k1)])
        return;

    const double* x = x_[ch].data();
    auto without = [&](const Tone& t) {
        generatePhasors(t.omega, c_.data(), s_.data());
        for (int n = 0; n < L; ++n) {
            const auto i = static_cast<std::size_t>(n);
            y_[i] = x[n] - t.a * c_[i] - t.b * s_[i];
        }
        return y_.data();
    };
    Tone t1 = fitTone(x, kTwoPi * interpolatedBin(ch, k1) / P, true);
    Tone t2 = fitTone(without(t1), kTwoPi * interpolatedBin(ch, k2) / P, true);
    t1 = fitTone(without(t2), t1.omega, false);
    t2 = fitTone(without(t1), t2.omega, false);
    const double lo = std::min(t1.omega, t2.omega), hi = std::max(t1.omega, t2.omega);

    // The model: both tones, the low tone's harmonics, the high tone's second
    // harmonic and the products of second and third order.
    std::array<double, kMaxTerms> omegas{}, cosines{}, sines{};
    int count = 0;
    const double resolution = 0.5 * kTwoPi / L;
    auto find = [&](double w) {
        for (int i = 0; i < count; ++i)
            if (std::fabs(omegas[static_cast<std::size_t>(i)] - w) < resolution) return i;
        return -1;
    };
    auto add = [&](double w) {
        w = std::fabs(w);
        if (w < kTwoPi * kMinCycles / L || w >= 2 * kPi * kMaxModelledFraction) return;
        if (find(w) < 0 && count < kMaxTerms) omegas[static_cast<std::size_t>(count++)] = w;
    };
    for (double w : {lo, hi, hi - lo, hi + lo, hi - 2 * lo, hi + 2 * lo, 2 * lo - hi, 2 * hi - lo,
                     2 * hi, 2 * lo, 3 * lo, 4 * lo, 5 * lo})
        add(w);
    double dc = 0;
    solveLinear(x, omegas.data(), count, &dc, cosines.data(), sines.data());
    auto amplitudeAt = [&](double w) {
        const int i = find(std::fabs(w));
        return i < 0 ? 0.0
                     : std::hypot(cosines[static_cast<std::size_t>(i)],
                                  sines[static_cast<std::size_t>(i)]);
    };
    const double aLow = amplitudeAt(lo), aHigh = amplitudeAt(hi);
    if (!(aHigh > 0)) return;
    r.twinTone = true;
    r.lowToneHz = lo * rate / kTwoPi;
    r.highToneHz = hi * rate / kTwoPi;
    r.lowToneAmplitude = aLow;
    r.highToneAmplitude = aHigh;
    // SMPTE RP120 / DIN 45403: the sidebands of each order summed linearly,
    // the orders as a root sum of squares, over the high tone.
    const double second = amplitudeAt(hi - lo) + amplitudeAt(hi + lo);
    const double third = amplitudeAt(hi - 2 * lo) + amplitudeAt(hi + 2 * lo);
    r.smpteImd = std::sqrt(second * second + third * third) / aHigh;
    // IEC 60268-3 difference-frequency distortion of second order: the
    // difference tone over twice the high tone.
    r.ccifImd = amplitudeAt(hi - lo) / (2 * aHigh);
}

} // namespace engine
