/* An application of the installed relay controller library: loads it and asks for its
 * version. */
#include <stdio.h>
#include <tamr11xc.h>

int main(void) {
  const char* version = tamrGetSDKVersion();
  if (version == NULL || version[0] == '\0') return 1;
  puts(version);
  return 0;
}
