#pragma once
// The recording object's timing runs of the image routines on the program's sample DV frame, its
// read test and its luminance pair, with the pictures and values they keep.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace wk {

class cDIBSection;
class Recording_port;

class Bench_section {
public:
    explicit Bench_section(Recording_port& port);
    ~Bench_section();
    Bench_section(const Bench_section&) = delete;
    Bench_section& operator=(const Bench_section&) = delete;

    // One run of an image routine on the program's sample DV frame (720 x 576). Bench_Prepare
    // takes the sample and makes the pictures; each Once member prepares what it lacks. False
    // when the sample or a picture cannot be had.
    bool Bench_Prepare();
    bool Benchmark_Decomp_Once();
    bool Benchmark_Deint_Once();
    bool Benchmark_Rotate_Once();
    // 1 when the last sample decode gave a picture, else 0.
    int32_t Bench_decode_result() const;
    // The timing pictures: 0 the decoded sample, 1 its field, 2 its rotation (nullptr until made).
    const cDIBSection* Bench_picture(int16_t which) const;
    // Times 20 reads of one frame's bytes at file position 2880000 and shows "Get time = " with
    // the milliseconds a read. A file too short for them, or no open file, is said instead of a
    // time. Returns the text shown.
    std::string benchmark_getfile();
    // Image routines with nothing to time here.
    void benchmark_deint() {}
    void Benchmark_Rotate() {}
    void Benchmark_Decomp() {}
    void benchmark_mirror() {}
    void Benchmark_Draw_to_Picture() {}
    void Benchmark_Draw_to_Picture_Once() {}
    void Benchmark_Draw_to_DC() {}
    // The timing procedures record nothing into these.
    int32_t Bench_rotate() const { return 0; }
    int32_t Bench_rotate_asm() const { return 0; }
    int32_t Bench_deint() const { return 0; }
    int32_t Bench_mirror() const { return 0; }
    int32_t Bench_decomp() const { return 0; }
    int32_t Bench_draw_to_picture() const { return 0; }
    int32_t Bench_draw_to_DC() const { return 0; }

    // Two luminance values from the inputs a, b, c, d, e, f: (c x 81 + a x 18 + e) / 100 + 1 and
    // (d x 81 + b x 18 + f) / 100 + 1, each to the nearest whole number (halves to even). A sum
    // that leaves 32 bits raises the overflow error and keeps the results as they were.
    void Let_Luminance_inputs(const std::array<int32_t, 6>& a_to_f) { luminance_inputs_ = a_to_f; }
    void calculate_luminance();
    int32_t Luminance_1() const { return luminance_1_; }
    int32_t Luminance_2() const { return luminance_2_; }

private:
    Recording_port& port_;

    // The sample, its decoder and the pictures, made on first use.
    struct Pictures;
    std::unique_ptr<Pictures> pictures_;
    Pictures& Bench_pictures();
    std::array<int32_t, 6> luminance_inputs_{};
    int32_t luminance_1_ = 0, luminance_2_ = 0;
};

} // namespace wk
