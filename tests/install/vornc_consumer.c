/* An application of the installed terminal library: loads it and asks for its version. */
#include <stdio.h>
#include <vornc.h>

int main(void) {
  const char* version = vornGetSDKVersion();
  if (version == NULL || version[0] == '\0') return 1;
  puts(version);
  return 0;
}
