// What every fuzz harness shares. A harness is one function of the input bytes,
// written once: built with VELMORA_FUZZER it is a libFuzzer target (a failed
// check aborts, so the fuzzer keeps the input as a crash); built into the unit
// tests it is registered under its name, and the replay test runs every kept
// seed and regression input through it (a failed check is a test failure).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

typedef int (*FuzzFunction)(const uint8_t *data, size_t size);

#ifdef VELMORA_FUZZER
#include <cstdio>
#include <cstdlib>
inline void fuzzCheckFailed(const char *condition, const char *file, int line)
{
    fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    abort();
}
#else
// The replay side (tests/unit/fuzz_replay_tests.cpp) defines both.
void fuzzCheckFailed(const char *condition, const char *file, int line);
struct FuzzRegistration {
    FuzzRegistration(const char *name, FuzzFunction function);
};
#endif

#define FUZZ_CHECK(condition)                                          \
    do {                                                               \
        if (!(condition))                                              \
            fuzzCheckFailed(#condition, __FILE__, __LINE__);           \
    } while (0)

#ifdef VELMORA_FUZZER
#define FUZZ_TARGET(name)                                                            \
    static int fuzz_##name(const uint8_t *data, size_t size);                        \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)          \
    {                                                                                \
        return fuzz_##name(data, size);                                              \
    }                                                                                \
    static int fuzz_##name(const uint8_t *data, size_t size)
#else
#define FUZZ_TARGET(name)                                                            \
    static int fuzz_##name(const uint8_t *data, size_t size);                        \
    static FuzzRegistration fuzzRegistration_##name(#name, fuzz_##name);             \
    static int fuzz_##name(const uint8_t *data, size_t size)
#endif

// Takes numbers, switches and texts from the front of the input; what is used
// up reads as zeros, so every input is a valid case.
class FuzzBytes {
public:
    FuzzBytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    uint64_t bits(unsigned count)
    {
        uint64_t value = 0;
        for (unsigned taken = 0; taken < count; taken += 8)
            value = (value << 8) | (pos_ < size_ ? data_[pos_++] : 0);
        return count >= 64 ? value : value & ((uint64_t(1) << count) - 1);
    }
    // An integer in [low, high].
    long long number(long long low, long long high)
    {
        const uint64_t span = uint64_t(high) - uint64_t(low);
        unsigned width = 8;
        while (width < 64 && (span >> width) != 0)
            width += 8;
        const uint64_t raw = bits(width);
        return (long long)(uint64_t(low) + (span == UINT64_MAX ? raw : raw % (span + 1)));
    }
    bool flag() { return (bits(8) & 1) != 0; }
    // Bytes up to the next byte equal to `end` (not included) or the input's end.
    std::string text(uint8_t end = 0)
    {
        std::string out;
        while (pos_ < size_ && data_[pos_] != end)
            out += char(data_[pos_++]);
        if (pos_ < size_)
            ++pos_;
        return out;
    }
    std::string rest()
    {
        std::string out(reinterpret_cast<const char *>(data_) + pos_, size_ - pos_);
        pos_ = size_;
        return out;
    }
    size_t left() const { return size_ - pos_; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};
