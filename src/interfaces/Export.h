#pragma once
// What the shared library exports. It is built with hidden visibility, so only declarations marked
// VZ_API are reachable from outside it; VZ_HIDDEN keeps a nested internal class of an exported class
// out of the export table. Both are plain visibility attributes, harmless in a static build.
#if defined(__GNUC__) || defined(__clang__)
#define VZ_API __attribute__((visibility("default")))
#define VZ_HIDDEN __attribute__((visibility("hidden")))
#else
#define VZ_API
#define VZ_HIDDEN
#endif
