#include "carry_run.h"

int main() {
  return ndr::RunCarry();
}
