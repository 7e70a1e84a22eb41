#pragma once

// <windows.h> for the Windows side of the platform layer. Its macros that
// would rename FileServices' operations (GetCurrentDirectory becoming
// GetCurrentDirectoryA, and so on) are undone, so the interface keeps its
// names in every translation unit; the A functions are called by name.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef GetCurrentDirectory
#undef SetCurrentDirectory
