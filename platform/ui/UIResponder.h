// The responder: touch handlers that pass a touch up the chain by default.
#pragma once

#include <memory>
#include <vector>

class UITouch;
class UIEvent;
using NSSet = std::vector<std::shared_ptr<UITouch>>;

class UIResponder {
public:
    virtual ~UIResponder() = default;
    virtual UIResponder* nextResponder() const { return nullptr; }
    virtual void touchesBegan(const NSSet& touches, UIEvent* event);
    virtual void touchesMoved(const NSSet& touches, UIEvent* event);
    virtual void touchesEnded(const NSSet& touches, UIEvent* event);
    virtual void touchesCancelled(const NSSet& touches, UIEvent* event);
};
