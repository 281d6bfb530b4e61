// The durations of one code, in microseconds (marks positive, spaces
// negative), and how a request that breaks the limits of a code is refused.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "base/result.h"

namespace kestrel {

// Ends every message of a refused request.
inline constexpr const char* kNoCodeGenerated = "; no code was generated";

// At most kCapacity durations, checked here and nowhere else.
class DurationBuffer {
  public:
    static constexpr int kCapacity = 1000;

    // Appends one duration; throws a Refusal when the code is full (caught
    // inside the generator: its public functions return it as a refusal).
    void Append(int32_t duration) {
        CheckRoom(1);
        data_[size_++] = duration;
    }
    // Appends a mark and a space; refused as two Appends would be.
    void AppendPair(int32_t mark, int32_t space) {
        CheckRoom(2);
        data_[size_] = mark;
        data_[size_ + 1] = space;
        size_ += 2;
    }
    // The last duration; there must be one.
    int32_t Last() const { return data_[size_ - 1]; }
    void SetLast(int32_t duration) { data_[size_ - 1] = duration; }

    bool Empty() const { return size_ == 0; }
    int Size() const { return size_; }
    void Clear() { size_ = 0; }
    std::span<const int32_t> Durations() const {
        return {data_.data(), static_cast<size_t>(size_)};
    }

  private:
    void CheckRoom(int count) const {
        if (size_ > kCapacity - count) {
            throw Refusal{"The code would hold more than " + std::to_string(kCapacity) +
                          " durations" + kNoCodeGenerated};
        }
    }

    std::array<int32_t, kCapacity> data_{};
    int size_ = 0;
};

}  // namespace kestrel
