// The library's entry point: nothing happens at load or unload, for processes and
// threads alike; all set-up is KX_InitLibrary's. Declared without the Win32 headers,
// which only the adapters include.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long /*reason*/, void* /*reserved*/) { return 1; }
