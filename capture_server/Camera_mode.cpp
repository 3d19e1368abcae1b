#include "capture_server/Camera_mode.h"

#include "capture_server/Gst_support.h"
#include "capture_server/Picture_scaler.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace wk {

namespace {

constexpr double k_Field_rate = 50;
// Halfway between 25 and 50 a second, and between 4:3 and 16:9.
constexpr double k_Two_pictures_from = 37.5;
constexpr double k_Wide_from = (4.0 / 3 + 16.0 / 9) / 2;

struct Rate {
    int n = 0, d = 1;
    double value() const { return d > 0 ? double(n) / d : 0; }
};

// Rates up to 50 come first, the highest of them; above 50 only when nothing else is offered,
// the lowest, which loses the fewest pictures.
std::tuple<int, double> Rate_rank(const Rate& r)
{
    const double v = r.value();
    return v <= k_Field_rate + 1e-9 ? std::tuple(1, v) : std::tuple(0, -v);
}

std::optional<Rate> Best_rate(const GValue* v)
{
    if (!v) return Rate{};
    if (GST_VALUE_HOLDS_FRACTION(v)) return Rate{gst_value_get_fraction_numerator(v), gst_value_get_fraction_denominator(v)};
    if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
        const GValue* lo = gst_value_get_fraction_range_min(v);
        const GValue* hi = gst_value_get_fraction_range_max(v);
        const Rate low = *Best_rate(lo), high = *Best_rate(hi);
        if (low.value() > k_Field_rate) return low;
        return high.value() > k_Field_rate ? Rate{50, 1} : high;
    }
    if (GST_VALUE_HOLDS_LIST(v)) {
        std::optional<Rate> best;
        for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
            const auto r = Best_rate(gst_value_list_get_value(v, i));
            if (r && (!best || Rate_rank(*r) > Rate_rank(*best))) best = r;
        }
        return best;
    }
    return std::nullopt;
}

// A size a camera offers as a range is taken no larger than full HD: more only costs scaling.
int Largest(const GValue* v, int range_limit)
{
    if (!v) return 0;
    if (G_VALUE_HOLDS_INT(v)) return g_value_get_int(v);
    if (GST_VALUE_HOLDS_INT_RANGE(v))
        return std::min(gst_value_get_int_range_max(v), std::max(gst_value_get_int_range_min(v), range_limit));
    int best = 0;
    if (GST_VALUE_HOLDS_LIST(v))
        for (guint i = 0; i < gst_value_list_get_size(v); ++i)
            best = std::max(best, Largest(gst_value_list_get_value(v, i), range_limit));
    return best;
}

// The first of the raw formats offered that the scaler knows; "" when none is told.
std::optional<std::string> Convertible_format(const GValue* v)
{
    if (!v) return std::string();
    if (G_VALUE_HOLDS_STRING(v)) {
        const char* name = g_value_get_string(v);
        return Av_format_of(name) ? std::optional<std::string>(name) : std::nullopt;
    }
    if (GST_VALUE_HOLDS_LIST(v))
        for (guint i = 0; i < gst_value_list_get_size(v); ++i)
            if (auto format = Convertible_format(gst_value_list_get_value(v, i)); format && !format->empty())
                return format;
    return std::nullopt;
}

// Raw pictures the scaler converts, or JPEG, in ordinary memory (not a graphics card's).
bool Decodable(const GstStructure* s, const GstCapsFeatures* features)
{
    if (features && !gst_caps_features_is_any(features) &&
        !gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY))
        return false;
    if (gst_structure_has_name(s, "image/jpeg")) return true;
    return gst_structure_has_name(s, "video/x-raw") && Convertible_format(gst_structure_get_value(s, "format"));
}

