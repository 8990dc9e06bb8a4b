// The headless backend: surfaces in memory (Cairo image surfaces), a virtual
// clock that moves only when told, links recorded instead of opened.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/port/Backend.h"

class OffscreenBackend : public Backend {
public:
    using SurfaceFactory = std::function<std::unique_ptr<CGSurface>(CGSize size, double scale)>;
    // Cairo image surfaces by default; a factory may give recording surfaces.
    explicit OffscreenBackend(DeviceProfile profile, SurfaceFactory factory = nullptr);

    const DeviceProfile& profile() const override { return profile_; }
    std::unique_ptr<CGSurface> createSurface(CGSize size, double scale) override;
    void present(CGSurface& window) override;
    double now() const override { return clock_; }
    bool openURL(const std::string& url) override;
    bool copyToClipboard(const std::string& text) override {
        clipboard_ = text;
        return true;
    }
    void requestFrame() override { ++frameRequests_; }
    // Off unless a test turns it on, as the browser's backend has it.
    bool drawsViewsInPlace() const override { return inPlace_; }
    void setDrawsViewsInPlace(bool inPlace) { inPlace_ = inPlace; }
    // Recorded: every list the toolkit sent, in order.
    void accessibilityChanged(const std::vector<AccessibilityNode>& nodes) override {
        accessibilityUpdates_.push_back(nodes);
    }
    // Runs iterations at 60 Hz of virtual time until the host is idle.
    int run(BackendHost& host) override;

    void advanceClock(double seconds) { clock_ += seconds; }
    const std::vector<std::string>& openedURLs() const { return urls_; }
    // Links are recorded either way; when not opening, openURL says it failed.
    void setOpensURLs(bool opens) { opensURLs_ = opens; }
    const std::string& clipboard() const { return clipboard_; }
    unsigned long presentCount() const { return presents_; }
    CGSurface* lastPresented() const { return lastPresented_; }
    const std::vector<std::vector<AccessibilityNode>>& accessibilityUpdates() const {
        return accessibilityUpdates_;
    }

private:
    DeviceProfile profile_;
    SurfaceFactory factory_;
    double clock_ = 1000;  // arbitrary start, far from 0 so that "no previous tap" cannot look recent
    std::vector<std::string> urls_;
    bool opensURLs_ = true;
    bool inPlace_ = false;
    std::string clipboard_;
    unsigned long presents_ = 0, frameRequests_ = 0;
    CGSurface* lastPresented_ = nullptr;
    std::vector<std::vector<AccessibilityNode>> accessibilityUpdates_;
};
