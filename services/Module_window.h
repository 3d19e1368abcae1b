#pragma once
// Window helpers: edges, top-most, full screen, the close item, fonts that fit.
#include <QFont>
#include <string>

class QWidget;

namespace wk {

// Left + Width and Top + Height of a window or control, in twips.
float Right_Edge(const QWidget* w);
float Bottom_Edge(const QWidget* w);
void Set_Topmost(QWidget* w);
// There is no task bar to hide here; the flag still records what was asked so the exit undoes it.
void Show_Taskbar(bool show);
void Remove_Close_Item(QWidget* w);
// The same, with the system menu's revert flag, which has no meaning here.
void Remove_close_button(QWidget* w, int16_t menu_flag);
// Toggles between full screen without a frame and the window as it was; returns false.
bool SetFormFullScreen(QWidget* w);

// A font as the system makes it: height -(points x vertical dpi / 72), the angle in degrees.
struct Gdi_font {
    QFont font;
    int32_t angle_degrees = 0;
};
Gdi_font Create_Font(int16_t points, int32_t angle, int16_t italic, const std::string& face, int32_t weight);
// The largest Arial size from 110 down to 10 (steps of 2) at which text is narrower than
// scale_width pixels; 0 when none fits. font is left at the last size tried.
int Fit_Text_Font(QFont& font, int scale_width, const std::string& text);

} // namespace wk
