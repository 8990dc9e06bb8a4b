// The main screen: the chart view, the info button or bar, the gestures that
// pan and zoom the chart, and the learning mode.
#pragma once

#include <cstdint>
#include <memory>

#include "chart/QuartzView.h"
#include "infoscreen/VHFlipsideViewControllerDelegate.h"
#include "platform/ui/UIKit.h"

class VHFlipsideViewController;

class VHMainViewController : public UIViewController, public VHFlipsideViewControllerDelegate {
public:
    VHMainViewController();

    // The view the chart starts at, and the bounds of its zoom.
    static constexpr float kStartRightAscension = 17;  // hours
    static constexpr float kStartDeclination = 31;     // degrees
    static constexpr double kStartScale = 1.0, kMinScale = 0.9, kMaxScale = 3.0;
    // The gestures' arithmetic: at scale s a drag of 2 * s * kPanPointsPerHour
    // points is an hour and 2 * s * kPanPointsPerDegree points a degree, and
    // a pinch changes the scale by its change of finger distance over
    // kPinchDivisor. Screens wider than kWideThreshold points pan
    // kWidePanFactor times slower and divide the pinch by kWidePinchDivisor.
    static constexpr double kPanPointsPerHour = 50, kPanPointsPerDegree = 4;
    static constexpr double kPinchDivisor = 2000, kWidePinchDivisor = 3000;
    static constexpr float kWideThreshold = 480, kWidePanFactor = 1.5f;

    // Makes the chart view at load; a test may put a recording view here.
    static std::shared_ptr<QuartzView> (*makeChartView)();

    void viewDidLoad() override;
    void showInfo(id sender);
    void flipsideViewControllerDidFinish(VHFlipsideViewController* controller) override;
    void didReceiveMemoryWarning() override;

    std::shared_ptr<UIPopoverController> flipsidePopoverController() const {
        return _flipsidePopoverController;
    }
    void setFlipsidePopoverController(std::shared_ptr<UIPopoverController> popover) {
        _flipsidePopoverController = std::move(popover);
    }

    // Gestures. A cancelled sequence is left to the responder default: the
    // state stays as the last begin, move or end left it.
    void touchesBegan(const NSSet& touches, UIEvent* event) override;
    void touchesMoved(const NSSet& touches, UIEvent* event) override;
    void touchesEnded(const NSSet& touches, UIEvent* event) override;
    void clearTouches();
    CGFloat distanceBetweenTwoPoints(CGPoint fromPoint, CGPoint toPoint);

    // Learning mode: the double-tap step (star names, then the mode with its
    // Quit button) and the Quit button's action.
    void doubleTapStep();
    void quitLearn(id sender);

    // State, for tests and state dumps.
    const std::shared_ptr<QuartzView>& chartView() const { return quartzView; }
    CGPoint panAnchor() const { return oldTouch; }
    float rightAscension() const { return xs; }
    float declination() const { return ys; }
    float screenWidth() const { return largeur; }
    float chartHeight() const { return hauteur; }
    CGFloat pinchStartDistance() const { return initialDistance; }
    double scale() const { return echelle; }
    int32_t learnState() const { return valLearn; }
    const std::shared_ptr<UIButton>& quitButton() const { return lButton; }
    const std::shared_ptr<UIButton>& infoButton() const { return iButton; }
    std::shared_ptr<UIToolbar> infoBar() const { return infoBar_.lock(); }

private:
    std::shared_ptr<VHFlipsideViewController> makeFlipside();
    void panTo(CGPoint p);
    void zoomTo(CGFloat distance);

    std::shared_ptr<QuartzView> quartzView;
    CGPoint oldTouch{};
    float xs = 0;
    float ys = 0;
    float largeur = 0;
    float hauteur = 0;
    CGFloat initialDistance = 0;
    double echelle = 0;
    int32_t valLearn = 0;
    std::shared_ptr<UIButton> lButton;
    std::shared_ptr<UIButton> iButton;
    std::shared_ptr<UIPopoverController> _flipsidePopoverController;
    // The nib's 40-point band with its Info item: the way to the info screen
    // where there is no info button.
    std::weak_ptr<UIToolbar> infoBar_;
};
