#pragma once
// Keeping windows on the desktop: the area windows may cover (the primary screen less its panels)
// and the fitting of a top-level window's whole frame, title bar included, into it. Positions
// restored from the settings or worked out beside another window may lie partly off the screen
// of the machine at hand; a window is only of use where the crew can see and grab it.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace wk::platform {

// The primary screen's available geometry (the whole screen where the desktop gives no less).
QRect Available_area();
// The frame the window manager puts around `w`: its own once shown, else that of a shown
// framed window of the program (they all get the same), else none. A frameless window has none.
QMargins Frame_margins(const QWidget* w);
// The room for a window's frame: the available area below `keep_clear` (the main window's menus,
// when given and lying in the area).
QRect Window_room(const QRect& keep_clear = {});
// Where `w`'s frame goes to lie wholly inside Window_room(keep_clear): a window larger than the
// room is made smaller to fit (a window not yet shown takes its natural size first); it is not
// moved yet.
QRect Fitted_frame(QWidget* w, const QRect& keep_clear = {});
// Moves `w` so that its frame lies wholly inside Window_room(keep_clear) (Fitted_frame).
void Fit_in_available_area(QWidget* w, const QRect& keep_clear = {});
// Puts the corner of the window's frame, title bar included, at `corner`. The window manager
// places the frame itself, so a window it has not framed yet still gets its title bar on the
// screen (placing the inside there would push the title bar above it).
void Place_frame(QWidget* w, const QPoint& corner);

// Where a frame of `size` lies in `room` covering none of `never` and, where room allows, none
// of `rather` either: beside or under them, nearest the top left. Where no place holds the whole
// frame, it is made smaller, down to `least`, in the place that keeps most of it. Empty when not
// even that fits.
QRect Clear_spot(QSize size, const QRect& room, const std::vector<QRect>& never, const std::vector<QRect>& rather,
                 QSize least);
// Moves (and where needed shrinks, down to least or the window's own least size) `w` so that
// its frame lies at Clear_spot inside Window_room(keep_clear); where there is no such spot it is
// fitted into the room as it is. Returns the frame.
QRect Place_clear_of(QWidget* w, const std::vector<QRect>& never, const std::vector<QRect>& rather,
                     const QRect& keep_clear = {}, QSize least = {});

} // namespace wk::platform
