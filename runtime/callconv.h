// The calling convention of the digest plugin operations and the entry point.
#pragma once

// Plugin operations are 32-bit standard calls, like the exports (whose
// convention the public header states): the callee removes its own arguments.
#if defined(_WIN32) && defined(__i386__)
#define QV_STDCALL __attribute__((stdcall))
#else
#define QV_STDCALL
#endif

