// The info screen: a picture of the maker's other application, a link to the
// maker's web site and one to the other application's store page.
#pragma once

#include <memory>

#include "infoscreen/VHFlipsideViewControllerDelegate.h"
#include "platform/ui/UIKit.h"

class VHFlipsideViewController : public UIViewController {
public:
    VHFlipsideViewController();

    UIViewController* initWithNibName(const NSString& nibName, NSBundle* bundle) override;
    void viewDidLoad() override;
    // Builds the screen's views from the root view's size at load time.
    void loadFlipsideViewController();
    void choice2();
    void choiceApp();
    void didReceiveMemoryWarning() override;
    // The nib's closing control.
    void done(id sender);

    // Held weakly: the screen never keeps its delegate alive.
    std::shared_ptr<VHFlipsideViewControllerDelegate> delegate() const { return _delegate.lock(); }
    void setDelegate(const std::shared_ptr<VHFlipsideViewControllerDelegate>& delegate) {
        _delegate = delegate;
    }

    // The size the layout was computed from (tests).
    float layoutWidth() const { return largeur; }
    float layoutHeight() const { return hauteur; }

    // The title the web-site button shows: six spaces, then the site's host.
    static NSString webSiteButtonTitle();

private:
    // Opens a link; when it cannot, says so on the screen, with the address.
    void openLink(const char* url);

    float largeur = 0;
    float hauteur = 0;
    std::shared_ptr<UILabel> linkFailure_, linkAddress_;
    std::weak_ptr<VHFlipsideViewControllerDelegate> _delegate;
};
