// How the info screen tells whoever showed it that the user is done with it.
#pragma once

class VHFlipsideViewController;

class VHFlipsideViewControllerDelegate {
public:
    virtual ~VHFlipsideViewControllerDelegate() = default;
    // The receiver takes the screen off display; the screen never does it itself.
    virtual void flipsideViewControllerDidFinish(VHFlipsideViewController* controller) = 0;
};
