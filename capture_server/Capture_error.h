#pragma once
// A failure inside the capture server: the text the object records as its last error and the
// result its method returns. Also the fixed texts the server records.
#include "comlite/Hresult.h"

#include <stdexcept>
#include <string>

namespace wk {

inline constexpr char k_No_video_device[] =
    "No video capture device was detected on your system.\r\n\r\n"
    "This sample requires a functional video capture device, such\r\n"
    "as a USB web camera.";
inline constexpr char k_No_device_enumerator[] = "Device class enumerator is null!";
inline constexpr char k_Could_not_build_graph[] = "Could not build filter graph";

class Capture_error : public std::runtime_error {
public:
    // The message alone; the method fails with E_FAIL.
    explicit Capture_error(const std::string& message) : std::runtime_error(message), result_(com::E_FAIL) {}
    // The message, a blank and the system's text for hr, which is the method's result.
    Capture_error(const std::string& message, com::HRESULT hr)
        : std::runtime_error(message + " " + com::Hresult_text(hr)), result_(hr)
    {
    }
    com::HRESULT result() const noexcept { return result_; }

private:
    com::HRESULT result_;
};

} // namespace wk
