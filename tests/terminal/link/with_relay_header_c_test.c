/* Both public headers in one C program, linked to the terminal library only: the
   relay-board names are declared alike in both and resolve to the terminal library. */
#include "tamr11xc.h"
#include "vornc.h"

int main(void) {
  unsigned char status[8] = {0};
  /* A free slot has no connection: nothing can be sent. */
  if (tamrRelayOn(5, 1) != VORN_SEND_FAILED) return 1;
  if (tamrGetStatusInput(5, status) != VORN_SEND_FAILED) return 2;
  if (tamrGetAnswer(5, 0) != VORN_NO_REPLY) return 3;
  return VORN_OK;
}
