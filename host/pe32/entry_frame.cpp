#include "pe32/entry_frame.h"

// The arguments are copied below a stack pointer aligned to 16 bytes, so the
// callee sees the alignment of a call made by the 32-bit Linux ABI.
asm(R"(
    .text
    .globl zrxCallRestoringStack
    .type zrxCallRestoringStack, @function
zrxCallRestoringStack:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  16(%ebp), %ecx
    movl  12(%ebp), %esi
    leal  0(,%ecx,4), %eax
    subl  %eax, %esp
    andl  $-16, %esp
    xorl  %edx, %edx
1:
    cmpl  %ecx, %edx
    jae   2f
    movl  (%esi,%edx,4), %eax
    movl  %eax, (%esp,%edx,4)
    incl  %edx
    jmp   1b
2:
    call  *8(%ebp)
    leal  -12(%ebp), %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
    .size zrxCallRestoringStack, .-zrxCallRestoringStack
)");
