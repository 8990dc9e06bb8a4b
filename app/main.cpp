#include "app/VHAppDelegate.h"
#include "platform/ui/UIKit.h"

int main(int argc, char* argv[]) {
    NSAutoreleasePool pool;
    const NSString delegateClassName = NSStringFromClass<VHAppDelegate>();
    return UIApplicationMain(argc, argv, nullptr, delegateClassName);
}
