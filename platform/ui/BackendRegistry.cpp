#include <map>

#include "platform/backend/Backend.h"

namespace {
struct Entry {
    int priority;
    BackendFactory factory;
};
std::map<std::string, Entry>& registry() {
    static std::map<std::string, Entry> r;
    return r;
}
}  // namespace

void registerBackend(const std::string& name, int priority, BackendFactory factory) {
    registry()[name] = Entry{priority, std::move(factory)};
}

std::unique_ptr<Backend> createDefaultBackend(const DeviceProfile& profile) {
    const Entry* best = nullptr;
    for (const auto& e : registry())
        if (!best || e.second.priority > best->priority) best = &e.second;
    return best ? best->factory(profile) : nullptr;
}

std::vector<std::string> registeredBackends() {
    std::vector<std::string> names;
    for (const auto& e : registry()) names.push_back(e.first);
    return names;
}
