#include "recording/cls_IDX.h"
// A record without operations; the source file keeps the class's place in the library.