// The structure with its size and rate as chosen, every other field fixed to its first choice.
Camera_mode Fixed_mode(const GstStructure* s, int width, int height, const Rate& rate)
{
    GstStructure* copy = gst_structure_copy(s); // in ordinary memory: no features
    gst_structure_set(copy, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height, nullptr);
    const auto format = Convertible_format(gst_structure_get_value(s, "format"));
    if (gst_structure_has_name(s, "video/x-raw") && format && !format->empty())
        gst_structure_set(copy, "format", G_TYPE_STRING, format->c_str(), nullptr);
    if (rate.n > 0) gst_structure_set(copy, "framerate", GST_TYPE_FRACTION, rate.n, rate.d, nullptr);
    Caps_ref caps(gst_caps_new_full(copy, nullptr));
    caps.reset(gst_caps_fixate(caps.release()));
    const GstStructure* fixed = gst_caps_get_structure(caps.get(), 0);
    Camera_mode mode;
    mode.media = gst_structure_get_name(fixed);
    if (const gchar* fixed_format = gst_structure_get_string(fixed, "format")) mode.format = fixed_format;
    mode.width = width;
    mode.height = height;
    mode.rate_n = rate.n;
    mode.rate_d = rate.d;
    if (!gst_structure_get_fraction(fixed, "pixel-aspect-ratio", &mode.par_n, &mode.par_d) || mode.par_n <= 0 ||
        mode.par_d <= 0)
        mode.par_n = mode.par_d = 1;
    gchar* text = gst_caps_to_string(caps.get());
    mode.caps = text ? text : "";
    g_free(text);
    return mode;
}

} // namespace

std::optional<Camera_mode> Choose_camera_mode(const GstCaps* offered)
{
    if (!offered || gst_caps_is_any(offered)) return std::nullopt;
    const GstStructure* best = nullptr;
    int best_w = 0, best_h = 0;
    Rate best_rate;
    std::tuple<std::tuple<int, double>, int64_t, bool> best_rank{};
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        if (!Decodable(s, gst_caps_get_features(offered, i))) continue;
        const int w = Largest(gst_structure_get_value(s, "width"), 1920);
        const int h = Largest(gst_structure_get_value(s, "height"), 1080);
        const auto rate = Best_rate(gst_structure_get_value(s, "framerate"));
        if (w <= 0 || h <= 0 || !rate) continue;
        // Raw pictures before JPEG of the same size and rate: they need no decoding.
        const auto rank = std::tuple(Rate_rank(*rate), int64_t(w) * h, gst_structure_has_name(s, "video/x-raw"));
        if (!best || rank > best_rank) best = s, best_w = w, best_h = h, best_rate = *rate, best_rank = rank;
    }
    if (!best) return std::nullopt;
    return Fixed_mode(best, best_w, best_h, best_rate);
}

std::string Offered_forms(const GstCaps* offered)
{
    std::string text;
    for (guint i = 0; offered && !gst_caps_is_any(offered) && i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        std::string form = gst_structure_get_name(s);
        if (const GValue* format = gst_structure_get_value(s, "format")) {
            gchar* value = gst_value_serialize(format);
            form += std::string(" (") + (value ? value : "") + ")";
            g_free(value);
        }
        if (text.find(form) == std::string::npos) text += (text.empty() ? "" : ", ") + form;
    }
    return text.empty() ? "nothing" : text;
}

double Frame_rate(const Camera_mode& mode) { return Rate{mode.rate_n, mode.rate_d}.value(); }

Field_mode Field_mode_of(const Camera_mode& mode)
{
    return Frame_rate(mode) >= k_Two_pictures_from ? Field_mode::two_pictures : Field_mode::one_picture;
}

bool Is_wide(const Camera_mode& mode)
{
    if (mode.height <= 0) return false;
    return double(mode.width) * mode.par_n / (double(mode.height) * mode.par_d) >= k_Wide_from;
}

std::string Camera_mode_text(const Camera_mode& mode)
{
    const std::string rate = mode.rate_n > 0 ? std::to_string(mode.rate_n) + (mode.rate_d == 1 ? "" : "/" + std::to_string(mode.rate_d))
                                             : "an unknown rate";
    const bool two = Field_mode_of(mode) == Field_mode::two_pictures;
    const double kept = two ? 50 : 25;
    std::string text = std::to_string(mode.width) + "x" + std::to_string(mode.height) + " " +
                       (mode.media == "image/jpeg" ? "JPEG" : "raw") + " at " + rate + " a second, recorded " +
                       (Is_wide(mode) ? "16:9" : "4:3") + " as PAL DV, " +
                       (two ? "two pictures a frame (one a field, 20 ms apart)" : "one picture a frame (both fields)");
    if (mode.rate_n > 0 && Frame_rate(mode) > kept + 0.5) text += ", dropping pictures down to " + std::to_string(int(kept)) + " a second";
    return text;
}

} // namespace wk
