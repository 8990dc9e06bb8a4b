// Surfaces that keep every drawing call while they draw pixels, so a command
// can write the trace of a pass or draw it again into a vector file.
#pragma once

#include <memory>
#include <vector>

#include "platform/cg/RecordingContext.h"

std::unique_ptr<CGSurface> makeTracedSurface(CGSize size, double scale);

// Sends recorded calls to another context, in order. A vector file has no
// pixels to clear, and clearing would erase its background, so clears can be
// left out.
void replayOps(const std::vector<RecordedOp>& ops, CGContext& ctx, bool skipClear);
