// The messages the smoke program's window saw, in order, ending with WM_QUIT.
#pragma once

#include <vector>

extern std::vector<unsigned> smoke_messages;
