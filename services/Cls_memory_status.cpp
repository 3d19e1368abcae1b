#include "services/Cls_memory_status.h"

#include <fstream>
#include <sstream>
#include <string>

namespace wk {

int64_t Available_physical_memory()
{
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        int64_t kib = 0;
        if (words >> key >> kib && key == "MemAvailable:") return kib * 1024;
    }
    return 0;
}

void Cls_memory_status::get_phys() { Note(Available_physical_memory()); }

void Cls_memory_status::Note(int64_t available)
{
    last_ = available;
    if (initial_ == 0) initial_ = available;
    if (min_ == 0 || available < min_) min_ = available;
}

} // namespace wk
