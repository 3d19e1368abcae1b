#include "services/Module_utilities.h"

#include "platform/Byte_file.h"
#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Key_state.h"
#include "platform/System_info.h"
#include "platform/Text_codec.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"
#include "services/Operator_port.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace wk {
namespace {

std::string Two_digits(int64_t v)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02lld", static_cast<long long>(v));
    return buf;
}

// Parses a whole decimal number; false when the text is not one.
bool Parse_long(const std::string& text, int64_t& out)
{
    std::string t = text;
    t.erase(0, t.find_first_not_of(" \t"));
    t.erase(t.find_last_not_of(" \t") + 1);
    if (t.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || errno != 0 || !std::isfinite(d)) return false;
    out = static_cast<int64_t>(std::nearbyint(d));
    return true;
}

} // namespace

// ---- Time and numbers ----

std::string Display_Mill_Time(int32_t ms, bool strip) { return Display_Mill_Time(ms, strip, 2); }

std::string Display_Mill_Time(int32_t ms, bool strip, int digits)
{
    // 64 bits, so that the most negative Long has an absolute value.
    const bool negative = ms < 0;
    int64_t v = negative ? -int64_t(ms) : int64_t(ms);
    v %= 86400000;
    const int64_t hours = v / 3600000;
    const int64_t minutes = (v % 3600000) / 60000;
    const int64_t seconds = (v % 60000) / 1000;
    const bool thousandths = digits == 3;
    const int64_t fraction = (v % 1000) / (thousandths ? 1 : 10);
    std::string text;
    if (hours > 0) text = std::to_string(hours) + ":";
    text += Two_digits(minutes) + ":" + Two_digits(seconds) + ",";
    text += thousandths ? Two_digits(fraction / 10) + std::to_string(fraction % 10) : Two_digits(fraction);
    if (strip) {
        // Down to one digit before the comma ("0,00", "0,000").
        while (text.size() >= size_t(digits) + 3 && (text[0] == '0' || text[0] == ':')) text.erase(0, 1);
        if (negative) text = "-" + text;
    } else {
        text = (negative ? "-" : " ") + text;
    }
    return text;
}

int16_t Get_Time_Part(const std::string& part, int32_t ms)
{
    const int32_t v = ms % 86400000;
    if (part == "h") return int16_t(v / 3600000);
    if (part == "m") return int16_t((v % 3600000) / 60000);
    if (part == "s") return int16_t((v % 60000) / 1000);
    if (part == "t") return int16_t((v % 1000) / 10);
    return 0;
}

int32_t Get_Local_Mill_Time()
{
    const auto t = platform::Get_clock().Now();
    return t.hour * 3600000 + t.minute * 60000 + t.second * 1000 + t.millisecond;
}

int32_t Time_To_Seconds(const std::string& date_time)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    char tail = 0;
    std::string t = date_time;
    if (std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &se, &tail) == 6) {
        // A date that does not exist (30 February, 31 April) is no date.
        static constexpr int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (mo < 1 || mo > 12 || d < 1 || d > days[mo - 1]) return 0;
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        if (mo == 2 && d == 29 && !leap) return 0;
    } else if (std::sscanf(t.c_str(), "%d:%d:%d%c", &h, &mi, &se, &tail) != 3) {
        return 0;
    }
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || se < 0 || se > 59) return 0;
    return h * 3600 + mi * 60 + se;
}

int32_t Get_Tick() { return platform::Get_clock().Tick(); }

void Wait_ms(int32_t ms, bool yield)
{
    auto& clock = platform::Get_clock();
    const int32_t entry = clock.Tick();
    // Wrap-safe: waits until ms have passed since entry, whatever the sign of the tick.
    while (platform::Tick_difference(clock.Tick(), entry) < ms) {
        if (yield) {
            platform::Do_events();
            clock.Sleep_ms(3);
        } else {
            clock.Sleep_ms(10);
        }
    }
}

void Wait_One_Second()
{
    for (int i = 0; i < 10; ++i) {
        platform::Get_clock().Sleep_ms(100);
        platform::Do_events();
    }
}

