#include "mainscreen/VHMainViewController.h"

#include <cmath>

#include "chart/ChartCentre.h"
#include "infoscreen/VHFlipsideViewController.h"

namespace {

// The small phone: the chart covers the whole screen and an info button sits
// in its corner. Every other width keeps a 40-point band at the top.
constexpr float kSmallPhoneWidth = 320;
constexpr float kTopBand = 40;

}  // namespace

std::shared_ptr<QuartzView> (*VHMainViewController::makeChartView)() = [] {
    return std::make_shared<QuartzView>();
};

VHMainViewController::VHMainViewController() {
    registerAction("showInfo:", &VHMainViewController::showInfo);
    registerAction("quitLearn:", &VHMainViewController::quitLearn);
    registerOutlet("infoBar", infoBar_);
}

void VHMainViewController::viewDidLoad() {
    UIViewController::viewDidLoad();
    const auto root = view();

    const CGRect screen = UIScreen::mainScreen()->bounds();
    hauteur = screen.size.height;
    largeur = screen.size.width;
    float top = 0;
    if (largeur != kSmallPhoneWidth) {
        hauteur = hauteur - kTopBand;
        top = kTopBand;
    }

    quartzView = makeChartView();
    quartzView->initWithFrame(CGRectMake(0, top, largeur, hauteur));
    // A second finger resting on the chart must reach the gestures too.
    quartzView->setMultipleTouchEnabled(true);
    chartCentreRightAscension = kStartRightAscension;
    chartCentreDeclination = kStartDeclination;
    quartzView->writexs(kStartRightAscension, kStartDeclination, largeur, hauteur);
    root->addSubview(quartzView);
    root->setOpaque(true);
    xs = kStartRightAscension;
    ys = kStartDeclination;

    if (largeur == kSmallPhoneWidth) {
        iButton = UIButton::buttonWithType(UIButtonTypeInfoLight);
        iButton->setFrame(CGRectMake(largeur - 37.0f, hauteur - 57.0f, 37, 37));
        iButton->addTarget(this, "showInfo:", UIControlEventTouchUpInside);
        root->addSubview(iButton);
        // The chart covers the band here; its Info item would only be dead weight.
        if (auto bar = infoBar_.lock()) bar->setHidden(true);
    }

    // The centre is written a second time on purpose: the chart gets writexs,
    // setEch, writexs in this order at load, and tests pin that order.
    chartCentreRightAscension = xs;
    chartCentreDeclination = ys;
    echelle = kStartScale;
    quartzView->setEch(kStartScale);
    quartzView->writexs(xs, ys, largeur, hauteur);
}

std::shared_ptr<VHFlipsideViewController> VHMainViewController::makeFlipside() {
    auto controller = std::make_shared<VHFlipsideViewController>();
    controller->initWithNibName("VHFlipsideViewController", nullptr);
    controller->setDelegate(std::static_pointer_cast<VHMainViewController>(NSObject::shared_from_this()));
    return controller;
}

void VHMainViewController::showInfo(id sender) {
    if (UIDevice::currentDevice()->userInterfaceIdiom() == UIUserInterfaceIdiomPhone) {
        // The presentation owns the screen: every showing builds a fresh one.
        auto controller = makeFlipside();
        controller->setModalTransitionStyle(UIModalTransitionStyleFlipHorizontal);
        presentViewController(controller, true, nullptr);
        return;
    }
    if (!flipsidePopoverController()) {
        auto popover = std::make_shared<UIPopoverController>();
        popover->initWithContentViewController(makeFlipside());
        setFlipsidePopoverController(popover);
    }
    if (flipsidePopoverController()->isPopoverVisible())
        flipsidePopoverController()->dismissPopoverAnimated(true);
    else
        flipsidePopoverController()->presentPopoverFromBarButtonItem(sender, UIPopoverArrowDirectionAny,
                                                                     true);
}

void VHMainViewController::flipsideViewControllerDidFinish(VHFlipsideViewController*) {
    if (UIDevice::currentDevice()->userInterfaceIdiom() == UIUserInterfaceIdiomPhone)
        dismissViewControllerAnimated(true, nullptr);
    else if (auto popover = flipsidePopoverController())
        popover->dismissPopoverAnimated(true);
}

void VHMainViewController::didReceiveMemoryWarning() { UIViewController::didReceiveMemoryWarning(); }

// --- gestures ---

