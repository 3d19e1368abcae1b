#pragma once
// Small routines every subsystem shares: time texts and arithmetic, rounding, texts and
// marker bytes of binary records, files and folders, window positions, the DV frame check.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace wk {

// Time and numbers.
std::string Display_Mill_Time(int32_t ms, bool strip);
// The same with 2 (hundredths) or 3 (thousandths) digits after the comma; the digits cut down.
std::string Display_Mill_Time(int32_t ms, bool strip, int digits);
int16_t Get_Time_Part(const std::string& part, int32_t ms);
int32_t Get_Local_Mill_Time();
// Seconds of the day of a date-time text ("hh:mm:ss" or "yyyy-mm-dd hh:mm:ss"); 0 when it is not one.
int32_t Time_To_Seconds(const std::string& date_time);
int32_t Get_Tick();
void Wait_ms(int32_t ms, bool yield);
void Wait_One_Second();
int32_t Round_To_Multiple(int32_t a, int16_t b);
int32_t Half_Up(int32_t n);
int16_t Field_Parity(int32_t n);
int32_t Min_Long(int32_t a, int32_t b);
int32_t Min_Var(double a, double b);

// Keys.
bool Key_Down(int vk);
bool Ctrl_Key_Down();
int Get_Pressed_Key();
// The lowest key held now that was pressed after press number `since` (platform::Key_presses()).
int Get_Pressed_Key(uint64_t since);
void Press_Shift_Key();

// Texts, bytes and files.
std::string Bool_To_Text(bool b);
bool Text_To_Bool(const std::string& text);
int16_t Checked_To_Value(const std::string& text);
int16_t Bool_To_Checked(bool b);
// Markers are 4-byte arrays indexed 1..4; element 0 of the span is index 1.
void String_To_Bytes(const std::string& text, std::span<uint8_t> bytes);
std::string Bytes_To_String(std::span<const uint8_t> bytes);
bool Compare_Marker(std::span<const uint8_t> bytes, const std::string& text);
std::string Long_To_FourCC_Text(int32_t v);
std::string Long_To_FourCC_String(int32_t v);
std::string Get_Computer_Name();
std::string Get_Build_Date();
std::string Clean_File_Name(const std::string& path);
// The text without the blanks (spaces and tabs) at either end.
std::string Trim_blanks(std::string_view text);
// A CSV field: in quotes, its quotes doubled, when it holds the separator, a quote or a line break.
std::string Csv_quoted(const std::string& text, char separator);
std::string Split_Path(const std::string& path, int16_t mode, int32_t extra = 0);
std::string Get_Extension(const std::string& name);
// compare: 0 binary, 1 text (without regard to case).
int32_t Find_Last(const std::string& text, const std::string& sought, int32_t end = -1, int compare = 0);
int32_t Find_Last_From(int32_t start, const std::string& text, const std::string& sought, int compare = 0);
std::string Replace_Swedish_Chars(const std::string& text);
std::string Get_Heat_From_Filename(const std::string& name);
void Append_Marathon_Csv_Line(const std::string& text);
int64_t Get_File_Size(const std::string& path);
bool FileExists(const std::string& path);
bool Folder_Exists(const std::string& path);
// Writes the bytes as the file's whole new contents: beside it first, then in its place, so a
// failed write leaves no half-written file and an old file as it was. "" on success, else why not.
std::string Replace_file_contents(const std::string& path, std::string_view bytes);
// Copies a file in chunks, calling progress(bytes copied, total) after each; a progress that
// returns false cancels. The copy is made beside the destination and put in its place only when
// whole, so a cancelled or failed copy leaves no partial file. "" on success, else why not.
std::string Copy_file_chunked(const std::string& source, const std::string& destination,
                              const std::function<bool(int64_t, int64_t)>& progress);
// True when the file exists and no one may write it (the read-only attribute).
bool Is_write_protected(const std::string& path);
// True when the file is gone afterwards (also when there was none).
bool Delete_File(const std::string& path, bool ignore_errors = false);
void Store_Form_Pos(const std::string& name, int32_t left, int32_t top, int32_t width, int32_t height);
void Get_Form_Pos(const std::string& name, int32_t& left, int32_t& top, int32_t& width, int32_t& height);
// True when the frame starts with the DV header block (0x1F 0x07).
bool Starts_with_DV_header(std::span<const uint8_t> frame);
// Sets g_Emergency_stop unless the frame starts with the DV header block.
void Check_DV_Header(std::span<const uint8_t> frame);
bool In_IDE();

// Windows by name: loaded ones compared without regard to case, or exactly.
bool Is_Form_Loaded(const std::string& name);
bool Is_Form_Loaded_Exact(const std::string& name);

// Removes the first item until the collection is empty.
template <class C> void Clear_Collection(C& collection)
{
    while (!collection.empty()) collection.erase(collection.begin());
}

// Case-insensitive comparison of ASCII texts (file suffixes and the like).
bool Same_text_ci(const std::string& a, const std::string& b);
std::string Lower_ascii(std::string s);

} // namespace wk
