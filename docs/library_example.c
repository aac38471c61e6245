/* Loads the access library by name and reads the demo board's base register. */
#include <dlfcn.h>
#include <stdio.h>

int main(int argc, char **argv) {
  void *lib = dlopen(argc > 1 ? argv[1] : "libCfgprobe64.so", RTLD_NOW);
  if (!lib) return fprintf(stderr, "%s\n", dlerror()), 2;
  int (*init)(void) = (int (*)(void))dlsym(lib, "KX_InitLibrary");
  int (*read)(int, int, int, unsigned *) = (int (*)(int, int, int, unsigned *))dlsym(lib, "KX_GetPCIConfig");
  int (*exit_library)(void) = (int (*)(void))dlsym(lib, "KX_ExitLibrary");
  unsigned value = 0;
  int up = init(), found = read(0x01021195, 0x01021195, 0x10, &value), down = exit_library();
  printf("KX_InitLibrary %d, KX_GetPCIConfig %d (0x%08X), KX_ExitLibrary %d\n", up, found, value, down);
  return dlclose(lib), 0;
}
