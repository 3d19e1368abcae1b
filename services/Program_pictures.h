#pragma once
// The pictures the program carries as resources, drawn by the program itself when asked for.
#include <QImage>

#include <string>

namespace wk {

// The product picture ("WAKELINE_LOGGA") and the company picture ("COMPANY_LOGGA"). Another
// name raises run-time error 326, as a missing resource does.
QImage Program_picture(const std::string& name);

} // namespace wk
