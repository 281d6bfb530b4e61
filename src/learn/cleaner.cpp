#include "learn/cleaner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "generator/decoder.h"

namespace kestrel {
namespace {

// Durations with zeros dropped, neighbours of one kind joined, blips taken
// out, and no space before the first mark or after the last. A run of
// blips between two marks or two spaces joins them into one; between a
// mark and a space, each gets the blips' time of its own kind.
std::vector<int64_t> WithoutBlips(std::span<const int64_t> heard, int& spikes) {
    std::vector<int64_t> d;
    d.reserve(heard.size());
    for (const int64_t v : heard) {
        if (v == 0) continue;
        if (!d.empty() && (d.back() > 0) == (v > 0)) {
            d.back() += v;
        } else if (!d.empty() || v > 0) {
            d.push_back(v);
        }
    }
    while (!d.empty() && d.back() < 0)
        d.pop_back();
    const auto grow = [](int64_t& value, int64_t by) { value += value > 0 ? by : -by; };
    std::vector<int64_t> out;
    out.reserve(d.size());
    for (size_t i = 0; i < d.size();) {
        if (std::llabs(d[i]) >= kSpikeMicros) {
            if (!out.empty() || d[i] > 0) out.push_back(d[i]);
            ++i;
            continue;
        }
        int64_t markTime = 0, spaceTime = 0;
        size_t j = i;
        for (; j < d.size() && std::llabs(d[j]) < kSpikeMicros; ++j) {
            (d[j] > 0 ? markTime : spaceTime) += std::llabs(d[j]);
        }
        spikes += static_cast<int>(j - i);
        if (out.empty() || j == d.size()) {
            // Blips first or last go, and so does a space left last.
            while (j == d.size() && !out.empty() && out.back() < 0)
                out.pop_back();
            i = j;
            continue;
        }
        int64_t next = d[j];
        if ((out.back() > 0) == (next > 0)) {
            grow(out.back(), markTime + spaceTime + std::llabs(next));
        } else {
            grow(out.back(), out.back() > 0 ? markTime : spaceTime);
            grow(next, next > 0 ? markTime : spaceTime);
            out.push_back(next);
        }
        i = j + 1;
    }
    return out;
}

struct Cluster {
    int64_t sum = 0;
    int64_t count = 0;
    int64_t Mean() const { return (sum + count / 2) / count; }
};

// Clusters magnitudes: in ascending order, a value within tolerance of the
// current cluster's mean joins it, any other starts the next. ids receives
// each value's cluster.
std::vector<Cluster> ClusterValues(const std::vector<int64_t>& values, std::vector<int>& ids) {
    std::vector<size_t> order(values.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return values[a] < values[b]; });
    std::vector<Cluster> clusters;
    ids.assign(values.size(), 0);
    for (const size_t i : order) {
        if (clusters.empty() || !WithinTolerance(values[i], clusters.back().Mean())) {
            clusters.emplace_back();
        }
        clusters.back().sum += values[i];
        ++clusters.back().count;
        ids[i] = static_cast<int>(clusters.size() - 1);
    }
    return clusters;
}

// How far value lies from the nearest reference, in tolerances (at most 1),
// and that reference.
double Misfit(int64_t value, const std::vector<int64_t>& references, int64_t* nearest = nullptr) {
    double best = 1.0;
    for (const int64_t r : references) {
        const double tolerance = std::max<double>(kToleranceMicros, r * kTolerancePercent / 100.0);
        const double misfit = std::abs(static_cast<double>(value - r)) / tolerance;
        if (misfit < best) {
            best = misfit;
            if (nearest) *nearest = r;
        }
    }
    return best;
}

// The mark excess that brings the clusters nearest to the references.
int64_t MarkExcess(const std::vector<Cluster>& marks, const std::vector<Cluster>& spaces,
                   const ReferenceTimings& reference) {
    const auto score = [&](int64_t excess) {
        double total = 0;
        for (const Cluster& c : marks)
            total += c.count * Misfit(c.Mean() - excess, reference.marks);
        for (const Cluster& c : spaces)
            total += c.count * Misfit(c.Mean() + excess, reference.spaces);
        return total;
    };
    const auto largest = [](const std::vector<Cluster>& clusters) {
        return std::max_element(
            clusters.begin(), clusters.end(),
            [](const Cluster& a, const Cluster& b) { return a.count < b.count; });
    };
    // Candidates: the largest clusters laid on each reference.
    std::vector<int64_t> candidates = {0};
    if (!marks.empty()) {
        for (const int64_t r : reference.marks)
            candidates.push_back(largest(marks)->Mean() - r);
    }
    if (!spaces.empty()) {
        for (const int64_t r : reference.spaces)
            candidates.push_back(r - largest(spaces)->Mean());
    }
    int64_t best = 0;
    double bestScore = score(0);
    for (const int64_t excess : candidates) {
        if (std::llabs(excess) > kMaxMarkExcessMicros) continue;
        const double s = score(excess);
        if (s < bestScore || (s == bestScore && std::llabs(excess) < std::llabs(best))) {
            best = excess;
            bestScore = s;
        }
    }
    // Refined: the mean offset of every cluster that fits a reference then.
    int64_t offsets = 0;
    int64_t weight = 0;
    int64_t r = 0;
    for (const Cluster& c : marks) {
        if (Misfit(c.Mean() - best, reference.marks, &r) < 1.0) {
            offsets += (c.Mean() - r) * c.count;
            weight += c.count;
        }
    }
    for (const Cluster& c : spaces) {
        if (Misfit(c.Mean() + best, reference.spaces, &r) < 1.0) {
            offsets += (r - c.Mean()) * c.count;
            weight += c.count;
        }
    }
    if (weight == 0) return best;
    const int64_t refined =
        offsets >= 0 ? (offsets + weight / 2) / weight : -((-offsets + weight / 2) / weight);
    return std::clamp(refined, -kMaxMarkExcessMicros, kMaxMarkExcessMicros);
}

void AddReference(std::vector<int64_t>& to, int64_t value) {
    if (value < kSpikeMicros || value >= kCaptureGapMicros) return;
    if (std::find(to.begin(), to.end(), value) == to.end()) to.push_back(value);
}

}  // namespace

