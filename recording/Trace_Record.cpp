#include "recording/Trace_Record.h"

#include "services/Run_time_error.h"

#include <cstring>
#include <string>

namespace wk {
namespace {

size_t Slot(int16_t point, int16_t field)
{
    if (point < 1 || point > Trace_Record::k_Points || field < 1 || field > 2)
        throw Run_time_error(err_Subscript,
                             "Subscript out of range: trace point " + std::to_string(point) + ", field " +
                                 std::to_string(field));
    return size_t(2 * (point - 1) + (field - 1));
}

void Put16(uint8_t* p, int16_t v)
{
    const auto u = static_cast<uint16_t>(v);
    p[0] = uint8_t(u & 0xFF);
    p[1] = uint8_t(u >> 8);
}

int16_t Get16(const uint8_t* p) { return static_cast<int16_t>(uint16_t(p[0] | (p[1] << 8))); }

} // namespace

bool Trace_Record::Tagged() const { return std::memcmp(Tag.data(), "QSTD", 4) == 0; }

void Trace_Record::Set_tag()
{
    std::memcpy(Tag.data(), "QSTD", 4);
    Length = k_Length;
}

int16_t& Trace_Record::x(int16_t point, int16_t field) { return X[Slot(point, field)]; }
int16_t& Trace_Record::y(int16_t point, int16_t field) { return Y[Slot(point, field)]; }
int16_t Trace_Record::x(int16_t point, int16_t field) const { return X[Slot(point, field)]; }
int16_t Trace_Record::y(int16_t point, int16_t field) const { return Y[Slot(point, field)]; }

void Trace_Record::Clear_points()
{
    X.fill(0);
    Y.fill(0);
}

std::array<uint8_t, Trace_Record::k_Size> Trace_Record::To_bytes() const
{
    std::array<uint8_t, k_Size> b{};
    std::memcpy(b.data(), Tag.data(), 4);
    Put16(&b[4], Length);
    Put16(&b[6], Reserved);
    for (size_t i = 0; i < 20; ++i) {
        Put16(&b[8 + 2 * i], X[i]);
        Put16(&b[48 + 2 * i], Y[i]);
    }
    return b;
}

Trace_Record Trace_Record::From_bytes(std::span<const uint8_t> b)
{
    Trace_Record r;
    if (b.size() < k_Size) return r;
    std::memcpy(r.Tag.data(), b.data(), 4);
    r.Length = Get16(&b[4]);
    r.Reserved = Get16(&b[6]);
    for (size_t i = 0; i < 20; ++i) {
        r.X[i] = Get16(&b[8 + 2 * i]);
        r.Y[i] = Get16(&b[48 + 2 * i]);
    }
    return r;
}

} // namespace wk
