// Calling convention and export marks shared by the boundary and the digest plugins.
#pragma once

// Every export and every plugin operation is a 32-bit standard call: the callee
// removes its own arguments. Elsewhere the platform has one convention only.
#if defined(_WIN32) && defined(__i386__)
#define QV_STDCALL __attribute__((stdcall))
#else
#define QV_STDCALL
#endif

// The DLL's export table comes from the .def file; the Linux library marks
// its six exports visible and hides everything else.
#if defined(_WIN32)
#define QV_EXPORT
#else
#define QV_EXPORT __attribute__((visibility("default")))
#endif
