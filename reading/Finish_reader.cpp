#include "reading/Finish_reader.h"

#include "services/Run_time_error.h"

namespace wk {

Finish_reading Read_finish(const std::string& path, const Finish_reader_options&)
{
    throw Run_time_error(5, "the finish reader cannot read " + path + " yet", "Read_finish");
}

} // namespace wk