int32_t Round_To_Multiple(int32_t a, int16_t b)
{
    if (b == 0) return a; // nothing to round to
    const double r = std::nearbyint(double(a) / double(b)) * double(b);
    if (r < double(INT32_MIN) || r > double(INT32_MAX)) throw Run_time_error(err_Overflow, "Overflow");
    return static_cast<int32_t>(r);
}

int32_t Half_Up(int32_t n) { return static_cast<int32_t>(std::nearbyint(double(n) / 2.0 + 0.4)); }

int16_t Field_Parity(int32_t n) { return (n > 0 && n % 2 == 1) ? 1 : 2; }

int32_t Min_Long(int32_t a, int32_t b) { return a < b ? a : b; }

int32_t Min_Var(double a, double b) { return static_cast<int32_t>(std::nearbyint(b < a ? b : a)); }

// ---- Keys ----

bool Key_Down(int vk) { return platform::Key_is_down(vk); }
bool Ctrl_Key_Down() { return platform::Key_is_down(platform::VK_CONTROL); }
int Get_Pressed_Key()
{
    for (int vk = 1; vk <= 128; ++vk)
        if (platform::Key_is_down(vk)) return vk;
    return 0;
}
int Get_Pressed_Key(uint64_t since) { return platform::Key_down_since(since); }
void Press_Shift_Key() { platform::Keep_screen_awake(); }

// ---- Texts, bytes and files ----

std::string Bool_To_Text(bool b) { return b ? "True" : "False"; }
bool Text_To_Bool(const std::string& text) { return text == "True"; }
int16_t Checked_To_Value(const std::string& text) { return text == "Checked" ? 1 : 0; }
int16_t Bool_To_Checked(bool b) { return b ? 1 : 0; }

void String_To_Bytes(const std::string& text, std::span<uint8_t> bytes)
{
    std::fill(bytes.begin(), bytes.end(), 0);
    const std::string a = platform::Utf8_to_ansi(text);
    if (a.size() <= bytes.size()) std::copy(a.begin(), a.end(), bytes.begin());
}

std::string Bytes_To_String(std::span<const uint8_t> bytes)
{
    std::string a;
    for (uint8_t b : bytes) {
        if (b == 0) break;
        a += static_cast<char>(b);
    }
    return platform::Ansi_to_utf8(a);
}

bool Compare_Marker(std::span<const uint8_t> bytes, const std::string& text)
{
    const std::string a = platform::Utf8_to_ansi(text);
    if (a.size() > bytes.size()) return false; // would read past the marker
    for (size_t i = 0; i < a.size(); ++i)
        if (static_cast<uint8_t>(a[i]) != bytes[i]) return false;
    return true;
}

std::string Long_To_FourCC_Text(int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    std::string a;
    for (int i = 0; i < 4; ++i) a += static_cast<char>((u >> (8 * i)) & 0xFF);
    return platform::Ansi_to_utf8(a);
}

std::string Long_To_FourCC_String(int32_t v)
{
    uint8_t b[4];
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>((u >> (8 * i)) & 0xFF);
    std::string a(reinterpret_cast<const char*>(b), 4);
    return platform::Ansi_to_utf8(a);
}

std::string Get_Computer_Name()
{
    int error = 0;
    return platform::Host_name(error).value_or("");
}

