// The responder: touch handlers that pass a touch up the chain by default.
#pragma once

#include "platform/ui/Foundation.h"

class UITouch;
class UIEvent;
using NSSet = NSSetOf<UITouch>;
using NSArray = NSArrayOf<UITouch>;

class UIResponder : public NSObject {
public:
    // View -> its controller (for a controller's root view) -> superview ...
    // -> window -> application -> application delegate.
    virtual UIResponder* nextResponder() const { return nullptr; }

    // Each default passes the touches on to nextResponder().
    virtual void touchesBegan(const NSSet& touches, UIEvent* event);
    virtual void touchesMoved(const NSSet& touches, UIEvent* event);
    virtual void touchesEnded(const NSSet& touches, UIEvent* event);
    virtual void touchesCancelled(const NSSet& touches, UIEvent* event);
};
