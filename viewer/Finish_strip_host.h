#pragma once
// What the finish strip's pane asks of the viewer it belongs to.
#include "recording/Finish_strip_line.h"

#include <cstdint>
#include <optional>

class QWidget;

namespace wk {

class Finish_strip_host {
public:
    virtual ~Finish_strip_host() = default;
    // The goal line as the recording's own picture shows it; nullopt while no recording is open
    // or it has no goal line.
    virtual std::optional<Finish_strip_line::Setup> Strip_goal_line() = 0;
    // The stream the viewer shows, and the field.
    virtual int16_t Shown_stream() const = 0;
    virtual int32_t Shown_field() = 0;
    // Shows the field; with the S key down, lane (>= 0) is placed there as a finish click on its
    // mark places it.
    virtual void Go_to_strip_point(int32_t field, int16_t lane) = 0;
    // Where the arrow keys pressed over the strip go: the viewer steps with them.
    virtual QWidget* Strip_key_target() = 0;
};

} // namespace wk
