// The replay script reader on any bytes: it either returns a script whose
// steps keep their promises or throws ReplayScriptError; nothing else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/ReplayScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const ReplayScript script = parseReplayScript(text);
        double clock = 0;
        int number = 0;
        for (const ReplayStep& s : script.steps) {
            if (s.number != ++number || s.start < clock || s.finish < s.start || s.finish > kReplayMaxMs)
                std::abort();
            if (s.firstFinger + s.fingerCount > script.fingers.size()) std::abort();
            const bool named = s.kind == ReplayStep::Kind::Press || s.kind == ReplayStep::Kind::Snapshot ||
                               s.kind == ReplayStep::Kind::State;
            if (named && s.name >= script.names.size()) std::abort();
            clock = s.finish;
        }
    } catch (const ReplayScriptError& e) {
        if (e.message.empty() || e.message.size() > 1024) std::abort();  // said, and briefly
    }
    return 0;
}
