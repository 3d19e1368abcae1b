#pragma once
// The available physical memory: the first, the smallest and the latest value measured.
#include <cstdint>

namespace wk {

class Cls_memory_status {
public:
    // Measures now. Counts are bytes; wider than the system's 32 bits, as machines have more.
    void get_phys();
    // Takes a value measured elsewhere (what get_phys does with the system's figure).
    void Note(int64_t available);
    int64_t initial_phys() const { return initial_; }
    int64_t min_phys() const { return min_; }
    int64_t last_phys() const { return last_; }

private:
    int64_t initial_ = 0, min_ = 0, last_ = 0;
};

// The available physical memory in bytes as the system reports it; 0 when it cannot be read.
int64_t Available_physical_memory();

} // namespace wk
