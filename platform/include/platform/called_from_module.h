// Marks a function that the view module calls: a platform function, an
// operation slot of a host object, a system function shim. The 32-bit
// Windows build of the module keeps the stack only 4-byte aligned, as code
// for 32-bit Windows may, while the 32-bit Linux ABI promises 16 bytes at
// every call and the C library, libstdc++ and SQLite were compiled on that
// promise. Such a function realigns the stack on entry, so that everything
// it calls sees the alignment it expects whoever called it.
#pragma once

#if defined(__i386__)
#define ZRX_CALLED_FROM_MODULE __attribute__((force_align_arg_pointer))
#else
#define ZRX_CALLED_FROM_MODULE
#endif
