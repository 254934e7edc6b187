#include "Resampler.h"

#include "SpeechError.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace {

// Zero crossings of the sinc on each side; with the Blackman window this keeps aliasing
// well under the 16-bit noise floor of speech.
constexpr int ZeroCrossings = 10;
// Fraction of the lower Nyquist frequency that passes, leaving room for the transition band.
constexpr double PassBand = 0.9;
constexpr qint64 MaximumPhases = 8192;

double sinc(double x)
{
    if (std::abs(x) < 1e-12)
        return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

} // namespace

Resampler::Resampler(int inputRate, int outputRate)
{
    if (inputRate <= 0 || outputRate <= 0)
        throw SpeechError(
            SpeechErrors::InvalidArgument,
            QStringLiteral("Invalid sample rates %1 and %2 Hz.").arg(inputRate).arg(outputRate));
    const qint64 divisor = std::gcd(qint64(inputRate), qint64(outputRate));
    m_up = outputRate / divisor;
    m_down = inputRate / divisor;
    if (m_up > MaximumPhases)
        throw SpeechError(
            SpeechErrors::InvalidArgument,
            QStringLiteral("Cannot convert %1 Hz audio to %2 Hz.").arg(inputRate).arg(outputRate));
    if (m_up == m_down)
        return;

    // Cut-off relative to the input rate's Nyquist frequency.
    const double cutoff = PassBand * std::min(1.0, double(m_up) / double(m_down));
    m_half = int(std::ceil(ZeroCrossings / cutoff));
    const int taps = 2 * m_half;
    m_table.resize(size_t(m_up * taps));
    for (qint64 phase = 0; phase < m_up; ++phase) {
        float *row = &m_table[size_t(phase * taps)];
        double sum = 0;
        for (int i = 0; i < taps; ++i) {
            // Distance in input samples from tap i to the output instant.
            const double tau = double(m_half - 1 - i) + double(phase) / double(m_up);
            const double x = tau / m_half;
            const double window = std::abs(x) >= 1.0
                                      ? 0.0
                                      : 0.42 + 0.5 * std::cos(std::numbers::pi * x) +
                                            0.08 * std::cos(2 * std::numbers::pi * x);
            const double value = cutoff * sinc(cutoff * tau) * window;
            row[i] = float(value);
            sum += value;
        }
        // Unity gain at DC in every phase, so a steady level carries no ripple.
        for (int i = 0; i < taps; ++i)
            row[i] = float(row[i] / sum);
    }
    // Silence before the first sample lets the first outputs use the same loop.
    m_history.assign(size_t(m_half), 0.0f);
    m_historyStart = -m_half;
}

void Resampler::process(const qint16 *samples, int count, std::vector<qint16> &out)
{
    if (count <= 0)
        return;
    if (m_up == m_down) {
        out.insert(out.end(), samples, samples + count);
        return;
    }
    m_history.insert(m_history.end(), samples, samples + count);
    m_inputCount += count;
    produce(m_inputCount, out);
}

void Resampler::flush(std::vector<qint16> &out)
{
    if (m_up == m_down)
        return;
    m_history.insert(m_history.end(), size_t(m_half), 0.0f);
    produce(m_inputCount, out);
}

void Resampler::produce(qint64 inputEnd, std::vector<qint16> &out)
{
    const qint64 historyEnd = m_historyStart + qint64(m_history.size());
    const int taps = 2 * m_half;
    // The output instant as a whole input sample and a phase, stepped along rather than
    // divided out for every sample.
    qint64 base = (m_nextOutput * m_down) / m_up;
    qint64 phase = (m_nextOutput * m_down) % m_up;
    for (;; ++m_nextOutput) {
        // Outputs belong to the input that has arrived; the last taps need their look-ahead.
        if (base >= inputEnd || base + m_half >= historyEnd)
            break;
        const float *row = &m_table[size_t(phase * taps)];
        const float *x = &m_history[size_t(base - m_half + 1 - m_historyStart)];
        // Eight sums side by side, which the compiler turns into vector instructions; a
        // single running sum would make every multiply wait for the one before.
        float sums[8] = {};
        int i = 0;
        for (; i + 8 <= taps; i += 8)
            for (int k = 0; k < 8; ++k)
                sums[k] += row[i + k] * x[i + k];
        float acc = ((sums[0] + sums[1]) + (sums[2] + sums[3])) +
                    ((sums[4] + sums[5]) + (sums[6] + sums[7]));
        for (; i < taps; ++i)
            acc += row[i] * x[i];
        // Rounded half away from zero, as lround does, without a call per sample.
        const float clamped = std::clamp(acc, -32768.0f, 32767.0f);
        out.push_back(qint16(clamped < 0 ? clamped - 0.5f : clamped + 0.5f));
        phase += m_down;
        while (phase >= m_up) {
            phase -= m_up;
            ++base;
        }
    }
    // Drop input no later output can reach, in batches to keep the erase cheap.
    const qint64 firstNeeded = (m_nextOutput * m_down) / m_up - m_half + 1;
    const qint64 dead = firstNeeded - m_historyStart;
    if (dead > 8192) {
        m_history.erase(m_history.begin(), m_history.begin() + dead);
        m_historyStart += dead;
    }
}
