/* The public header compiles as C, and the shared library loads and answers through it. */
#include <stdio.h>
#include <string.h>

#include "tamr11xc.h"

int main(void) {
  unsigned char status[TAMR_STATUS_SIZE];
  double celsius = 1.5;
  if (strcmp(tamrGetSDKVersion(), "Version 1.01.03 tamr11xc.dll 14/02/20011") != 0) {
    fprintf(stderr, "version text: %s\n", tamrGetSDKVersion());
    return 1;
  }
  if (tamrSetOpenTimeout(0) != 0) return 1;
  if (tamrGetStatusRelay(0, status) != TAMR_ERR_SEND) return 1;
  if (tamrGetTemperature(TAMR_MAX_DEVICES, &celsius) != TAMR_ERR_SEND || celsius != 1.5) return 1;
  if (tamrOpenDevice(1112, "no-such-controller.invalid", 5000) != TAMR_ERR_RESOLVE) return 1;
  return 0;
}
