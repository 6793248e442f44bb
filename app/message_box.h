#pragma once
// The message boxes are shared with the other windows; see platform/qt/message_box.h.
#include "platform/qt/message_box.h"
