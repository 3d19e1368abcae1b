#include "recording/Header_journal.h"
