#pragma once
// Where boats cross, read from the finish strip: in each lane's stretch of samples, the fields in
// which something that is not the water lies on the line long enough to be a hull. The strip may
// hold only some fields: each then stands for those not built after it, so that a stretch seen in
// a few fields weighs what it would weigh seen in all.
#include <QImage>

#include <cstdint>
#include <optional>
#include <vector>

namespace wk {

struct Strip_stretch {
    int64_t first_field = 0; // 1-based, as the viewer steps fields
    int64_t fields = 0;      // how long something lay on the line
};

class Strip_crossings {
public:
    // strip: one column per field (column k is field k + 1), one row per sample of the line. The
    // water's usual colour is taken from the fields built now; fields built later are read too.
    explicit Strip_crossings(const QImage& strip);
    // The longest-lasting stretch in samples first..last; none when nothing lay on the line there.
    std::optional<Strip_stretch> Stretch(int32_t first, int32_t last) const;

private:
    // The longest-lasting stretch in which runs of min_run samples lie off the usual colour by
    // more than tenths tenths of the level.
    std::optional<Strip_stretch> Stretch(int32_t first, int32_t last, int tenths, int min_run) const;
    // Whether a sample of a field lies off the sample's usual colour by more than tenths tenths of
    // the level that counts.
    int Deviation(int32_t sample, int32_t column, int tenths) const;
    int Longest_run(int32_t first, int32_t last, int32_t column, int tenths) const;
    std::vector<int32_t> Fields_stood_for(int32_t sample) const;

    const QImage& strip_;
    std::vector<QRgb> usual_;    // per sample: the median colour over every field
    std::vector<int> threshold_; // per sample
};

} // namespace wk