void VHMainViewController::touchesBegan(const NSSet& touches, UIEvent* event) {
    if (!event) return;
    const NSSet& all = event->allTouches();
    if (all.count() == 2) {
        const NSArray both = all.allObjects();
        initialDistance =
            distanceBetweenTwoPoints(both[0]->locationInView(view()), both[1]->locationInView(view()));
    } else if (all.count() == 1) {
        const NSUInteger taps = all.anyObject()->tapCount();
        const auto began = touches.anyObject();
        // A third tap in a row keeps the old anchor, so its drag starts with a jump.
        if ((taps == 1 || taps == 2) && began) oldTouch = began->locationInView(view());
    }
}

void VHMainViewController::touchesMoved(const NSSet&, UIEvent* event) {
    if (!event) return;
    const NSSet& all = event->allTouches();
    if (all.count() == 1) {
        panTo(all.anyObject()->locationInView(view()));
    } else if (all.count() == 2) {
        const NSArray both = all.allObjects();
        zoomTo(distanceBetweenTwoPoints(both[0]->locationInView(view()), both[1]->locationInView(view())));
    }
}

void VHMainViewController::panTo(CGPoint p) {
    const float f = largeur > kWideThreshold ? kWidePanFactor : 1.0f;
    const double m = 2 * f * echelle;

    const float dx = static_cast<float>(p.x) - static_cast<float>(oldTouch.x);
    xs = static_cast<float>(static_cast<double>(xs) + dx / (m * kPanPointsPerHour));
    if (xs < 0) xs = xs + 24;
    if (xs > 24) xs = xs - 24;
    // One correction covers any move a screen up to 2000 points wide can
    // make; wider screens can travel more than a day in one move.
    if (!(xs >= 0 && xs <= 24) && std::isfinite(xs)) {
        xs = std::fmod(xs, 24.0f);
        if (xs < 0) xs = xs + 24;
    }

    const float dy = static_cast<float>(p.y) - static_cast<float>(oldTouch.y);
    ys = static_cast<float>(static_cast<double>(ys) + dy / (m * kPanPointsPerDegree));
    if (ys > 90)
        ys = 90;
    else if (ys < -90)
        ys = -90;

    oldTouch = p;
    chartCentreRightAscension = xs;
    chartCentreDeclination = ys;
    quartzView->writexs(xs, ys, largeur, hauteur);
}

void VHMainViewController::zoomTo(CGFloat distance) {
    // No two-finger begin since the last end (a third finger lifted, or no
    // gesture yet): start from here rather than from a stale distance.
    if (initialDistance < 1.0f) initialDistance = distance;
    const double k = largeur > kWideThreshold ? kWidePinchDivisor : kPinchDivisor;
    // The whole difference applies again on every move, so the scale keeps
    // drifting while the fingers stay apart from where they began.
    echelle = echelle - (initialDistance - distance) / k;
    if (echelle > kMaxScale)
        echelle = kMaxScale;
    else if (echelle < kMinScale)
        echelle = kMinScale;
    quartzView->setEch(echelle);
}

void VHMainViewController::touchesEnded(const NSSet&, UIEvent* event) {
    if (event) {
        const NSSet& all = event->allTouches();
        if (all.count() == 1 && all.anyObject()->tapCount() == 2) doubleTapStep();
    }
    clearTouches();
}

void VHMainViewController::clearTouches() { initialDistance = -1.0f; }

CGFloat VHMainViewController::distanceBetweenTwoPoints(CGPoint fromPoint, CGPoint toPoint) {
    const float x = toPoint.x - fromPoint.x;
    const float y = toPoint.y - fromPoint.y;
    return std::sqrt(x * x + y * y);
}

// --- learning mode ---

void VHMainViewController::doubleTapStep() {
    if (valLearn >= 3) return;
    quartzView->writeStarNames();
    if (valLearn <= 1) valLearn = valLearn + 1;
    if (valLearn != 2) return;

    valLearn = 3;
    const auto image = UIImage::imageNamed("strtstp2.png");
    // Quit took the last button off screen: only one can ever show.
    lButton = UIButton::buttonWithType(UIButtonTypeRoundedRect);
    lButton->setFrame(CGRectMake(largeur - 65.0f, 5, 60, 37));
    lButton->setTitle("Quit", UIControlStateNormal);
    lButton->setBackgroundImage(image, UIControlStateNormal);
    lButton->setTitleColor(UIColor::whiteColor(), UIControlStateNormal);
    lButton->addTarget(this, "quitLearn:", UIControlEventTouchUpInside);
    view()->addSubview(lButton);
}

void VHMainViewController::quitLearn(id) {
    if (valLearn != 3) return;
    valLearn = 0;
    quartzView->writeStarNames();
    if (lButton) lButton->removeFromSuperview();
}
