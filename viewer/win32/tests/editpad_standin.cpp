// Stands in for the text editor: appends its own command line to the file
// named by NDR_EDITPAD_LOG, so that a test sees what the viewer started.
#include <windows.h>

#include <cstdio>

int main() {
  char log[MAX_PATH];
  if (GetEnvironmentVariableA("NDR_EDITPAD_LOG", log, MAX_PATH) == 0)
    return 1;
  std::FILE* file = std::fopen(log, "ab");
  if (file == nullptr)
    return 1;
  std::fprintf(file, "%s\n", GetCommandLineA());
  std::fclose(file);
  return 0;
}
