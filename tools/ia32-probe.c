/* Whether this kernel runs 32-bit code inside a 64-bit process, as Wine's WoW64 mode needs: a far
 * call into the 32-bit user code segment, on a stack below 4 GiB, runs one instruction and comes
 * back. Exit 0 when it does; 1, saying why, when the segment is unusable (some kernels disable it
 * together with their 32-bit emulation). Built without PIE, so that its code lies below 4 GiB. */
#define _GNU_SOURCE
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

static void Refused(int sig) {
  static const char text[] = "this kernel runs no 32-bit code in a 64-bit process (its 32-bit code segment faults)\n";
  (void)sig;
  if (write(STDOUT_FILENO, text, sizeof text - 1) < 0) _exit(2);
  _exit(1);
}

int main(void) {
  signal(SIGSEGV, Refused);
  signal(SIGBUS, Refused);
  signal(SIGILL, Refused);
  char* low = mmap(NULL, 65536, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (low == MAP_FAILED) {
    perror("ia32-probe: mmap");
    return 2;
  }
  uint64_t stack = (uint64_t)(low + 65536 - 64);
  unsigned result = 0;
  __asm__ volatile(
      "mov %%rsp, %%r12\n"
      "mov %1, %%rsp\n"
      "lea 1f(%%rip), %%rax\n"
      "sub $16, %%rsp\n"
      "movl %%eax, (%%rsp)\n"
      "movl $0x23, 4(%%rsp)\n" /* the 32-bit user code segment */
      "lcall *(%%rsp)\n"
      "add $16, %%rsp\n"
      "jmp 2f\n"
      ".code32\n"
      "1: movl $32, %%eax\n"
      "lret\n"
      ".code64\n"
      "2: mov %%r12, %%rsp\n"
      "movl %%eax, %0\n"
      : "=r"(result)
      : "r"(stack)
      : "rax", "r12", "memory");
  if (result != 32) {
    printf("the 32-bit code came back with %u\n", result);
    return 1;
  }
  return 0;
}
