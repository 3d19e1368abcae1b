#pragma once
// The program's device context: GDI's drawing rules over a picture in memory, without windows.
//
// A surface draws either into a QImage (a picture box's image, a memory bitmap) or into a 24-bit
// bottom-up buffer lent by a DIB section. Coordinates are always image coordinates: (0, 0) is the
// top-left pixel, y grows downwards, whatever the buffer's row order.
//
// GDI conventions kept: right and bottom edges of rectangles and ellipses are exclusive, a line
// leaves out its end point, pens and brushes are chosen by their Windows style numbers, colours
// are 0x00BBGGRR (red in the low byte; the high byte is ignored), reads outside the picture give
// CLR_INVALID, writes outside it are dropped. A surface remembers its pen, brush, stretch mode
// and current position like a device context.
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wk::platform {

namespace detail {
struct Surface_view;
}

inline constexpr int32_t CLR_INVALID = -1;

constexpr int32_t Rgb(int red, int green, int blue)
{
    return (red & 255) | ((green & 255) << 8) | ((blue & 255) << 16);
}

// Pen styles.
enum : int32_t {
    PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5, PS_INSIDEFRAME = 6,
};
// Brush styles and hatches. Only solid, hollow and hatched brushes can be made here; every other
// style (patterns need a bitmap the callers never pass) draws as hollow.
enum : int32_t { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3 };
enum : int32_t { HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4, HS_DIAGCROSS = 5 };
// Raster operations of the blits (those without a pattern).
enum : uint32_t {
    SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
    SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008, NOTSRCERASE = 0x001100A6, MERGEPAINT = 0x00BB0226,
    DSTINVERT = 0x00550009, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062,
};
// DrawText formats.
enum : uint32_t { DT_LEFT = 0, DT_TOP = 0, DT_CENTER = 1, DT_VCENTER = 4, DT_SINGLELINE = 32, DT_NOCLIP = 256 };
// Stretch modes: HALFTONE smooths, the others keep whole source pixels.
enum : int32_t { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
// Codes of Last_error.
enum : int32_t { ERROR_INVALID_HANDLE = 6, ERROR_INVALID_PARAMETER = 87 };

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

// A pen width of 0 or less draws one pixel wide.
struct Pen {
    int32_t style = PS_SOLID;
    int32_t width = 1;
    int32_t colour = 0;
};

struct Brush {
    int32_t style = BS_SOLID;
    int32_t colour = 0xFFFFFF;
    int32_t hatch = 0;
};

// A font as CreateFont makes it. height in pixels: positive is the character cell (ascent and
// descent), negative the character itself (the em). width is the average character width in
// pixels, 0 for the face's own proportions. weight 100 to 900 (400 normal, 700 bold). "Arial",
// "Courier New" and "Times New Roman" are drawn with their metric-compatible Liberation faces.
struct Font {
    std::string face = "Arial";
    int32_t height = 0;
    int32_t width = 0;
    int32_t weight = 400;
};

// The Windows faces the program names, by the Liberation faces made to their metrics; other
// names stay as they are.
QString Face_on_linux(const std::string& face);

// Where a surface's pixels lie, for code that fills whole rows itself (a decoder drawing straight
// into a picture, as DrawDib does): image row y (0 = top) starts at top + y x step (step is
// negative for a bottom-up buffer); a pixel has bytes_per_pixel bytes with red, green and blue at
// r, g and b, and a fourth byte, where there is one, is written as 255.
struct Pixel_rows {
    uint8_t* top = nullptr; // nullptr when nothing is attached
    ptrdiff_t step = 0;
    int32_t width = 0;
    int32_t height = 0;
    int bytes_per_pixel = 3;
    int r = 2, g = 1, b = 0;
};

class Draw_surface {
public:
    // Nothing to draw on: every drawing call fails with ERROR_INVALID_HANDLE.
    Draw_surface() = default;
    // Draws into image, which must outlive the surface. Images in other formats than 32-bit RGB,
    // RGB888 or BGR888 are converted to 32-bit RGB first.
    explicit Draw_surface(QImage* image);
    // Draws into a 24-bit bottom-up buffer of width x height, rows of (3 x width + 3) & ~3 bytes.
    Draw_surface(uint8_t* bits, int32_t width, int32_t height);
    Draw_surface(const Draw_surface&) = delete;
    Draw_surface& operator=(const Draw_surface&) = delete;

    // Changes what the surface draws on; pen, brush and position stay (like selecting another
    // bitmap into a device context).
    void Attach(QImage* image);
    void Attach_bottom_up(uint8_t* bits, int32_t width, int32_t height);
    void Detach();
    bool Is_valid() const;
    int32_t Width() const;
    int32_t Height() const;

    // The pixel's colour, CLR_INVALID outside the picture.
    int32_t GetPixel(int32_t x, int32_t y) const;
    // Sets the pixel; returns the colour set, or -1 outside the picture.
    int32_t SetPixel(int32_t x, int32_t y, int32_t colour);

    // Each returns what was selected before.
    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    const Pen& Current_pen() const { return pen_; }
    const Brush& Current_brush() const { return brush_; }
    int32_t SetStretchBltMode(int32_t mode);
    int32_t GetStretchBltMode() const { return stretch_mode_; }

    bool MoveToEx(int32_t x, int32_t y, Point* previous = nullptr);
    Point Current_position() const { return position_; }
    // Draws from the current position to (x, y), leaving out (x, y) itself with a one-pixel pen;
    // (x, y) becomes the current position.
    bool LineTo(int32_t x, int32_t y);
    // Outline with the pen, inside with the brush, in the box [left, right) x [top, bottom); the
    // corners may come in any order. With a null pen the filled box is one pixel smaller at the
    // right and bottom, as GDI does.
    bool Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // The ellipse inscribed in the same box.
    bool Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);

    // DrawText of one line of text (UTF-8) in the box [left, right) x [top, bottom), in
    // text_colour: centred across with DT_CENTER (else from the left edge), centred up and down
    // with DT_VCENTER (else from the top), clipped to the box unless DT_NOCLIP. With a background
    // colour the text's cell is filled with it first (an opaque background mode); without one
    // whatever lies below shows between the letters. Letters are not smoothed, so they never
    // blend into a key colour. False when there is nothing to draw on.
    bool DrawText(const std::string& text, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  const Font& font, int32_t text_colour, std::optional<int32_t> background = std::nullopt,
                  uint32_t format = DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    // Copies a source rectangle with a raster operation. Parts of the source rectangle outside
    // the source picture are not read and leave the destination as it was.
    bool BitBlt(int32_t x, int32_t y, int32_t width, int32_t height, const Draw_surface* source, int32_t source_x,
                int32_t source_y, uint32_t rop);
    // The same, the source rectangle stretched over the destination rectangle by the stretch mode.
    bool StretchBlt(int32_t x, int32_t y, int32_t width, int32_t height, const Draw_surface* source,
                    int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height, uint32_t rop);
    // A stretched copy that leaves out the source pixels of the transparent colour.
    bool TransparentBlt(int32_t x, int32_t y, int32_t width, int32_t height, const Draw_surface* source,
                        int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height,
                        int32_t transparent);

    // The whole picture as a top-down 32-bit RGB image (for Qt: showing, saving, printing).
    QImage Image_copy() const;
    // The picture's pixels for writing whole rows (an image shared with a copy is detached first).
    Pixel_rows Write_rows();

    // Why the last failing call failed (ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER).
    int32_t Last_error() const { return last_error_; }

    // ---- Where the drawing went ----
    // Once Track_drawn is called, the surface keeps for each row the span of columns its drawing
    // calls may have written since Forget_drawn (a little wider than what they wrote, never
    // narrower), so that whoever looks for what was drawn reads those spans, not the picture.
    // Until the first Forget_drawn, and after Attach or Write_rows, every row counts as drawn
    // whole. Writes that go around the surface (straight into the buffer) are not seen: whoever
    // makes them calls Forget_drawn only when the picture is all background again.
    struct Row_span {
        int32_t left = 0, right = 0; // columns [left, right); nothing when left >= right
    };
    void Track_drawn();
    void Forget_drawn();
    // One span per row, or nullptr when the surface does not track.
    const std::vector<Row_span>* Drawn_rows() const { return tracking_ ? &drawn_ : nullptr; }

private:
    detail::Surface_view Read_view() const;
    detail::Surface_view Write_view();
    bool Fail(int32_t code) const;
    // The box [left, right) x [top, bottom) may have been written (clipped to the picture here).
    void Note_drawn(int64_t left, int64_t top, int64_t right, int64_t bottom);
    void Note_drawn_whole();
    bool Blit(int32_t x, int32_t y, int32_t width, int32_t height, const Draw_surface* source, int32_t source_x,
              int32_t source_y, int32_t source_width, int32_t source_height, uint32_t rop, bool smooth,
              const int32_t* transparent);

    enum class Target { none, image, bottom_up };
    Target target_ = Target::none;
    QImage* image_ = nullptr;
    uint8_t* bits_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    Pen pen_;
    Brush brush_;
    int32_t stretch_mode_ = BLACKONWHITE;
    Point position_;
    mutable int32_t last_error_ = 0;
    bool tracking_ = false;
    std::vector<Row_span> drawn_;
};

// The system colour of a Windows colour index (the classic scheme); 0 for an unknown index.
int32_t GetSysColor(int32_t index);

} // namespace wk::platform
