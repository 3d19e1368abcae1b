#pragma once
// Whether a label shows its whole text: every word within its width and every line within its
// height, as its font lays the text out (wrapped where the label wraps).
#include <QFontMetrics>
#include <QLabel>

#include <climits>

namespace wk::test {

inline bool Whole_text(const QLabel* label)
{
    const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect room = label->contentsRect();
    const QRect need = QFontMetrics(label->font()).boundingRect(QRect(0, 0, room.width(), INT_MAX), flags,
                                                                label->text());
    return need.width() <= room.width() && need.height() <= room.height();
}

} // namespace wk::test
