// The release number of the toolkit, set once by the build (project VERSION in
// CMakeLists.txt), so every program and the package report the same one.
#pragma once

#ifndef TRIVANEX_VERSION
#error "TRIVANEX_VERSION comes from the build: configure with CMake"
#endif

inline const char* trivanexVersion() { return TRIVANEX_VERSION; }
