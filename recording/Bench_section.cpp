// The timing runs of the image routines, the read test and the luminance pair.
#include "recording/Bench_section.h"

#include "recording/Recording_port.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Clock.h"
#include "platform/Image_library.h"
#include "platform/Sample_DV_frame.h"
#include "recording/Recording_file.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/graphics/cDIBSection.h"

#include <cmath>
#include <span>
#include <vector>

namespace wk {

struct Bench_section::Pictures {
    std::span<const uint8_t> sample;
    platform::Av_frame_decoder decoder; // DV
    cDIBSection frame, field, rotation;  // 720 x 576, 720 x 576, 576 x 720
    int32_t decode_result = 0;
};

Bench_section::Bench_section(Recording_port& port) : port_(port) {}
Bench_section::~Bench_section() = default;

Bench_section::Pictures& Bench_section::Bench_pictures()
{
    if (!pictures_) pictures_ = std::make_unique<Pictures>();
    return *pictures_;
}

namespace {

constexpr int32_t k_Sample_width = 720, k_Sample_height = 576;
constexpr int32_t k_DV_frame_size = recording_format::k_DV_frame_size;
constexpr int64_t k_Read_test_offset = 2880000 - 1; // file position 2880000, counted from 1
constexpr int32_t k_Read_test_count = 20;

bool Made(cDIBSection& picture, int32_t width, int32_t height)
{
    if (picture.DIBSectionBitsPtr() && picture.Width() == width && picture.Height() == height) return true;
    return picture.Create(width, height);
}

// Runs f; a failure is reported under the member's name and gives false.
template <class F> bool Reported(const char* member, F&& f)
{
    try {
        return f();
    } catch (...) {
        Report_current_exception(std::string(member) + " of Class Module cls_AVI_handler");
        return false;
    }
}

} // namespace

// ---- Timing runs ----

bool Bench_section::Bench_Prepare()
{
    return Reported("Bench_Prepare", [this] {
        Pictures& t = Bench_pictures();
        if (t.sample.empty()) t.sample = platform::Sample_DV_frame();
        return !t.sample.empty() && Made(t.frame, k_Sample_width, k_Sample_height) &&
               Made(t.field, k_Sample_width, k_Sample_height) && Made(t.rotation, k_Sample_height, k_Sample_width);
    });
}

bool Bench_section::Benchmark_Decomp_Once()
{
    if (!Bench_Prepare()) return false;
    Pictures& t = Bench_pictures();
    t.decode_result = t.frame.Decode_frame(t.decoder, t.sample) ? 1 : 0;
    return t.decode_result == 1;
}

bool Bench_section::Benchmark_Deint_Once()
{
    if (!Bench_Prepare()) return false;
    return Reported("Benchmark_Deint_Once", [this] {
        Pictures& t = Bench_pictures();
        platform::deinterlaceFrame2(t.frame.DIBSectionBitsPtr(), t.field.DIBSectionBitsPtr(), k_Sample_width,
                                    k_Sample_height, port_.Field_shown() == 2 ? 2 : 1);
        return true;
    });
}

bool Bench_section::Benchmark_Rotate_Once()
{
    if (!Bench_Prepare()) return false;
    return Reported("Benchmark_Rotate_Once", [this] {
        Pictures& t = Bench_pictures();
        platform::Rotate90(t.frame.DIBSectionBitsPtr(), t.rotation.DIBSectionBitsPtr(), k_Sample_width,
                           k_Sample_height, 0);
        return true;
    });
}

int32_t Bench_section::Bench_decode_result() const { return pictures_ ? pictures_->decode_result : 0; }

const cDIBSection* Bench_section::Bench_picture(int16_t which) const
{
    if (!pictures_) return nullptr;
    const cDIBSection* pictures[3] = {&pictures_->frame, &pictures_->field, &pictures_->rotation};
    if (which < 0 || which > 2 || !pictures[which]->DIBSectionBitsPtr()) return nullptr;
    return pictures[which];
}

std::string Bench_section::benchmark_getfile()
{
    std::string text;
    const int64_t needed = k_Read_test_offset + k_DV_frame_size;
    if (!port_.File().file.Is_open()) {
        text = "No recording is open for the read test";
    } else if (const int64_t size = port_.File().file.Size(); size < needed) {
        // Reading past the end would time nothing and pass it off as a time.
        text = "The recording is too short for the read test: " + std::to_string(size) + " bytes, " +
               std::to_string(needed) + " needed";
    } else {
        std::vector<uint8_t> buffer(static_cast<size_t>(k_DV_frame_size));
        bool read = true;
        const int32_t t0 = Get_Tick();
        for (int i = 0; i < k_Read_test_count && read; ++i)
            read = port_.File().file.Read_exact(k_Read_test_offset, buffer.data(), buffer.size());
        const int32_t t1 = Get_Tick();
        text = read ? "Get time = " +
                          trace_detail::Number_text(double(platform::Tick_difference(t1, t0)) / k_Read_test_count)
                    : "The read test could not read the recording";
    }
    port_.File().problems.Post({Recording_problem::Kind::read_test, text, port_.File().name});
    return text;
}

// ---- Luminance ----

void Bench_section::calculate_luminance()
{
    const auto [a, b, c, d, e, f] = luminance_inputs_;
    // Products and sums are Longs: one that leaves 32 bits is an overflow, not a wrap.
    const auto weighted = [](int32_t x81, int32_t x18, int32_t plus) {
        const int64_t sum = int64_t(x81) * 81 + int64_t(x18) * 18 + plus;
        if (sum < INT32_MIN || sum > INT32_MAX) throw Run_time_error(err_Overflow, "Overflow", "calculate_luminance");
        return int32_t(std::nearbyint(double(sum) / 100.0 + 1.0));
    };
    const int32_t first = weighted(c, a, e);
    const int32_t second = weighted(d, b, f);
    luminance_1_ = first;
    luminance_2_ = second;
}

} // namespace wk
