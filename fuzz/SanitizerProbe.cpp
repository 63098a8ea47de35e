// Undefined behaviour on every input: a fuzzer built like the others must stop on it and fail.
#include <climits>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)data;
    volatile int largest = INT_MAX;
    volatile int sum = largest + static_cast<int>(size + 1);
    (void)sum;
    return 0;
}
