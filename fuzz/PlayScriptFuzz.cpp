// A script the reader accepts, played through the whole headless app; its
// snapshots and states go to a scratch folder emptied after every input.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/VHAppDelegate.h"
#include "cli/Replay.h"
#include "cli/ReplayScript.h"
#include "resources/Bundle.h"

namespace {

NSString delegateClassName() {
    static const NSString name = (registerBundle(), NSStringFromClass<VHAppDelegate>());
    return name;
}

namespace fs = std::filesystem;

// scratch/out: the output folder, holding links to scratch/outside (a folder
// and a file there) that no output may pass through.
const fs::path& scratch() {
    static const fs::path dir = [] {
        char name[] = "/tmp/starchart-fuzz-XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        return fs::path(name);
    }();
    return dir;
}

void prepareOutput() {
    std::error_code ec;
    fs::remove_all(scratch() / "out", ec);
    fs::remove_all(scratch() / "outside", ec);
    fs::create_directories(scratch() / "out");
    fs::create_directories(scratch() / "outside" / "folder");
    std::FILE* f = std::fopen((scratch() / "outside" / "file.json").c_str(), "w");
    if (!f) std::abort();
    std::fclose(f);
    fs::create_symlink(scratch() / "outside" / "folder", scratch() / "out" / "out-link");
    fs::create_symlink(scratch() / "outside" / "file.json", scratch() / "out" / "file-link.json");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReplayScript script;
    try {
        script = parseReplayScript(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const ReplayScriptError&) {
        return 0;
    }
    // Long scripts and huge windows only slow the search down.
    if (script.steps.size() > 64) return -1;
    DeviceFlagsResult device = parseDeviceFlags(script.deviceFlags);
    if (!device.ok()) std::abort();  // the reader only passes devices the flags accept
    const DeviceProfile& p = device.profile;
    if (double(p.width) * p.height * p.pixelRatio * p.pixelRatio > 2048.0 * 2048) return -1;

    prepareOutput();
    const int dir = ::open((scratch() / "out").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) std::abort();
    std::string failure;
    const int status = playReplayScript(script, p, delegateClassName(), dir, "out", &failure);
    ::close(dir);
    if (status != 0 && failure.empty()) std::abort();
    // Nothing written through the links.
    if (!fs::is_empty(scratch() / "outside" / "folder") ||
        fs::file_size(scratch() / "outside" / "file.json") != 0)
        std::abort();
    return 0;
}