std::string Get_Build_Date()
{
    if (!g_Compiled) return "Not compiled";
    const auto changed = platform::File_changed_time(platform::Program_file().string());
    if (!changed) return "";
    const std::time_t tt = std::time_t(*changed);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

std::string Trim_blanks(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string Csv_quoted(const std::string& text, char separator)
{
    if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Clean_File_Name(const std::string& path)
{
    // Only the file-name part: the folders of the path keep their characters.
    const size_t sep = path.find_last_of("/\\");
    size_t from = sep == std::string::npos ? 0 : sep + 1;
    // A leading drive such as "C:" stays when the whole text is a name.
    if (sep == std::string::npos) from = std::min<size_t>(2, path.size());
    std::string out = path;
    for (size_t i = from; i < out.size(); ++i)
        if (out[i] == ':' || out[i] == '-' || out[i] == ',') out[i] = '_';
    return out;
}

std::string Split_Path(const std::string& path, int16_t mode, int32_t extra)
{
    if (path.empty()) return "";
    const size_t p = path.find_last_of("/\\");
    if (p == std::string::npos) return "";
    if (mode == 16) {
        const int64_t n = int64_t(p) + 1 + extra;
        if (n <= 0) return "";
        return path.substr(0, size_t(std::min<int64_t>(n, int64_t(path.size()))));
    }
    if (mode == 0) return path.substr(p + 1);
    return path;
}

std::string Get_Extension(const std::string& name)
{
    const size_t p = name.rfind('.');
    return p == std::string::npos ? "" : name.substr(p + 1);
}

std::string Lower_ascii(std::string s)
{
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

bool Same_text_ci(const std::string& a, const std::string& b) { return Lower_ascii(a) == Lower_ascii(b); }

int32_t Find_Last(const std::string& text, const std::string& sought, int32_t end, int compare)
{
    const int32_t len = int32_t(text.size());
    const int32_t stop = end < 0 ? len : std::min(end, len);
    if (sought.empty()) return (end >= 1 && end <= len) ? end : (end < 0 && len > 0 ? len : 0);
    const std::string t = compare ? Lower_ascii(text) : text;
    const std::string s = compare ? Lower_ascii(sought) : sought;
    // The occurrence must end at or before stop.
    if (int32_t(s.size()) > stop) return 0;
    const size_t at = t.rfind(s, size_t(stop - int32_t(s.size())));
    return at == std::string::npos ? 0 : int32_t(at) + 1;
}

int32_t Find_Last_From(int32_t start, const std::string& text, const std::string& sought, int compare)
{
    if (start < 1) start = 1;
    const std::string t = compare ? Lower_ascii(text) : text;
    const std::string s = compare ? Lower_ascii(sought) : sought;
    const size_t at = t.rfind(s);
    if (at == std::string::npos || int32_t(at) + 1 < start) return 0;
    return int32_t(at) + 1;
}

std::string Replace_Swedish_Chars(const std::string& text)
{
    static const std::pair<const char*, const char*> map[] = {
        {"å", "a"}, {"ä", "a"}, {"ö", "o"}, {"Å", "A"}, {"Ä", "A"}, {"Ö", "O"}};
    std::string out = text;
    for (const auto& [from, to] : map) {
        const std::string f = from;
        for (size_t p = out.find(f); p != std::string::npos; p = out.find(f, p + 1)) out.replace(p, f.size(), to);
    }
    return out;
}

std::string Get_Heat_From_Filename(const std::string& name)
{
    size_t p = name.rfind("Heat");
    if (p == std::string::npos) p = name.rfind("heat");
    if (p == std::string::npos) return "";
    const std::string rest = name.substr(p + 4);
    const size_t stop = rest.find_first_of("_ ");
    if (stop == std::string::npos) return "";
    return rest.substr(0, stop);
}

void Append_Marathon_Csv_Line(const std::string& text)
{
    std::ofstream out(g_Marathon_csv, std::ios::binary | std::ios::app);
    out << platform::Utf8_to_ansi(text) << "\r\n";
}

std::string Replace_file_contents(const std::string& path, std::string_view bytes)
{
    const int error = platform::Replace_whole_file(path, bytes.data(), bytes.size());
    return error ? "cannot write " + path + ": " + std::strerror(error) : std::string();
}

std::string Copy_file_chunked(const std::string& source, const std::string& destination,
                              const std::function<bool(int64_t, int64_t)>& progress)
{
    constexpr size_t k_Chunk = 1 << 20;
    const std::string temp = destination + ".copying-" + std::to_string(platform::Process_id());
    std::error_code ec;
    const int64_t total = int64_t(fs::file_size(source, ec));
    if (ec) return "cannot read " + source + ": " + ec.message();
    std::string problem;
    {
        std::ifstream in(source, std::ios::binary);
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!in) problem = "cannot read " + source;
        else if (!out) problem = "cannot create " + temp + ": " + std::strerror(errno);
        std::vector<char> chunk(k_Chunk);
        int64_t done = 0;
        while (problem.empty() && done < total) {
            in.read(chunk.data(), std::streamsize(std::min<int64_t>(int64_t(k_Chunk), total - done)));
            const std::streamsize n = in.gcount();
            if (n <= 0) problem = "cannot read " + source;
            else if (!out.write(chunk.data(), n)) problem = "cannot write " + temp + ": " + std::strerror(errno);
            done += n;
            if (problem.empty() && progress && !progress(done, total)) problem = "cancelled";
        }
        if (problem.empty() && !out.flush()) problem = "cannot write " + temp;
    }
    if (problem.empty()) {
        fs::rename(temp, destination, ec);
        if (ec) problem = "cannot replace " + destination + ": " + ec.message();
    }
    if (!problem.empty()) fs::remove(temp, ec);
    return problem;
}

bool Is_write_protected(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::is_regular_file(st)) return false;
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    // The bits decide even for root, who could write anyway; for anyone else, what the system lets
    // this process do (another user's file, a read-only mount).
    return (st.permissions() & write) == fs::perms::none || !platform::May_write(path);
}

int64_t Get_File_Size(const std::string& path)
{
    if (path.empty()) return 0;
    std::error_code ec;
    const auto n = fs::file_size(path, ec);
    return ec ? 0 : int64_t(n);
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool Folder_Exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool Delete_File(const std::string& path, bool ignore_errors)
{
    std::error_code ec;
    if (!FileExists(path)) return !fs::exists(path, ec);
    fs::remove(path, ec);
    (void)ignore_errors;
    return !fs::exists(path, ec);
}

void Store_Form_Pos(const std::string& name, int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (left < -150 || top < -150) return;
    Write_setting(ini::Window_position, name,
                  std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(width) + "," +
                      std::to_string(height));
}

void Get_Form_Pos(const std::string& name, int32_t& left, int32_t& top, int32_t& width, int32_t& height)
{
    int step = 1;
    std::vector<std::string> parts;
    std::string value = Read_setting(ini::Window_position, name);
    size_t start = 0;
    while (true) {
        const size_t c = value.find(',', start);
        parts.push_back(value.substr(start, c == std::string::npos ? std::string::npos : c - start));
        if (c == std::string::npos) break;
        start = c + 1;
    }
    int64_t v = 0;
    step = 2;
    if (parts.size() < 2 || !Parse_long(parts[0], v)) goto fail;
    left = int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    if (!Parse_long(parts[1], v)) goto fail;
    top = int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    step = 3;
    if (parts.size() >= 3) {
        if (!Parse_long(parts[2], v)) goto fail;
        width = int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    }
    if (parts.size() >= 4) {
        if (!Parse_long(parts[3], v)) goto fail;
        height = int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    }
    step = 4;
    if (left < -150) left = 0;
    if (top < -150) top = 0;
    if (left > platform::Screen_width_twips()) left = 0;
    if (top > platform::Screen_height_twips()) top = 0;
    return;
fail:
    Station_operator().Notice("Get_Form_Pos error " + std::to_string(step));
}

bool Starts_with_DV_header(std::span<const uint8_t> frame)
{
    return frame.size() >= 2 && frame[0] == 0x1F && frame[1] == 0x07;
}

void Check_DV_Header(std::span<const uint8_t> frame)
{
    if (!Starts_with_DV_header(frame)) g_Emergency_stop = true;
}

bool In_IDE() { return false; }

bool Is_Form_Loaded(const std::string& name)
{
    for (auto* f : platform::Loaded_forms())
        if (Same_text_ci(f->Form_name(), name)) return true;
    return false;
}

bool Is_Form_Loaded_Exact(const std::string& name)
{
    for (auto* f : platform::Loaded_forms())
        if (f->Form_name() == name) return true;
    return false;
}

} // namespace wk
