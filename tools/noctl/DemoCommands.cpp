#include "Context.h"
void AddDemoCommands(CLI::App&, Context&, Commands&) {}
