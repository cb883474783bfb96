// A stand-in for a batch program: writes its first argument to standard
// error and ends with the exit status of its second.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc > 1) {
    std::fputs(argv[1], stderr);
  }
  return argc > 2 ? std::atoi(argv[2]) : 1;
}
