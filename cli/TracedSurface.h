// Surfaces that keep every drawing call while they draw pixels, so a command
// can write the trace of a pass or draw it again into a vector file.
#pragma once

#include <memory>

#include "platform/cg/RecordingContext.h"

std::unique_ptr<CGSurface> makeTracedSurface(CGSize size, double scale);