ReferenceTimings ReferenceTimingsOf(const ProtocolRecord& protocol, const DefineTable& defines) {
    ReferenceTimings reference;
    const auto add = [&](int64_t d) {
        d > 0 ? AddReference(reference.marks, d) : AddReference(reference.spaces, -d);
    };
    for (const BuiltInFormRow& form : kBuiltInForms) {
        for (const FormItem& item : CutForm(protocol.*form.text, defines)) {
            for (const RawToken& token : item.raw) {
                if (token.type != RawToken::Type::Number || !token.whole) continue;
                const int64_t d = *token.whole;
                add(std::llabs(d) < protocol.TimeUnit ? d * protocol.TimeUnit : d);
            }
        }
    }
    for (const auto* symbol : {&protocol.OneSymbol, &protocol.ZeroSymbol}) {
        for (const SymbolPair& pair : *symbol) {
            add(pair.mark);
            add(pair.space);
        }
    }
    return reference;
}

CleanSignal Clean(const Capture& capture, const ReferenceTimings& reference) {
    CleanSignal signal;
    signal.carrierHz = capture.carrierHz;
    signal.heard = capture.durations.size();
    const std::vector<int64_t> d = WithoutBlips(capture.durations, signal.spikes);
    if (d.empty()) return signal;

    // Marks and (gapless) spaces clustered apart.
    std::vector<int64_t> markValues, spaceValues;
    for (const int64_t v : d) {
        if (v > 0) markValues.push_back(v);
        if (v < 0 && -v < kCaptureGapMicros) spaceValues.push_back(-v);
    }
    std::vector<int> markIds, spaceIds;
    const std::vector<Cluster> marks = ClusterValues(markValues, markIds);
    const std::vector<Cluster> spaces = ClusterValues(spaceValues, spaceIds);
    signal.markExcessMicros = MarkExcess(marks, spaces, reference);

    int64_t deviation = 0;
    for (size_t i = 0; i < markValues.size(); ++i)
        deviation += std::llabs(markValues[i] - marks[markIds[i]].Mean());
    for (size_t i = 0; i < spaceValues.size(); ++i)
        deviation += std::llabs(spaceValues[i] - spaces[spaceIds[i]].Mean());
    signal.jitterMicros = deviation / static_cast<int64_t>(markValues.size() + spaceValues.size());

    const int64_t excess = signal.markExcessMicros;
    signal.durations.reserve(d.size());
    size_t nextMark = 0, nextSpace = 0;
    for (const int64_t v : d) {
        if (v > 0) {
            signal.durations.push_back(
                std::max<int64_t>(1, marks[markIds[nextMark++]].Mean() - excess));
        } else if (-v >= kCaptureGapMicros) {
            signal.durations.push_back(v);
        } else {
            signal.durations.push_back(
                -std::max<int64_t>(1, spaces[spaceIds[nextSpace++]].Mean() + excess));
        }
    }
    signal.frames = FramesOf(signal.durations, kCaptureGapMicros);
    return signal;
}

std::vector<CleanFrame> FramesOf(std::span<const int64_t> cleaned, int64_t separatorMicros) {
    std::vector<CleanFrame> frames;
    std::map<std::vector<int64_t>, size_t> frameOf;  // a frame's durations tell it apart
    size_t heard = 0;
    for (size_t start = 0; start < cleaned.size();) {
        size_t end = start;
        while (end < cleaned.size() && -cleaned[end] < separatorMicros)
            ++end;
        std::vector<int64_t> frame(cleaned.begin() + static_cast<std::ptrdiff_t>(start),
                                   cleaned.begin() + static_cast<std::ptrdiff_t>(end));
        const auto [at, added] = frameOf.emplace(frame, frames.size());
        if (added) frames.push_back({std::move(frame), 0, heard});
        ++frames[at->second].count;
        ++heard;
        start = end + 1;
    }
    std::sort(frames.begin(), frames.end(), [](const CleanFrame& a, const CleanFrame& b) {
        if (a.count != b.count) return a.count > b.count;
        if (a.durations.size() != b.durations.size())
            return a.durations.size() > b.durations.size();
        return a.first < b.first;
    });
    return frames;
}

}  // namespace kestrel
