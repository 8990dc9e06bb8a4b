#include "platform/backend/sdl/SdlInput.h"

#include "platform/ui/port/SyntheticGestures.h"

namespace {

constexpr TouchPhase kBegan = TouchPhase::Began, kMoved = TouchPhase::Moved, kEnded = TouchPhase::Ended,
                     kCancelled = TouchPhase::Cancelled;

double seconds(Uint32 ms) { return ms / 1000.0; }

// The browser's name of a key (KeyboardEvent.key), for those that act.
const char* keyName(SDL_Keycode k) {
    switch (k) {
        case SDLK_LEFT:
            return "ArrowLeft";
        case SDLK_RIGHT:
            return "ArrowRight";
        case SDLK_UP:
            return "ArrowUp";
        case SDLK_DOWN:
            return "ArrowDown";
        case SDLK_PLUS:
        case SDLK_KP_PLUS:
            return "+";
        case SDLK_EQUALS:
            return "=";
        case SDLK_MINUS:
        case SDLK_KP_MINUS:
            return "-";
        case SDLK_ESCAPE:
            return "Escape";
        case SDLK_i:
            return "i";
        default:
            return nullptr;
    }
}

}  // namespace

void SdlInput::setGeometry(double windowWidth, double windowHeight, CGSize points) {
    setGeometry(windowWidth, windowHeight, points, {{0, 0}, {CGFloat(windowWidth), CGFloat(windowHeight)}});
}

void SdlInput::setGeometry(double windowWidth, double windowHeight, CGSize points, CGRect viewport) {
    windowWidth_ = windowWidth;
    windowHeight_ = windowHeight;
    points_ = points;
    viewport_ = viewport;
}

CGPoint SdlInput::toPoints(double x, double y) const {
    const double w = viewport_.size.width, h = viewport_.size.height;
    return {CGFloat(w > 0 ? (x - viewport_.origin.x) * points_.width / w : x),
            CGFloat(h > 0 ? (y - viewport_.origin.y) * points_.height / h : y)};
}

CGPoint SdlInput::mirrored(CGPoint p) const { return {points_.width - p.x, points_.height - p.y}; }

bool SdlInput::handle(const SDL_Event& e) {
    const double t = seconds(e.common.timestamp);
    switch (e.type) {
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT || pressed_)
                return true;
            pressed_ = true;
            mouse_ = toPoints(e.button.x, e.button.y);
            add(kMouseFinger, mouse_, kBegan, t);
            twoFingers_ = alt_;
            if (twoFingers_) add(kMirrorFinger, mirrored(mouse_), kBegan, t);
            return true;
        case SDL_MOUSEMOTION: {
            if (e.motion.which == SDL_TOUCH_MOUSEID || !pressed_) return true;
            const CGPoint p = toPoints(e.motion.x, e.motion.y);
            if (p == mouse_) return true;
            mouse_ = p;
            add(kMouseFinger, mouse_, kMoved, t);
            if (twoFingers_) add(kMirrorFinger, mirrored(mouse_), kMoved, t);
            return true;
        }
        case SDL_MOUSEBUTTONUP:
            if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT || !pressed_)
                return true;
            mouse_ = toPoints(e.button.x, e.button.y);
            add(kMouseFinger, mouse_, kEnded, t);
            if (twoFingers_) add(kMirrorFinger, mirrored(mouse_), kEnded, t);
            pressed_ = twoFingers_ = false;
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            // The event carries the modifiers as they are after this key.
            setAlt((e.key.keysym.mod & KMOD_ALT) != 0, t);
            if (e.type == SDL_KEYDOWN) key(e.key, t);
            return true;
        case SDL_MOUSEWHEEL: {
            if (e.wheel.which == SDL_TOUCH_MOUSEID || !active_.empty()) return true;
            double notches = e.wheel.preciseY;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            synthesise(pinchFrames(points_, notches, t));
            return true;
        }
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: {
            if (e.tfinger.touchId == SDL_MOUSE_TOUCHID) return true;
            const auto key = std::make_pair(e.tfinger.touchId, e.tfinger.fingerId);
            // Normalised to the whole window, letterbox included.
            const CGPoint p = toPoints(e.tfinger.x * windowWidth_, e.tfinger.y * windowHeight_);
            auto it = fingerIds_.find(key);
            if (e.type == SDL_FINGERDOWN) {
                if (it != fingerIds_.end()) return true;  // already down: a repeated report
                const long long id = nextFinger_++;
                fingerIds_[key] = id;
                add(id, p, kBegan, t);
            } else if (it != fingerIds_.end()) {
                const long long id = it->second;
                if (e.type == SDL_FINGERUP) {
                    fingerIds_.erase(it);
                    add(id, p, kEnded, t);
                } else if (!(active_[id] == p)) {
                    add(id, p, kMoved, t);
                }
            }
            return true;
        }
        default:
            return false;
    }
}

bool SdlInput::key(const SDL_KeyboardEvent& e, double timestamp) {
    const char* name = keyName(e.keysym.sym);
    if (!name || !active_.empty() || (e.keysym.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI))) return false;
    synthesise(keyFrames(name, e.repeat != 0, points_, host_, timestamp));
    return true;
}

void SdlInput::synthesise(std::vector<TouchFrame> frames) {
    if (frames.empty()) return;
    flush();
    for (auto& f : frames) frames_.push_back(std::move(f));
}

void SdlInput::setAlt(bool down, double timestamp) {
    if (down == alt_) return;
    alt_ = down;
    if (!pressed_) return;
    if (alt_ && !twoFingers_) {
        twoFingers_ = true;
        add(kMirrorFinger, mirrored(mouse_), kBegan, timestamp);
    } else if (!alt_ && twoFingers_) {
        twoFingers_ = false;
        add(kMirrorFinger, mirrored(mouse_), kEnded, timestamp);
    }
}

void SdlInput::cancelAll(double timestamp) {
    const auto fingers = active_;
    for (const auto& f : fingers) add(f.first, f.second, kCancelled, timestamp);
    pressed_ = twoFingers_ = false;
    fingerIds_.clear();
}

void SdlInput::add(long long finger, CGPoint location, TouchPhase phase, double timestamp) {
    if (phase == kEnded || phase == kCancelled)
        active_.erase(finger);
    else
        active_[finger] = location;

    for (auto& p : current_.points) {
        if (p.finger != finger) continue;
        if (p.phase == kMoved && phase == kMoved) {
            p.location = location;
            current_.timestamp = timestamp;
            return;
        }
        flush();
        break;
    }
    current_.timestamp = timestamp;
    current_.points.push_back({finger, location, phase});
}

void SdlInput::flush() {
    if (current_.points.empty()) return;
    frames_.push_back(std::move(current_));
    current_ = TouchFrame{};
}

std::vector<TouchFrame> SdlInput::takeFrames() {
    flush();
    std::vector<TouchFrame> out;
    out.swap(frames_);
    return out;
}
