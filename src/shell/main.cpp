// The program's entry point.
#include "platform/fw.h"

FW_EXPORT int main() { return 0; }
