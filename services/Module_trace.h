#pragma once
// Trace lines: a list of values formatted into one line and handed to an outside tracer, when
// one listens on the tracer socket. With no tracer the line is dropped; sending never blocks.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace wk {

namespace trace_detail {
std::string Number_text(double v);
inline void Append(std::vector<std::string>& out, std::string_view s) { out.emplace_back(s); }
inline void Append(std::vector<std::string>& out, const std::string& s) { out.push_back(s); }
inline void Append(std::vector<std::string>& out, const char* s) { out.emplace_back(s ? s : ""); }
inline void Append(std::vector<std::string>& out, bool b) { out.emplace_back(b ? "True" : "False"); }
template <class T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>)
void Append(std::vector<std::string>& out, T v)
{
    if constexpr (std::is_floating_point_v<T>)
        out.push_back(Number_text(double(v)));
    else if constexpr (std::is_same_v<T, char>)
        out.emplace_back(1, v);
    else
        out.push_back(std::to_string(v));
}
template <class T> void Append(std::vector<std::string>& out, const std::vector<T>& arr)
{
    for (const auto& e : arr) Append(out, e);
}
template <class T, size_t N> void Append(std::vector<std::string>& out, const std::array<T, N>& arr)
{
    for (const auto& e : arr) Append(out, e);
}
template <class T> void Append(std::vector<std::string>& out, std::span<T> arr)
{
    for (const auto& e : arr) Append(out, e);
}
// The cheap checks before any formatting: the clock read twice within 50 ms and a tracer known.
bool Should_send();
} // namespace trace_detail

// True when a tracer is known; the search runs once per process.
bool Find_Tracer_Window();
// Formats and sends one line from its items.
void Send_Trace_Line(const std::vector<std::string>& items);
// The whole line as sent, in UTF-8 (it is sent as Windows-1252).
std::string Format_Trace_Line(const std::vector<std::string>& items);
// The items text: each item followed by a TAB.
std::string Trace_items_text(const std::vector<std::string>& items);

template <class... A> void Trace_Line(const A&... values)
{
    if (!trace_detail::Should_send()) return;
    std::vector<std::string> items;
    (trace_detail::Append(items, values), ...);
    Send_Trace_Line(items);
}

// The socket the tracer listens on: $WAKELINE_TRACER, else <runtime folder>/wakeline-tracer.sock.
std::string Tracer_socket_path();
// Forgets the search result so the next trace looks again (tests, and a tracer started later).
void Reset_Tracer_Search();

} // namespace wk
