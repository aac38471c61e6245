#pragma once
// The machine the library runs on. On Windows it is the real PC and there is
// nothing to do. In the native build there is no hardware underneath: a process
// that has installed no simulated machine of its own (any program that loads the
// library, rather than spanfinder or a test) gets the one its environment names,
// through the standalone machine library beside this one.
namespace cfgprobe {

// Called before the library's first use of the machine; does its work once.
void adoptHostMachine();

}  // namespace cfgprobe
