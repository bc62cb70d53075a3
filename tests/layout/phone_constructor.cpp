// A global with a dynamic initialiser, linked with the phone's linker script: the phone's loader
// runs no constructors, so the link must fail rather than leave the global uninitialised.
int initial();
int global = initial();
int initial() { return 3; }
extern "C" int fw_module_info;
int fw_module_info = 0;
extern "C" int main() { return global; }
