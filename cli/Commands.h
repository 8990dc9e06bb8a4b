// The program's commands, which main runs when argv[1] names them (argv[0] is
// then the command's name). Both run the application headless, created from
// delegateClassName as UIApplicationMain would, and return the exit status.
#pragma once

#include "platform/ui/Foundation.h"

// starchart snapshot: the chart at a given centre, zoom and label mode as a file.
int runSnapshot(int argc, char** argv, const NSString& delegateClassName);
// starchart replay: a scripted session, with snapshots and state dumps.
int runReplay(int argc, char** argv, const NSString& delegateClassName);
