#include "requeue_run.h"

int main() {
  return ndr::RunRequeue();
}
