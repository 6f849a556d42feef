/* The public header serves C applications as it is. Being a fresh process, this is
   also where the library's load-time defaults are checked. */
#define _POSIX_C_SOURCE 200809L
#include <string.h>
#include <time.h>

#include "vornc.h"

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int main(void) {
  if (strcmp(vornGetSDKVersion(), "Version 3.12.08 vornc.dll 15/01/2015") != 0) return 1;
  if (vornGetType(70) != 0) return 2;
  /* The open pause is 1000 ms until changed, and is made after a failed open too. */
  const double start = now_ms();
  if (vornOpenDevice(1000, "no-such-terminal.invalid", 5000) != VORN_HOST_NOT_FOUND) return 3;
  const double waited = now_ms() - start;
  if (waited < 995 || waited > 1500) return 4;
  if (vornSetOpenTimeout(250) != 250) return 5;
  return VORN_OK;
}
