#include "infoscreen/VHFlipsideViewController.h"

#include "infoscreen/VHLinks.h"

VHFlipsideViewController::VHFlipsideViewController() {
    registerAction("choice2", &VHFlipsideViewController::choice2);
    registerAction("choiceApp", &VHFlipsideViewController::choiceApp);
    registerAction("done:", &VHFlipsideViewController::done);
}

UIViewController* VHFlipsideViewController::initWithNibName(const NSString& nibName, NSBundle* bundle) {
    if (!UIViewController::initWithNibName(nibName, bundle)) return nullptr;
    setContentSizeForViewInPopover(CGSizeMake(320, 480));
    return this;
}

void VHFlipsideViewController::viewDidLoad() {
    UIViewController::viewDidLoad();
    loadFlipsideViewController();
}

NSString VHFlipsideViewController::webSiteButtonTitle() { return NSString("      ") + kVHMakerSiteHost; }

void VHFlipsideViewController::loadFlipsideViewController() {
    const auto root = view();
    root->setBackgroundColor(UIColor::blackColor());

    // The size the nib gave the view; later resizing (popover, full screen)
    // leaves the layout where it was put.
    const CGRect frame = root->frame();
    largeur = frame.size.width;
    hauteur = frame.size.height - 40.0f;

    auto picture = std::make_shared<UIImageView>();
    picture->initWithImage(UIImage::imageNamed("marvane1.png"));
    picture->setCenter(CGPointMake(largeur * 0.5f, hauteur * 0.5f + 30.0f));
    root->addSubview(picture);

    auto makeLabel = [](const NSString& text) {
        auto label = std::make_shared<UILabel>();
        label->initWithFrame(CGRectMake(0, 0, 280, 40));
        label->setText(text);
        return label;
    };
    auto styleLabel = [](UILabel& label) {
        label.setBackgroundColor(UIColor::blackColor());
        label.setTextColor(UIColor::whiteColor());
        label.setTextAlignment(UITextAlignmentCenter);
        label.setFont(UIFont::systemFontOfSize(15));
    };

    auto tagline = makeLabel("a New iPod/iPhone/iPad application");
    tagline->setCenter(CGPointMake(largeur * 0.5f, hauteur * 0.5f - 170.0f));
    styleLabel(*tagline);
    root->addSubview(tagline);

    auto invitation = makeLabel("Please visit our web site :");
    invitation->setCenter(CGPointMake(largeur * 0.5f, hauteur - 100.0f));
    styleLabel(*invitation);
    root->addSubview(invitation);

    auto site = UIButton::buttonWithType(UIButtonTypeRoundedRect);
    site->setFrame(CGRectMake(0, 0, 240, 57));
    site->setCenter(CGPointMake(largeur * 0.5f, hauteur - 60.0f));
    site->setBackgroundColor(UIColor::clearColor());
    site->setBackgroundImage(UIImage::imageNamed("strtstp2.png"), UIControlStateNormal);
    site->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentLeft);
    site->setTitleColor(UIColor::whiteColor(), UIControlStateNormal);
    site->setTitle(webSiteButtonTitle(), UIControlStateNormal);
    site->addTarget(this, "choice2", UIControlEventTouchUpInside);
    site->setAccessibilityTraits(UIAccessibilityTraitLink);
    site->setAccessibilityLinkAddress(kVHMakerSiteURL);
    root->addSubview(site);

    auto store = UIButton::buttonWithType(UIButtonTypeCustom);
    store->setFrame(CGRectMake(10, 90, largeur - 10.0f, hauteur * 0.5f));
    store->setBackgroundColor(UIColor::clearColor());
    store->addTarget(this, "choiceApp", UIControlEventTouchUpInside);
    // The picture above is the way to the other application; it has no title to read.
    store->setAccessibilityLabel("Our other application");
    store->setAccessibilityTraits(UIAccessibilityTraitLink);
    store->setAccessibilityLinkAddress(kVHOtherAppStoreURL);
    root->addSubview(store);
}

void VHFlipsideViewController::openLink(const char* url) {
    auto* app = UIApplication::sharedApplication();
    if (!app || app->openURL(NSURL::URLWithString(url))) return;
    // Told in the screen itself, with the address to open by hand.
    const bool copied = app->copyToClipboard(url);
    auto line = [&](std::shared_ptr<UILabel>& label, float y, const char* identifier) {
        if (label) return;
        label = std::make_shared<UILabel>();
        label->initWithFrame(CGRectMake(0, y, largeur, 18));
        label->setBackgroundColor(UIColor::blackColor());
        label->setTextColor(UIColor::whiteColor());
        label->setTextAlignment(NSTextAlignmentCenter);
        label->setFont(UIFont::systemFontOfSize(12));
        label->setAccessibilityIdentifier(identifier);
        view()->addSubview(label);
    };
    line(linkFailure_, 4, "linkFailure");
    line(linkAddress_, 22, "linkAddress");
    linkFailure_->setText(copied ? "The link could not be opened; its address is copied:"
                                 : "The link could not be opened; open it in a browser:");
    linkAddress_->setText(url);
}

void VHFlipsideViewController::choice2() { openLink(kVHMakerSiteURL); }

void VHFlipsideViewController::choiceApp() { openLink(kVHOtherAppStoreURL); }

void VHFlipsideViewController::didReceiveMemoryWarning() { UIViewController::didReceiveMemoryWarning(); }

void VHFlipsideViewController::done(id) {
    if (auto d = delegate()) d->flipsideViewControllerDidFinish(this);
}
