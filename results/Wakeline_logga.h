#pragma once
// The program's logo on printed pages, drawn by the program: the name over the water, beside a
// chequered finish post.
#include <QImage>

namespace wk {

// 200 x 70 pixels, white ground.
const QImage& Wakeline_logga();

} // namespace wk
