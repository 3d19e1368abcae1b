// Choosing the source: "file:<path>", or a device of the type's category by number or by id.
#include "capture_server/VideoCap4.h"

#include "capture_server/Capture_error.h"
#include "capture_server/Server_text.h"
#include "capture_server/Source_file.h"

namespace wk {

using namespace com;

HRESULT VideoCap4::SetSource(BSTR strSource, int32_t* pbResult)
{
    if (!pbResult) return E_POINTER;
    *pbResult = 0;
    source_ = {};
    last_error_.clear();
    try {
        *pbResult = Select_source(Bstr_view(strSource)) ? 1 : 0;
        return S_OK;
    } catch (const Capture_error& e) {
        last_error_ = e.what();
        return S_OK;
    } catch (...) {
        last_error_ = "BrixCap::SetSource, unhandled exception!";
        return E_FAIL;
    }
}

bool VideoCap4::Select_source(std::string_view text)
{
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || text.find('\\') != std::string_view::npos) return false;
    const auto type = text.substr(0, colon), value = text.substr(colon + 1);
    // A file is a file whatever its name looks like. It is opened at Run; what the name already
    // stands for must be a file that can be read to its end.
    if (type == "file") {
        if (value.empty()) return false;
        Refuse_irregular_file(std::string(value));
        source_.file_path = value;
        source_.source_type = "file";
        source_.kind = Source_kind::dv_file;
        return true;
    }
    const int32_t n = Leading_integer(value);
    return Find_device(*devices_, Category_of(type), n >= 1 ? n : 0, n >= 1 ? std::string_view() : value, source_);
}

} // namespace wk
