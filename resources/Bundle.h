// The application bundle compiled into the program: every nib and image in
// resources/, registered in NSBundle::mainBundle() by file name.
#pragma once

// Registers the bundle's files the first time it is called (later calls keep
// what was registered since, such as a test's stand-in file); main calls it
// before the application or a command starts.
void registerBundle();
