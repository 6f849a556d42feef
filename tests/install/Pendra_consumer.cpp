// An application of the installed recognition library: makes and destroys a ProcTemp and
// has it refuse a template of zeros.
#include <ProcTemp.h>

#include <cstdio>

int main() {
  ProcTemp proc(0, 60);
  unsigned char blank[pendra::kTemplateSize] = {};
  if (proc.GetLengthTemplate(blank) != pendra::kTemplateRejected) return 1;
  std::puts("ProcTemp");
  return 0;
}
