// Built by Layout.ToolsCannotIncludeTheAddOnsShell, which expects it not to compile: the tools
// see of the add-on's shell only the configuration catalogue.
#include "shell/config/catalogue.h"
#include "shell/app.h"
